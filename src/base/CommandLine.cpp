#include "base/CommandLine.h"

#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

CommandLine::CommandLine(Usage usage)
    : m_usage(std::move(usage))
    , m_help({u"h"_s, u"help"_s}, u"Show this help and exit."_s)
    , m_version(u"version"_s, u"Show the version and exit."_s)
{
    m_parser.setApplicationDescription(m_usage.description);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

void CommandLine::addArgument(const QString &name, const QString &description)
{
    m_arguments.append({name, description});
}

std::optional<int> CommandLine::process(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return process(arguments, out, err);
}

std::optional<int> CommandLine::process(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (!m_parser.parse(arguments))
        return wrongArguments(err, m_parser.errorText());
    if (m_parser.isSet(m_help)) {
        out << helpText();
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        out << versionText() << '\n';
        return 0;
    }
    if (m_parser.positionalArguments().size() != m_arguments.size())
        return wrongArguments(err);
    return std::nullopt;
}

namespace {

// The options a Qt GUI application takes from its command line, with one dash or two: those
// that take the next argument as their value (or "=value"), and those that stand alone.
const QStringList QtValueOptions{u"platform"_s,  u"platformpluginpath"_s, u"platformtheme"_s, u"plugin"_s,
                                 u"qwindowgeometry"_s, u"geometry"_s, u"qwindowtitle"_s, u"title"_s,
                                 u"qwindowicon"_s, u"icon"_s, u"display"_s, u"name"_s, u"session"_s,
                                 u"style"_s, u"stylesheet"_s, u"qmljsdebugger"_s, u"visual"_s, u"ncols"_s};
const QStringList QtFlagOptions{u"reverse"_s,  u"widgetcount"_s, u"nograb"_s,  u"dograb"_s,
                                u"sync"_s,     u"cmap"_s,        u"testability"_s};

QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR"_s))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

QStringList CommandLine::withoutQtOptions(const QStringList &arguments)
{
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == "--"_L1) {
            kept << arguments.mid(i);
            break;
        }
        QString name = argument;
        if (name.startsWith("--"_L1))
            name.remove(0, 1);
        if (!name.startsWith(u'-')) {
            kept << argument;
            continue;
        }
        name.remove(0, 1);
        const qsizetype equals = name.indexOf(u'=');
        const QString bare = equals < 0 ? name : name.left(equals);
        if (QtValueOptions.contains(bare)) {
            if (equals < 0)
                ++i; // its value
        } else if (!QtFlagOptions.contains(name)) {
            kept << argument;
        }
    }
    return kept;
}

std::optional<int> CommandLine::processBeforeApplication(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return processBeforeApplication(arguments, out, err);
}

std::optional<int> CommandLine::processBeforeApplication(const QStringList &arguments, QTextStream &out,
                                                         QTextStream &err)
{
    return process(withoutQtOptions(arguments), out, err);
}

void CommandLine::quietenQtStartup()
{
    previousHandler = qInstallMessageHandler(quietHandler);
}

int CommandLine::wrongArguments() const
{
    QTextStream err(stderr);
    return wrongArguments(err);
}

int CommandLine::wrongArguments(QTextStream &err, const QString &problem) const
{
    if (!problem.isEmpty())
        err << m_usage.program << ": " << problem << '\n';
    err << usageLine() << '\n' << "Try '" << m_usage.program << " --help' for more information.\n";
    return 2;
}

QString CommandLine::usageLine() const
{
    if (m_usage.synopsis.isEmpty())
        return "usage: "_L1 + m_usage.program;
    return "usage: "_L1 + m_usage.program + u' ' + m_usage.synopsis;
}

QString CommandLine::helpText() const
{
    // Qt's text names the program by the path it was started with: its first line is ours.
    const QString qtText = m_parser.helpText();
    QString text = usageLine() + qtText.mid(qtText.indexOf(u'\n'));
    if (!m_arguments.isEmpty()) {
        // The arguments are listed here, not by Qt, whose column is only as wide as the options'
        // names: theirs starts where the options' descriptions do, or further for a long name.
        const qsizetype helpAt = qtText.indexOf(m_help.description());
        qsizetype column = helpAt - qtText.lastIndexOf(u'\n', helpAt) - 1;
        for (const auto &[name, description] : m_arguments)
            column = std::max(column, name.size() + 4);
        text += "\nArguments:\n"_L1;
        // A description's later lines start under its first.
        const QString indent = u"\n"_s + QString(column, u' ');
        for (const auto &[name, description] : m_arguments)
            text += "  "_L1 + name.leftJustified(column - 2) + QString(description).replace(u'\n', indent) + u'\n';
    }
    return text + "\nExample:\n  "_L1 + m_usage.example + u'\n';
}

QString CommandLine::versionText() const
{
    return m_usage.program + u' ' + version();
}

QString CommandLine::version()
{
    return QStringLiteral(BRIVORA_VERSION);
}
