#include "compose/MessageSplit.h"
#include "modem/Gsm7.h"
#include "modem/Pdu.h"

#include <QTest>

namespace {

// Ten characters: a nine-letter word and its blank.
const QString Piece = QStringLiteral("abcdefghi ");
const QChar Euro(0x20AC);

QString pieces(int count)
{
    return Piece.repeated(count);
}

QString letters(int count, char letter = 'x')
{
    return QString(count, QLatin1Char(letter));
}

} // namespace

class TestSaperatesms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstAndRemainder_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("remainder");

        const QString of159 = pieces(15) + QStringLiteral("abcdefghi");
        QTest::newRow("159 characters, one SMS of 160") << of159 << of159 + QLatin1Char(' ') << QString();
        QTest::newRow("exactly 160, last word moves")
            << pieces(15) + QStringLiteral("abcdefghij") << pieces(15) << QStringLiteral("abcdefghij ");
        QTest::newRow("piece reaching exactly 160 is taken")
            << pieces(16) + QStringLiteral("more") << pieces(16) << QStringLiteral("more ");
        QTest::newRow("two short words") << QStringLiteral("Hello there") << QStringLiteral("Hello there ") << QString();
        QTest::newRow("cut between two blanks")
            << pieces(16) + QStringLiteral(" tail") << pieces(16) << QStringLiteral(" tail ");
        QTest::newRow("line break and tab join words")
            << pieces(15) + QStringLiteral("one\ntwo\tthree") << pieces(15) << QStringLiteral("one\ntwo\tthree ");
        QTest::newRow("blanks at both ends kept") << QStringLiteral("  hi  ") << QStringLiteral("  hi   ") << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
        QTest::newRow("blanks only") << QStringLiteral("   ") << QString() << QString();
        QTest::newRow("250 characters") << pieces(24) + QStringLiteral("abcdefghij") << pieces(16)
                                        << pieces(8) + QStringLiteral("abcdefghij ");
        QTest::newRow("remainder not cut again") << pieces(40) << pieces(16) << pieces(24) + QLatin1Char(' ');
        QTest::newRow("overlong first word cut at 160")
            << letters(200) << letters(160) << letters(40) + QLatin1Char(' ');
        QTest::newRow("extension characters count two")
            << pieces(15) + QString(4, Euro) + QStringLiteral(" [x]")
            << pieces(15) + QString(4, Euro) + QLatin1Char(' ') << QStringLiteral("[x] ");
        QTest::newRow("fifth euro no longer fits")
            << pieces(15) + QString(5, Euro) << pieces(15) << QString(5, Euro) + QLatin1Char(' ');
    }
    void firstAndRemainder()
    {
        QFETCH(QString, message);
        QFETCH(QString, first);
        QFETCH(QString, remainder);
        const SeparatedSms parts = saperatesms(message);
        QCOMPARE(parts.first, first);
        QCOMPARE(parts.remainder, remainder);
    }

    void allParts_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("parts");

        QTest::newRow("empty gives one empty SMS") << QString() << QStringList{QString()};
        QTest::newRow("blanks only give one empty SMS") << QStringLiteral("  ") << QStringList{QString()};
        QTest::newRow("one part") << QStringLiteral("Hi") << QStringList{QStringLiteral("Hi ")};
        QTest::newRow("two parts as saperatesms gives them")
            << pieces(15) + QStringLiteral("abcdefghij") << QStringList{pieces(15), QStringLiteral("abcdefghij ")};
        QTest::newRow("three parts") << pieces(39) + QStringLiteral("abcdefghi")
                                     << QStringList{pieces(16), pieces(16), pieces(8)};
        QTest::newRow("overlong word after a short one")
            << QStringLiteral("hi ") + letters(200)
            << QStringList{QStringLiteral("hi "), letters(160), letters(40) + QLatin1Char(' ')};
        // Nothing but the added blank is left after a word that fills an SMS exactly.
        QTest::newRow("word of exactly 160") << letters(160) << QStringList{letters(160)};
        QTest::newRow("word of exactly 320") << letters(320) << QStringList{letters(160), letters(160)};
        QTest::newRow("overlong word twice the limit")
            << letters(330) << QStringList{letters(160), letters(160), letters(10) + QLatin1Char(' ')};
        // 159 septets and a two-septet character: the character moves whole.
        QTest::newRow("no cut between escape and code")
            << letters(159) + Euro + QLatin1Char('b')
            << QStringList{letters(159), QString(Euro) + QStringLiteral("b ")};
        QTest::newRow("escape character ending exactly at 160")
            << letters(158) + QLatin1Char('[') + QLatin1Char('b')
            << QStringList{letters(158) + QLatin1Char('['), QStringLiteral("b ")};
    }
    void allParts()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        QCOMPARE(splitIntoParts(message), parts);
    }

    void everyPartFitsOneSms_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("words") << pieces(70);
        QTest::newRow("one long word") << letters(1000);
        QTest::newRow("escapes everywhere") << QStringLiteral("{x} ").repeated(120) + QString(300, Euro);
        QTest::newRow("runs of blanks") << QStringLiteral("a      ").repeated(90);
    }
    void everyPartFitsOneSms()
    {
        QFETCH(QString, message);
        const QStringList parts = splitIntoParts(message);
        // Every character goes out but, at most, blanks at the very end.
        const QString sent = parts.join(QString());
        const QString walked = message + QLatin1Char(' ');
        QVERIFY(walked.startsWith(sent));
        QVERIFY(walked.sliced(sent.size()).trimmed().isEmpty());
        for (const QString &part : parts) {
            QVERIFY(!part.isEmpty());
            QVERIFY2(gsmSeptetCount(part) <= SmsSeptets, qPrintable(part));
            encodeSubmitPdu(QString(), QStringLiteral("60123456789"), part);
        }
    }

    void counter()
    {
        QCOMPARE(characterCountText(0), QStringLiteral("0 characters"));
        QCOMPARE(characterCountText(301), QStringLiteral("301 characters"));

        QCOMPARE(characterCountColour(154), CounterColour::Black);
        QCOMPARE(characterCountColour(155), CounterColour::Unchanged);
        QCOMPARE(characterCountColour(156), CounterColour::Red);

        QVERIFY(!needsCharacterLimitWarning(300));
        QVERIFY(needsCharacterLimitWarning(301));
        QCOMPARE(characterLimitWarningText(), QStringLiteral("Your text is more then 300 characters. System disallowed"));
    }
};

QTEST_GUILESS_MAIN(TestSaperatesms)
#include "tst_saperatesms.moc"
