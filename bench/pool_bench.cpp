// brivora-bench-pool: forty one-part messages waiting for the modems' answers at real speed,
// the test modems answering each message after 2 s, through 1, 2 and 4 modems; four
// modems with one pulled out after its fifth message; one modem keeping its radio link
// (AT+CMMS=2), its later messages answered after 0.8 s; and the longest time the window's
// event loop went without answering during the four-modem run.
#include "TimedRun.h"

#include <QApplication>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Messages = 40;
constexpr int LatencyMs = 2000;

struct Figures {
    double perMinute = 0;
    double longestLoopGapMs = 0;
    int rows = 0;
    int sentTwice = 0;
};

Figures run(int modems, int pulledOutAfter = 0, int keptLatencyMs = -1)
{
    SendBench bench(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    bench.clock.setScale(1);
    bench.settings.set(Settings::Field::AwaitAnswers, true);
    if (!bench.addModems(modems - 1)) {
        std::fprintf(stderr, "the modems did not open\n");
        std::exit(1);
    }
    QList<TestModem *> all{bench.modem.get()};
    for (const auto &other : bench.others)
        all << other.get();
    for (TestModem *modem : all) {
        modem->setMessageLatency(LatencyMs);
        modem->setKeptLinkLatency(keptLatencyMs);
    }
    if (pulledOutAfter > 0) {
        TestModem *pulled = all.last();
        QObject::connect(pulled, &ModemSimulator::inputReceived, pulled, [pulled, pulledOutAfter] {
            if (pulled->pdus().size() == pulledOutAfter)
                QTimer::singleShot(0, pulled, [pulled] { pulled->pullOut(); });
        });
    }
    addMorningRecipients(bench, Messages);

    LoopWatch loop;
    const double seconds = timedAnnouncement(bench, loop, 15);
    Figures figures;
    figures.perMinute = Messages / seconds * 60;
    figures.longestLoopGapMs = loop.longestGapMs();
    figures.rows = bench.ws.value(QStringLiteral("select count(*) from project_detail where status <> ''")).toInt();
    // A number that reached two modems went out twice.
    QSet<QString> reached;
    for (const TestModem *modem : all)
        for (const QString &number : modem->destinations())
            if (reached.contains(number))
                ++figures.sentTwice;
            else
                reached.insert(number);
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double one = 0;
    for (const int modems : {1, 2, 4}) {
        const Figures figures = run(modems);
        if (modems == 1)
            one = figures.perMinute;
        std::printf("%d modems, latency 2 s: %.1f messages a minute (target at least %.1f)\n", modems,
                    figures.perMinute, 0.9 * modems * one);
        if (modems == 4)
            std::printf("longest time the event loop went without answering during the four-modem run: %.1f ms "
                        "(target under 50 ms)\n",
                        figures.longestLoopGapMs);
    }
    const Figures pulled = run(4, 5);
    std::printf("one of four pulled out: %.1f messages a minute, %d rows, %d sent twice\n", pulled.perMinute,
                pulled.rows, pulled.sentTwice);
    const Figures fast = run(1, 0, 800);
    std::printf("fast sending, latency 2 s then 0.8 s: %.1f messages a minute (target at least %.1f)\n",
                fast.perMinute, 2.2 * one);
    return 0;
}
