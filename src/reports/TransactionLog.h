#pragma once

#include <QString>
#include <QStringList>

class Dataset;

// The transaction log as the "Transaction Log" tab shows it.
namespace TransactionLog {

// The counts the operator may choose, in the list's order (sorted as text).
const QStringList &lineCounts();
// The latest rows, newest first.
QString statement(const QString &lineCount);
// One line per row of the open log: when, status, project, number, name, nickname,
// group and the whole message, joined by " | ". Built in one piece, so that even the
// largest choice fills the box at once.
QString lines(const Dataset &log);

} // namespace TransactionLog
