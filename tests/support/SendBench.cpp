#include "support/SendBench.h"

#include <QTest>

SendBench::SendBench(const QDateTime &now)
    : modem(std::make_unique<TestModem>())
    , records(dm.con, clock)
    , exchange(link, clock)
    , marker(exchange, runState, records, clock, dialogs)
    , services{exchange, runState, records, clock, dialogs, settings}
{
    settings.set(Settings::Field::CentreNumber, QStringLiteral("+60120000000"));
    clock.setScale(0.01);
    clock.setFixedNow(now);
    dm.con.setBusyTimeout(50);
    modem->plugInto(link);
}

bool SendBench::waitForRunEnd(int timeoutMilliseconds)
{
    // The modem has read every message the run wrote, so tests see what a phone got.
    return runs.wait([this] { return !modem || static_cast<quint64>(modem->pdus().size()) >= exchange.partsWritten(); },
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
