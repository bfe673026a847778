#include "broadcast/AnnouncementTab.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "broadcast/RecipientGrid.h"
#include "compose/MessageSplit.h"
#include "compose/Personalise.h"
#include "data/DataModule.h"
#include "data/Settings.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/EditorText.h"
#include "widgets/Named.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr auto FestiveError = "Please select correct festive!";

QLineEdit *counterField(const char *name)
{
    auto *counter = named(new QLineEdit(characterCountText(0)), name);
    counter->setReadOnly(true);
    // Reached by the mouse only, so the Tab key goes from one editor to the next.
    counter->setFocusPolicy(Qt::ClickFocus);
    return counter;
}

QHBoxLayout *counterRow(QLineEdit *counter, QLabel *cost)
{
    auto *row = new QHBoxLayout;
    row->addWidget(counter, 1);
    row->addWidget(cost);
    return row;
}

QSpinBox *spinEdit(const char *name, int maximum)
{
    auto *spin = named(new QSpinBox, name);
    spin->setRange(0, maximum);
    return spin;
}

QPlainTextEdit *templateEditor(const char *name)
{
    auto *editor = named(new QPlainTextEdit, name);
    editor->setTabChangesFocus(true);
    return editor;
}

} // namespace

AnnouncementTab::AnnouncementTab(DataModule &dm, const Settings &settings, Dialogs &dialogs, const Clock &clock,
                                 QWidget *parent)
    : QWidget(parent)
    , Edit12(named(new QLineEdit, "Edit12"))
    , ComboBox6(named(new QComboBox, "ComboBox6"))
    , CheckListBox1(named(new QListWidget, "CheckListBox1"))
    , Label22(named(new QLabel(QStringLiteral("Message in Malay:")), "Label22"))
    , RichEdit2(templateEditor("RichEdit2"))
    , Edit10(counterField("Edit10"))
    , Label23(named(new QLabel(QStringLiteral("Message in English:")), "Label23"))
    , RichEdit3(templateEditor("RichEdit3"))
    , Edit13(counterField("Edit13"))
    , smsCostMalay(named(new QLabel(smsCostText(QString())), "smsCostMalay"))
    , smsCostEnglish(named(new QLabel(smsCostText(QString())), "smsCostEnglish"))
    , leftOutLabel(named(new QLabel, "leftOutLabel"))
    , BitBtn9(named(new QPushButton(QStringLiteral("Clear")), "BitBtn9"))
    , BitBtn8(named(new QPushButton(QStringLiteral("Save && Populate Recipient")), "BitBtn8"))
    , deliveryColumn(new DeliveryColumn(dm.q_prj_dtl, dm.con, this))
    , DBGrid3(named(recipientGrid(dm.q_prj_dtl, *deliveryColumn, dialogs), "DBGrid3"))
    , DBNavigator4(named(new DatasetNavigator(dm.q_prj_dtl, dialogs, DatasetNavigator::Delete), "DBNavigator4"))
    , DBGrid4(named(new DatasetGrid(dm.q_prj, {{QStringLiteral("project_name"), QStringLiteral("Project")}}, dialogs),
                    "DBGrid4"))
    , suiSpinEdit1(spinEdit("suiSpinEdit1", 100))
    , suiSpinEdit2(spinEdit("suiSpinEdit2", 120))
    , BitBtn10(named(new QPushButton(QStringLiteral("Start Broadcasting")), "BitBtn10"))
    , DateTimePicker5(named(new QDateTimeEdit, "DateTimePicker5"))
    , DateTimePicker6(named(new QTimeEdit(clock.now().time()), "DateTimePicker6"))
    , BitBtn6(named(new QPushButton(QStringLiteral("Schedule Broadcast")), "BitBtn6"))
    , BitBtn11(named(new QPushButton(QStringLiteral("Start Broadcasting")), "BitBtn11"))
    , BitBtn12(named(new QPushButton(QStringLiteral("Start Broadcasting")), "BitBtn12"))
    , m_dm(dm)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_projects(dm, settings, dialogs, clock)
    , m_exits(*this, dialogs)
{
    setObjectName(QStringLiteral("TabSheet3"));
    ComboBox6->setEditable(true);
    ComboBox6->addItems(Festive::choices());
    // A typed text stays a filter of its own; Enter does not add it to the list.
    ComboBox6->setInsertPolicy(QComboBox::NoInsert);
    DateTimePicker5->setCalendarPopup(true);
    DateTimePicker5->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    DBNavigator4->setGrid(DBGrid3);
    DBGrid4->horizontalHeader()->setStretchLastSection(true);

    connect(RichEdit2, &QPlainTextEdit::textChanged, this, &AnnouncementTab::RichEdit2Change);
    connect(RichEdit3, &QPlainTextEdit::textChanged, this, &AnnouncementTab::RichEdit3Change);
    m_exits.onExit(ComboBox6, [this] { suitempComboBox6Exit(); });
    connect(BitBtn8, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suitempBitBtn8Click(); }); });
    connect(BitBtn9, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suitempBitBtn9Click(); }); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { BitBtn6Click(); }); });
    connect(DBGrid4, &DatasetGrid::cellClicked, this,
            [this] { guarded(m_dialogs, [this] { suitempDBGrid4CellClick(); }); });
    connect(DBGrid4, &DatasetGrid::keyReleased, this,
            [this] { guarded(m_dialogs, [this] { suitempDBGrid4KeyUp(); }); });

    auto *greetings = new QVBoxLayout;
    greetings->addWidget(buildProjectList(), 1);
    greetings->addWidget(buildGreeting(QStringLiteral(" Today Birthday Broadcast "), BitBtn11));
    greetings->addWidget(buildGreeting(QStringLiteral(" Today Anniversary  Broadcast "), BitBtn12));

    auto *layout = new QGridLayout(this);
    layout->addWidget(buildComposer(), 0, 0, 1, 2);
    layout->addLayout(greetings, 0, 2);
    layout->addWidget(buildSchedule(), 1, 0);
    layout->addWidget(buildDelay(), 1, 1, 1, 2);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(0, 1);
}

