#include "compose/Personalise.h"
#include "data/DataModule.h"
#include "support/TestWorkspace.h"

#include <QLocale>
#include <QTest>

#include <memory>

namespace {

const QString Malay = QStringLiteral("Salam [GREETING] [NAME]");
const QString English = QStringLiteral("Dear [GREETING] [NAME]");

QString sqlValue(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

struct Contact {
    QVariant languages = QStringLiteral("ENGLISH");
    QVariant greeting = QStringLiteral("Tuan");
    QVariant nickname = QStringLiteral("Bob");
    QVariant name = QStringLiteral("Ali");
};

} // namespace

class TestPersonalise : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWorkspace> m_workspace;
    std::unique_ptr<DataModule> m_dm;

    void setTokens(const QString &greeting, const QString &nickname, const QString &name,
                   const QString &var1 = QString(), const QString &var2 = QString())
    {
        m_workspace->exec(QStringLiteral("delete from text_replacement"));
        m_workspace->exec(
            QStringLiteral("insert into text_replacement (geeting, nickname, name, var1, var2) "
                           "values (%1, %2, %3, %4, %5)")
                .arg(sqlValue(greeting), sqlValue(nickname), sqlValue(name), sqlValue(var1), sqlValue(var2)));
    }

    QString personalise(const Contact &contact, const QString &malay = Malay, const QString &english = English)
    {
        m_workspace->exec(QStringLiteral("delete from profile"));
        m_workspace->exec(QStringLiteral("insert into profile (languages, greeting, nickname, name, var1, var2) "
                                         "values (%1, %2, %3, %4, '[V1]', '[V2]')")
                              .arg(sqlValue(contact.languages), sqlValue(contact.greeting), sqlValue(contact.nickname),
                                   sqlValue(contact.name)));
        m_dm->q_profile.refresh();
        return Personalise(ContactFields::of(m_dm->q_profile), malay, english,
                           ReplacementTokens::read(m_dm->q_text_replacement));
    }

private Q_SLOTS:
    void init()
    {
        m_workspace = std::make_unique<TestWorkspace>();
        m_dm = std::make_unique<DataModule>();
        setTokens(QStringLiteral("[GREETING]"), QStringLiteral("[NICK]"), QStringLiteral("[NAME]"),
                  QStringLiteral("[VAR1]"), QStringLiteral("[VAR2]"));
    }
    void cleanup()
    {
        m_dm.reset();
        m_workspace.reset();
    }

    void languageChoosesTemplate_data()
    {
        QTest::addColumn<QVariant>("languages");
        QTest::addColumn<QString>("message");
        QTest::newRow("MALAY") << QVariant(QStringLiteral("MALAY")) << QStringLiteral("Salam Tuan Ali");
        QTest::newRow("ENGLISH") << QVariant(QStringLiteral("ENGLISH")) << QStringLiteral("Dear Tuan Ali");
        QTest::newRow("empty") << QVariant(QString(QLatin1String(""))) << QStringLiteral("Dear Tuan Ali");
        QTest::newRow("NULL") << QVariant() << QStringLiteral("Dear Tuan Ali");
        QTest::newRow("mixed case") << QVariant(QStringLiteral("Malay")) << QStringLiteral("Dear Tuan Ali");
        QTest::newRow("trailing blank") << QVariant(QStringLiteral("MALAY ")) << QStringLiteral("Dear Tuan Ali");
    }
    void languageChoosesTemplate()
    {
        QFETCH(QVariant, languages);
        QFETCH(QString, message);
        Contact contact;
        contact.languages = languages;
        QCOMPARE(personalise(contact), message);
    }

