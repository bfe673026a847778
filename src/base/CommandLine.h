#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QTextStream;

// The command line every Brivora program shares: -h/--help prints the usage, the options one
// per line and an example; --version prints the project's version; both end the program with
// 0. A wrong argument ends it with 2 and the usage on standard error. Options are only taken
// before the first other argument, so a message text such as "-50% today" stays an argument.
class CommandLine {
public:
    struct Usage {
        QString program; // the installed file name, "brivora-import"
        QString synopsis; // what follows the name in the usage line, "<database> <workbook>"
        QString description; // what the program does, for --help
        QString example; // one whole command line
    };

    explicit CommandLine(Usage usage);

    // The parser, for a program's own options.
    QCommandLineParser &parser() { return m_parser; }

    // One argument the program needs (every one is needed, in this order).
    void addArgument(const QString &name, const QString &description);

    // Reads the program's arguments (the first is the program itself). Returns the exit code
    // when the program is to end at once: after --help or --version, or wrong arguments.
    std::optional<int> process(const QStringList &arguments);
    std::optional<int> process(const QStringList &arguments, QTextStream &out, QTextStream &err);

    // For a program that makes a Qt GUI application: reads its command line before that, so
    // that --help, --version and wrong arguments need no display, passing over Qt's own options
    // (-platform offscreen, -style=fusion ...), which the application takes itself.
    std::optional<int> processBeforeApplication(int argc, char *argv[]);
    std::optional<int> processBeforeApplication(const QStringList &arguments, QTextStream &out, QTextStream &err);
    // The arguments without Qt's own options, the program first.
    static QStringList withoutQtOptions(const QStringList &arguments);

    // Keeps standard error the program's own: Qt's warning that the session names no runtime
    // folder (XDG_RUNTIME_DIR unset, as under cron or su) is passed over. Other messages go on
    // as before.
    static void quietenQtStartup();

    // The usage on standard error; returns the exit code of wrong arguments, 2.
    int wrongArguments() const;
    int wrongArguments(QTextStream &err, const QString &problem = {}) const;

    QStringList arguments() const { return m_parser.positionalArguments(); }
    QString usageLine() const;
    QString helpText() const;
    QString versionText() const;

    // The project's version, "1.3".
    static QString version();

private:
    Usage m_usage;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QList<std::pair<QString, QString>> m_arguments; // name, description
};
