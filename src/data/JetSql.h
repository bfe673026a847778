#pragma once

#include <QString>

class Database;

// The statement dialect the program speaks: "select [top <n>] * from <table> ..." with
// double-quoted text literals, like with "%", is null, is not null, order by <field>
// desc and calls of functions both engines know, such as rtrim(<field>). JetSql turns it
// into the statement of a database's engine and refuses anything else.
namespace JetSql {

struct Select {
    QString table; // the table named after "from"
    QString sql; // the statement for the database, the row key first as column "__rowid"
};

// Throws BrivoraError naming what it cannot translate.
Select translate(const QString &statement, Database &database);

// A value spliced into a statement: as Database::storedText keeps it, between double
// quotes, embedded double quotes doubled, so every value is looked up as it is stored.
QString quote(const QString &value);

} // namespace JetSql
