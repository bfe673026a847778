#include "base/WorkProgress.h"

#include "base/Errors.h"

#include <QTextStream>

#include <algorithm>

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void interruptHandler(int)
{
    if (interrupted.exchange(true))
        _exit(130);
}

} // namespace

void WorkProgress::advance(qint64 done, qint64 total)
{
    // Half a percent at a time: a million rows are shown 200 times, not a million.
    const qint64 step = total > 0 ? std::max<qint64>(1, total / 200) : 1000;
    if (m_shown >= 0 && done - m_shown < step && done != total)
        return;
    m_shown = done;
    show(m_what, done, total);
    if (cancelRequested())
        throw ActionStopped();
}

void WorkProgress::stage(const QString &what)
{
    m_what = what;
    m_shown = -1;
}

TerminalProgress::TerminalProgress(const QString &units, bool cancellable)
    : m_units(units)
    , m_cancellable(cancellable)
    , m_onTerminal(::isatty(STDERR_FILENO) == 1)
{
    interrupted = false;
    if (!m_cancellable)
        return;
    struct sigaction asked {};
    asked.sa_handler = interruptHandler;
    sigemptyset(&asked.sa_mask);
    ::sigaction(SIGINT, &asked, &m_previousInterrupt);
    // A program started to ignore Ctrl-C (in the background of a script) goes on ignoring it.
    if (m_previousInterrupt.sa_handler == SIG_IGN)
        ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
}

TerminalProgress::~TerminalProgress()
{
    if (m_cancellable)
        ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
    if (m_lineOpen)
        QTextStream(stderr) << '\n';
}

void TerminalProgress::show(const QString &what, qint64 done, qint64 total)
{
    QTextStream err(stderr);
    const QString figures = total > 0
        ? QStringLiteral("%1 % (%2 of %3 %4)").arg(done * 100 / total).arg(done).arg(total).arg(m_units)
        : QStringLiteral("%1 %2").arg(done).arg(m_units);
    if (m_onTerminal) {
        err << '\r' << what << ": " << figures << "\x1b[K";
        m_lineOpen = true;
    } else if (what != m_lastStage || done == total) {
        // Into a file or a pipe: the start and the end of each stage.
        err << what << ": " << figures << '\n';
    }
    m_lastStage = what;
    err.flush();
}

void TerminalProgress::note(const QString &line)
{
    if (m_lineOpen) {
        QTextStream(stderr) << "\r\x1b[K" << Qt::flush;
        m_lineOpen = false;
    }
    QTextStream(stdout) << line << '\n' << Qt::flush;
}

bool TerminalProgress::cancelRequested()
{
    return m_cancellable && interrupted.load();
}
