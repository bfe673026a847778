// brivora-bench-pace: ten one-part messages to the test modem at real speed, at the fixed
// pace and waiting for the modem's answers with the network taking 0.5, 2 and 4 s to
// answer each message; and the longest time the window's event loop went without
// answering while a run waited for answers.
#include "TimedRun.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Messages = 10;

struct Figures {
    double secondsAMessage = 0;
    double longestLoopGapMs = 0;
};

Figures run(bool awaitAnswers, int latencyMs)
{
    SendBench bench(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    bench.clock.setScale(1);
    bench.settings.set(Settings::Field::AwaitAnswers, awaitAnswers);
    bench.modem->setMessageLatency(latencyMs);
    addMorningRecipients(bench, Messages);

    LoopWatch loop;
    const double seconds = timedAnnouncement(bench, loop, 10);
    if (bench.ended.first().messagesSent != Messages || bench.ended.first().messagesRefused != 0) {
        std::fprintf(stderr, "not every message went out confirmed\n");
        std::exit(1);
    }
    return {seconds / Messages, loop.longestGapMs()};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Figures fixed = run(false, 2000);
    std::printf("fixed pace, modem latency 2 s: %.2f s a message (expected 6.8 s whatever the latency)\n",
                fixed.secondsAMessage);
    double longestGap = 0;
    for (const int latency : {500, 2000, 4000}) {
        const Figures answers = run(true, latency);
        longestGap = std::max(longestGap, answers.longestLoopGapMs);
        std::printf("answers, modem latency %g s: %.2f s a message (target %.2f s or less)\n", latency / 1000.0,
                    answers.secondsAMessage, latency / 1000.0 + 0.15);
    }
    std::printf("longest time the event loop went without answering while waiting for answers: %.1f ms "
                "(target under 50 ms)\n",
                longestGap);
    return 0;
}
