#include "broadcast/BroadcastRunner.h"

#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

BroadcastRunner::BroadcastRunner(SendServices &services, DataModule &dm, BroadcastControls controls)
    : m_services(services)
    , m_dm(dm)
    , m_controls(std::move(controls))
{
}

void BroadcastRunner::start()
{
    Dataset &list = m_dm.q_prj_dtl;
    if (!list.isOpen())
        throw BrivoraError(QString::fromLatin1(ClosedListText));
    // The operator may edit the name field while the run waits; the stamp belongs to
    // the project whose rows went out.
    const QString project = m_controls.projectName();
    const QList<Outgoing> messages = recipients(list);
    auto run = SendRun::begin(m_services, {Sender::Announcement, true, SendPolicy::Progress::BeforeLog},
                              static_cast<int>(messages.size()));
    if (!run)
        return;
    int sincePause = 0;
    for (int row = 0; row < messages.size(); ++row) {
        const Outgoing &message = messages.at(row);
        show(list, row, message.detailId, false);
        // The pause comes once the message counts, before it goes out.
        run->send(message, [&] {
            const int every = m_controls.pauseEvery();
            if (every != 0 && sincePause >= every) {
                run->pause(m_controls.pauseMinutes());
                sincePause = 0;
            }
            ++sincePause;
        });
        show(list, row, message.detailId, true);
    }
    stamp(project);
    m_controls.clear();
    list.close();
    run->finish();
}

QList<Outgoing> BroadcastRunner::recipients(const Dataset &list)
{
    // Captured whole before the first SMS: a click on the grid during a wait moves only
    // what the grid shows.
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

void BroadcastRunner::show(Dataset &list, int row, qint64 detailId, bool reread)
{
    // What the pumping waits let the operator do may have closed or reloaded the list;
    // then there is nothing of this run left to show.
    if (!list.isOpen() || row >= list.recordCount()
        || list.valueAt(row, list.fieldIndex(QStringLiteral("id"))).toLongLong() != detailId)
        return;
    if (reread)
        list.reread(row);
    list.setCurrentRow(row);
}

void BroadcastRunner::stamp(const QString &project)
{
    Dataset &projects = m_dm.q_project;
    projects.repoint(QStringLiteral("select * from project where project_name = %1").arg(JetSql::quote(project)));
    // A project deleted meanwhile is not brought back as a row holding a date alone.
    if (!projects.isEmpty()) {
        projects.edit();
        projects.setValue(QStringLiteral("date_send"), m_services.clock.now());
        projects.post();
    }
    projects.close();
}
