#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class Database;

// A temporary folder made the working folder, holding a fresh database: a "Dovrel.mdb",
// or, when the tests run on the test server (BRIVORA_TEST_ENGINE=postgresql, with the
// server's address in BRIVORA_TEST_SERVER, as scripts/test sets them), a "Dovrel.server"
// naming a schema of its own on that server. Without a database, the folder holds no
// file, or names a schema without tables.
class TestWorkspace {
public:
    explicit TestWorkspace(bool withDatabase = true);
    ~TestWorkspace();
    TestWorkspace(const TestWorkspace &) = delete;
    TestWorkspace &operator=(const TestWorkspace &) = delete;

    // Whether this run's tests use the test server.
    static bool onServer();

    QString path() const { return m_dir.path(); }
    // The database file; on the server, a test that needs a file is skipped (see skipOnServer).
    QString databasePath() const;
    // The workspace's database as the tools take it: the file, or the server's address.
    QString location() const;
    // Runs statements on the database through a connection of its own, as another
    // program would; used to prepare rows and to read back what the program stored.
    // Written for SQLite; on the server "grouping" is quoted, ifnull is coalesce, char() is
    // chr(), group_concat and datetime(moment, shift) are functions of the schema, and
    // counters go on after rows inserted with their own ids.
    void exec(const QString &statement) const;
    QList<QStringList> rows(const QString &statement) const;
    QString value(const QString &statement) const;

private:
    QString serverStatement(const QString &statement) const;

    QTemporaryDir m_dir;
    QString m_previousDir;
    QString m_schema; // on the server
    QString m_server; // the address naming that schema
    std::unique_ptr<Database> m_peer; // the other program's connection, on the server
};

// For a test that is about the file itself (locks, the write-ahead log, backups of it).
#define SKIP_ON_SERVER(why)                                                                                            \
    do {                                                                                                               \
        if (TestWorkspace::onServer())                                                                                 \
            QSKIP(why);                                                                                                \
    } while (false)
