#include "prefs/PreferenceTab.h"

#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/DropDownBox.h"
#include "widgets/FolderTree.h"
#include "widgets/Named.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "widgets/DateTimePicker.h"
#include "data/Backup.h"
#include "data/DataModule.h"
#include "modem/PortSetupDialog.h"
#include "prefs/ModemListDialog.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTreeView>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Letters typed, pasted or set come out in upper case.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// A box for a language name: room for ten capitals of a common width, so that names
// such as "INDONESIAN" or "PORTUGUESE" show whole.
class LanguageBox : public QLineEdit {
public:
    QSize sizeHint() const override { return widened(QLineEdit::sizeHint()); }
    QSize minimumSizeHint() const override { return widened(QLineEdit::minimumSizeHint()); }

private:
    QSize widened(QSize hint) const
    {
        // Around its text a line edit keeps a margin of 2 pixels a side, its text and
        // contents margins, and the frame the style draws.
        constexpr int EditMargin = 2;
        const QMargins margins = textMargins() + contentsMargins();
        const int text = fontMetrics().horizontalAdvance(QString(10, QLatin1Char('N'))) + 2 * EditMargin
            + margins.left() + margins.right();
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QSize wanted = style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text, hint.height()), this);
        hint.setWidth(std::max(hint.width(), wanted.width()));
        return hint;
    }
};

// What a setting's control holds: a tick, a date/time, or a text.
QVariant valueOf(const QWidget *control)
{
    if (const auto *check = qobject_cast<const QCheckBox *>(control))
        return check->isChecked();
    if (const auto *picker = qobject_cast<const QDateTimeEdit *>(control))
        return picker->dateTime();
    if (const auto *memo = qobject_cast<const QPlainTextEdit *>(control))
        return memo->toPlainText();
    return qobject_cast<const QLineEdit *>(control)->text();
}

void showIn(QWidget *control, const QVariant &value)
{
    if (auto *check = qobject_cast<QCheckBox *>(control))
        check->setChecked(value.toBool());
    else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
        picker->setDateTime(value.toDateTime());
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        memo->setPlainText(value.toString());
    else
        qobject_cast<QLineEdit *>(control)->setText(value.toString());
}

QPushButton *arrowButton(const char *name)
{
    auto *button = named(new QPushButton(QStringLiteral(">")), name);
    button->setFixedWidth(28);
    return button;
}

} // namespace

