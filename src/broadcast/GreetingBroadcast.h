#pragma once

#include "data/Settings.h"

#include <QDate>
#include <QString>

class DataModule;
class Dialogs;
class SendEngine;

// The day's birthday or anniversary greetings: one personalised SMS for every contact
// whose birthday (or, married, whose anniversary) is today, whatever the year. Each
// SMS gets a project_detail row of the pseudo-project "BIRTHDAY" or "ANNIVERSARY".
class GreetingBroadcast {
public:
    // The templates are the settings' as they stand when each contact is greeted.
    GreetingBroadcast(SendEngine &engine, DataModule &dm);

    // The contacts are those of today as the greeting starts; its error box goes to
    // boxes (the main window's, or held while the window is in the tray).
    void start(Greeting greeting, Dialogs &boxes);

    static QString projectName(Greeting greeting);
    // The statement that selects the contacts to greet on that day.
    static QString recipientsSql(Greeting greeting, QDate today);

private:
    SendEngine &m_engine;
    DataModule &m_dm;
};
