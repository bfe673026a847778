#pragma once

#include <QString>

#include <functional>

class DataModule;
class SendEngine;

// What the runner reads from the composer as it goes, and the composer's own Clear.
struct BroadcastControls {
    // The name field: the project whose recipient list is loaded.
    std::function<QString()> projectName;
    // "Pause every" so many SMS "For" so many minutes; read before each message, so a
    // change during the run applies from the next one.
    std::function<int()> pauseEvery;
    std::function<int()> pauseMinutes;
    std::function<void()> clear;
};

// "Start Broadcasting": every message of the loaded recipient list (q_prj_dtl), with a
// pause after every so many, then the project stamped as sent and the composer cleared.
class BroadcastRunner {
public:
    BroadcastRunner(SendEngine &engine, DataModule &dm, BroadcastControls controls);

    void start();

private:
    void stamp(const QString &project);

    SendEngine &m_engine;
    DataModule &m_dm;
    BroadcastControls m_controls;
};
