#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class DataModule;

// What other desks on the same server change, shown on this one: the server tells of
// each committed change (the table's name), and a moment later every query object the
// screens show (DataModule::shownLists) of that table is read again, keeping its
// current row. A query
// object that is being edited, holds rows not yet written or is held by a grid's editor
// waits, and all of them wait while busy() (a send walks its list); they are read once
// that is over. On a file nothing is ever told.
class OtherDesks : public QObject {
    Q_OBJECT

public:
    // Changes that come together are shown together, this long after the first of them.
    static constexpr int GatherMs = 300;
    // How often a change that had to wait is tried again, and the least time between two
    // readings: another desk's broadcast changes its tables with every message.
    static constexpr int RetryMs = 1000;
    static constexpr int LeastBetweenMs = 1500;

    OtherDesks(DataModule &dm, std::function<bool()> busy, QObject *parent = nullptr);
    ~OtherDesks() override;

Q_SIGNALS:
    // The tables whose query objects were read again, for what else shows them (counts,
    // a tab's own lists).
    void tablesChanged(const QSet<QString> &tables);
    // Reading them again was refused: the user's text.
    void readFailed(const QString &text);

private:
    void heard(const QString &table);
    void show();

    DataModule &m_dm;
    std::function<bool()> m_busy;
    QSet<QString> m_changed;
    QTimer m_timer;
    QElapsedTimer m_lastShown;
};
