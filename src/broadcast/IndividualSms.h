#pragma once

#include <QString>

class DataModule;
class SendEngine;

// "Send Individual SMS": the typed text, as typed, to the profile selected in the list.
class IndividualSms {
public:
    static constexpr auto OptedOutQuestion = "%1 asked not to receive messages (%2: \"%3\"). Send anyway?";

    IndividualSms(SendEngine &engine, DataModule &dm);

    // Sends every part of the text with its own exchange, row and log entry; to a number
    // on the opt-out list only once the operator says so.
    void send(const QString &text);

private:
    SendEngine &m_engine;
    DataModule &m_dm;
};
