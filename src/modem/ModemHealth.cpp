#include "modem/ModemHealth.h"

#include <QList>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

// The values after "<prefix>:", split at commas outside quotes, quotes removed.
QList<QByteArray> valuesOf(const QByteArray &line)
{
    QList<QByteArray> values;
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return values;
    QByteArray current;
    bool quoted = false;
    for (qsizetype i = colon + 1; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            values << std::exchange(current, {}).trimmed();
        else
            current += c;
    }
    values << current.trimmed();
    return values;
}

int number(const QByteArray &value, int fallback)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok ? n : fallback;
}

} // namespace

bool ModemHealth::hasNetwork() const
{
    return network == Network::Unknown || network == Network::Home || network == Network::Roaming;
}

bool ModemHealth::takesMessages() const
{
    const bool simReady = sim != Sim::PinWanted && sim != Sim::PukWanted && sim != Sim::Missing;
    return simReady && hasNetwork();
}

int ModemHealth::bars() const
{
    if (signal < 0 || signal > 31)
        return -1;
    return std::min(5, (signal + 2) / 6);
}

int ModemHealth::dBm() const
{
    return signal < 0 || signal > 31 ? 0 : -113 + 2 * signal;
}

QString ModemHealth::networkText() const
{
    switch (network) {
        case Network::Unknown:
            return {};
        case Network::Home:
            return QStringLiteral("home network");
        case Network::Roaming:
            return QStringLiteral("roaming");
        case Network::Searching:
            return QStringLiteral("searching");
        case Network::None:
            return QStringLiteral("no network");
        case Network::Denied:
            return QStringLiteral("registration denied");
    }
    return {};
}

QString ModemHealth::describe(const QString &port) const
{
    if (!answering)
        return QStringLiteral("%1: not answering").arg(port);
    QStringList parts;
    if (sim == Sim::PinWanted || sim == Sim::PukWanted || sim == Sim::Missing || sim == Sim::Other)
        parts << QStringLiteral("SIM: %1").arg(simState);
    if (!operatorName.isEmpty())
        parts << operatorName;
    if (bars() >= 0)
        parts << QStringLiteral("signal %1 of 5 (%2 dBm)").arg(bars()).arg(dBm());
    if (network != Network::Unknown)
        parts << networkText();
    if (parts.isEmpty())
        return port;
    return port + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

void ModemHealth::readPin(const QByteArray &line)
{
    // "+CPIN: READY"; an error answer of its own ("+CME ERROR: 10") says there is no SIM.
    if (line.startsWith("+CME ERROR")) {
        const int code = number(line.mid(line.indexOf(':') + 1).trimmed(), -1);
        if (code == 10) {
            sim = Sim::Missing;
            simState = QStringLiteral("not inserted");
        }
        return;
    }
    const QList<QByteArray> values = valuesOf(line);
    if (values.isEmpty() || values.first().isEmpty())
        return;
    const QByteArray state = values.first().toUpper();
    simState = QString::fromLatin1(state);
    if (state == "READY")
        sim = Sim::Ready;
    else if (state == "SIM PIN")
        sim = Sim::PinWanted;
    else if (state == "SIM PUK")
        sim = Sim::PukWanted;
    else
        sim = Sim::Other;
}

void ModemHealth::readSignal(const QByteArray &line)
{
    // "+CSQ: 20,99", or a modem's own report "^RSSI: 20".
    const QList<QByteArray> values = valuesOf(line);
    if (values.isEmpty())
        return;
    const int value = number(values.first(), -1);
    if (value >= 0 && (value <= 31 || value == 99))
        signal = value;
}

void ModemHealth::readRegistration(const QByteArray &line, bool asAnswer)
{
    // The answer to AT+CREG? is "+CREG: <n>,<stat>[,<lac>,<ci>]"; the modem's own report
    // "+CREG: <stat>[,<lac>,<ci>]".
    const QList<QByteArray> values = valuesOf(line);
    if (values.size() < (asAnswer ? 2 : 1))
        return;
    const int state = number(values.at(asAnswer ? 1 : 0), -1);
    switch (state) {
        case 0:
            network = Network::None;
            break;
        case 1:
            network = Network::Home;
            break;
        case 2:
            network = Network::Searching;
            break;
        case 3:
            network = Network::Denied;
            break;
        case 5:
            network = Network::Roaming;
            break;
        default:
            break;
    }
}

void ModemHealth::readOperator(const QByteArray &line)
{
    // "+COPS: 0,0,\"CelcomDigi\",7"; without a network, "+COPS: 0".
    const QList<QByteArray> values = valuesOf(line);
    if (values.size() >= 3)
        operatorName = QString::fromUtf8(values.at(2)).left(64);
    else if (values.size() == 1)
        operatorName.clear();
}
