#include "base/CommandLine.h"

#include <QRegularExpression>
#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

// A tool like brivora-import: two arguments and an option of its own.
struct Tool {
    CommandLine commandLine{{.program = u"brivora-tool"_s,
                             .synopsis = u"<database> <text>"_s,
                             .description = u"Does one thing to a database."_s,
                             .example = u"brivora-tool Dovrel.mdb 'Hello'"_s}};
    QCommandLineOption delay{u"delay"_s, u"Answer <ms> milliseconds later."_s, u"ms"_s};
    QString out;
    QString err;

    Tool()
    {
        commandLine.addArgument(u"database"_s, u"The database to read."_s);
        // Longer than any option's name: Qt alone would break it over two lines.
        commandLine.addArgument(u"message text"_s, u"The message."_s);
        commandLine.parser().addOption(delay);
    }

    std::optional<int> run(const QStringList &arguments)
    {
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return commandLine.process(QStringList{u"/usr/bin/brivora-tool"_s} + arguments, outStream, errStream);
    }
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void helpShowsUsageEveryOptionAndAnExample();
    void versionIsTheProjectsOwn();
    void wrongArgumentsEndWithTheUsageOnStandardError();
    void rightArgumentsAreHandedOver();
    void optionsEndAtTheFirstArgument();
    void theWindowProgramAnswersBeforeQtTakesItsOptions();
    void anArgumentsLaterLinesStartUnderItsFirst();
};

void TestCommandLine::helpShowsUsageEveryOptionAndAnExample()
{
    for (const QString &help : {u"--help"_s, u"-h"_s}) {
        Tool tool;
        QCOMPARE(tool.run({help}), std::optional<int>(0));
        QVERIFY(tool.err.isEmpty());
        const QStringList lines = tool.out.split(u'\n');
        // The usage line names the program as installed, not the path it was started by.
        QCOMPARE(lines.value(0), u"usage: brivora-tool <database> <text>"_s);
        QCOMPARE(lines.value(1), u"Does one thing to a database."_s);
        for (const QString &option :
             {u"-h, --help"_s, u"--version"_s, u"--delay <ms>"_s, u"database"_s, u"message text"_s})
            QVERIFY2(lines.filter(QRegularExpression(u"^  "_s + QRegularExpression::escape(option) + u"  "_s)).size()
                         == 1,
                     qPrintable(option + u" is not on a line of its own in:\n"_s + tool.out));
        QVERIFY(tool.out.endsWith(u"\nExample:\n  brivora-tool Dovrel.mdb 'Hello'\n"_s));
    }
}

void TestCommandLine::versionIsTheProjectsOwn()
{
    Tool tool;
    QCOMPARE(tool.run({u"--version"_s}), std::optional<int>(0));
    QCOMPARE(tool.out, u"brivora-tool "_s + CommandLine::version() + u'\n');
    QVERIFY(QRegularExpression(u"^\\d+\\.\\d+(\\.\\d+)?$"_s).match(CommandLine::version()).hasMatch());
    QVERIFY(tool.err.isEmpty());
}

void TestCommandLine::wrongArgumentsEndWithTheUsageOnStandardError()
{
    const QString usage = u"usage: brivora-tool <database> <text>\nTry 'brivora-tool --help' for more information.\n"_s;
    const QList<std::pair<QStringList, QString>> cases = {
        {{}, QString()},
        {{u"Dovrel.mdb"_s}, QString()},
        {{u"Dovrel.mdb"_s, u"Hello"_s, u"extra"_s}, QString()},
        {{u"--nonsense"_s, u"Dovrel.mdb"_s, u"Hello"_s}, u"brivora-tool: Unknown option 'nonsense'.\n"_s},
        {{u"--delay"_s}, u"brivora-tool: Missing value after '--delay'.\n"_s},
    };
    for (const auto &[arguments, problem] : cases) {
        Tool tool;
        QCOMPARE(tool.run(arguments), std::optional<int>(2));
        QCOMPARE(tool.err, problem + usage);
        QVERIFY(tool.out.isEmpty());
    }

    // A program's own check of an argument says the same.
    Tool tool;
    QTextStream err(&tool.err);
    QCOMPARE(tool.commandLine.wrongArguments(err), 2);
    err.flush();
    QCOMPARE(tool.err, usage);
}

