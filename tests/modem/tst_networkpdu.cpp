#include "base/Errors.h"
#include "modem/NetworkPdu.h"
#include "modem/Pdu.h"
#include "support/ErrorText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Written by hand after the layouts of SMS-DELIVER and SMS-STATUS-REPORT: centre
// +60120000000 or none, sender +60123456789, 2024-05-06 07:08:09 at +08:00 (0x23) or UTC.
const QByteArray International = "07910621000000F0040B910621436587F90000425060708090230AE8329BFD4697D9EC37";
// National number 0123456789, UCS-2, 2023-12-31 23:59:59 at -03:30 (0x49), in lower case.
const QByteArray National = "00000aa11032547698000832211332959549044e2d6587";
const QByteArray Alphanumeric = "00040DD04279DAFE96870100004250607080900002E834";
// Part 3 of 3 of reference 0x1234: a 7-octet header, so no fill bits.
const QByteArray SixteenBitPart = "00400B910621436587F90000425060708090000B0608041234030361F118";
// Part 2 of 3 of reference 42, one fill bit after the header.
const QByteArray EightBitPart = "00400B910621436587F90000425060708090000A0500032A0302C2E231";
// A text formatting element before the concatenation, in UCS-2.
const QByteArray OtherElementFirst = "00400B910621436587F90008425060708090000D0A0A0300000000032A03020041";
const QByteArray NoDate = "00040B910621436587F900004299607080900002E834";
const QByteArray ReportHead = "07910621000000F0062A0B910621436587F94250607080902342506070819023";
// The parts of "Hello", reference 7, in UCS-2.
const QByteArray HelloFirst = "00400B910621436587F90008425060708090230C05000307020100480065006C";
const QByteArray HelloSecond = "00400B910621436587F90008425060708090230A050003070202006C006F";

// A deliver PDU from the sender above at 2024-05-06 07:08:09 UTC.
QByteArray deliverHex(const char *firstOctet, const char *scheme, const QByteArray &userData)
{
    return "00" + QByteArray(firstOctet) + "0B910621436587F900" + scheme + "42506070809000" + userData;
}

QString kindName(NumberKind kind)
{
    return QStringList{u"International"_s, u"National"_s, u"Alphanumeric"_s, u"Other"_s}.at(static_cast<int>(kind));
}

DeliverPdu deliverOf(const QByteArray &hex)
{
    const NetworkPdu pdu = decodeNetworkPdu(hex);
    if (pdu.kind != NetworkPdu::Kind::Deliver)
        qFatal("not a deliver PDU: %s", hex.constData());
    return pdu.deliver;
}

QString partText(const std::optional<PartOf> &part)
{
    return part ? u"%1/%2/%3"_s.arg(part->reference).arg(part->count).arg(part->index) : QString();
}

DeliverPdu part(const QString &sender, int reference, int count, int index, const QString &text)
{
    DeliverPdu pdu;
    pdu.sender = {sender, NumberKind::International};
    pdu.text = text;
    pdu.partOf = PartOf{reference, count, index};
    pdu.sentAt = QDateTime(QDate(2024, 1, 1), QTime(0, 0, index), Qt::UTC);
    return pdu;
}

} // namespace

