#pragma once

#include "modem/ModemSession.h"
#include "modem/SerialLink.h"
#include "modemsim/ModemSimulator.h"

#include <QTemporaryDir>

// The GSM modem of the tests: a ModemSimulator on a pseudo-terminal, answering from
// the test's own event loop, with helpers to plug a SerialLink into it and to wait
// for what it receives.
//
//   TestModem modem;
//   modem.answerWith(TestModem::Input::Pdu, "+CMS ERROR: 500", 2); // fail the 2nd PDU
//   modem.plugInto(link);                                          // link opens the modem
//   ... send ...
//   QVERIFY(modem.waitForPdus(2));
//   QCOMPARE(modem.pdus().at(0).message.text, QStringLiteral("Hello"));
class TestModem : public ModemSimulator {
    Q_OBJECT

public:
    // The modem is opened through a link in a folder of its own: a port's lock file is
    // named after the path opened, and the system gives a pseudo-terminal's number
    // again as soon as its modem is gone, while another test's port may still hold
    // the lock of that number.
    TestModem();

    // The start settings of a link, naming this modem's device.
    SerialSettings settings() const;
    // Points the link at this modem and opens it; from now on the modem knows how much
    // of what it sent the link has handed to its handler.
    void plugInto(SerialLink &link);
    // Opens the session on this modem, as the status light does, and waits until the
    // session has asked its first questions (AT and the health); what was said so far is
    // forgotten, so a test sees what comes after. False when the session did not finish.
    bool plugInto(ModemSession &session, int timeoutMilliseconds = 10000);
    // Forgets what was received and sent, once the port has read all of it.
    bool forgetTheRecordWhenRead();
    // From now on the modem knows how much of what it sent the link has handed over.
    void watch(SerialLink &link);

    // Process events until so many PDUs (or inputs) have been received, or the time
    // is up; false when it is up.
    bool waitForPdus(int count, int timeoutMilliseconds = 5000) const;
    bool waitForInputs(int count, int timeoutMilliseconds = 5000) const;
    // Process events until every delayed or paused answer has been written.
    bool waitUntilIdle(int timeoutMilliseconds = 5000) const;
    // Process events until every answer has been written and the link it is plugged into
    // has handed it all to its handler: what the answers cause has happened.
    bool waitUntilRead(int timeoutMilliseconds = 5000) const;

    // The texts of the PDUs received so far, decoded.
    QStringList texts() const;
    // The texts of the messages as phones show them, concatenated parts put together.
    QStringList shownTexts() const;
    // The number each decoded PDU was sent to, in order.
    QStringList destinations() const;

private:
    QTemporaryDir m_folder;
    qsizetype m_handedOver = 0;
    const SerialLink *m_watched = nullptr;
};

// A receive handler for tests: reads and keeps each chunk a link announces.
class ReceivedChunks : public QObject {
    Q_OBJECT

public:
    explicit ReceivedChunks(SerialLink &link);

    const QList<QByteArray> &chunks() const { return m_chunks; }
    QByteArray all() const { return m_chunks.join(); }
    // Process events until the chunks hold `bytes` bytes in all; false when time is up.
    bool waitForBytes(int bytes, int timeoutMilliseconds = 5000) const;

private:
    SerialLink &m_link;
    QList<QByteArray> m_chunks;
};
