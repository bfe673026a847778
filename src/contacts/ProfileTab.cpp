#include "contacts/ProfileTab.h"

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "compose/MessageSplit.h"
#include "contacts/BalloonTip.h"
#include "contacts/CsvExport.h"
#include "contacts/NoReturnTextEdit.h"
#include "data/DataModule.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/DateTimePicker.h"
#include "widgets/DropDownBox.h"
#include "widgets/EditorText.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {

QDateTimeEdit *datePicker(const char *name)
{
    auto *picker = named(new DateTimePicker, name);
    picker->setCalendarPopup(true);
    // Shown in the machine's short form, but never with a two-digit year: birthdays
    // span more than a century.
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    picker->setDisplayFormat(format);
    return picker;
}

QPushButton *button(const char *name, const char *caption)
{
    return named(new QPushButton(QString::fromLatin1(caption)), name);
}

const QStringList &festiveValues()
{
    // "CHINESE " and "SARAWAK " end with a blank, and are stored that way.
    static const QStringList values{
        QStringLiteral("BUDDHA"),
        QStringLiteral("BUDDHA AND CHINESE"),
        QStringLiteral("CHINESE "),
        QStringLiteral("CHINESE AND CHRISTIAN"),
        QStringLiteral("CHRISTIAN"),
        QStringLiteral("HINDU"),
        QStringLiteral("HINDU AND CHRISTIAN"),
        QStringLiteral("ISLAM"),
        QStringLiteral("SABAH"),
        QStringLiteral("SARAWAK "),
    };
    return values;
}

} // namespace

ProfileTab::ProfileTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , Edit1(named(new QLineEdit, "Edit1"))
    , Edit2(named(new QLineEdit, "Edit2"))
    , Edit3(named(new QLineEdit, "Edit3"))
    , Edit11(named(new QLineEdit(QStringLiteral("@")), "Edit11"))
    , ComboBox5(named(new DropDownBox, "ComboBox5"))
    , ComboBox1(named(new DropDownBox, "ComboBox1"))
    , DateTimePicker1(datePicker("DateTimePicker1"))
    , CheckBox7(named(new QCheckBox, "CheckBox7"))
    , DateTimePicker2(datePicker("DateTimePicker2"))
    , Edit4(named(new QLineEdit, "Edit4"))
    , ComboBox3(named(new DropDownBox, "ComboBox3"))
    , ComboBox2(named(new DropDownBox, "ComboBox2"))
    , RichEdit1(named(new NoReturnTextEdit, "RichEdit1"))
    , suiEdit4(named(new QLineEdit, "suiEdit4"))
    , suiEdit5(named(new QLineEdit, "suiEdit5"))
    , Label32(named(new QLabel(QStringLiteral("0")), "Label32"))
    , BitBtn1(button("BitBtn1", "Clear"))
    , BitBtn2(button("BitBtn2", "Save"))
    , DBGrid1(named(new DatasetGrid(dm.q_profile,
                                    {{QStringLiteral("name"), QStringLiteral("Name")},
                                     {QStringLiteral("nickname"), QStringLiteral("Nickname")},
                                     {QStringLiteral("mobile_number"), QStringLiteral("Mobile number")},
                                     {QStringLiteral("email"), QStringLiteral("Email")},
                                     {QStringLiteral("group_name"), QStringLiteral("Group")},
                                     {QStringLiteral("festive"), QStringLiteral("Festive")},
                                     {QStringLiteral("birthday"), QStringLiteral("Birthday")},
                                     {QStringLiteral("income"), QStringLiteral("Income")},
                                     {QStringLiteral("languages"), QStringLiteral("Language")},
                                     {QStringLiteral("greeting"), QStringLiteral("Greeting")},
                                     {QStringLiteral("var1"), QStringLiteral("Variable 1")},
                                     {QStringLiteral("var2"), QStringLiteral("Variable 2")}},
                                    dialogs),
                    "DBGrid1"))
    , suiDBNavigator2(named(new DatasetNavigator(dm.q_profile, dialogs), "suiDBNavigator2"))
    , RichEdit4(named(new QPlainTextEdit, "RichEdit4"))
    , BitBtn4(button("BitBtn4", "Send Individual SMS"))
    , smsCostIndividual(named(new QLabel(smsCostText(QString())), "smsCostIndividual"))
    , suiButton2(button("suiButton2", "Import Profile"))
    , suiButton3(button("suiButton3", "Export Profile"))
    , m_dm(dm)
    , m_dialogs(dialogs)
    , m_store(dm, dialogs)
{
    setObjectName(QStringLiteral("TabSheet1"));

    ComboBox5->addItems(festiveValues());
    ComboBox5->setEditText(QString());
    ComboBox3->addItems({QStringLiteral("ENGLISH"), QStringLiteral("MALAY")});
    ComboBox3->setEditText(QStringLiteral("MALAY"));
    DateTimePicker2->setEnabled(false);
    new BalloonTip(Edit3, QStringLiteral("Important"), QStringLiteral("Mandatory field: Please include country code"));
    QFont bold = Label32->font();
    bold.setBold(true);
    Label32->setFont(bold);
    // "Profile record" counts the profile list as it stands: after a save, an import, a
    // row added or deleted in the grid.
    const auto count = [this] { Label32->setText(QString::number(m_dm.q_profile.recordCount())); };
    connect(&dm.q_profile, &Dataset::reset, this, count);
    connect(&dm.q_profile, &Dataset::rowInserted, this, count);
    connect(&dm.q_profile, &Dataset::rowRemoved, this, count);

    DBGrid1->setEditable(true);
    suiDBNavigator2->setGrid(DBGrid1);
    RichEdit4->setFixedSize(225, 54);
    connect(RichEdit4, &QPlainTextEdit::textChanged, this,
            [this] { smsCostIndividual->setText(smsCostText(storedLines(RichEdit4))); });
    BitBtn4->setFixedSize(152, 60);
    BitBtn4->setCursor(Qt::PointingHandCursor);

    auto *page = new QGridLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    page->addWidget(buildForm(), 0, 0);
    page->addWidget(buildList(), 0, 1);
    auto *formButtons = new QHBoxLayout;
    formButtons->addWidget(BitBtn1);
    formButtons->addWidget(BitBtn2);
    formButtons->addStretch();
    page->addLayout(formButtons, 1, 0, Qt::AlignTop);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(RichEdit4);
    bottom->addWidget(BitBtn4);
    bottom->addWidget(smsCostIndividual, 0, Qt::AlignBottom);
    bottom->addStretch();
    bottom->addWidget(suiButton2, 0, Qt::AlignBottom);
    bottom->addWidget(suiButton3, 0, Qt::AlignBottom);
    page->addLayout(bottom, 1, 1);
    page->setColumnStretch(1, 1);
    page->setRowStretch(0, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &ProfileTab::suitempBitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ProfileTab::suitempBitBtn2Click);
    connect(DBGrid1, &DatasetGrid::cellClicked, this, &ProfileTab::DBGrid1CellClick);
    connect(DBGrid1, &DatasetGrid::keyReleased, this, &ProfileTab::DBGrid1KeyUp);
    connect(ComboBox1, &DropDownBox::dropDown, this, &ProfileTab::suitempComboBox1DropDown);
    connect(ComboBox2, &DropDownBox::dropDown, this, &ProfileTab::suitempComboBox2DropDown);
    connect(ComboBox3, &DropDownBox::dropDown, this, &ProfileTab::ComboBox3DropDown);
    connect(CheckBox7, &QCheckBox::clicked, this, &ProfileTab::CheckBox7Click);
    connect(suiButton3, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suiButton3Click(); }); });
}