QWidget *AnnouncementTab::buildComposer()
{
    auto *box = new QGroupBox(QStringLiteral(" Annoucement Project Broadcast "));
    auto *grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    auto *nameRow = new QHBoxLayout;
    // A row inside a grid takes the grid's spacing, which is none once its vertical and
    // horizontal spacings differ.
    nameRow->setSpacing(grid->horizontalSpacing());
    nameRow->addWidget(new QLabel(QStringLiteral("Project Name")));
    nameRow->addWidget(Edit12, 3);
    nameRow->addSpacing(12);
    nameRow->addWidget(new QLabel(QStringLiteral("Festive")));
    nameRow->addWidget(ComboBox6, 2);
    grid->addLayout(nameRow, 0, 0, 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("Target group")), 1, 0);
    grid->addWidget(CheckListBox1, 2, 0, 2, 1);
    grid->addWidget(Label22, 1, 1);
    grid->addWidget(RichEdit2, 2, 1);
    grid->addLayout(counterRow(Edit10, smsCostMalay), 3, 1);
    grid->addWidget(Label23, 1, 2);
    grid->addWidget(RichEdit3, 2, 2);
    grid->addLayout(counterRow(Edit13, smsCostEnglish), 3, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 3);

    auto *recipientsRow = new QHBoxLayout;
    recipientsRow->addWidget(new QLabel(QStringLiteral("List of recipients:")));
    recipientsRow->addWidget(leftOutLabel);
    recipientsRow->addStretch();
    recipientsRow->addWidget(BitBtn9);
    recipientsRow->addWidget(BitBtn8);
    grid->addLayout(recipientsRow, 4, 0, 1, 3);
    grid->addWidget(DBGrid3, 5, 0, 1, 3);
    grid->addWidget(DBNavigator4, 6, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(2, 2);
    grid->setRowStretch(5, 3);
    return box;
}

QWidget *AnnouncementTab::buildProjectList()
{
    auto *box = new QGroupBox(QStringLiteral(" List of Project  "));
    (new QVBoxLayout(box))->addWidget(DBGrid4);
    return box;
}

QWidget *AnnouncementTab::buildSchedule()
{
    auto *box = new QGroupBox(QStringLiteral(" Schedule Broadcast Option"));
    auto *layout = new QHBoxLayout(box);
    layout->addWidget(new QLabel(QStringLiteral("Date")));
    layout->addWidget(DateTimePicker5);
    layout->addWidget(new QLabel(QStringLiteral("Time")));
    layout->addWidget(DateTimePicker6);
    layout->addStretch();
    layout->addWidget(BitBtn6);
    return box;
}

QWidget *AnnouncementTab::buildGreeting(const QString &caption, QPushButton *start)
{
    auto *box = new QGroupBox(caption);
    (new QHBoxLayout(box))->addWidget(start);
    return box;
}

QWidget *AnnouncementTab::buildDelay()
{
    auto *box = new QGroupBox(QStringLiteral(" Delay Delivery Option"));
    auto *layout = new QHBoxLayout(box);
    layout->addWidget(new QLabel(QStringLiteral("Pause every")));
    layout->addWidget(suiSpinEdit1);
    layout->addWidget(new QLabel(QStringLiteral("SMS")));
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("For")));
    layout->addWidget(suiSpinEdit2);
    layout->addWidget(new QLabel(QStringLiteral("Minutes")));
    layout->addStretch();
    layout->addWidget(BitBtn10);
    return box;
}