    void replacements_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("greeting");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("name thrice, once in lower case")
            << QStringLiteral("[NAME], [name]\n[NAME]!") << QStringLiteral("Tuan") << QStringLiteral("Ali")
            << QStringLiteral("Ali, Ali\nAli!");
        QTest::newRow("empty greeting keeps both blanks")
            << English << QString(QLatin1String("")) << QStringLiteral("Ali") << QStringLiteral("Dear  Ali");
        QTest::newRow("NULL greeting keeps both blanks")
            << English << QString() << QStringLiteral("Ali") << QStringLiteral("Dear  Ali");
        QTest::newRow("name token inside the greeting is replaced")
            << QStringLiteral("Dear [GREETING]") << QStringLiteral("Tuan [NAME]") << QStringLiteral("Ali")
            << QStringLiteral("Dear Tuan Ali");
        QTest::newRow("greeting token inside the name stays")
            << QStringLiteral("Hi [NAME]") << QStringLiteral("Tuan") << QStringLiteral("Ali [GREETING]")
            << QStringLiteral("Hi Ali [GREETING]");
        QTest::newRow("name token inside the name is not searched again")
            << QStringLiteral("[NAME]/[NAME]") << QStringLiteral("Tuan") << QStringLiteral("x[name]")
            << QStringLiteral("x[name]/x[name]");
        QTest::newRow("nickname and variables") << QStringLiteral("[NICK] [VAR1] [VAR2] [V1]") << QStringLiteral("Tuan")
                                                << QStringLiteral("Ali") << QStringLiteral("Bob [VAR1] [VAR2] [V1]");
    }
    void replacements()
    {
        QFETCH(QString, english);
        QFETCH(QString, greeting);
        QFETCH(QString, name);
        QFETCH(QString, message);
        Contact contact;
        contact.greeting = greeting.isNull() ? QVariant() : QVariant(greeting);
        contact.name = name;
        QCOMPARE(personalise(contact, Malay, english), message);
    }

    void nicknameStepConsumesLongerTokenFirst()
    {
        setTokens(QString(), QStringLiteral("#NICK"), QStringLiteral("#N"));
        QCOMPARE(personalise(Contact(), Malay, QStringLiteral("#nick and #N")), QStringLiteral("Bob and Ali"));
    }

    void emptyTokenLeavesTemplateText()
    {
        setTokens(QStringLiteral("[GREETING]"), QString(), QStringLiteral("[NAME]"));
        QCOMPARE(personalise(Contact(), Malay, QStringLiteral("[NICK] [NAME]")), QStringLiteral("[NICK] Ali"));
    }

    void emptyTableOnlyChoosesTemplate()
    {
        m_workspace->exec(QStringLiteral("delete from text_replacement"));
        QCOMPARE(personalise(Contact()), English);
        Contact malay;
        malay.languages = QStringLiteral("MALAY");
        QCOMPARE(personalise(malay), Malay);
    }

    void tokenChangeAppliesAtNextCall()
    {
        QCOMPARE(personalise(Contact(), Malay, QStringLiteral("{N} [NAME]")), QStringLiteral("{N} Ali"));
        m_workspace->exec(QStringLiteral("update text_replacement set name = '{N}'"));
        QCOMPARE(personalise(Contact(), Malay, QStringLiteral("{N} [NAME]")), QStringLiteral("Ali [NAME]"));
    }

    void replaceTokenMatching()
    {
        // Matches never overlap: after "aa" the search resumes behind it.
        QCOMPARE(replaceToken(QStringLiteral("aaaaa"), QStringLiteral("aa"), QStringLiteral("b")),
                 QStringLiteral("bba"));
        QCOMPARE(replaceToken(QStringLiteral("[x]"), QString(), QStringLiteral("b")), QStringLiteral("[x]"));
        QCOMPARE(replaceToken(QStringLiteral("\u00C9cole [\u00E9]"), QStringLiteral("[\u00C9]"), QStringLiteral("e")),
                 QStringLiteral("\u00C9cole e"));
        // "ß" upper-cases to two letters as a string; the positions must not shift.
        QCOMPARE(
            replaceToken(QStringLiteral("Stra\u00DFe [name] end"), QStringLiteral("[NAME]"), QStringLiteral("Ali")),
            QStringLiteral("Stra\u00DFe Ali end"));
    }

    void replaceTokenIgnoresLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
        const QString replaced =
            replaceToken(QStringLiteral("[isim] [ISIM]"), QStringLiteral("[isim]"), QStringLiteral("Ali"));
        QLocale::setDefault(previous);
        QCOMPARE(replaced, QStringLiteral("Ali Ali"));
    }
};

QTEST_GUILESS_MAIN(TestPersonalise)
#include "tst_personalise.moc"