QWidget *ProfileTab::buildForm()
{
    auto *box = new QGroupBox;
    auto *form = new QFormLayout(box);
    form->setContentsMargins(8, 6, 8, 6);
    form->setVerticalSpacing(3);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("Name"), Edit1);
    form->addRow(QStringLiteral("Nickname"), Edit2);
    form->addRow(QStringLiteral("Mobile Number *"), Edit3);
    form->addRow(QStringLiteral("Email"), Edit11);
    form->addRow(QStringLiteral("Festive"), ComboBox5);
    form->addRow(QStringLiteral("Grouping Category"), ComboBox1);
    form->addRow(QStringLiteral("Birthday"), DateTimePicker1);
    auto *anniversary = new QHBoxLayout;
    anniversary->addWidget(CheckBox7);
    anniversary->addWidget(DateTimePicker2, 1);
    form->addRow(QStringLiteral("Anniversary "), anniversary);
    form->addRow(QStringLiteral("Income (RM)"), Edit4);
    form->addRow(QStringLiteral("Languages"), ComboBox3);
    form->addRow(QStringLiteral("Greeting"), ComboBox2);
    RichEdit1->setFixedHeight(44);
    form->addRow(QStringLiteral("Home Address"), RichEdit1);
    form->addRow(QStringLiteral("Variable 1  *"), suiEdit4);
    form->addRow(QStringLiteral("Variable 2  *"), suiEdit5);
    auto *counter = new QHBoxLayout;
    counter->addWidget(new QLabel(QStringLiteral("Profile record : ")));
    counter->addWidget(Label32);
    counter->addStretch();
    form->addRow(counter);
    box->setFixedWidth(300);
    return box;
}

QWidget *ProfileTab::buildList()
{
    auto *box = new QGroupBox;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(suiDBNavigator2);
    DBGrid1->horizontalHeader()->setDefaultSectionSize(90);
    return box;
}

void ProfileTab::setSendGuard(std::function<bool()> refusedWhileSending)
{
    suiDBNavigator2->setDeleteGuard([refused = std::move(refusedWhileSending)] { return !refused(); });
}

void ProfileTab::resetDates()
{
    DateTimePicker1->setDate(QDate(1974, 10, 1));
    DateTimePicker2->setDate(QDate(2000, 11, 1));
}

