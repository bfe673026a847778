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
    const int mobileNumber = list.fieldIndex(QStringLiteral("mobile_number"));
    const int projectName = list.fieldIndex(QStringLiteral("project_name"));
    const int name = list.fieldIndex(QStringLiteral("name"));
    const int nickname = list.fieldIndex(QStringLiteral("nickname"));
    const int groupName = list.fieldIndex(QStringLiteral("group_name"));
    const int msgSend = list.fieldIndex(QStringLiteral("msg_send"));
    QList<Outgoing> messages;
    messages.reserve(list.recordCount());
    for (int row = 0; row < list.recordCount(); ++row) {
        Outgoing message;
        message.detailId = list.valueAt(row, id).toLongLong();
        message.record.mobileNumber = list.valueAt(row, mobileNumber).toString();
        message.record.projectName = list.valueAt(row, projectName).toString();
        message.record.name = list.valueAt(row, name).toString();
        message.record.nickname = list.valueAt(row, nickname).toString();
        message.record.groupName = list.valueAt(row, groupName).toString();
        message.record.message = list.valueAt(row, msgSend).toString();
        messages << message;
    }
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
