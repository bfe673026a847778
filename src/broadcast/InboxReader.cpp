#include "broadcast/InboxReader.h"

#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/InboxStore.h"
#include "data/Database.h"
#include "data/PhoneNumbers.h"
#include "data/Settings.h"
#include "modem/ModemSession.h"
#include "modem/NetworkPdu.h"


namespace {

// The index of "+CMTI: "SM",3", "+CDSI: "SM",3", "+CMGL: 3,1,,24"; -1 for none.
int indexIn(const QByteArray &line, bool last)
{
    const QByteArray values = line.mid(line.indexOf(':') + 1);
    const QList<QByteArray> fields = values.split(',');
    bool number = false;
    const int index = (last ? fields.constLast() : fields.constFirst()).trimmed().toInt(&number);
    return number && index >= 0 ? index : -1;
}

} // namespace

InboxReader::InboxReader(ModemSession &session, Database &database, const Settings &settings, Clock &clock,
                         QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_database(database)
    , m_settings(settings)
    , m_clock(clock)
{
    // Unscaled: a test's quick clock is for the waits of a send, not for this background look.
    m_listTimer.setInterval(ListEveryMs);
    connect(&m_listTimer, &QTimer::timeout, this, &InboxReader::listHeld);
    m_reportTimer.setInterval(m_clock.scaled(ReportRetryMs));
    connect(&m_reportTimer, &QTimer::timeout, this, [this] {
        try {
            matchWaitingReports();
        } catch (const BrivoraError &error) {
            Q_EMIT storeFailed(error.text());
        }
    });
    // Once the modem has answered the session's first questions, not before: a port with
    // no modem behind it hears nothing but the session's "AT".
    connect(&session, &ModemSession::healthChanged, this, [this] {
        if (!m_started && m_session.isOpen() && m_session.health().answering) {
            m_started = true;
            opened();
        }
    });
    connect(&session, &ModemSession::openChanged, this, [this](bool open) {
        if (open)
            return;
        m_started = false;
        m_listTimer.stop();
    });
    // A message or a report held on the SIM, announced by its index.
    for (const char *announcement : {"+CMTI:", "+CDSI:"}) {
        session.subscribe(announcement, [this](const QByteArray &line, const QByteArray &) {
            if (const int index = indexIn(line, true); index >= 0)
                readIndex(index);
        });
    }
    session.subscribe(
        "+CDS:", [this](const QByteArray &, const QByteArray &pdu) { takeRouted(pdu); }, true);
}

void InboxReader::opened()
{
    m_toldFull = false;
    m_reading.clear();
    // New messages held and announced; reports routed to the port. A modem that routes
    // them only in phase 2+ (AT+CSMS=1) wants each acknowledged; one that cannot route
    // them at all holds them.
    m_acknowledges = false;
    const auto ok = [](const AtReply &reply) { return reply.end == AtReply::End::Ok; };
    submit("AT+CNMI=2,1,0,1,0", [this, ok](const AtReply &routed) {
        if (ok(routed))
            return;
        submit("AT+CSMS=1", [this, ok](const AtReply &phase2) {
            if (!ok(phase2)) {
                submit("AT+CNMI=2,1,0,2,0");
                return;
            }
            submit("AT+CNMI=2,1,0,1,0", [this, ok](const AtReply &routedNow) {
                m_acknowledges = ok(routedNow);
                if (!m_acknowledges)
                    submit("AT+CNMI=2,1,0,2,0");
            });
        });
    });
    listHeld();
    m_listTimer.start();
}

void InboxReader::listHeld()
{
    if (!m_session.isOpen())
        return;
    // Listed in PDU mode: a modem may start in text mode, where "4" names no list.
    submit("AT+CMGF=0");
    submit("AT+CMGL=4", [this](const AtReply &reply) {
        // Each "+CMGL:" line is followed by its message's PDU.
        for (qsizetype i = 0; i + 1 < reply.lines.size(); ++i) {
            if (!reply.lines.at(i).startsWith("+CMGL:"))
                continue;
            const int index = indexIn(reply.lines.at(i), false);
            if (index >= 0 && !m_reading.contains(index))
                take(index, reply.lines.at(++i));
        }
        checkRoom();
        try {
            inbox().closeStaleParts(m_clock.now());
        } catch (const BrivoraError &error) {
            Q_EMIT storeFailed(error.text());
        }
    });
}

void InboxReader::readIndex(int index)
{
    if (m_reading.contains(index))
        return;
    m_reading.insert(index);
    submit("AT+CMGR=" + QByteArray::number(index), [this, index](const AtReply &reply) {
        m_reading.remove(index);
        for (qsizetype i = 0; i + 1 < reply.lines.size(); ++i)
            if (reply.lines.at(i).startsWith("+CMGR:"))
                take(index, reply.lines.at(i + 1));
    });
}

void InboxReader::take(int index, const QByteArray &pdu)
{
    if (store(pdu))
        submit("AT+CMGD=" + QByteArray::number(index));
}

void InboxReader::takeRouted(const QByteArray &pdu)
{
    // A routed report is the port's only copy: stored or not, the modem keeps nothing.
    store(pdu);
    if (m_acknowledges)
        submit("AT+CNMA");
}

bool InboxReader::store(const QByteArray &hex)
{
    NetworkPdu pdu;
    try {
        pdu = decodeNetworkPdu(hex);
    } catch (const BrivoraError &) {
        // What no phone could read is nothing to keep: it would come back at every listing.
        return true;
    }
    InboxStore inbox = this->inbox();
    const QDateTime now = m_clock.now();
    try {
        switch (pdu.kind) {
            case NetworkPdu::Kind::Deliver: {
                const InboxStore::Stored stored = inbox.storeDeliver(m_session.port(), pdu.deliver, now);
                if (stored.madeMessage)
                    Q_EMIT messageStored(stored.number, stored.text);
                break;
            }
            case NetworkPdu::Kind::StatusReport:
                if (inbox.storeReport(m_session.port(), pdu.report, now)) {
                    Q_EMIT deliveryChanged();
                } else {
                    m_waitingReports << WaitingReport{pdu.report, now};
                    m_reportTimer.start();
                }
                break;
            case NetworkPdu::Kind::Submit:
                break; // a draft the SIM keeps is not ours to take
        }
    } catch (const BrivoraError &error) {
        Q_EMIT storeFailed(error.text());
        return false;
    }
    return pdu.kind != NetworkPdu::Kind::Submit;
}

void InboxReader::checkRoom()
{
    submit("AT+CPMS?", [this](const AtReply &reply) {
        for (const QByteArray &line : reply.lines) {
            if (!line.startsWith("+CPMS:"))
                continue;
            // The first store's messages held and its room.
            const QList<QByteArray> fields = line.mid(6).split(',');
            if (fields.size() < 3)
                continue;
            const int held = fields.at(1).trimmed().toInt();
            const int room = fields.at(2).trimmed().toInt();
            const bool full = room > 0 && held >= room;
            if (full && !m_toldFull)
                Q_EMIT warning(QString::fromLatin1(SimFullText).arg(m_session.port()));
            m_toldFull = full;
        }
    });
}

void InboxReader::matchWaitingReports()
{
    InboxStore inbox = this->inbox();
    const QDateTime now = m_clock.now();
    bool matched = false;
    for (qsizetype i = 0; i < m_waitingReports.size();) {
        const WaitingReport &waiting = m_waitingReports.at(i);
        if (inbox.storeReport(m_session.port(), waiting.report, waiting.received)) {
            matched = true;
            m_waitingReports.removeAt(i);
        } else if (waiting.received.msecsTo(now) > ReportKeptMs) {
            m_waitingReports.removeAt(i);
        } else {
            ++i;
        }
    }
    if (m_waitingReports.isEmpty())
        m_reportTimer.stop();
    if (matched)
        Q_EMIT deliveryChanged();
}

void InboxReader::submit(const QByteArray &line, std::function<void(const AtReply &)> done)
{
    AtCommand command;
    command.line = line;
    command.timeoutMs = ModemSession::HealthCommandMs;
    command.done = done ? std::move(done) : [](const AtReply &) {};
    m_session.submit(std::move(command));
}

InboxStore InboxReader::inbox() const
{
    return InboxStore(m_database,
                      {m_settings.optOutWords(), m_settings.optInWords(), countryCodeOf(m_settings.centreNumber())});
}