void TestCommandLine::rightArgumentsAreHandedOver()
{
    Tool tool;
    QCOMPARE(tool.run({u"--delay"_s, u"5"_s, u"My Clients.mdb"_s, u"Hello"_s}), std::nullopt);
    QCOMPARE(tool.commandLine.arguments(), (QStringList{u"My Clients.mdb"_s, u"Hello"_s}));
    QCOMPARE(tool.commandLine.parser().value(tool.delay), u"5"_s);
    QVERIFY(tool.out.isEmpty() && tool.err.isEmpty());
}

void TestCommandLine::optionsEndAtTheFirstArgument()
{
    // A message may start with a dash, or be "--help": after the first argument nothing is an option.
    for (const QString &text : {u"-50% today only"_s, u"--help"_s, u"--version"_s}) {
        Tool tool;
        QCOMPARE(tool.run({u"Dovrel.mdb"_s, text}), std::nullopt);
        QCOMPARE(tool.commandLine.arguments(), (QStringList{u"Dovrel.mdb"_s, text}));
        QVERIFY(tool.out.isEmpty());
    }
    // "--" lets the first argument start with a dash too.
    Tool tool;
    QCOMPARE(tool.run({u"--"_s, u"-odd.mdb"_s, u"Hello"_s}), std::nullopt);
    QCOMPARE(tool.commandLine.arguments(), (QStringList{u"-odd.mdb"_s, u"Hello"_s}));
}

void TestCommandLine::theWindowProgramAnswersBeforeQtTakesItsOptions()
{
    CommandLine window({.program = u"brivora"_s, .description = u"The window."_s, .example = u"brivora"_s});
    QString out;
    QTextStream stream(&out);
    const QString program = u"brivora"_s;
    QString err;
    QTextStream errStream(&err);
    const auto before = [&](const QStringList &arguments) {
        return window.processBeforeApplication(QStringList{program} + arguments, stream, errStream);
    };
    // Qt's own options, with their values, are Qt's to take.
    QCOMPARE(before({u"-platform"_s, u"offscreen"_s}), std::nullopt);
    QCOMPARE(before({u"--platform"_s, u"offscreen"_s, u"-style=fusion"_s, u"-reverse"_s}), std::nullopt);
    QCOMPARE(CommandLine::withoutQtOptions({program, u"-display"_s, u":1"_s, u"-qwindowtitle"_s, u"x"_s}),
             QStringList{program});
    stream.flush();
    QVERIFY(out.isEmpty());
    QVERIFY(err.isEmpty());

    QCOMPARE(before({u"-platform"_s, u"offscreen"_s, u"--version"_s}), std::optional<int>(0));
    stream.flush();
    QCOMPARE(out, u"brivora "_s + CommandLine::version() + u'\n');
    out.clear();
    QCOMPARE(before({u"-h"_s}), std::optional<int>(0));
    stream.flush();
    QVERIFY(out.startsWith(u"usage: brivora\nThe window.\n"_s));

    // Anything else is refused before a display is needed; "--" ends Qt's options too.
    for (const QStringList &wrong : {QStringList{u"--bogus"_s}, QStringList{u"Dovrel.mdb"_s},
                                     QStringList{u"--"_s, u"-platform"_s}}) {
        err.clear();
        QCOMPARE(before(wrong), std::optional<int>(2));
        errStream.flush();
        QVERIFY2(err.contains(u"usage: brivora\n"_s), qPrintable(err));
    }
}

void TestCommandLine::anArgumentsLaterLinesStartUnderItsFirst()
{
    CommandLine tool({.program = u"brivora-tool"_s, .description = u"Tool."_s, .example = u"brivora-tool x"_s});
    tool.addArgument(u"database"_s, u"A file (Dovrel.mdb), or a server's\npostgresql:// address."_s);
    const QString help = tool.helpText();
    const qsizetype first = help.indexOf(u"A file"_s);
    const qsizetype second = help.indexOf(u"postgresql://"_s);
    QCOMPARE(second - help.lastIndexOf(u'\n', second) - 1, first - help.lastIndexOf(u'\n', first) - 1);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
