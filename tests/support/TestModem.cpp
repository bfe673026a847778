#include "support/TestModem.h"

#include "base/Errors.h"

#include <QTest>

TestModem::TestModem()
{
    if (!m_folder.isValid() || !appearAs(m_folder.filePath(QStringLiteral("modem"))))
        throw BrivoraError(QStringLiteral("No link to the test modem's pseudo-terminal"));
}

SerialSettings TestModem::settings() const
{
    SerialSettings settings;
    settings.portName = devicePath();
    return settings;
}

void TestModem::watch(SerialLink &link)
{
    if (m_watched == &link)
        return;
    m_watched = &link;
    connect(&link, &SerialLink::received, this, [this](int count) { m_handedOver += count; });
}

void TestModem::plugInto(SerialLink &link)
{
    link.setSettings(settings());
    watch(link);
    link.open();
}

bool TestModem::plugInto(ModemSession &session, int timeoutMilliseconds)
{
    watch(session.link());
    session.open(settings());
    if (!QTest::qWaitFor([&] { return !session.isBusy(); }, timeoutMilliseconds))
        return false;
    return forgetTheRecordWhenRead();
}

bool TestModem::forgetTheRecordWhenRead()
{
    if (!waitUntilRead())
        return false;
    forgetTheRecord();
    m_handedOver = 0;
    return true;
}

bool TestModem::waitForPdus(int count, int timeoutMilliseconds) const
{
    return QTest::qWaitFor([&] { return pdus().size() >= count; }, timeoutMilliseconds);
}

bool TestModem::waitForInputs(int count, int timeoutMilliseconds) const
{
    return QTest::qWaitFor([&] { return inputs().size() >= count; }, timeoutMilliseconds);
}

bool TestModem::waitUntilIdle(int timeoutMilliseconds) const
{
    return QTest::qWaitFor([&] { return isIdle(); }, timeoutMilliseconds);
}

bool TestModem::waitUntilRead(int timeoutMilliseconds) const
{
    return QTest::qWaitFor([&] { return isIdle() && m_handedOver >= sentBytes().size(); }, timeoutMilliseconds);
}

QStringList TestModem::texts() const
{
    QStringList result;
    for (const ReceivedPdu &pdu : pdus())
        result << pdu.message.text;
    return result;
}

QStringList TestModem::shownTexts() const
{
    QStringList result;
    for (const ShownMessage &message : messages())
        result << message.text;
    return result;
}

QStringList TestModem::destinations() const
{
    QStringList numbers;
    for (const ReceivedPdu &pdu : pdus())
        numbers << pdu.message.destination;
    return numbers;
}

ReceivedChunks::ReceivedChunks(SerialLink &link)
    : m_link(link)
{
    connect(&link, &SerialLink::received, this, [this](int count) { m_chunks << m_link.read(count); });
}

bool ReceivedChunks::waitForBytes(int bytes, int timeoutMilliseconds) const
{
    return QTest::qWaitFor([&] { return all().size() >= bytes; }, timeoutMilliseconds);
}
