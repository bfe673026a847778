#pragma once

#include <QString>

#include <functional>

class AtExchange;
class Clock;
class DataModule;
class Dialogs;
class RunState;

// "Send Individual SMS": the typed text, as typed, to the profile selected in the list.
class IndividualSms
{
public:
    IndividualSms(AtExchange &exchange, DataModule &dm, RunState &runState, Clock &clock, Dialogs &dialogs,
                  std::function<QString()> centreNumber);

    // Sends every part of the text with its own exchange, row and log entry.
    void send(const QString &text);

private:
    AtExchange &m_exchange;
    DataModule &m_dm;
    RunState &m_runState;
    Clock &m_clock;
    Dialogs &m_dialogs;
    std::function<QString()> m_centreNumber;
};
