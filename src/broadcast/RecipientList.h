#pragma once

#include "broadcast/SendRun.h"

#include <QList>

class Dataset;

// A loaded recipient list (project_detail rows on screen) as a runner sends it.
namespace RecipientList {

inline constexpr auto ClosedListText = "Cannot perform this operation on a closed dataset";

// One message for every row, from first to last, captured whole before the first SMS:
// a click on the grid during a wait moves only what the grid shows. A closed list fails
// with ClosedListText before anything is sent or shown.
QList<Outgoing> recipients(const Dataset &list);

// A run's plan that sends the messages in turn; the list on screen follows the row being
// sent, and each row is read again once marked, so its "Send Date" fills in.
SendPlan inTurn(Dataset &list, const QList<Outgoing> &messages);

} // namespace RecipientList
