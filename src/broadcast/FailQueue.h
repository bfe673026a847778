#pragma once

class DataModule;
class SendEngine;

// "Start Broadcasting" of the failed-message queue: every "FAIL" row sent again, newest
// first, its stored message as it is (never personalised again), each row marked "SEND"
// with its new time as its first part goes out.
class FailQueue {
public:
    FailQueue(SendEngine &engine, DataModule &dm);

    void start();
    // While a send runs, what would change the list it may walk (reading it again,
    // deleting a row) is refused with the busy warning.
    bool refusedWhileRunning() const;

private:
    SendEngine &m_engine;
    DataModule &m_dm;
};
