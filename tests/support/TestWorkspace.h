#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder made the working folder, holding a fresh "Dovrel.mdb".
class TestWorkspace {
public:
    explicit TestWorkspace(bool withDatabase = true);
    ~TestWorkspace();

    QString path() const { return m_dir.path(); }
    QString databasePath() const;
    // Runs statements on the database through a connection of its own, as another
    // program would; used to prepare rows and to read back what the program stored.
    void exec(const QString &statement) const;
    QList<QStringList> rows(const QString &statement) const;
    QString value(const QString &statement) const;

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};
