#include "base/Errors.h"
#include "compose/MessageSplit.h"
#include "modem/Gsm7.h"
#include "modem/Pdu.h"
#include "support/ErrorText.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

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

// A word of the message as the recipient reads it, and where it lies among the parts.
struct PartWord {
    QString text;
    int part;
    bool opensPart; // nothing before it in its part
    bool closesPart; // nothing after it in its part
};

QList<PartWord> partWords(const QStringList &parts)
{
    QList<PartWord> words;
    for (int part = 0; part < parts.size(); ++part) {
        const QString sent = gsmSentText(parts.at(part));
        const QStringList texts = sent.split(u' ', Qt::SkipEmptyParts);
        for (int i = 0; i < texts.size(); ++i)
            words.append(
                {texts.at(i), part, i == 0 && !sent.startsWith(u' '), i == texts.size() - 1 && !sent.endsWith(u' ')});
    }
    return words;
}

// What is wrong with the parts of a message, or nothing: no part goes out empty or as
// blanks alone unless the message does, every part encodes (so fits one SMS), and the
// parts carry the message's words in order, a word cut only where one part ends and
// the next begins.
QString faultOf(const QString &message, const QStringList &parts)
{
    const QStringList words = gsmSentText(message).split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return parts == QStringList{QString()} ? QString() : u"blanks alone do not give one empty SMS"_s;
    for (const QString &part : parts) {
        if (gsmSentText(part).count(u' ') == part.size())
            return u"a part of blanks alone"_s;
        try {
            encodeSubmitPdu(QString(), u"60123456789"_s, part);
        } catch (const BrivoraError &error) {
            return error.text() + u": "_s + part;
        }
    }
    const QList<PartWord> sent = partWords(parts);
    qsizetype next = 0;
    for (const QString &word : words) {
        if (next == sent.size())
            return u"words missing from "_s + word;
        QString carried = sent.at(next).text;
        while (carried.size() < word.size() && next + 1 < sent.size() && sent.at(next).closesPart
               && sent.at(next + 1).opensPart && sent.at(next + 1).part == sent.at(next).part + 1)
            carried += sent.at(++next).text;
        if (carried != word)
            return u"\""_s + word + u"\" went out as \""_s + carried + u'"';
        ++next;
    }
    return next == sent.size() ? QString() : u"words the message lacks"_s;
}

// A text of words, runs of blanks, tabs and two-septet characters, now and then a word
// too long for one SMS: what stresses the cuts.
QString generatedMessage(QRandomGenerator &random)
{
    static const QStringList rare{u"\t"_s, u"\t\t\t"_s, u"\u20AC"_s, u"{x}"_s, u"\n"_s, u"\u00E9t\u00E9"_s};
    QString message;
    const int tokens = random.bounded(60);
    for (int i = 0; i < tokens; ++i) {
        const int kind = random.bounded(20);
        if (kind < 10)
            message += letters(1 + random.bounded(kind < 8 ? 12 : 170));
        else if (kind < 16)
            message += QString(1 + random.bounded(kind < 14 ? 2 : 9), u' ');
        else if (kind < 19)
            message += rare.at(random.bounded(rare.size()));
        else
            message += letters(150 + random.bounded(200), 'y');
    }
    return message;
}

} // namespace

