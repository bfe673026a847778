#include "base/Errors.h"
#include "compose/MessageSplit.h"
#include "modem/Gsm7.h"
#include "modem/Pdu.h"
#include "support/ErrorText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Destination = QStringLiteral("19876543210");
// Everything of a PDU without centre number up to and including the validity period.
const QString HeaderWithoutCentre = QStringLiteral("0011000B919178563412F00000AA");

QString userDataField(const QString &text)
{
    const QString pdu = encodeSubmitPdu(QString(), Destination, text);
    if (!pdu.startsWith(HeaderWithoutCentre))
        qFatal("unexpected PDU head: %s", qPrintable(pdu));
    return pdu.mid(HeaderWithoutCentre.size());
}

} // namespace

class TestPdu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workedExample_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("pdu");
        QTest::addColumn<int>("length");
        QTest::newRow("with centre") << QStringLiteral("+12345678901")
                                     << QStringLiteral("07912143658709F111000B919178563412F00000AA0361F118") << 17;
        QTest::newRow("without centre") << QString() << QStringLiteral("0011000B919178563412F00000AA0361F118") << 17;
    }
    void workedExample()
    {
        QFETCH(QString, centre);
        QFETCH(QString, pdu);
        QFETCH(int, length);
        QCOMPARE(encodeSubmitPdu(centre, Destination, QStringLiteral("abc")), pdu);
        QCOMPARE(commandLength(pdu), length);
    }

    void userData_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("ten letters") << QStringLiteral("hellohello") << QStringLiteral("0AE8329BFD4697D9EC37");
        QTest::newRow("eighth fills the seventh octet")
            << QStringLiteral("abcdefgh") << QStringLiteral("0861F1985C369FD1");
        QTest::newRow("empty") << QString() << QStringLiteral("00");
        QTest::newRow("basic table beyond ASCII")
            << QStringLiteral("@$_\u00A3\u00E9") << QStringLiteral("050041245000");
        QTest::newRow("line breaks") << QStringLiteral("A\r\nB") << QStringLiteral("04C1864208");
        QTest::newRow("escapes count two") << QStringLiteral("\u20AC[]") << QStringLiteral("069BF286B7F101");
    }
    void userData()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(userDataField(text), field);
    }

    void lengthCountsSeptets()
    {
        const QString full = userDataField(QString(160, QLatin1Char('a')));
        QCOMPARE(full.left(2), QStringLiteral("A0"));
        QCOMPARE(full.size() - 2, 2 * 140);
        QCOMPARE(userDataField(QString(158, QLatin1Char('a')) + QChar(0x20AC)).left(2), QStringLiteral("A0"));

        const QString tooLong = QStringLiteral("Input string greater than 160 characters!");
        QCOMPARE(errorOf([] { encodeSubmitPdu(QString(), Destination, QString(161, QLatin1Char('a'))); }), tooLong);
        QCOMPARE(
            errorOf([] { encodeSubmitPdu(QString(), Destination, QString(159, QLatin1Char('a')) + QChar(0x20AC)); }),
            tooLong);
        // The length is judged first, as before any character is looked at.
        QCOMPARE(errorOf([] {
                     encodeSubmitPdu(QString(), Destination, SmsPart{QString(161, QChar(0x0105)), Alphabet::Gsm7, {}});
                 }),
                 tooLong);
        // In UCS-2, and in a part of a concatenated message, less fits.
        QCOMPARE(errorOf([] { encodeSubmitPdu(QString(), Destination, QString(71, QChar(0x4E2D))); }),
                 QStringLiteral("Input string greater than 70 characters!"));
        QCOMPARE(errorOf([] {
                     encodeSubmitPdu(QString(), Destination,
                                     SmsPart{QString(154, u'a'), Alphabet::Gsm7, Concatenation{1, 2, 1}});
                 }),
                 QStringLiteral("Input string greater than 153 characters!"));
        QCOMPARE(errorOf([] {
                     encodeSubmitPdu(QString(), Destination,
                                     SmsPart{QString(68, QChar(0x4E2D)), Alphabet::Ucs2, Concatenation{1, 2, 1}});
                 }),
                 QStringLiteral("Input string greater than 67 characters!"));
    }

    void nearestCharacterGoesOut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("received");
        QTest::newRow("tab") << u"a\tb"_s << u"a b"_s;
        QTest::newRow("grave accent") << u"`quoted`"_s << u"'quoted'"_s;
        QTest::newRow("other C0 controls") << u"1\u00002\u000B3\u001B4\u001F"_s << u"1 2 3 4 "_s;
        QTest::newRow("delete and C1 controls") << u"x\u007Fy\u0085z\u009F"_s << u"x y z "_s;
        QTest::newRow("line breaks and form feed are the alphabet's") << u"a\r\nb\fc"_s << u"a\r\nb\fc"_s;
        QTest::newRow("160 tabs fill one SMS") << QString(160, u'\t') << QString(160, u' ');
        QTest::newRow("tab beside an escape at the limit")
            << QString(157, u'a') + u"\t\u20AC"_s << QString(157, u'a') + u" \u20AC"_s;
    }
    void nearestCharacterGoesOut()
    {
        QFETCH(QString, text);
        QFETCH(QString, received);
        QCOMPARE(gsmSentText(text), received);
        const QString pdu = encodeSubmitPdu(QString(), Destination, text);
        QCOMPARE(decodeSubmitPdu(pdu).text, received);
        // The length announced is that of what goes out.
        QCOMPARE(gsmSeptetCount(text), gsmSeptetCount(received));
        QCOMPARE(userDataField(text).left(2).toInt(nullptr, 16), gsmSeptetCount(received));
    }

    void textOutsideTheAlphabetGoesInUcs2()
    {
        // Every UTF-16 unit as two octets, high first; data coding scheme 08.
        QCOMPARE(encodeSubmitPdu(QString(), Destination, u"\u4E2D\u6587"_s),
                 QStringLiteral("0011000B919178563412F00008AA044E2D6587"));
        // A character beyond the basic plane goes as its two units.
        QCOMPARE(encodeSubmitPdu(QString(), Destination, u"ok \U0001F600"_s),
                 QStringLiteral("0011000B919178563412F00008AA0A006F006B0020D83DDE00"));
        // The whole message goes in UCS-2, its plain letters too, as typed.
        QCOMPARE(decodeSubmitPdu(encodeSubmitPdu(QString(), Destination, u"it\u2019s \u0105"_s)).text,
                 u"it\u2019s \u0105"_s);
        // Only a text no phone could show is refused: half of a surrogate pair.
        for (const QString &broken : {QString(u"a"_s + QChar(0xD83D)), QString(QChar(0xDE00) + u"b"_s)})
            QCOMPARE(errorOf([&] { encodeSubmitPdu(QString(), Destination, broken); }),
                     QStringLiteral("Input string contains 8-bit data!"));
        // Told to use the GSM alphabet for a character it lacks, the encoder refuses.
        QCOMPARE(errorOf([] {
                     encodeSubmitPdu(QString(), Destination, SmsPart{u"\u0105"_s, Alphabet::Gsm7, std::nullopt});
                 }),
                 QStringLiteral("Input string contains 8-bit data!"));
    }

    void partsOfAConcatenatedMessageCarryTheirHeader()
    {
        // Part 2 of 3 of the message with reference 42, 7-bit: first octet 51, the header
        // 05 00 03 2A 03 02, one fill bit, then the septets; the length counts the
        // header's seven septets.
        const QString part =
            encodeSubmitPdu(QString(), Destination, SmsPart{u"abc"_s, Alphabet::Gsm7, Concatenation{42, 3, 2}});
        QCOMPARE(part, QStringLiteral("0051000B919178563412F00000AA0A0500032A0302C2E231"));
        QCOMPARE(commandLength(part), 23);
        // UCS-2: the length counts octets, the header's six included.
        QCOMPARE(
            encodeSubmitPdu(QString(), Destination, SmsPart{u"\u4E2D"_s, Alphabet::Ucs2, Concatenation{255, 2, 1}}),
            QStringLiteral("0051000B919178563412F00008AA08050003FF02014E2D"));

        // A part holds 153 septets or 67 units.
        for (const SmsPart &full : {SmsPart{QString(153, u'a'), Alphabet::Gsm7, Concatenation{7, 2, 2}},
                                    SmsPart{QString(67, QChar(0x4E2D)), Alphabet::Ucs2, Concatenation{7, 2, 2}}}) {
            const SubmitPdu decoded = decodeSubmitPdu(encodeSubmitPdu(u"+60120000000"_s, Destination, full));
            QCOMPARE(decoded.text, full.text);
            QCOMPARE(decoded.alphabet, full.alphabet);
            QVERIFY(decoded.concatenation);
            QCOMPARE(decoded.concatenation->reference, 7);
            QCOMPARE(decoded.concatenation->count, 2);
            QCOMPARE(decoded.concatenation->index, 2);
        }
    }

    void referencesChangeFromMessageToMessage()
    {
        ConcatenationReferences references;
        const int first = references.take();
        QVERIFY(first >= 0 && first <= 255);
        int previous = first;
        for (int i = 0; i < 300; ++i) {
            const int next = references.take();
            QCOMPARE(next, (previous + 1) % 256);
            previous = next;
        }
    }

    void anIndependentDecoderReadsWhatAPhoneWould()
    {
        // The parts of messages as the senders build them, read by Gammu.
        struct Expected {
            QString text;
            QString coding;
            int part;
            int parts;
        };
        QStringList pdus;
        QList<Expected> expected;
        ConcatenationReferences references;
        const QStringList messages{
            u"Salam Ali, jumpa esok."_s,
            u"\u2018Jualan\u2019 \u2013 murah\u2026"_s,
            u"Selamat pagi \u9648\u5927\u6587 \U0001F382"_s,
            QString(u"\u0BB5\u0BA3\u0B95\u0BCD\u0B95 "_s).repeated(40),
            QString(u"word "_s).repeated(70),
        };
        for (const QString &message : messages) {
            const SmsPlan plan = planSms(message);
            const int reference = references.take();
            for (int index = 0; index < plan.parts.size(); ++index) {
                const SmsPart part = plan.part(index, reference);
                pdus << encodeSubmitPdu(u"+60120000000"_s, u"60123456789"_s, part);
                const bool gsm = plan.alphabet == Alphabet::Gsm7;
                expected << Expected{gsm ? gsmSentText(part.text) : part.text,
                                     gsm ? u"Default_No_Compression"_s : u"Unicode_No_Compression"_s,
                                     plan.parts.size() > 1 ? index + 1 : -1,
                                     plan.parts.size() > 1 ? static_cast<int>(plan.parts.size()) : 0};
            }
        }
        QProcess gammu;
        gammu.start(u"/usr/bin/python3"_s, {QStringLiteral(BRIVORA_GAMMU_DECODE)});
        QVERIFY(gammu.waitForStarted());
        gammu.write(pdus.join(u'\n').toLatin1() + '\n');
        gammu.closeWriteChannel();
        QVERIFY(gammu.waitForFinished(30000));
        QVERIFY2(gammu.exitCode() == 0, gammu.readAllStandardError().constData());
        const QList<QByteArray> lines = gammu.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject read = QJsonDocument::fromJson(lines.at(i)).object();
            QCOMPARE(read.value(u"text"_s).toString(), expected.at(i).text);
            QCOMPARE(read.value(u"coding"_s).toString(), expected.at(i).coding);
            QCOMPARE(read.value(u"number"_s).toString(), u"+60123456789"_s);
            QCOMPARE(read.value(u"centre"_s).toString(), u"+60120000000"_s);
            QCOMPARE(read.value(u"part"_s).toInt(), expected.at(i).part);
            QCOMPARE(read.value(u"parts"_s).toInt(), expected.at(i).parts);
            if (expected.at(i).parts > 0)
                QCOMPARE(read.value(u"header"_s).toString(), u"ConcatenatedMessages"_s);
        }
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("head");
        QTest::newRow("leading plus dropped")
            << QString() << QStringLiteral("+19876543210") << QStringLiteral("0011000B919178563412F0");
        QTest::newRow("inner plus copied")
            << QString() << QStringLiteral("19+87") << QStringLiteral("0011000591918+F7");
        QTest::newRow("only one plus dropped")
            << QStringLiteral("++123") << QStringLiteral("1") << QStringLiteral("03911+3211000191F1");
        QTest::newRow("lone plus is no centre")
            << QStringLiteral("+") << QStringLiteral("1") << QStringLiteral("0011000191F1");
        QTest::newRow("even centre") << QStringLiteral("1234") << QStringLiteral("1")
                                     << QStringLiteral("0391214311000191F1");
        QTest::newRow("odd centre") << QStringLiteral("12345") << QStringLiteral("1")
                                    << QStringLiteral("04912143F511000191F1");
        QTest::newRow("16-digit centre") << QStringLiteral("1234567890123456") << QStringLiteral("1")
                                         << QStringLiteral("0991214365870921436511000191F1");
        QTest::newRow("18-digit centre, decimal length") << QStringLiteral("123456789012345678") << QStringLiteral("1")
                                                         << QStringLiteral("109121436587092143658711000191F1");
    }
    void numbers()
    {
        QFETCH(QString, centre);
        QFETCH(QString, destination);
        QFETCH(QString, head);
        const QString pdu = encodeSubmitPdu(centre, destination, QStringLiteral("abc"));
        QCOMPARE(pdu.left(head.size()), head);
        // Whatever the centre, AT+CMGS announces the octets after it.
        const QString bare = encodeSubmitPdu(QString(), destination, QStringLiteral("abc"));
        QCOMPARE(commandLength(pdu), (bare.size() - 2) / 2);
    }

    void septetCount()
    {
        QCOMPARE(gsmSeptetCount(QString()), 0);
        QCOMPARE(gsmSeptetCount(QStringLiteral("a\u00A3{")), 4);
        QCOMPARE(gsmSeptetCount(QStringLiteral("\f\\^|~\u20AC")), 12);
        // Unknown characters are measured, not refused: the encoder refuses them.
        QCOMPARE(gsmSeptetCount(QStringLiteral("\u0105")), 1);
    }

    void decoderRoundTrips_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("text");
        QTest::newRow("worked example") << QStringLiteral("12345678901") << Destination << QStringLiteral("abc");
        QTest::newRow("no centre, even numbers") << QString() << QStringLiteral("601234567890") << QStringLiteral("Hi");
        QTest::newRow("18-digit centre") << QStringLiteral("123456789012345678") << QStringLiteral("6012345")
                                         << QStringLiteral("x");
        QTest::newRow("whole alphabet") << QStringLiteral("601") << QStringLiteral("60")
                                        << QStringLiteral(
                                               "@\u00A3$\u00A5\u00E8\u00E9\u00F9\u00EC\u00F2\u00C7\n\u00D8\u00F8\r"
                                               "\u00C5\u00E5\u0394_\u03A6\u0393\u039B\u03A9\u03A0\u03A8\u03A3"
                                               "\u0398\u039E\u00C6\u00E6\u00DF\u00C9 !\"#\u00A4%&'()*+,-./09:;<=>?"
                                               "\u00A1AZ\u00C4\u00D6\u00D1\u00DC\u00A7\u00BFaz\u00E4\u00F6\u00F1"
                                               "\u00FC\u00E0\f^{}\\[~]|\u20AC");
        QTest::newRow("160 septets ending in an escape")
            << QString() << Destination << QString(158, QLatin1Char('z')) + QLatin1Char('}');
        QTest::newRow("empty text") << QString() << Destination << QString();
    }
    void decoderRoundTrips()
    {
        QFETCH(QString, centre);
        QFETCH(QString, destination);
        QFETCH(QString, text);
        const SubmitPdu decoded = decodeSubmitPdu(encodeSubmitPdu(QLatin1Char('+') + centre, destination, text));
        QCOMPARE(decoded.centreNumber, centre);
        QCOMPARE(decoded.destination, destination);
        QCOMPARE(decoded.text, text);
    }

    void decoderRefusesMalformed_data()
    {
        QTest::addColumn<QString>("pdu");
        QTest::newRow("empty") << QString();
        QTest::newRow("cut inside the destination") << QStringLiteral("0011000B919178");
        QTest::newRow("not a submit") << QStringLiteral("0004000B919178563412F00000AA0361F118");
        QTest::newRow("8-bit data") << QStringLiteral("0011000B919178563412F00004AA0361F118");
        QTest::newRow("header longer than the user data") << QStringLiteral("0051000B919178563412F00008AA02050003");
        QTest::newRow("user data short") << QStringLiteral("0011000B919178563412F00000AA0461F118");
        QTest::newRow("user data long") << QStringLiteral("0011000B919178563412F00000AA0261F118");
        QTest::newRow("user data not hex") << QStringLiteral("0011000B919178563412F00000AA0361FX18");
        QTest::newRow("escape at the end") << QStringLiteral("0011000B919178563412F00000AA011B");
        QTest::newRow("escape before unknown code") << QStringLiteral("0011000B919178563412F00000AA021B00");
    }
    void decoderRefusesMalformed()
    {
        QFETCH(QString, pdu);
        QVERIFY(errorOf([&] { decodeSubmitPdu(pdu); }) != QStringLiteral("<no error>"));
    }

    void commandLineTool()
    {
        const QString program = qEnvironmentVariable("BRIVORA_TOOLS") + QStringLiteral("/brivora-pdu");
        QProcess tool;
        // What an announcement sends: the text with the blank its cut adds.
        tool.start(program, {QStringLiteral("+12345678901"), Destination, QStringLiteral("abc")});
        QVERIFY2(tool.waitForFinished(), qPrintable(program));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()),
                 QStringLiteral("07912143658709F111000B919178563412F00000AA0461F11804\n18\n"));
        QCOMPARE(decodeSubmitPdu(QStringLiteral("07912143658709F111000B919178563412F00000AA0461F11804")).text,
                 u"abc "_s);
        // With --whole, what a greeting sends: the text as typed.
        tool.start(program, {u"--whole"_s, QStringLiteral("+12345678901"), Destination, QStringLiteral("abc")});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()),
                 QStringLiteral("07912143658709F111000B919178563412F00000AA0361F118\n17\n"));

        tool.start(program, {QString(), Destination, u"a\tb"_s});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QString pdu = QString::fromUtf8(tool.readAllStandardOutput()).section(u'\n', 0, 0);
        QCOMPARE(decodeSubmitPdu(pdu).text, u"a b "_s);

        // A longer message: every part's PDU and length in turn.
        tool.start(program, {u"--reference"_s, u"9"_s, QString(), Destination, QString(161, QLatin1Char('a'))});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QString whole;
        for (int part = 0; part < 2; ++part) {
            const SubmitPdu decoded = decodeSubmitPdu(lines.at(2 * part));
            QCOMPARE(commandLength(lines.at(2 * part)), lines.at(2 * part + 1).toInt());
            QVERIFY(decoded.concatenation);
            QCOMPARE(decoded.concatenation->reference, 9);
            QCOMPARE(decoded.concatenation->index, part + 1);
            whole += decoded.text;
        }
        QCOMPARE(whole, QString(161, QLatin1Char('a')) + u' ');

        tool.start(program, {QString(), Destination, QString(153 * 256, QLatin1Char('a'))});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardOutput().isEmpty());
        QCOMPARE(tool.readAllStandardError(), QByteArray("brivora-pdu: The message needs more than 255 SMS\n"));
    }
};

QTEST_GUILESS_MAIN(TestPdu)
#include "tst_pdu.moc"
