#include "broadcast/RecipientList.h"

#include "base/Errors.h"
#include "data/Dataset.h"

namespace {

void show(Dataset &list, int row, qint64 detailId, bool reread)
{
    // The operator may have closed or reloaded the list while the run went on; then
    // there is nothing of this run left to show.
    if (!list.isOpen() || row >= list.recordCount()
        || list.valueAt(row, list.fieldIndex(QStringLiteral("id"))).toLongLong() != detailId)
        return;
    if (reread)
        list.reread(row);
    list.setCurrentRow(row);
}

} // namespace

QList<Outgoing> RecipientList::recipients(const Dataset &list)
{
    if (!list.isOpen())
        throw BrivoraError(QString::fromLatin1(ClosedListText));
    const int id = list.fieldIndex(QStringLiteral("id"));
    QList<Outgoing> messages;
    messages.reserve(list.recordCount());
    for (int row = 0; row < list.recordCount(); ++row)
        messages << Outgoing{MessageRecord::ofRow(list, row), list.valueAt(row, id).toLongLong()};
    return messages;
}

SendPlan RecipientList::inTurn(Dataset &list, const QList<Outgoing> &messages)
{
    SendPlan plan;
    plan.total = static_cast<int>(messages.size());
    plan.message = [messages](int index) { return messages.at(index); };
    plan.starting = [&list, messages](int index) { show(list, index, messages.at(index).detailId, false); };
    plan.sent = [&list, messages](int index) { show(list, index, messages.at(index).detailId, true); };
    return plan;
}