PreferenceTab::PreferenceTab(DataModule &dm, Settings &settings, Dialogs &dialogs, const Clock &clock,
                             QWidget *parent)
    : QWidget(parent)
    , Edit5(named(new QLineEdit, "Edit5"))
    , BitBtn3(arrowButton("BitBtn3"))
    , DBGrid5(named(new DatasetGrid(dm.q_group, {{QStringLiteral("group_name"), QStringLiteral("GROUP")}}, dialogs),
                    "DBGrid5"))
    , DBNavigator2(named(new DatasetNavigator(dm.q_group, dialogs, DatasetNavigator::Delete), "DBNavigator2"))
    , CheckBox1(named(new QCheckBox(QStringLiteral("Auto Broadcast at")), "CheckBox1"))
    , DateTimePicker3(named(new DateTimePicker, "DateTimePicker3"))
    , Label8(named(new QLabel(QStringLiteral("Message (English)")), "Label8"))
    , Memo1(named(new QPlainTextEdit, "Memo1"))
    , Label12(named(new QLabel(QStringLiteral("Message (Malay)")), "Label12"))
    , Memo3(named(new QPlainTextEdit, "Memo3"))
    , CheckBox2(named(new QCheckBox(QStringLiteral("Auto Broadcast at")), "CheckBox2"))
    , DateTimePicker4(named(new DateTimePicker, "DateTimePicker4"))
    , Label9(named(new QLabel(QStringLiteral("Message (English)")), "Label9"))
    , Memo2(named(new QPlainTextEdit, "Memo2"))
    , Label13(named(new QLabel(QStringLiteral("Message (Malay)")), "Label13"))
    , Memo4(named(new QPlainTextEdit, "Memo4"))
    , Edit6(named(new QLineEdit, "Edit6"))
    , Edit7(named(new QLineEdit, "Edit7"))
    , Edit8(named(new QLineEdit, "Edit8"))
    , suiEdit2(named(new QLineEdit, "suiEdit2"))
    , suiEdit3(named(new QLineEdit, "suiEdit3"))
    , Edit9(named(new QLineEdit, "Edit9"))
    , ComboBox4(named(new DropDownBox, "ComboBox4"))
    , BitBtn5(arrowButton("BitBtn5"))
    , DBGrid2(named(new DatasetGrid(dm.q_greeting,
                                    {{QStringLiteral("language"), QStringLiteral("LANGUAGE")},
                                     {QStringLiteral("greeting"), QStringLiteral("GREETING")}},
                                    dialogs),
                    "DBGrid2"))
    , DBNavigator3(named(new DatasetNavigator(dm.q_greeting, dialogs, DatasetNavigator::Delete), "DBNavigator3"))
    , ShellTreeView1(named(new QTreeView, "ShellTreeView1"))
    , BitBtn7(named(new QPushButton(QStringLiteral("Backup")), "BitBtn7"))
    , suiEdit1(named(new QLineEdit, "suiEdit1"))
    , suiEdit6(named(new LanguageBox, "suiEdit6"))
    , suiEdit7(named(new LanguageBox, "suiEdit7"))
    , CheckBoxAnswers(named(new QCheckBox(QStringLiteral("Wait for the modem's answers (faster; a message the modem "
                                                         "does not confirm is marked FAIL)")),
                            "CheckBoxAnswers"))
    , modemsButton(named(new QPushButton(QStringLiteral("Modems...")), "modemsButton"))
    , CheckBoxReports(named(new QCheckBox(QStringLiteral("Ask the network for delivery reports")), "CheckBoxReports"))
    , EditOptOutWords(named(new QLineEdit, "EditOptOutWords"))
    , EditOptInWords(named(new QLineEdit, "EditOptInWords"))
    , EditEnding(named(new QLineEdit, "EditEnding"))
    , m_dm(dm)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_clock(clock)
    , m_folders(new QFileSystemModel(this))
    , m_exits(*this, dialogs)
{
    setObjectName(QStringLiteral("TabSheet4"));

    auto *upperCase = new UpperCase(this);
    for (QLineEdit *box : {Edit5, suiEdit6, suiEdit7})
        box->setValidator(upperCase);
    for (QDateTimeEdit *picker : {DateTimePicker3, DateTimePicker4})
        picker->setDisplayFormat(QStringLiteral("hh:mm AP"));
    // Tab leaves a template box (and so stores it) rather than typing a tab into it.
    for (QPlainTextEdit *memo : {Memo1, Memo3, Memo2, Memo4})
        memo->setTabChangesFocus(true);
    ComboBox4->addItems({QStringLiteral("ENGLISH"), QStringLiteral("MALAY")});
    ComboBox4->setCurrentIndex(1);
    connect(ComboBox4, &DropDownBox::dropDown, this, [this] { guarded(m_dialogs, [this] { ComboBox4DropDown(); }); });

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    auto *columns = new QHBoxLayout;
    page->addLayout(columns, 1);
    auto *sending = new QHBoxLayout;
    sending->addWidget(CheckBoxAnswers, 1);
    sending->addWidget(CheckBoxReports);
    sending->addWidget(modemsButton);
    page->addLayout(sending);
    auto *replies = new QHBoxLayout;
    replies->addWidget(new QLabel(QStringLiteral("Opt-out words")));
    replies->addWidget(EditOptOutWords, 2);
    replies->addWidget(new QLabel(QStringLiteral("Opt-in words")));
    replies->addWidget(EditOptInWords, 2);
    replies->addWidget(new QLabel(QStringLiteral("End every announcement with")));
    replies->addWidget(EditEnding, 3);
    page->addLayout(replies);
    EditEnding->setPlaceholderText(QStringLiteral("Reply STOP to stop these messages."));
    auto *left = new QVBoxLayout;
    left->addWidget(buildGrouping(), 1);
    left->addWidget(buildBackup(), 1);
    auto *middle = new QVBoxLayout;
    middle->addWidget(
        buildGreetingSettings(QStringLiteral(" Birthday "), CheckBox1, DateTimePicker3, Label8, Memo1, Label12, Memo3));
    middle->addWidget(buildGreetingSettings(QStringLiteral("Anniversary  "), CheckBox2, DateTimePicker4, Label9, Memo2,
                                            Label13, Memo4));
    auto *right = new QVBoxLayout;
    right->addWidget(buildTokens());
    right->addWidget(buildGreetingWords(), 1);
    auto *numbers = new QHBoxLayout;
    numbers->addWidget(buildSmsc(), 1);
    numbers->addWidget(buildLanguages(), 1);
    right->addLayout(numbers);
    columns->addLayout(left, 3);
    columns->addLayout(middle, 4);
    columns->addLayout(right, 4);

    onClick(BitBtn3, &PreferenceTab::suitempBitBtn3Click);
    onClick(BitBtn5, &PreferenceTab::suitempBitBtn5Click);
    onClick(BitBtn7, &PreferenceTab::suitempBitBtn7Click);
    onClick(modemsButton, &PreferenceTab::modemsClick);

    using F = Settings::Field;
    m_bindings = {{CheckBox1, F::BirthdayAuto},     {DateTimePicker3, F::BirthdayTime},
                  {Memo1, F::BirthdayFirst},        {Memo3, F::BirthdaySecond},
                  {CheckBox2, F::AnniversaryAuto},  {DateTimePicker4, F::AnniversaryTime},
                  {Memo2, F::AnniversaryFirst},     {Memo4, F::AnniversarySecond},
                  {Edit6, F::TokenName},            {Edit7, F::TokenNickname},
                  {Edit8, F::TokenGreeting},        {suiEdit2, F::TokenVariable1},
                  {suiEdit3, F::TokenVariable2},    {suiEdit1, F::CentreNumber},
                  {suiEdit6, F::FirstLanguage},     {suiEdit7, F::SecondLanguage},
                  {CheckBoxAnswers, F::AwaitAnswers},
                  {CheckBoxReports, F::DeliveryReports},
                  {EditOptOutWords, F::OptOutWords},
                  {EditOptInWords, F::OptInWords},
                  {EditEnding, F::AnnouncementEnding}};
    for (const Binding &binding : std::as_const(m_bindings))
        bind(binding);
}

