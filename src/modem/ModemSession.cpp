#include "modem/ModemSession.h"

#include "modem/PortCatalog.h"
#include "modem/PortTrouble.h"

#include "base/Clock.h"

#include <QLoggingCategory>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcModem, "brivora.modem", QtWarningMsg)

namespace {

constexpr char Escape = 27;

// Lines modems send on their own: never an answer, whether anybody listens or not.
const QList<QByteArray> UnsolicitedPrefixes = {
    "+CMTI:", "+CDSI:", "+CDS:",     "+CMT:",   "+CBM:",   "+CREG:", "+CGREG:", "+CEREG:",      "^RSSI:",
    "^BOOT:", "^MODE:", "^SRVST:",   "^SIMST:", "^HCSQ:",  "+CIEV:", "RING",    "+CRING:",      "+CLIP:",
    "+CUSD:", "+PBREADY", "^SYSSTART", "NO CARRIER", "^DSFLOWRPT:", "^RFSWITCH:", "+CPIN: NOT READY"};

bool isError(const QByteArray &line)
{
    return line == "ERROR" || line.startsWith("+CMS ERROR") || line.startsWith("+CME ERROR");
}

} // namespace

ModemSession::ModemSession(Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    m_timeout.setSingleShot(true);
    m_healthTimer.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ModemSession::timeUp);
    connect(&m_healthTimer, &QTimer::timeout, this, &ModemSession::healthDue);
    connect(&m_link, &SerialLink::received, this, &ModemSession::received);
    connect(&m_link, &SerialLink::openChanged, this, &ModemSession::openChanged);
    connect(&m_link, &SerialLink::lost, this, &ModemSession::deviceLost);
    // What the modem says of its network and signal between answers keeps the health true.
    subscribe("+CREG:", [this](const QByteArray &line, const QByteArray &) {
        ModemHealth health = m_health;
        health.readRegistration(line, false);
        applyHealth(health);
    });
    subscribe("^RSSI:", [this](const QByteArray &line, const QByteArray &) {
        ModemHealth health = m_health;
        health.readSignal(line);
        applyHealth(health);
    });
}

ModemSession::~ModemSession()
{
    // Nobody is told any more: the owners go with the session.
    m_queue.clear();
    m_running.reset();
    m_granted = {};
}

void ModemSession::open(const SerialSettings &settings)
{
    close();
    m_link.setSettings(settings);
    m_reader.clear();
    m_outOfStep = false;
    m_stepAttempts = 0;
    m_health = {};
    Q_EMIT healthChanged();
    m_link.open();
    // Whether anything answers at all: a port with nothing behind it would take every
    // message without a word. Escape first: a modem an earlier program left waiting for a
    // message leaves that.
    submit(escapeAndAt([this](const AtReply &reply) {
        if (reply.end == AtReply::End::Ok) {
            checkHealth();
        } else if (reply.end == AtReply::End::TimedOut) {
            // A USB modem shows several ports, and its diagnostic one is as silent as a
            // cable with nothing behind it: the user is sent to the ports that may be
            // the modem's own, and told when ModemManager's probing drowns the answers.
            const PortCatalog catalog;
            const PortEntry entry = catalog.find(port());
            const QStringList siblings = catalog.siblingsOf(entry);
            QString text = siblings.isEmpty()
                ? QString::fromLatin1(NoModemText).arg(port())
                : QString::fromLatin1(NotAtPortText).arg(entry.name(), siblings.join(QStringLiteral(", ")));
            if (const QString cause = PortTrouble::causeOf(entry, 0); !cause.isEmpty())
                text += QLatin1Char('\n') + cause;
            showNotAnswering(text);
        }
    }));
}

AtCommand ModemSession::escapeAndAt(std::function<void(const AtReply &)> done)
{
    AtCommand command;
    command.before = QByteArray(1, Escape);
    command.line = "AT";
    command.timeoutMs = ProbeMs;
    command.bringsBackInStep = true;
    command.done = std::move(done);
    return command;
}

void ModemSession::showNotAnswering(const QString &why)
{
    ModemHealth silent = m_health;
    silent.answering = false;
    applyHealth(silent, why);
}

void ModemSession::close()
{
    m_healthTimer.stop();
    m_healthDue = false;
    m_checking = false;
    // Closed first: what the ends told start writes nothing more.
    m_link.close();
    endEverything(AtReply::End::Lost);
}

void ModemSession::deviceLost()
{
    m_healthTimer.stop();
    m_checking = false;
    endEverything(AtReply::End::Lost);
    Q_EMIT lost();
}

void ModemSession::endEverything(AtReply::End end)
{
    QList<AtCommand> waiting = std::exchange(m_queue, {});
    if (m_running)
        finish(end);
    for (AtCommand &command : waiting) {
        AtReply reply;
        reply.end = end;
        if (command.done)
            command.done(reply);
    }
    m_pduFor = {};
}

