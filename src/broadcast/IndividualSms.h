#pragma once

#include <QString>

class DataModule;
struct SendServices;

// "Send Individual SMS": the typed text, as typed, to the profile selected in the list.
class IndividualSms {
public:
    IndividualSms(SendServices &services, DataModule &dm);

    // Sends every part of the text with its own exchange, row and log entry.
    void send(const QString &text);

private:
    SendServices &m_services;
    DataModule &m_dm;
};