void PreferenceTab::bind(const Binding &binding)
{
    QWidget *control = binding.control;
    const auto edited = [this, binding] { m_settings.set(binding.field, valueOf(binding.control)); };
    if (auto *check = qobject_cast<QCheckBox *>(control))
        connect(check, &QCheckBox::toggled, this, edited);
    else if (auto *picker = qobject_cast<QDateTimeEdit *>(control))
        connect(picker, &QDateTimeEdit::dateTimeChanged, this, edited);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(control))
        connect(memo, &QPlainTextEdit::textChanged, this, edited);
    else
        connect(qobject_cast<QLineEdit *>(control), &QLineEdit::textChanged, this, edited);
    // Stored whether or not it changed, as each time the control is left.
    m_exits.onExit(control, [this, binding] { m_settings.store(binding.field); });
}

void PreferenceTab::modemsClick()
{
    const PortSetupPrompt prompt = m_portSetupPrompt ? m_portSetupPrompt : [this](const SerialSettings &current) {
        return PortSetupDialog::ask(current, this);
    };
    ModemListDialog list(m_settings, m_dialogs, prompt, m_modemStatus, this);
    list.exec();
}

void PreferenceTab::showSettings()
{
    for (const Binding &binding : std::as_const(m_bindings))
        showIn(binding.control, m_settings.value(binding.field));
}

QWidget *PreferenceTab::buildGrouping()
{
    auto *box = new QGroupBox(QStringLiteral(" Grouping "));
    auto *layout = new QVBoxLayout(box);
    auto *entry = new QHBoxLayout;
    entry->addWidget(Edit5);
    entry->addWidget(BitBtn3);
    layout->addLayout(entry);
    layout->addWidget(DBGrid5, 1);
    layout->addWidget(DBNavigator2);
    DBGrid5->horizontalHeader()->setStretchLastSection(true);
    return box;
}

QWidget *PreferenceTab::buildGreetingSettings(const QString &caption, QCheckBox *check, QDateTimeEdit *time,
                                              QLabel *firstLabel, QPlainTextEdit *first, QLabel *secondLabel,
                                              QPlainTextEdit *second)
{
    auto *box = new QGroupBox(caption);
    auto *layout = new QVBoxLayout(box);
    auto *top = new QHBoxLayout;
    top->addWidget(check);
    top->addWidget(time);
    top->addStretch();
    layout->addLayout(top);
    layout->addWidget(firstLabel);
    layout->addWidget(first);
    layout->addWidget(secondLabel);
    layout->addWidget(second);
    return box;
}

