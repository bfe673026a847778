#pragma once

#include "BenchSupport.h"
#include "broadcast/SendRun.h"
#include "support/SendBench.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

// One-part messages to so many clients, each its own.
inline void addMorningRecipients(SendBench &bench, int count)
{
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts << QStringLiteral("Selamat pagi, pelanggan %1. Jualan murah bermula esok.").arg(i);
    bench.addRecipients(texts);
}

// Sends the bench's recipients as an announcement and returns the seconds the run took,
// the event loop watched throughout; a run that does not end within the minutes ends
// the benchmark.
inline double timedAnnouncement(SendBench &bench, LoopWatch &loop, int minutes)
{
    const QList<Outgoing> messages = bench.recipients();
    SendPlan plan;
    plan.total = static_cast<int>(messages.size());
    plan.message = [messages](int index) { return messages.at(index); };
    QElapsedTimer elapsed;
    elapsed.start();
    loop.start();
    SendRun::start(bench.engine, {Sender::Announcement, SendPolicy::Parts::Split, SendPolicy::Progress::BeforeLog},
                   std::move(plan));
    if (!bench.waitForRunEnd(minutes * 60000)) {
        std::fprintf(stderr, "the run did not end\n");
        std::exit(1);
    }
    const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;
    loop.stop();
    return seconds;
}
