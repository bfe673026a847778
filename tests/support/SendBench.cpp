#include "support/SendBench.h"

#include <QTest>

SendBench::SendBench(const QDateTime &now)
    : modem(std::make_unique<TestModem>())
{
    settings.set(Settings::Field::CentreNumber, QStringLiteral("+60120000000"));
    clock.setScale(0.01);
    clock.setFixedNow(now);
    dm.con.setBusyTimeout(50);
    QVERIFY(modem->plugInto(session));
}

bool SendBench::addModems(int count)
{
    QList<ModemSetup> modems{{modem->devicePath(), lineSettingsText(modem->settings()), true, {}}};
    for (int i = 0; i < count; ++i) {
        others.push_back(std::make_unique<TestModem>());
        modems << ModemSetup{others.back()->devicePath(), lineSettingsText(others.back()->settings()), true, {}};
    }
    engine.openModems(modems);
    const QList<ModemLane *> &lanes = engine.lanes();
    if (lanes.size() != count + 1)
        return false;
    // Before the modems' first answers are read.
    for (std::size_t i = 0; i < others.size(); ++i)
        others[i]->watch(lanes.at(static_cast<int>(i) + 1)->session().link());
    // Every modem has answered its first questions before the test goes on.
    const auto settled = [&] {
        for (ModemLane *each : lanes)
            if (each->session().isBusy())
                return false;
        return true;
    };
    if (!QTest::qWaitFor(settled, 10000) || !modem->forgetTheRecordWhenRead())
        return false;
    for (const auto &other : others)
        if (!other->forgetTheRecordWhenRead())
            return false;
    return true;
}

bool SendBench::waitForRunEnd(int timeoutMilliseconds)
{
    // Every modem has read every message the run wrote, so tests see what a phone got.
    return runs.wait(
        [this] {
            if (modem && static_cast<quint64>(modem->pdus().size()) < exchange.partsWritten())
                return false;
            for (std::size_t i = 0; i < others.size(); ++i)
                if (!others[i]->isPulledOut()
                    && static_cast<quint64>(others[i]->pdus().size())
                        < engine.lanes().value(static_cast<int>(i) + 1)->exchange().partsWritten())
                    return false;
            return true;
        },
        timeoutMilliseconds);
}

qint64 SendBench::addRecipient(const QString &name, const QString &number, const QString &message) const
{
    ws.exec(QStringLiteral("insert into project_detail(project_name, mobile_number, name, nickname, group_name, "
                           "msg_send, status) values ('RAYA', '%1', '%2', '', 'STAFF', '%3', '')")
                .arg(number, name, message));
    return ws.value(QStringLiteral("select max(id) from project_detail")).toLongLong();
}

void SendBench::addRecipients(const QStringList &messages) const
{
    for (const QString &message : messages) {
        const QString number = ws.value(QStringLiteral("select count(*) + 1 from project_detail"));
        addRecipient(QStringLiteral("Client ") + number, QStringLiteral("60") + number, message);
    }
}

QList<Outgoing> SendBench::recipients() const
{
    QList<Outgoing> messages;
    for (const QStringList &row : ws.rows(QStringLiteral("select id, project_name, mobile_number, name, msg_send "
                                                          "from project_detail order by id"))) {
        Outgoing message;
        message.detailId = row.at(0).toLongLong();
        message.record.projectName = row.at(1);
        message.record.mobileNumber = row.at(2);
        message.record.name = row.at(3);
        message.record.message = row.at(4);
        messages << message;
    }
    return messages;
}

void SendBench::holdWaitUntilFailLogged(int wait)
{
    clock.setWaitListener([this, wait, waits = 0](int, bool) mutable {
        if (++waits == wait)
            QVERIFY(QTest::qWaitFor([&] {
                return ws.value(QStringLiteral("select count(*) from transaction_log where status = 'FAIL'"))
                    == QStringLiteral("1");
            }));
    });
}

QString twoPartText()
{
    QStringList words;
    for (int i = 0; i < 40; ++i)
        words << QStringLiteral("word%1").arg(i, 2, 10, QLatin1Char('0'));
    return words.join(QLatin1Char(' ')); // 279 characters
}

PartResult SendBench::sendPart(const PartRequest &request, const std::function<void()> &record)
{
    std::optional<PartResult> result;
    exchange.sendPart(
        request,
        [&] {
            if (record)
                record();
        },
        [&](const PartResult &done) { result = done; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 30000))
        return {PartResult::Outcome::Failed, {}};
    return *result;
}
