#pragma once

#include <QByteArray>
#include <QString>

// What the modem last said of itself: whether it answers, its SIM, its signal and its
// network. Each part is unknown until the modem has told it; a modem that does not know a
// command is not faulted for it.
struct ModemHealth {
    enum class Sim { Unknown, Ready, PinWanted, PukWanted, Missing, Other };
    enum class Network { Unknown, Home, Roaming, Searching, None, Denied };

    bool answering = true;
    Sim sim = Sim::Unknown;
    QString simState; // as the modem words it: "SIM PIN"
    int signal = 99; // AT+CSQ's value, 0 to 31; 99 is unknown
    Network network = Network::Unknown;
    QString operatorName;

    // A modem whose SIM waits for its PIN, or that has no network, takes no message.
    bool takesMessages() const;
    bool hasNetwork() const;
    // Signal in bars of 5, and in dBm; -1 and 0 when unknown.
    int bars() const;
    int dBm() const;
    // "home network", "roaming", "searching", "no network", "registration denied"; empty
    // when unknown.
    QString networkText() const;
    // "ttyUSB2: CelcomDigi, signal 4 of 5 (-71 dBm), home network", or "ttyUSB2: not
    // answering".
    QString describe(const QString &port) const;

    // The modem's answers to AT+CPIN?, AT+CSQ, AT+CREG? (asAnswer; or its own report
    // +CREG:), AT+COPS? and ^RSSI, each line taken for what it says; a line that says
    // nothing readable changes nothing.
    void readPin(const QByteArray &line);
    void readSignal(const QByteArray &line);
    void readRegistration(const QByteArray &line, bool asAnswer);
    void readOperator(const QByteArray &line);
};