QWidget *PreferenceTab::buildTokens()
{
    auto *box = new QGroupBox(QStringLiteral("Text variable to replace with "));
    auto *form = new QFormLayout(box);
    form->setVerticalSpacing(3);
    form->addRow(QStringLiteral("Name, using variable"), Edit6);
    form->addRow(QStringLiteral("Nickname, using variable"), Edit7);
    form->addRow(QStringLiteral("Greeting, using variable"), Edit8);
    form->addRow(QStringLiteral("Variable1, using variable"), suiEdit2);
    form->addRow(QStringLiteral("Variable2, using variable"), suiEdit3);
    return box;
}

QWidget *PreferenceTab::buildGreetingWords()
{
    auto *box = new QGroupBox(QStringLiteral(" Greeting "));
    auto *layout = new QVBoxLayout(box);
    auto *entry = new QHBoxLayout;
    entry->addWidget(Edit9, 3);
    entry->addWidget(ComboBox4, 2);
    entry->addWidget(BitBtn5);
    layout->addLayout(entry);
    layout->addWidget(DBGrid2, 1);
    layout->addWidget(DBNavigator3);
    DBGrid2->horizontalHeader()->setStretchLastSection(true);
    return box;
}

QWidget *PreferenceTab::buildBackup()
{
    auto *box = new QGroupBox(QStringLiteral("Backup Database "));
    auto *layout = new QVBoxLayout(box);
    showFolders(ShellTreeView1, m_folders);
    // A right click picks the folder as well.
    ShellTreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ShellTreeView1, &QTreeView::customContextMenuRequested, this, [this](const QPoint &position) {
        const QModelIndex index = ShellTreeView1->indexAt(position);
        if (index.isValid())
            ShellTreeView1->setCurrentIndex(index);
    });
    layout->addWidget(ShellTreeView1, 1);
    layout->addWidget(BitBtn7, 0, Qt::AlignRight);
    return box;
}

QWidget *PreferenceTab::buildSmsc()
{
    auto *box = new QGroupBox(QStringLiteral(" Message Center Number  (SMSC) "));
    (new QVBoxLayout(box))->addWidget(suiEdit1);
    return box;
}

QWidget *PreferenceTab::buildLanguages()
{
    auto *box = new QGroupBox(QStringLiteral("2 Languages prefered "));
    auto *row = new QHBoxLayout(box);
    row->addWidget(suiEdit6);
    row->addWidget(suiEdit7);
    return box;
}

void PreferenceTab::onClick(QPushButton *button, Handler handler)
{
    connect(button, &QPushButton::clicked, this, [this, handler] { guarded(m_dialogs, [&] { (this->*handler)(); }); });
}

void PreferenceTab::storeFocusedSetting()
{
    m_exits.leaveFocused();
}

QString PreferenceTab::selectedFolder() const
{
    const QModelIndex index = ShellTreeView1->currentIndex();
    return index.isValid() ? m_folders->filePath(index) : QString();
}

void PreferenceTab::addListRow(QLineEdit *box, const QString &emptyWarning, Dataset &list,
                               const QList<std::pair<QString, QString>> &fields)
{
    if (box->text().isEmpty()) {
        m_dialogs.warning(emptyWarning);
    } else {
        list.refresh();
        list.append();
        for (const auto &[field, value] : fields)
            list.setValue(field, value);
        list.post();
    }
    box->clear();
    box->setFocus();
}

void PreferenceTab::suitempBitBtn3Click()
{
    addListRow(Edit5, QStringLiteral("Mandatory field was empty"), m_dm.q_group,
               {{QStringLiteral("group_name"), Edit5->text()}});
}

void PreferenceTab::suitempBitBtn5Click()
{
    addListRow(Edit9, QStringLiteral("Mandatory fields was empty"), m_dm.q_greeting,
               {{QStringLiteral("greeting"), Edit9->text()}, {QStringLiteral("language"), ComboBox4->currentText()}});
}

void PreferenceTab::ComboBox4DropDown()
{
    Dataset &languages = m_dm.q_languages;
    languages.refresh();
    ComboBox4->refill({languages.text(QStringLiteral("lang1")), languages.text(QStringLiteral("lang2"))});
}

void PreferenceTab::suitempBitBtn7Click()
{
    {
        // A server's rows are copied one by one; a file is written in one go.
        const std::unique_ptr<WorkProgress> progress =
            m_dialogs.showProgress(QStringLiteral("Backup"), QStringLiteral("Backing up"), false);
        Backup::backUp(m_dm.con, selectedFolder(), QLocale::system().dateFormat(QLocale::ShortFormat),
                       m_clock.now().date(), progress.get());
    }
    m_dialogs.information(QStringLiteral("Backup successful"),
                          QStringLiteral("Your data has been sucessfully backed up."));
}
