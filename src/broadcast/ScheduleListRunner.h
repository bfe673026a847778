#pragma once

class DataModule;
class SendEngine;

// "Start Broadcasting" on the schedule list: every row of the recipient list loaded there
// (q_prj_dtl_schedule), first to last whatever its status, without pauses. Nothing follows
// the last row: the project's send date is left as it was, so it stays "Not yet broadcast",
// and the list stays open, so the operator sees each row's mark where the run left it.
class ScheduleListRunner {
public:
    ScheduleListRunner(SendEngine &engine, DataModule &dm);

    void start();

private:
    SendEngine &m_engine;
    DataModule &m_dm;
};
