#include "broadcast/AnnouncementTab.h"

#include "app/Named.h"
#include "base/Dialogs.h"
#include "compose/MessageSplit.h"
#include "data/DataModule.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QLineEdit *counterField(const char *name)
{
    auto *counter = named(new QLineEdit(characterCountText(0)), name);
    counter->setReadOnly(true);
    // Reached by the mouse only, so the Tab key goes from one editor to the next.
    counter->setFocusPolicy(Qt::ClickFocus);
    return counter;
}

QSpinBox *spinEdit(const char *name, int maximum)
{
    auto *spin = named(new QSpinBox, name);
    spin->setRange(0, maximum);
    return spin;
}

} // namespace

AnnouncementTab::AnnouncementTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , Edit12(named(new QLineEdit, "Edit12"))
    , CheckListBox1(named(new QListWidget, "CheckListBox1"))
    , Label22(named(new QLabel(QStringLiteral("Message in Malay:")), "Label22"))
    , RichEdit2(named(new QPlainTextEdit, "RichEdit2"))
    , Edit10(counterField("Edit10"))
    , Label23(named(new QLabel(QStringLiteral("Message in English:")), "Label23"))
    , RichEdit3(named(new QPlainTextEdit, "RichEdit3"))
    , Edit13(counterField("Edit13"))
    , suiSpinEdit1(spinEdit("suiSpinEdit1", 100))
    , suiSpinEdit2(spinEdit("suiSpinEdit2", 120))
    , BitBtn10(named(new QPushButton(QStringLiteral("Start Broadcasting")), "BitBtn10"))
    , DateTimePicker5(named(new QDateTimeEdit, "DateTimePicker5"))
    , m_dm(dm)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheet3"));
    DateTimePicker5->setCalendarPopup(true);
    connect(RichEdit2, &QPlainTextEdit::textChanged, this, &AnnouncementTab::RichEdit2Change);
    connect(RichEdit3, &QPlainTextEdit::textChanged, this, &AnnouncementTab::RichEdit3Change);

    auto *layout = new QGridLayout(this);
    auto *project = new QGroupBox(QStringLiteral(" Annoucement Project Broadcast "));
    auto *projectLayout = new QGridLayout(project);
    projectLayout->addWidget(new QLabel(QStringLiteral("Project Name")), 0, 0);
    projectLayout->addWidget(Edit12, 0, 1, 1, 2);
    projectLayout->addWidget(new QLabel(QStringLiteral("Target group")), 1, 0);
    projectLayout->addWidget(CheckListBox1, 2, 0);
    projectLayout->addWidget(Label22, 1, 1);
    projectLayout->addWidget(RichEdit2, 2, 1);
    projectLayout->addWidget(Edit10, 3, 1);
    projectLayout->addWidget(Label23, 1, 2);
    projectLayout->addWidget(RichEdit3, 2, 2);
    projectLayout->addWidget(Edit13, 3, 2);
    layout->addWidget(project, 0, 0, 1, 2);

    auto *schedule = new QGroupBox(QStringLiteral(" Schedule Broadcast Option"));
    auto *scheduleLayout = new QGridLayout(schedule);
    scheduleLayout->addWidget(new QLabel(QStringLiteral("Date")), 0, 0);
    scheduleLayout->addWidget(DateTimePicker5, 0, 1);
    layout->addWidget(schedule, 1, 0);

    auto *delay = new QGroupBox(QStringLiteral(" Delay Delivery Option"));
    auto *delayLayout = new QHBoxLayout(delay);
    delayLayout->addWidget(new QLabel(QStringLiteral("Pause every")));
    delayLayout->addWidget(suiSpinEdit1);
    delayLayout->addWidget(new QLabel(QStringLiteral("SMS")));
    delayLayout->addSpacing(12);
    delayLayout->addWidget(new QLabel(QStringLiteral("For")));
    delayLayout->addWidget(suiSpinEdit2);
    delayLayout->addWidget(new QLabel(QStringLiteral("Minutes")));
    delayLayout->addStretch();
    delayLayout->addWidget(BitBtn10);
    layout->addWidget(delay, 1, 1);
}

void AnnouncementTab::fillTargetGroups()
{
    CheckListBox1->clear();
    // Read without moving the cursor: the group grid's delete button works on it.
    const Dataset &groups = m_dm.q_group;
    const int groupName = groups.fieldIndex(QStringLiteral("group_name"));
    for (int row = 0; row < groups.recordCount(); ++row) {
        auto *item = new QListWidgetItem(groups.valueAt(row, groupName).toString(), CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QString AnnouncementTab::projectName() const
{
    return Edit12->text();
}

int AnnouncementTab::pauseEvery() const
{
    return suiSpinEdit1->value();
}

int AnnouncementTab::pauseMinutes() const
{
    return suiSpinEdit2->value();
}

void AnnouncementTab::clearComposer()
{
    Edit12->clear();
    RichEdit2->clear();
    RichEdit3->clear();
    for (int row = 0; row < CheckListBox1->count(); ++row)
        CheckListBox1->item(row)->setCheckState(Qt::Unchecked);
    m_dm.q_prj_dtl.close();
}

void AnnouncementTab::RichEdit2Change()
{
    countCharacters(RichEdit2, Edit10);
}

void AnnouncementTab::RichEdit3Change()
{
    countCharacters(RichEdit3, Edit13);
}

void AnnouncementTab::countCharacters(const QPlainTextEdit *editor, QLineEdit *counter)
{
    // Counted as the text is stored and sent: an emoji is one character, and each line
    // break is the carriage return and line feed that the editor's lines travel with.
    const QString text = editor->toPlainText();
    const int characters = static_cast<int>(text.toUcs4().size() + text.count(QLatin1Char('\n')));
    counter->setText(characterCountText(characters));
    const CounterColour colour = characterCountColour(characters);
    if (colour != CounterColour::Unchanged) {
        QPalette palette = counter->palette();
        palette.setColor(QPalette::Text, colour == CounterColour::Red ? Qt::red : Qt::black);
        counter->setPalette(palette);
    }
    if (needsCharacterLimitWarning(characters))
        m_dialogs.warning(characterLimitWarningText());
}
