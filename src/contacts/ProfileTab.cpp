#include "contacts/ProfileTab.h"

#include "data/DataModule.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

ProfileTab::ProfileTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , Edit1(new QLineEdit(this))
    , DateTimePicker1(new QDateEdit(this))
    , DateTimePicker2(new QDateEdit(this))
    , Label32(new QLabel(QStringLiteral("0"), this))
    , m_dm(dm)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheet1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    DateTimePicker2->setEnabled(false);
    Label32->setObjectName(QStringLiteral("Label32"));
    QFont bold = Label32->font();
    bold.setBold(true);
    Label32->setFont(bold);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Name"), Edit1);
    form->addRow(QStringLiteral("Birthday"), DateTimePicker1);
    form->addRow(QStringLiteral("Anniversary "), DateTimePicker2);
    form->addRow(QStringLiteral("Profile record : "), Label32);
}

void ProfileTab::resetDates()
{
    DateTimePicker1->setDate(QDate(1974, 10, 1));
    DateTimePicker2->setDate(QDate(2000, 11, 1));
}

void ProfileTab::setRecordCount(int count)
{
    Label32->setText(QString::number(count));
}