void ModemSession::submit(AtCommand command)
{
    m_queue << std::move(command);
    next();
}

void ModemSession::write(const QByteArray &bytes)
{
    m_link.write(bytes);
}

void ModemSession::reserve(std::function<void()> granted)
{
    m_reserved = true;
    m_granted = std::move(granted);
    next();
}

void ModemSession::release()
{
    m_reserved = false;
    m_granted = {};
    if (m_healthDue)
        healthDue();
}

void ModemSession::subscribe(const QByteArray &prefix, Unsolicited handler, bool takesPdu)
{
    m_subscriptions << Subscription{prefix, std::move(handler), takesPdu};
}

void ModemSession::next()
{
    if (m_running)
        return;
    if (m_outOfStep && m_health.answering && m_link.isOpen()) {
        m_outOfStep = false;
        // Escape leaves a prompt the modem may still hold; "AT" until it says "OK".
        start(escapeAndAt([this](const AtReply &reply) {
            if (reply.end == AtReply::End::Ok) {
                m_stepAttempts = 0;
            } else if (reply.end == AtReply::End::TimedOut || reply.end == AtReply::End::Error) {
                // An error may be a late answer to the command that went unanswered.
                if (++m_stepAttempts < Reinitialisations) {
                    m_outOfStep = true;
                } else {
                    m_stepAttempts = 0;
                    showNotAnswering(QString::fromLatin1(NoModemText).arg(port()));
                }
            }
        }));
        return;
    }
    if (!m_queue.isEmpty()) {
        start(m_queue.takeFirst());
        return;
    }
    if (m_granted) {
        const auto granted = std::exchange(m_granted, {});
        granted();
    }
}

void ModemSession::start(AtCommand command)
{
    m_running = Running{};
    m_running->command = std::move(command);
    m_running->serial = ++m_serial;
    m_running->awaitingBody = !m_running->command.body.isEmpty();
    try {
        m_link.write(m_running->command.before + m_running->command.line + "\r\n");
    } catch (...) {
        m_running->reply.error = std::current_exception();
        finish(AtReply::End::Failed);
        return;
    }
    m_clock.startTimeout(m_timeout, m_running->command.timeoutMs, m_running->command.ofASend);
}

void ModemSession::writeBody()
{
    m_running->awaitingBody = false;
    try {
        m_link.write(m_running->command.body);
    } catch (...) {
        m_running->reply.error = std::current_exception();
        finish(AtReply::End::Failed);
        return;
    }
    m_running->reply.bodyWritten = true;
    m_clock.startTimeout(m_timeout, m_running->command.bodyTimeoutMs, m_running->command.ofASend);
    if (m_running->command.bodyWritten)
        m_running->command.bodyWritten();
}

void ModemSession::timeUp()
{
    if (!m_running)
        return;
    // The window's thread may have been busy for longer than the wait: what the modem
    // answered before it ran out is read first, and decides.
    const quint64 serial = m_running->serial;
    m_link.announceWaiting();
    if (!m_running || m_running->serial != serial)
        return;
    finish(m_running->awaitingBody ? AtReply::End::NoPrompt : AtReply::End::TimedOut);
}

void ModemSession::finish(AtReply::End end, const QByteArray &finalLine)
{
    m_timeout.stop();
    Running running = std::move(*m_running);
    m_running.reset();
    running.reply.end = end;
    running.reply.finalLine = finalLine;
    // A prompt that comes late would take the next command as the message.
    if (end == AtReply::End::NoPrompt && m_link.isOpen()) {
        try {
            m_link.write(QByteArray(1, Escape));
        } catch (...) {
            running.reply.end = AtReply::End::Failed;
            running.reply.error = std::current_exception();
        }
    }
    const bool unanswered = end == AtReply::End::TimedOut || end == AtReply::End::NoPrompt;
    if (unanswered && !running.command.bringsBackInStep)
        m_outOfStep = true;
    if (running.command.done)
        running.command.done(running.reply);
    next();
}

void ModemSession::received(int byteCount)
{
    const QByteArray bytes = m_link.read(byteCount);
    Q_EMIT chunkHeard(bytes);
    const QList<QByteArray> lines = m_reader.feed(bytes);
    for (const QByteArray &line : lines)
        hear(line);
    // The prompt comes without a line end.
    if (m_running && m_running->awaitingBody && m_reader.takePrompt())
        writeBody();
}

