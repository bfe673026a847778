#pragma once

#include <QString>

class DataModule;
class SendEngine;

// "Send Individual SMS": the typed text, as typed, to the profile selected in the list.
class IndividualSms {
public:
    IndividualSms(SendEngine &engine, DataModule &dm);

    // Sends every part of the text with its own exchange, row and log entry.
    void send(const QString &text);

private:
    SendEngine &m_engine;
    DataModule &m_dm;
};
