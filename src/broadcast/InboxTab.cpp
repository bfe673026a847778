#include "broadcast/InboxTab.h"

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "data/Database.h"
#include "data/JetSql.h"
#include "data/OptOutList.h"
#include "data/PhoneNumbers.h"
#include "data/Settings.h"
#include "widgets/DatasetGrid.h"
#include "widgets/Named.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace {

const QString NewestFirst = QStringLiteral(" order by received desc, id desc");

} // namespace

InboxTab::InboxTab(Database &database, const Settings &settings, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , findBox(named(new QLineEdit, "findBox"))
    , messagesGrid(nullptr)
    , replyButton(named(new QPushButton(QStringLiteral("Reply")), "replyButton"))
    , optOutGrid(nullptr)
    , removeButton(named(new QPushButton(QStringLiteral("Remove")), "removeButton"))
    , m_database(database)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_messages(database, QStringLiteral("q_inbox"), messagesSql())
    , m_optOuts(database, QStringLiteral("q_opt_out"),
                QStringLiteral("select * from opt_out order by date_asked desc, id desc"))
{
    setObjectName(QStringLiteral("TabSheetInbox"));
    messagesGrid = named(new DatasetGrid(m_messages,
                                         {{QStringLiteral("received"), QStringLiteral("Received")},
                                          {QStringLiteral("number"), QStringLiteral("Number")},
                                          {QString(), QStringLiteral("Name"),
                                           [this](int row) {
                                               return m_names.value(
                                                   m_messages.valueAt(row, m_messages.fieldIndex(QStringLiteral("id_profile")))
                                                       .toLongLong());
                                           }},
                                          {QStringLiteral("text"), QStringLiteral("Message")}},
                                         dialogs),
                         "messagesGrid");
    messagesGrid->setHintField(QStringLiteral("text"));
    messagesGrid->horizontalHeader()->setStretchLastSection(true);
    messagesGrid->setColumnWidth(0, 130);
    messagesGrid->setColumnWidth(1, 110);
    messagesGrid->setColumnWidth(2, 140);
    optOutGrid = named(new DatasetGrid(m_optOuts,
                                       {{QStringLiteral("number"), QStringLiteral("Number")},
                                        {QStringLiteral("date_asked"), QStringLiteral("Asked")},
                                        {QStringLiteral("message"), QStringLiteral("Message")}},
                                       dialogs),
                       "optOutGrid");
    optOutGrid->horizontalHeader()->setStretchLastSection(true);
    optOutGrid->setColumnWidth(0, 110);
    optOutGrid->setColumnWidth(1, 130);
    findBox->setPlaceholderText(QStringLiteral("Find a number or words"));
    findBox->setClearButtonEnabled(true);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    auto *messages = new QGroupBox(QStringLiteral("Messages received"));
    auto *messagesLayout = new QVBoxLayout(messages);
    auto *tools = new QHBoxLayout;
    tools->addWidget(new QLabel(QStringLiteral("Find")));
    tools->addWidget(findBox, 1);
    tools->addWidget(replyButton);
    messagesLayout->addLayout(tools);
    messagesLayout->addWidget(messagesGrid, 1);
    page->addWidget(messages, 3);
    auto *optOuts = new QGroupBox(QStringLiteral("Asked not to receive messages"));
    auto *optOutsLayout = new QHBoxLayout(optOuts);
    optOutsLayout->addWidget(optOutGrid, 1);
    optOutsLayout->addWidget(removeButton, 0, Qt::AlignTop);
    page->addWidget(optOuts, 2);

    connect(&m_messages, &Dataset::reset, this, &InboxTab::readNames);
    connect(findBox, &QLineEdit::textChanged, this, [this] {
        guarded(m_dialogs, [this] { m_messages.repoint(messagesSql()); });
    });
    connect(replyButton, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { reply(); }); });
    connect(removeButton, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { removeOptOut(); }); });
}

QString InboxTab::messagesSql() const
{
    const QString words = findBox->text().trimmed();
    if (words.isEmpty())
        return QStringLiteral("select * from inbox") + NewestFirst;
    const QString pattern = JetSql::quote(QLatin1Char('%') + words + QLatin1Char('%'));
    return QStringLiteral("select * from inbox where text like %1 or number like %1").arg(pattern) + NewestFirst;
}

void InboxTab::reload()
{
    m_messages.repoint(messagesSql());
    m_optOuts.refresh();
    Q_EMIT unreadChanged(unreadCount());
}

int InboxTab::unreadCount()
{
    QSqlQuery &count = m_database.prepared(QStringLiteral("SELECT count(*) FROM inbox WHERE seen = 'NO'"));
    m_database.execute(count);
    const int unread = count.next() ? count.value(0).toInt() : 0;
    count.finish();
    return unread;
}

void InboxTab::markSeen()
{
    QSqlQuery &seen = m_database.prepared(QStringLiteral("UPDATE inbox SET seen = 'YES' WHERE seen = 'NO'"));
    m_database.execute(seen);
    seen.finish();
    Q_EMIT unreadChanged(0);
}

void InboxTab::readNames()
{
    m_names.clear();
    QSqlQuery &select = m_database.prepared(QStringLiteral(
        "SELECT id_profile, name FROM profile WHERE id_profile IN (SELECT id_profile FROM inbox)"));
    m_database.execute(select);
    while (select.next())
        m_names.insert(select.value(0).toLongLong(), select.value(1).toString());
    select.finish();
}

void InboxTab::reply()
{
    const int row = m_messages.currentRow();
    if (row < 0)
        return;
    const qint64 profile = m_messages.valueAt(row, m_messages.fieldIndex(QStringLiteral("id_profile"))).toLongLong();
    const QString number = m_messages.valueAt(row, m_messages.fieldIndex(QStringLiteral("number"))).toString();
    if (profile > 0 && m_names.contains(profile)) {
        Q_EMIT replyTo(profile, number);
        return;
    }
    Q_EMIT replyTo(0, number);
    m_dialogs.information(QStringLiteral("Brivora"), QString::fromLatin1(UnknownNumberText).arg(number));
}

void InboxTab::removeOptOut()
{
    const int row = m_optOuts.currentRow();
    if (row < 0)
        return;
    const QString number = m_optOuts.valueAt(row, m_optOuts.fieldIndex(QStringLiteral("number"))).toString();
    OptOutList::remove(m_database, countryCodeOf(m_settings.centreNumber()), number);
    m_optOuts.refresh();
}
