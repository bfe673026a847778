#include "broadcast/BroadcastRunner.h"

#include "base/Clock.h"
#include "broadcast/RecipientList.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

BroadcastRunner::BroadcastRunner(SendEngine &engine, DataModule &dm, BroadcastControls controls)
    : m_engine(engine)
    , m_dm(dm)
    , m_controls(std::move(controls))
{
}

void BroadcastRunner::start()
{
    Dataset &list = m_dm.q_prj_dtl;
    const QList<Outgoing> messages = RecipientList::recipients(list);
    // The operator may edit the name field while the run goes on; the stamp belongs to
    // the project whose rows went out.
    const QString project = m_controls.projectName();
    SendPlan plan = RecipientList::inTurn(list, messages);
    plan.what = QStringLiteral("Broadcast");
    // Messages since the start or the last pause; a pause comes once a message counts,
    // before it goes out, so none follows the last.
    auto sincePause = std::make_shared<int>(0);
    plan.pauseFirst = [this, sincePause]() -> std::optional<int> {
        const int every = m_controls.pauseEvery();
        std::optional<int> minutes;
        if (every != 0 && *sincePause >= every) {
            minutes = m_controls.pauseMinutes();
            *sincePause = 0;
        }
        ++*sincePause;
        return minutes;
    };
    plan.pausesAhead = [this, sincePause, total = plan.total](int index) {
        const int every = m_controls.pauseEvery();
        const int left = total - index;
        const int firstPause = std::max(0, every - *sincePause);
        if (every <= 0 || firstPause >= left)
            return 0;
        return (1 + (left - 1 - firstPause) / every) * m_controls.pauseMinutes() * 60;
    };
    plan.completed = [this, project, &list] {
        stamp(project);
        m_controls.clear();
        list.close();
    };
    SendRun::start(m_engine, {Sender::Announcement, SendPolicy::Parts::Split, SendPolicy::Progress::BeforeLog},
                   std::move(plan));
}

void BroadcastRunner::stamp(const QString &project)
{
    Dataset &projects = m_dm.q_project;
    projects.repoint(QStringLiteral("select * from project where project_name = %1").arg(JetSql::quote(project)));
    // A project deleted meanwhile is not brought back as a row holding a date alone.
    if (!projects.isEmpty()) {
        projects.edit();
        projects.setValue(QStringLiteral("date_send"), m_engine.clock().now());
        projects.post();
    }
    projects.close();
}