void ProfileTab::suitempBitBtn1Click()
{
    for (QLineEdit *box : {Edit1, Edit2, Edit3, Edit4, suiEdit4, suiEdit5})
        box->clear();
    for (DropDownBox *box : {ComboBox1, ComboBox2, ComboBox5})
        box->setEditText(QString());
    RichEdit1->clear();
    ComboBox3->setEditText(QStringLiteral("MALAY"));
    Edit11->setText(QStringLiteral("@"));
    resetDates();
    Edit1->setFocus();
}

void ProfileTab::suitempBitBtn2Click()
{
    guarded(m_dialogs, [this] { m_store.save(form()); });
}

void ProfileTab::DBGrid1CellClick()
{
    loadSelected();
}

void ProfileTab::DBGrid1KeyUp()
{
    loadSelected();
}

void ProfileTab::suitempComboBox1DropDown()
{
    guarded(m_dialogs, [this] { ComboBox1->refill(m_store.groups()); });
}

void ProfileTab::suitempComboBox2DropDown()
{
    guarded(m_dialogs, [this] { ComboBox2->refill(m_store.greetings(ComboBox3->currentText())); });
}

void ProfileTab::ComboBox3DropDown()
{
    guarded(m_dialogs, [this] { ComboBox3->refill(m_store.languages()); });
}

void ProfileTab::CheckBox7Click()
{
    DateTimePicker2->setEnabled(CheckBox7->isChecked());
}

bool ProfileTab::selectForMessage(qint64 profileId)
{
    Dataset &profiles = m_dm.q_profile;
    const int id = profiles.fieldIndex(QStringLiteral("id_profile"));
    for (int row = 0; row < profiles.recordCount(); ++row) {
        if (profiles.valueAt(row, id).toLongLong() != profileId)
            continue;
        profiles.setCurrentRow(row);
        loadSelected();
        RichEdit4->setFocus();
        return true;
    }
    return false;
}

void ProfileTab::startContactWithNumber(const QString &number)
{
    suitempBitBtn1Click();
    Edit3->setText(number);
}

void ProfileTab::loadSelected()
{
    guarded(m_dialogs, [this] { showProfile(m_store.selected()); });
}

Profile ProfileTab::form() const
{
    Profile profile;
    profile.name = Edit1->text();
    profile.nickname = Edit2->text();
    profile.mobileNumber = Edit3->text();
    profile.email = Edit11->text();
    profile.festive = ComboBox5->currentText();
    profile.groupName = ComboBox1->currentText();
    profile.birthday = ProfileStore::dateText(DateTimePicker1->date());
    profile.maritalStatus = QString::fromLatin1(CheckBox7->isChecked() ? Profile::Married : Profile::Single);
    profile.anniversary = ProfileStore::dateText(DateTimePicker2->date());
    profile.income = Edit4->text();
    profile.greeting = ComboBox2->currentText();
    profile.languages = ComboBox3->currentText();
    profile.notes = RichEdit1->toPlainText();
    profile.var1 = suiEdit4->text();
    profile.var2 = suiEdit5->text();
    return profile;
}

void ProfileTab::showProfile(const Profile &profile)
{
    QString invalidDate;
    const auto takeDate = [&invalidDate](QDateTimeEdit *picker, const QString &text) {
        // An empty text leaves the picker showing what it showed.
        if (text.isEmpty())
            return;
        const QDate date = ProfileStore::dateOf(text);
        if (date.isValid())
            picker->setDate(date);
        else if (invalidDate.isEmpty())
            invalidDate = text;
    };

    Edit1->setText(profile.name);
    Edit2->setText(profile.nickname);
    Edit3->setText(profile.mobileNumber);
    ComboBox1->setEditText(profile.groupName);
    takeDate(DateTimePicker1, profile.birthday);
    const bool married = profile.isMarried();
    CheckBox7->setChecked(married);
    DateTimePicker2->setEnabled(married);
    if (married)
        takeDate(DateTimePicker2, profile.anniversary);
    Edit4->setText(profile.income);
    ComboBox2->setEditText(profile.greeting);
    Edit11->setText(profile.email);
    ComboBox3->setEditText(profile.languages);
    RichEdit1->setPlainText(profile.notes);
    ComboBox5->setEditText(profile.festive);
    suiEdit4->setText(profile.var1);
    suiEdit5->setText(profile.var2);
    // Reported only now, so the form never mixes this profile with the one shown before.
    if (!invalidDate.isEmpty())
        throw BrivoraError(QStringLiteral("'%1' is not a valid date").arg(invalidDate));
}

void ProfileTab::suiButton3Click()
{
    DBGrid1->setEnabled(false);
    const auto enableAgain = qScopeGuard([this] { DBGrid1->setEnabled(true); });
    const QString chosen = m_dialogs.saveFileName(QString(), QString(), QStringLiteral("*.*"));
    if (chosen.isEmpty())
        return;
    const std::unique_ptr<WorkProgress> progress =
        m_dialogs.showProgress(QStringLiteral("Export"), QStringLiteral("Writing the contacts"), false);
    CsvExport::exportProfiles(m_dm.con, CsvExport::withDefaultExtension(chosen), progress.get());
}
