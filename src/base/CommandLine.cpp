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

std::optional<int> CommandLine::answerHelpOrVersion(int argc, char *argv[]) const
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    return answerHelpOrVersion(arguments, out);
}

std::optional<int> CommandLine::answerHelpOrVersion(const QStringList &arguments, QTextStream &out) const
{
    // Every argument up to "--" is looked at: the values of Qt's options ("-platform offscreen")
    // are not the parser's to tell apart.
    for (const QString &argument : arguments.mid(1)) {
        if (argument == "--"_L1)
            break;
        if (argument == "-h"_L1 || argument == "--help"_L1) {
            out << helpText();
            return 0;
        }
        if (argument == "--version"_L1) {
            out << versionText() << '\n';
            return 0;
        }
    }
    return std::nullopt;
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
        for (const auto &[name, description] : m_arguments)
            text += "  "_L1 + name.leftJustified(column - 2) + description + u'\n';
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
