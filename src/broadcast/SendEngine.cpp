#include "broadcast/SendEngine.h"

#include "base/Errors.h"
#include "broadcast/InboxReader.h"

SendEngine::SendEngine(Database &database, Settings &settings, Clock &clock, Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_settings(settings)
    , m_clock(clock)
    , m_dialogs(dialogs)
    , m_records(database, clock)
{
    addLane();
}

SendEngine::~SendEngine()
{
    qDeleteAll(m_lanes);
}

ModemLane *SendEngine::addLane()
{
    auto *lane = new ModemLane(m_records, m_runState, m_clock, m_dialogs);
    ModemSession &session = lane->session();
    connect(&session, &ModemSession::warning, this,
            [this, lane](const QString &text, bool asksPin) { Q_EMIT warning(lane->port(), text, asksPin); });
    connect(&session, &ModemSession::openChanged, this, &SendEngine::modemsChanged);
    connect(&session, &ModemSession::healthChanged, this, &SendEngine::modemsChanged);
    connect(&session.link(), &SerialLink::receiveFailed, this, &SendEngine::receiveFailed);
    m_lanes << lane;
    if (m_hearsIncoming)
        addInboxReader(lane);
    return lane;
}

void SendEngine::hearIncoming()
{
    if (m_hearsIncoming)
        return;
    m_hearsIncoming = true;
    for (ModemLane *lane : std::as_const(m_lanes))
        addInboxReader(lane);
}

void SendEngine::addInboxReader(ModemLane *lane)
{
    auto *reader = new InboxReader(lane->session(), m_database, m_settings, m_clock, lane);
    connect(reader, &InboxReader::messageStored, this, [this, lane](const QString &number, const QString &text) {
        Q_EMIT messageStored(lane->port(), number, text);
    });
    connect(reader, &InboxReader::deliveryChanged, this, &SendEngine::deliveryChanged);
    connect(reader, &InboxReader::warning, this, [this, lane](const QString &text) { Q_EMIT warning(lane->port(), text, false); });
    connect(reader, &InboxReader::storeFailed, this, &SendEngine::receiveFailed);
    if (lane->session().isOpen() && lane->session().health().answering)
        reader->listHeld();
}

void SendEngine::closeModems()
{
    std::optional<BrivoraError> refusal;
    for (ModemLane *lane : std::as_const(m_lanes)) {
        try {
            lane->session().close();
        } catch (const BrivoraError &error) {
            if (!refusal)
                refusal = error;
        }
    }
    // A modem no longer listed goes; the first lane stays for the light.
    while (m_lanes.size() > 1)
        delete m_lanes.takeLast();
    Q_EMIT modemsChanged();
    if (refusal)
        throw *refusal;
}

void SendEngine::openModems(const QList<ModemSetup> &modems)
{
    closeModems();
    std::optional<BrivoraError> refusal;
    for (int i = 0; i < modems.size(); ++i) {
        ModemLane *lane = i == 0 ? m_lanes.first() : addLane();
        const ModemSetup &modem = modems.at(i);
        lane->setCentreNumber(modem.centreNumber);
        try {
            lane->session().open(serialSettingsOf(modem.port, modem.lineSettings));
        } catch (const BrivoraError &error) {
            if (!refusal)
                refusal = i == 0 ? error : BrivoraError(QStringLiteral("%1: %2").arg(modem.port, error.text()));
        }
    }
    Q_EMIT modemsChanged();
    if (refusal)
        throw *refusal;
}