class TestNetworkPdu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliver_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<NumberKind>("kind");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::newRow("international") << International << u"+60120000000"_s << u"+60123456789"_s
                                       << NumberKind::International << u"2024-05-06T07:08:09+08:00"_s << u"hellohello"_s
                                       << QString();
        QTest::newRow("national, negative zone") << National << QString() << u"0123456789"_s << NumberKind::National
                                                 << u"2023-12-31T23:59:59-03:30"_s << u"\u4E2D\u6587"_s << QString();
        QTest::newRow("alphanumeric") << Alphanumeric << QString() << u"Brivora"_s << NumberKind::Alphanumeric
                                      << u"2024-05-06T07:08:09Z"_s << u"hi"_s << QString();
        QTest::newRow("16-bit reference")
            << SixteenBitPart << QString() << u"+60123456789"_s << NumberKind::International
            << u"2024-05-06T07:08:09Z"_s << u"abc"_s << u"4660/3/3"_s;
        QTest::newRow("8-bit reference, fill bit")
            << EightBitPart << QString() << u"+60123456789"_s << NumberKind::International << u"2024-05-06T07:08:09Z"_s
            << u"abc"_s << u"42/3/2"_s;
        QTest::newRow("other element first")
            << OtherElementFirst << QString() << u"+60123456789"_s << NumberKind::International
            << u"2024-05-06T07:08:09Z"_s << u"A"_s << u"42/3/2"_s;
        QTest::newRow("month 99 is no date") << NoDate << QString() << u"+60123456789"_s << NumberKind::International
                                             << QString() << u"hi"_s << QString();
    }
    void deliver()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QString, sent);
        const DeliverPdu pdu = deliverOf(hex);
        QTEST(pdu.centreNumber, "centre");
        QTEST(pdu.sender.text, "sender");
        QTEST(pdu.sender.kind, "kind");
        QCOMPARE(pdu.sentAt.isValid(), !sent.isEmpty());
        QCOMPARE(pdu.sentAt.toString(Qt::ISODate), sent);
        QTEST(pdu.text, "text");
        QTEST(partText(pdu.partOf), "part");
    }

    void codingAndText_data()
    {
        QTest::addColumn<QByteArray>("userData"); // the data coding scheme, a blank, the length and data
        QTest::addColumn<DeliverPdu::Coding>("coding");
        QTest::addColumn<QString>("text");
        using C = DeliverPdu::Coding;
        QTest::newRow("general, GSM") << "00 0361F118"_ba << C::Gsm7 << u"abc"_s;
        QTest::newRow("general, 8-bit") << "04 040102abFF"_ba << C::EightBit << u"0102ABFF"_s;
        QTest::newRow("general, reserved alphabet") << "0C 0141"_ba << C::EightBit << u"41"_s;
        QTest::newRow("compressed") << "20 0141"_ba << C::EightBit << u"41"_s;
        QTest::newRow("deleted once read, UCS-2") << "48 020041"_ba << C::Ucs2 << u"A"_s;
        QTest::newRow("class group, GSM") << "F0 0361F118"_ba << C::Gsm7 << u"abc"_s;
        QTest::newRow("class group, 8-bit") << "F6 0141"_ba << C::EightBit << u"41"_s;
        QTest::newRow("message waiting, UCS-2") << "E0 020041"_ba << C::Ucs2 << u"A"_s;
        QTest::newRow("reserved group") << "80 0141"_ba << C::EightBit << u"41"_s;
        QTest::newRow("unknown escape shows the basic character") << "00 029B20"_ba << C::Gsm7 << u"A"_s;
        QTest::newRow("two escapes show a blank") << "00 039B8D18"_ba << C::Gsm7 << u" b"_s;
        QTest::newRow("escape at the end shows a blank") << "00 02E10D"_ba << C::Gsm7 << u"a "_s;
        QTest::newRow("surrogate pair kept") << "08 04D83DDE00"_ba << C::Ucs2 << u"\U0001F600"_s;
        QTest::newRow("lone halves replaced") << "08 06D83D0041DE00"_ba << C::Ucs2 << u"\uFFFDA\uFFFD"_s;
    }
    void codingAndText()
    {
        QFETCH(QByteArray, userData);
        const DeliverPdu pdu = deliverOf(deliverHex("04", userData.left(2).constData(), userData.mid(3)));
        QTEST(pdu.coding, "coding");
        QTEST(pdu.text, "text");
    }

    void statusReports()
    {
        const NetworkPdu delivered = decodeNetworkPdu(QByteArray(ReportHead + "00"));
        QCOMPARE(delivered.kind, NetworkPdu::Kind::StatusReport);
        QCOMPARE(delivered.report.centreNumber, u"+60120000000"_s);
        QCOMPARE(delivered.report.reference, 42);
        QCOMPARE(delivered.report.recipient.text, u"+60123456789"_s);
        QCOMPARE(delivered.report.centreTime.toString(Qt::ISODate), u"2024-05-06T07:08:09+08:00"_s);
        QCOMPARE(delivered.report.dischargeTime.toString(Qt::ISODate), u"2024-05-06T07:18:09+08:00"_s);
        QCOMPARE(delivered.report.status, 0x00);
        QCOMPARE(reportStatusText(0x00), u"delivered"_s);

        // Failed, with a parameter indicator announcing user data in the default alphabet.
        const StatusReportPdu failed = decodeNetworkPdu(QByteArray(ReportHead + "460402E834")).report;
        QCOMPARE(failed.status, 0x46);
        QCOMPARE(failed.text, u"hi"_s);
        QCOMPARE(reportOutcome(failed.status), ReportOutcome::Failed);
        QCOMPARE(reportStatusText(failed.status), u"failed: validity period expired"_s);

        // What follows the status, cut short or padded, changes nothing.
        for (const QByteArray &tail : {"21"_ba, "2106"_ba, "2104FF"_ba, "21FFFFFFFF"_ba}) {
            const StatusReportPdu trying = decodeNetworkPdu(QByteArray(ReportHead + tail)).report;
            QCOMPARE(trying.status, 0x21);
            QCOMPARE(reportStatusText(trying.status), u"still trying: the phone is busy"_s);
        }
        QCOMPARE(reportStatusText(0x60), u"failed: network congested"_s);
        QCOMPARE(reportStatusText(0x3F), u"still trying"_s);
        QCOMPARE(reportOutcome(0x80), ReportOutcome::Reserved);
    }

    void submitsSeen()
    {
        // Relative validity and a report asked for; none; absolute (seven octets).
        for (const QByteArray &hex :
             {"0031050B910621436587F90000AA0361F118"_ba, "0001050B910621436587F900000361F118"_ba,
              "0019050B910621436587F90000425060708090230361F118"_ba}) {
            const NetworkPdu pdu = decodeNetworkPdu(hex);
            QCOMPARE(pdu.kind, NetworkPdu::Kind::Submit);
            QCOMPARE(pdu.submit.reference, 5);
            QCOMPARE(pdu.submit.destination.text, u"+60123456789"_s);
            QCOMPARE(pdu.submit.text, u"abc"_s);
            QCOMPARE(pdu.submit.asksReport, hex.startsWith("0031"));
        }
        // What Brivora's own encoder sends reads back as it was meant.
        const QString own = encodeSubmitPdu(u"+60120000000"_s, u"60123456789"_s,
                                            SmsPart{u"\u4E2D\U0001F600"_s, Alphabet::Ucs2, Concatenation{200, 4, 3}});
        const SubmitPduSeen seen = decodeNetworkPdu(own.toLatin1()).submit;
        QCOMPARE(seen.coding, DeliverPdu::Coding::Ucs2);
        QCOMPARE(seen.text, u"\u4E2D\U0001F600"_s);
        QCOMPARE(partText(seen.partOf), u"200/4/3"_s);
    }

    void malformedIsRefused_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray() << u"it is empty"_s;
        QTest::newRow("odd") << "000"_ba << u"it has an odd number of hexadecimal digits"_s;
        QTest::newRow("blank inside") << "00 4"_ba << u"it holds a character that is no hexadecimal digit"_s;
        QTest::newRow("centre only") << "00"_ba << u"it ends inside the first octet"_s;
        QTest::newRow("reserved type") << "0003"_ba << u"its message type is reserved"_s;
        QTest::newRow("centre too long") << "0C91"_ba << u"the centre's number is longer than 20 digits"_s;
        QTest::newRow("sender too long") << "000415"_ba << u"the sender's length of 21 is more than 20 semi-octets"_s;
        QTest::newRow("cut in the sender") << "00040B91062143"_ba << u"it ends inside the sender's number"_s;
        QTest::newRow("161 septets") << deliverHex("04", "00", "A1")
                                     << u"its user data length 161 is more than one SMS carries"_s;
        QTest::newRow("141 octets") << deliverHex("04", "04", "8D")
                                    << u"its user data length 141 is more than one SMS carries"_s;
        QTest::newRow("user data short") << deliverHex("04", "00", "0361F1") << u"it ends inside the user data"_s;
        QTest::newRow("user data long") << deliverHex("04", "00", "0361F11800") << u"it goes on after the user data"_s;
        QTest::newRow("header longer than the data")
            << deliverHex("44", "00", "020500") << u"its header is longer than its user data"_s;
        QTest::newRow("element cut") << deliverHex("44", "08", "0403000300") << u"its header ends inside an element"_s;
        QTest::newRow("half a UCS-2 character")
            << deliverHex("04", "08", "03004100") << u"its UCS-2 text ends inside a character"_s;
    }
    void malformedIsRefused()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QString, error);
        QCOMPARE(errorOf([&] { decodeNetworkPdu(hex); }), u"Malformed PDU: "_s + error);
    }

    void gammuDeliverPdusReadAsSent()
    {
        // Other texts for a run by hand: BRIVORA_GAMMU_SEED=<n>.
        const QString seed = qEnvironmentVariable("BRIVORA_GAMMU_SEED", u"20240506"_s);
        QProcess gammu;
        gammu.start(u"/usr/bin/python3"_s, {QStringLiteral(BRIVORA_GAMMU_DELIVER), seed, u"80"_s});
        QVERIFY(gammu.waitForFinished(30000));
        QVERIFY2(gammu.exitCode() == 0, gammu.readAllStandardError().constData());
        const QList<QByteArray> lines = gammu.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 80);
        int parted = 0;
        for (const QByteArray &line : lines) {
            const QJsonObject message = QJsonDocument::fromJson(line).object();
            const QJsonArray pdus = message.value(u"pdus"_s).toArray();
            const QJsonArray texts = message.value(u"parts"_s).toArray();
            const int reference = message.value(u"reference"_s).toInt();
            QList<DeliverPdu> parts;
            for (qsizetype i = 0; i < pdus.size(); ++i) {
                const DeliverPdu pdu = deliverOf(pdus.at(i).toString().toLatin1());
                QCOMPARE(pdu.centreNumber, message.value(u"centre"_s).toString());
                QCOMPARE(pdu.sender.text, message.value(u"sender"_s).toString());
                QCOMPARE(kindName(pdu.sender.kind), message.value(u"kind"_s).toString());
                QCOMPARE(pdu.sentAt.offsetFromUtc(), message.value(u"offset"_s).toInt());
                QCOMPARE(pdu.sentAt.toString(u"yyyy-MM-dd'T'HH:mm:ss"_s), message.value(u"local"_s).toString());
                QCOMPARE(pdu.coding == DeliverPdu::Coding::Ucs2 ? u"Ucs2"_s : u"Gsm7"_s,
                         message.value(u"coding"_s).toString());
                QCOMPARE(pdu.text, texts.at(i).toString());
                QCOMPARE(partText(pdu.partOf),
                         pdus.size() > 1 ? u"%1/%2/%3"_s.arg(reference).arg(pdus.size()).arg(i + 1) : QString());
                parts.prepend(pdu);
            }
            parted += pdus.size() > 1;
            // Backwards and with a part twice, they make the message again.
            if (pdus.size() > 1)
                parts.append(parts.first());
            const QList<JoinedMessage> joined = joinParts(parts);
            QCOMPARE(joined.size(), 1);
            QVERIFY(joined.first().complete);
            QCOMPARE(joined.first().text, message.value(u"text"_s).toString());
            QCOMPARE(joined.first().partIndexes.size(), pdus.size());
        }
        QVERIFY(parted > 10);
    }

    void joiningParts()
    {
        const QList<DeliverPdu> parts{
            part(u"+601"_s, 7, 3, 3, u"C"_s),     part(u"+601"_s, 7, 3, 1, u"A"_s), part(u"+602"_s, 7, 3, 2, u"y"_s),
            part(u"+601"_s, 7, 3, 1, u"again"_s), part(u"+601"_s, 7, 3, 2, u"B"_s), deliverOf(International),
            part(u"+601"_s, 7, 2, 2, u"other"_s), part(u"+602"_s, 7, 3, 3, u"z"_s),
        };
        const QList<JoinedMessage> messages = joinParts(parts);
        QCOMPARE(messages.size(), 4);
        // In order, the repeated first part dropped; sent when its first part was.
        QCOMPARE(messages.at(0).text, u"ABC"_s);
        QVERIFY(messages.at(0).complete);
        QCOMPARE(messages.at(0).partIndexes, QList<int>({1, 4, 0}));
        QCOMPARE(messages.at(0).sentAt, parts.at(1).sentAt);
        QCOMPARE(partText(messages.at(0).partOf).section(u'/', 0, 1), u"7/3"_s);
        // Another sender's parts with the same reference make a message of their own, its
        // first part missing.
        QCOMPARE(messages.at(1).sender.text, u"+602"_s);
        QCOMPARE(messages.at(1).text, u"yz"_s);
        QVERIFY(!messages.at(1).complete);
        QCOMPARE(messages.at(1).sentAt, parts.at(2).sentAt);
        // A single SMS; and a part of a message of another count.
        QCOMPARE(messages.at(2).text, u"hellohello"_s);
        QVERIFY(messages.at(2).complete && !messages.at(2).partOf);
        QCOMPARE(messages.at(2).partIndexes, QList<int>({5}));
        QCOMPARE(messages.at(3).text, u"other"_s);
        QVERIFY(!messages.at(3).complete);
    }

    void anyInputReturnsOrRefuses()
    {
        QList<QByteArray> valid{International,  National,          Alphanumeric,
                                SixteenBitPart, EightBitPart,      NoDate,
                                HelloFirst,     OtherElementFirst, QByteArray(ReportHead + "460402E834")};
        valid << encodeSubmitPdu(u"+60120000000"_s, u"601"_s, SmsPart{u"abc"_s, Alphabet::Gsm7, Concatenation{1, 2, 1}})
                     .toLatin1();
        QRandomGenerator random(20240506);
        int decoded = 0;
        QString wrong;
        const auto attempt = [&](QByteArrayView hex) {
            try {
                decodeNetworkPdu(hex);
                ++decoded;
            } catch (const BrivoraError &error) {
                if (!error.text().startsWith(u"Malformed PDU: "_s))
                    wrong = error.text();
            }
        };
        for (const QByteArray &hex : std::as_const(valid))
            for (qsizetype length = 0; length <= hex.size(); ++length)
                attempt(QByteArrayView(hex).first(length));
        const QByteArray digits = "0123456789ABCDEFabcdef";
        for (int i = 0; i < 10000; ++i) {
            QByteArray hex(random.bounded(400), Qt::Uninitialized);
            for (char &c : hex)
                c = random.bounded(50) == 0 ? char(random.bounded(256))
                                            : digits.at(random.bounded(static_cast<int>(digits.size())));
            attempt(hex);
        }
        // Lengths, types and headers set to anything, octets added and dropped.
        for (int i = 0; i < 10000; ++i) {
            QByteArray hex = valid.at(random.bounded(static_cast<int>(valid.size())));
            for (int change = random.bounded(1, 4); change > 0; --change) {
                const qsizetype at = 2 * random.bounded(std::max(1, static_cast<int>(hex.size() / 2)));
                const QByteArray octet = QByteArray::number(random.bounded(256), 16).rightJustified(2, '0');
                switch (random.bounded(3)) {
                    case 0:
                        hex.replace(at, 2, octet);
                        break;
                    case 1:
                        hex.insert(at, octet);
                        break;
                    default:
                        hex.remove(at, 2);
                        break;
                }
            }
            attempt(hex);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QVERIFY(decoded > 500);
    }

    void commandLineDecodes()
    {
        const QString program = qEnvironmentVariable("BRIVORA_TOOLS") + u"/brivora-pdu"_s;
        QProcess tool;
        tool.start(program,
                   {u"--decode"_s, QString::fromLatin1(HelloSecond), QString::fromLatin1(QByteArray(ReportHead + "46")),
                    QString::fromLatin1(HelloFirst)});
        QVERIFY2(tool.waitForFinished(), qPrintable(program));
        QCOMPARE(tool.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n');
        QCOMPARE(lines.filter(QRegularExpression(u"^PDU [1-3]: "_s)),
                 QStringList({u"PDU 1: deliver"_s, u"PDU 2: status report"_s, u"PDU 3: deliver"_s}));
        QVERIFY(lines.contains(u"  status: 0x46 failed: validity period expired"_s));
        QVERIFY(lines.contains(u"  sent: 2024-05-06T07:08:09+08:00"_s));
        // The parts put together, the first first.
        QCOMPARE(lines.mid(lines.indexOf(u"Message of PDU 3, 1"_s)),
                 QStringList({u"Message of PDU 3, 1"_s, u"  sender: +60123456789 (international)"_s,
                              u"  sent: 2024-05-06T07:08:09+08:00"_s, u"  parts: 2 of 2, reference 7"_s,
                              u"  text: Hello"_s, QString()}));
        tool.start(program, {u"--decode"_s, QString::fromLatin1(International), u"0G"_s});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardOutput().isEmpty());
        QCOMPARE(tool.readAllStandardError(),
                 "brivora-pdu: Malformed PDU: it holds a character that is no hexadecimal digit\n"_ba);
        tool.start(program, {u"--decode"_s});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestNetworkPdu)
#include "tst_networkpdu.moc"