class TestSaperatesms : public QObject {
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
        QTest::newRow("two short words") << QStringLiteral("Hello there") << QStringLiteral("Hello there ")
                                         << QString();
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
        // Once a message needs more than one SMS, each part gives room to the header.
        QTest::newRow("three parts of a concatenated message")
            << pieces(39) + QStringLiteral("abcdefghi") << QStringList{pieces(15), pieces(15), pieces(10)};
        QTest::newRow("overlong word after a short one") << QStringLiteral("hi ")
                + letters(200) << QStringList{QStringLiteral("hi "), letters(153), letters(47) + QLatin1Char(' ')};
        // Nothing but the added blank is left after a word that fills an SMS exactly.
        QTest::newRow("word of exactly 160") << letters(160) << QStringList{letters(160)};
        QTest::newRow("word of exactly 161") << letters(161) << QStringList{letters(153), letters(8) + u' '};
        QTest::newRow("word of exactly 306") << letters(306) << QStringList{letters(153), letters(153)};
        QTest::newRow("overlong word twice the limit")
            << letters(330) << QStringList{letters(153), letters(153), letters(24) + QLatin1Char(' ')};
        // 152 septets and a two-septet character: the character moves whole.
        QTest::newRow("no cut between escape and code")
            << letters(152) + Euro + letters(10) << QStringList{letters(152), Euro + letters(10) + u' '};
        QTest::newRow("escape character ending exactly at 153") << letters(151) + QLatin1Char('[')
                + letters(9) << QStringList{letters(151) + QLatin1Char('['), letters(9) + u' '};
        // The blanks would be an SMS of their own, and neither neighbour has room.
        QTest::newRow("leading blank before a full SMS") << u" "_s + letters(159) << QStringList{letters(159) + u' '};
        QTest::newRow("blank between two full parts")
            << letters(153) + u' ' + letters(152) << QStringList{letters(153), letters(152) + u' '};
        QTest::newRow("the next part takes what it has room for")
            << QString(5, u' ') + letters(157) << QStringList{u"  "_s + letters(157) + u' '};
        QTest::newRow("the part before takes what it has room for")
            << letters(151) + u" \t\t "_s + letters(152) << QStringList{letters(151) + u" \t"_s, letters(152) + u' '};
        QTest::newRow("blanks after a full SMS are dropped")
            << letters(159) + QString(6, u' ') << QStringList{letters(159) + u' '};
        QTest::newRow("tabs alone give one empty SMS") << u"\t \t"_s << QStringList{QString()};
        QTest::newRow("a tab and a word") << u"\tHi"_s << QStringList{u"\tHi "_s};
    }
    void allParts()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        QCOMPARE(planSms(message).parts, parts);
    }

    void alphabetOfAMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<QString>("sent");
        QTest::newRow("plain") << u"Salam Ali"_s << false << u"Salam Ali"_s;
        // Pasted from a word processor: still seven bits.
        QTest::newRow("typographic quotes, dashes and ellipsis")
            << u"\u2018Sale\u2019 \u201Ctoday\u201D \u2013 10\u201420% \u2212 5\u2032 6\u2033\u2026"_s << false
            << u"'Sale' \"today\" - 10-20% - 5' 6\"..."_s;
        QTest::newRow("no-break and thin spaces") << u"RM\u00A010\u2009000\u202Fnet"_s << false << u"RM 10 000 net"_s;
        QTest::newRow("a Chinese name in a Malay template")
            << u"Selamat pagi \u9648\u5927\u6587"_s << true << QString();
        QTest::newRow("Tamil") << u"\u0BB5\u0BA3\u0B95\u0BCD\u0B95\u0BAE\u0BCD"_s << true << QString();
        QTest::newRow("emoji") << u"Happy birthday \U0001F382"_s << true << QString();
        QTest::newRow("a letter the alphabet lacks") << u"\u0105"_s << true << QString();
    }
    void alphabetOfAMessage()
    {
        QFETCH(QString, message);
        QFETCH(bool, unicode);
        QFETCH(QString, sent);
        QCOMPARE(alphabetFor(message), unicode ? Alphabet::Ucs2 : Alphabet::Gsm7);
        QCOMPARE(planSms(message).alphabet, alphabetFor(message));
        if (!unicode)
            QCOMPARE(gsmSentText(message), sent);
    }

    void unicodeParts_data()
    {
        const QString han(u'\u4E2D');
        const QString emoji = u"\U0001F600"_s;
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("69 units and the blank: one SMS") << han.repeated(69) << QStringList{han.repeated(69) + u' '};
        QTest::newRow("exactly 70 units") << han.repeated(70) << QStringList{han.repeated(70)};
        QTest::newRow("71 units: two parts of a concatenated message")
            << han.repeated(71) << QStringList{han.repeated(67), han.repeated(4) + u' '};
        QTest::newRow("words are cut at a blank")
            << QString(han.repeated(30) + u' ').repeated(3)
            << QStringList{han.repeated(30) + u' ' + han.repeated(30) + u' ', han.repeated(30) + u"  "_s};
        // 66 units: the emoji's two do not fit, and go whole to the next part.
        QTest::newRow("an emoji at a part boundary") << han.repeated(66) + emoji + han.repeated(5)
                                                     << QStringList{han.repeated(66), emoji + han.repeated(5) + u' '};
        QTest::newRow("blanks between parts")
            << han.repeated(67) + u"  "_s + han.repeated(66) << QStringList{han.repeated(67), han.repeated(66) + u' '};
    }
    void unicodeParts()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        const SmsPlan plan = planSms(message);
        QCOMPARE(plan.alphabet, Alphabet::Ucs2);
        QCOMPARE(plan.parts, parts);
    }

    void tamilAnnouncementOfTwoHundredCharactersGoesInThree()
    {
        // Ten words of five Tamil letters and one of six, with their blanks: 67 UTF-16
        // units, a part of a concatenated message; three of them, the last blank the one
        // the split adds.
        const QString shortWord = u"\u0BB5\u0BA3\u0B95\u0BCD\u0B95 "_s;
        const QString longWord = u"\u0BB5\u0BBE\u0BB4\u0BCD\u0BA4\u0BCD "_s;
        QString message = QString(shortWord.repeated(10) + longWord).repeated(3);
        message.chop(1);
        QCOMPARE(message.size(), 200);
        const SmsPlan plan = planSms(message);
        QCOMPARE(plan.alphabet, Alphabet::Ucs2);
        QCOMPARE(plan.parts.size(), 3);
        QCOMPARE(plan.parts.join(QString()), message + u' ');
        for (const QString &part : plan.parts)
            QVERIFY(part.size() <= ConcatenatedUnits);
    }

    void costOfAMessage()
    {
        QCOMPARE(smsCostText(QString()), u"1 SMS \u00B7 GSM"_s);
        QCOMPARE(smsCostText(pieces(15) + u"abcdefghij"_s), u"2 SMS \u00B7 GSM"_s);
        QCOMPARE(smsCostText(u"\u2018Salam\u2019"_s), u"1 SMS \u00B7 GSM"_s);
        QCOMPARE(smsCostText(QString(u'\u4E2D').repeated(71)), u"2 SMS \u00B7 Unicode"_s);
        // A message of more than a concatenated message holds cannot go.
        QVERIFY(errorOf([] { planSms(letters(153 * 256)).requireSendable(); }) != u"<no error>"_s);
        planSms(letters(153 * 255)).requireSendable();
    }

    void partsCarryTheWordsInOrder_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("words") << pieces(70);
        QTest::newRow("one long word") << letters(1000);
        QTest::newRow("escapes everywhere") << QStringLiteral("{x} ").repeated(120) + QString(300, Euro);
        QTest::newRow("runs of blanks") << QStringLiteral("a      ").repeated(90);
        QTest::newRow("tabs at every cut") << QString(letters(158) + u" \t\t\t "_s).repeated(5);
    }
    void partsCarryTheWordsInOrder()
    {
        QFETCH(QString, message);
        const QString fault = faultOf(message, planSms(message).parts);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void generatedMessagesSplitSoundly()
    {
        // Fixed seeds: the same texts on every run.
        for (quint32 seed = 1; seed <= 1500; ++seed) {
            QRandomGenerator random(seed);
            const QString message = generatedMessage(random);
            const QString fault = faultOf(message, planSms(message).parts);
            QVERIFY2(fault.isEmpty(), qPrintable(u"seed %1: "_s.arg(seed) + fault));
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
        QCOMPARE(characterLimitWarningText(),
                 QStringLiteral("Your text is more then 300 characters. System disallowed"));
    }
};

QTEST_GUILESS_MAIN(TestSaperatesms)
#include "tst_saperatesms.moc"
