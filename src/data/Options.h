#pragma once

#include <QString>

class Database;

// Settings beyond the twelve tables, each a row of `options`: name and value.
class Options {
public:
    // Whether a run waits for the modem's answers: "YES" or anything else.
    static constexpr auto AwaitAnswers = "answers";
    // Whether each SMS asks for a delivery report: "YES" or anything else.
    static constexpr auto DeliveryReports = "delivery_reports";
    // The opt-out and opt-in words, separated by commas; empty for the usual ones.
    static constexpr auto OptOutWords = "opt_out_words";
    static constexpr auto OptInWords = "opt_in_words";
    // The line every announcement ends with.
    static constexpr auto AnnouncementEnding = "announcement_ending";

    explicit Options(Database &database);

    // The stored value, empty when none is stored.
    QString value(const QString &name);
    void setValue(const QString &name, const QString &value);

private:
    Database &m_database;
};