void ModemSession::hear(const QByteArray &line)
{
    Q_EMIT lineHeard(line);
    if (m_pduFor) {
        const Unsolicited handler = std::exchange(m_pduFor, {});
        handler(m_pduHeader, line);
        return;
    }
    if (m_running) {
        Running &running = *m_running;
        if (running.awaitingBody && line.startsWith('>')) {
            writeBody();
            return;
        }
        if (line == "OK") {
            // A command waiting for its prompt is not done by an "OK": that answered an
            // earlier command, late.
            if (running.awaitingBody) {
                qCInfo(lcModem) << port() << "said, late:" << line;
                return;
            }
            finish(AtReply::End::Ok, line);
            return;
        }
        if (isError(line)) {
            finish(AtReply::End::Error, line);
            return;
        }
        const QByteArray &prefix = running.command.answerPrefix;
        if (!prefix.isEmpty() && line.startsWith(prefix)) {
            running.reply.lines << line;
            return;
        }
        // The modem's echo of the command.
        if (line == running.command.line)
            return;
    }
    if (unsolicited(line))
        return;
    if (m_running) {
        m_running->reply.lines << line;
        return;
    }
    // An answer whose command has ended (it went unanswered in time) changes nothing.
    qCInfo(lcModem) << port() << "said, with no command waiting:" << line;
}

bool ModemSession::unsolicited(const QByteArray &line)
{
    bool known = false;
    for (const Subscription &subscription : std::as_const(m_subscriptions)) {
        if (!line.startsWith(subscription.prefix))
            continue;
        known = true;
        if (subscription.takesPdu) {
            m_pduFor = subscription.handler;
            m_pduHeader = line;
        } else {
            subscription.handler(line, {});
        }
    }
    if (known)
        return true;
    for (const QByteArray &prefix : UnsolicitedPrefixes)
        if (line.startsWith(prefix))
            return true;
    return false;
}

void ModemSession::checkHealth()
{
    if (!m_link.isOpen() || !m_health.answering || m_checking)
        return;
    if (m_reserved) {
        m_healthDue = true;
        return;
    }
    m_checking = true;
    m_healthDue = false;
    m_healthTimer.stop();
    auto heard = std::make_shared<ModemHealth>(m_health);
    const auto ask = [&](const char *line, const char *prefix, std::function<void(const AtReply &)> read) {
        AtCommand command;
        command.line = line;
        command.answerPrefix = prefix;
        command.timeoutMs = HealthCommandMs;
        command.done = std::move(read);
        submit(std::move(command));
    };
    ask("AT+CPIN?", "+CPIN:", [heard](const AtReply &reply) {
        for (const QByteArray &line : reply.lines)
            heard->readPin(line);
        if (reply.end == AtReply::End::Error)
            heard->readPin(reply.finalLine);
    });
    ask("AT+CSQ", "+CSQ:", [heard](const AtReply &reply) {
        for (const QByteArray &line : reply.lines)
            heard->readSignal(line);
    });
    ask("AT+CREG?", "+CREG:", [heard](const AtReply &reply) {
        for (const QByteArray &line : reply.lines)
            heard->readRegistration(line, true);
    });
    ask("AT+COPS?", "+COPS:", [this, heard](const AtReply &reply) {
        for (const QByteArray &line : reply.lines)
            heard->readOperator(line);
        m_checking = false;
        if (reply.end == AtReply::End::Lost || reply.end == AtReply::End::Failed)
            return;
        // What went unanswered on the way has made the modem not answering, if it did.
        heard->answering = m_health.answering;
        applyHealth(*heard);
        if (m_health.answering)
            m_clock.startPeriod(m_healthTimer, HealthEveryMs);
    });
}

void ModemSession::healthDue()
{
    if (m_reserved || isBusy()) {
        m_healthDue = true;
        return;
    }
    checkHealth();
}

void ModemSession::enterPin(const QString &pin)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{4,8}$"));
    if (!digits.match(pin).hasMatch())
        return;
    AtCommand command;
    command.line = "AT+CPIN=\"" + pin.toLatin1() + '"';
    command.timeoutMs = HealthCommandMs;
    command.done = [this](const AtReply &) {
        // A SIM takes a moment to be ready once its PIN is in.
        m_checking = false;
        checkHealth();
    };
    submit(std::move(command));
}

void ModemSession::applyHealth(const ModemHealth &health, const QString &silentText)
{
    const ModemHealth before = std::exchange(m_health, health);
    if (before.answering && !health.answering)
        Q_EMIT warning(silentText.isEmpty() ? QString::fromLatin1(NoModemText).arg(port()) : silentText, false);
    if (health.sim == ModemHealth::Sim::PinWanted && before.sim != ModemHealth::Sim::PinWanted)
        Q_EMIT warning(QString::fromLatin1(PinText).arg(port()), true);
    if (!health.hasNetwork() && before.hasNetwork())
        Q_EMIT warning(QString::fromLatin1(NoNetworkText).arg(port(), health.networkText()), false);
    Q_EMIT healthChanged();
}
