#pragma once

#include <QDate>
#include <QString>

#include <functional>

class DataModule;
class Dialogs;
struct SendServices;

enum class Greeting { Birthday, Anniversary };

struct GreetingTemplates {
    QString english;
    QString malay;
};

// The day's birthday or anniversary greetings: one personalised SMS for every contact
// whose birthday (or, married, whose anniversary) is today, whatever the year. Each
// SMS gets a project_detail row of the pseudo-project "BIRTHDAY" or "ANNIVERSARY".
class GreetingBroadcast {
public:
    // templates gives the pair as it stands on screen when each contact is greeted.
    GreetingBroadcast(SendServices &services, DataModule &dm, std::function<GreetingTemplates(Greeting)> templates);

    // The contacts are those of today as the greeting starts; its error box goes to
    // boxes (the main window's, or held while the window is in the tray).
    void start(Greeting greeting, Dialogs &boxes);

    static QString projectName(Greeting greeting);
    // The statement that selects the contacts to greet on that day.
    static QString recipientsSql(Greeting greeting, QDate today);

private:
    SendServices &m_services;
    DataModule &m_dm;
    std::function<GreetingTemplates(Greeting)> m_templates;
};