void AnnouncementTab::fillTargetGroups()
{
    CheckListBox1->clear();
    // Read without moving the cursor: the group grid's delete button works on it.
    const Dataset &groups = m_dm.q_group;
    if (!groups.isOpen())
        return;
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

void AnnouncementTab::suitempComboBox6Exit()
{
    if (Festive::isAccepted(ComboBox6->currentText())) {
        BitBtn8->setFocus();
        return;
    }
    m_dialogs.error(QString::fromLatin1(FestiveError));
    ComboBox6->setFocus();
}

AnnouncementProject AnnouncementTab::composed() const
{
    AnnouncementProject project;
    project.name = Edit12->text();
    project.festive = ComboBox6->currentText();
    for (int row = 0; row < CheckListBox1->count(); ++row)
        if (CheckListBox1->item(row)->checkState() == Qt::Checked)
            project.groups << CheckListBox1->item(row)->text();
    project.malayTemplate = storedLines(RichEdit2);
    project.englishTemplate = storedLines(RichEdit3);
    return project;
}

void AnnouncementTab::setSendGuard(std::function<bool()> refusedWhileSending)
{
    m_refusedWhileSending = std::move(refusedWhileSending);
    const auto allowed = [this] { return !m_refusedWhileSending(); };
    DBNavigator4->setDeleteGuard(allowed);
    DBGrid3->setDeleteByKeyboard(true, allowed);
    DBGrid4->setDeleteByKeyboard(true, allowed);
}

void AnnouncementTab::suitempBitBtn8Click()
{
    // Overwriting a project deletes and rebuilds its recipients: not the ones going out.
    if (m_refusedWhileSending())
        return;
    leftOutLabel->clear();
    const std::optional<int> leftOut = m_projects.saveAndPopulate(composed());
    if (leftOut && *leftOut > 0)
        leftOutLabel->setText(QStringLiteral("(%1 opted out, left out)").arg(*leftOut));
}

void AnnouncementTab::suitempBitBtn9Click()
{
    Edit12->clear();
    leftOutLabel->clear();
    RichEdit2->clear();
    RichEdit3->clear();
    fillTargetGroups();
    m_dm.q_prj_dtl.close();
    Edit12->setFocus();
}

void AnnouncementTab::BitBtn6Click()
{
    if (!m_projects.schedule(Edit12->text(), DateTimePicker5->date(), DateTimePicker6->time()))
        return;
    suitempBitBtn9Click();
}

void AnnouncementTab::suitempDBGrid4CellClick()
{
    loadSelectedProject();
}

void AnnouncementTab::suitempDBGrid4KeyUp()
{
    loadSelectedProject();
}

void AnnouncementTab::loadSelectedProject()
{
    const std::optional<AnnouncementProject> project = m_projects.loadSelected();
    if (!project)
        return;
    Edit12->setText(project->name);
    showLines(RichEdit2, project->malayTemplate);
    showLines(RichEdit3, project->englishTemplate);
    ComboBox6->setCurrentText(project->festive);
    fillTargetGroups();
    for (int row = 0; row < CheckListBox1->count(); ++row)
        if (project->groups.contains(CheckListBox1->item(row)->text()))
            CheckListBox1->item(row)->setCheckState(Qt::Checked);
}

void AnnouncementTab::RichEdit2Change()
{
    countCharacters(RichEdit2, Edit10, smsCostMalay);
}

void AnnouncementTab::RichEdit3Change()
{
    countCharacters(RichEdit3, Edit13, smsCostEnglish);
}

void AnnouncementTab::countCharacters(const QPlainTextEdit *editor, QLineEdit *counter, QLabel *cost)
{
    // Counted as the text is stored and sent: an emoji is one character, and each line
    // break is the carriage return and line feed that the editor's lines travel with.
    const QString text = withAnnouncementEnding(storedLines(editor), m_settings.announcementEnding());
    const int characters = static_cast<int>(text.toUcs4().size());
    counter->setText(characterCountText(characters));
    cost->setText(smsCostText(text));
    const CounterColour colour = characterCountColour(characters);
    if (colour != CounterColour::Unchanged) {
        QPalette palette = counter->palette();
        palette.setColor(QPalette::Text, colour == CounterColour::Red ? Qt::red : Qt::black);
        counter->setPalette(palette);
    }
    if (needsCharacterLimitWarning(characters))
        m_dialogs.warning(characterLimitWarningText());
}
