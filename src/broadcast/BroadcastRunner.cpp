#include "broadcast/BroadcastRunner.h"

#include "base/Clock.h"
#include "broadcast/RecipientList.h"
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
    const QList<Outgoing> messages = RecipientList::recipients(list);
    // The operator may edit the name field while the run waits; the stamp belongs to
    // the project whose rows went out.
    const QString project = m_controls.projectName();
    auto run = SendRun::begin(m_services, {Sender::Announcement, true, SendPolicy::Progress::BeforeLog},
                              static_cast<int>(messages.size()));
    if (!run)
        return;
    int sincePause = 0;
    // The pause comes once the message counts, before it goes out.
    RecipientList::sendInTurn(*run, list, messages, [&] {
        const int every = m_controls.pauseEvery();
        if (every != 0 && sincePause >= every) {
            run->pause(m_controls.pauseMinutes());
            sincePause = 0;
        }
        ++sincePause;
    });
    stamp(project);
    m_controls.clear();
    list.close();
    run->finish();
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
