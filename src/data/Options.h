#pragma once

#include <QString>

class Database;

// Settings beyond the twelve tables, each a row of `options`: name and value.
class Options {
public:
    // Whether a run waits for the modem's answers: "YES" or anything else.
    static constexpr auto AwaitAnswers = "answers";

    explicit Options(Database &database);

    // The stored value, empty when none is stored.
    QString value(const QString &name);
    void setValue(const QString &name, const QString &value);

private:
    Database &m_database;
};
