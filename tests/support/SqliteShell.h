#pragma once

#include <QProcess>
#include <QString>

// The sqlite3 shell on the same file: another program reading and writing it, or
// holding it locked ("begin exclusive;") while the program works. It takes statements
// as they are handed over and reports when it has done them; it stops at an error.
class SqliteShell {
public:
    explicit SqliteShell(const QString &path);
    ~SqliteShell();
    SqliteShell(const SqliteShell &) = delete;
    SqliteShell &operator=(const SqliteShell &) = delete;

    // Returns once the shell has run the statements.
    void run(const QString &statements);
    // Hands the statements over without waiting for them.
    void send(const QString &statements);

private:
    QProcess m_process;
};
