#pragma once

#include <QProcess>
#include <QString>

// Another program (the sqlite3 shell) holding the database file locked for writing,
// as a second Brivora or a backup tool may. Readers still read; writers wait out their
// busy time-out and are refused.
class DatabaseLock
{
public:
    // Returns once the lock is held.
    explicit DatabaseLock(const QString &databasePath);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock &) = delete;
    DatabaseLock &operator=(const DatabaseLock &) = delete;

    // Ends the lock, writing nothing; returns once it is gone.
    void release();

private:
    // Sends statements and waits for the shell to print the marker after them.
    void run(const QByteArray &statements, const QByteArray &marker);

    QProcess m_shell;
    bool m_held = false;
};
