#include "prefs/PreferenceTab.h"

#include "data/DataModule.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

template<typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

PreferenceTab::PreferenceTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , CheckBox1(named(new QCheckBox(QStringLiteral("Auto Broadcast at")), "CheckBox1"))
    , DateTimePicker3(named(new QDateTimeEdit, "DateTimePicker3"))
    , Label8(named(new QLabel(QStringLiteral("Message (English)")), "Label8"))
    , Memo1(named(new QPlainTextEdit, "Memo1"))
    , Label12(named(new QLabel(QStringLiteral("Message (Malay)")), "Label12"))
    , Memo3(named(new QPlainTextEdit, "Memo3"))
    , CheckBox2(named(new QCheckBox(QStringLiteral("Auto Broadcast at")), "CheckBox2"))
    , DateTimePicker4(named(new QDateTimeEdit, "DateTimePicker4"))
    , Label9(named(new QLabel(QStringLiteral("Message (English)")), "Label9"))
    , Memo2(named(new QPlainTextEdit, "Memo2"))
    , Label13(named(new QLabel(QStringLiteral("Message (Malay)")), "Label13"))
    , Memo4(named(new QPlainTextEdit, "Memo4"))
    , Edit6(named(new QLineEdit, "Edit6"))
    , Edit7(named(new QLineEdit, "Edit7"))
    , Edit8(named(new QLineEdit, "Edit8"))
    , suiEdit2(named(new QLineEdit, "suiEdit2"))
    , suiEdit3(named(new QLineEdit, "suiEdit3"))
    , suiEdit1(named(new QLineEdit, "suiEdit1"))
    , suiEdit6(named(new QLineEdit, "suiEdit6"))
    , suiEdit7(named(new QLineEdit, "suiEdit7"))
    , m_dm(dm)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheet4"));
    for (QDateTimeEdit *picker : {DateTimePicker3, DateTimePicker4})
        picker->setDisplayFormat(QStringLiteral("hh:mm AP"));

    auto *grid = new QGridLayout(this);
    auto greetingBox = [](const char *caption, QCheckBox *check, QDateTimeEdit *time, QLabel *firstLabel,
                          QPlainTextEdit *first, QLabel *secondLabel, QPlainTextEdit *second) {
        auto *box = new QGroupBox(QString::fromLatin1(caption));
        auto *layout = new QVBoxLayout(box);
        auto *top = new QHBoxLayout;
        top->addWidget(check);
        top->addWidget(time);
        layout->addLayout(top);
        layout->addWidget(firstLabel);
        layout->addWidget(first);
        layout->addWidget(secondLabel);
        layout->addWidget(second);
        return box;
    };
    grid->addWidget(greetingBox(" Birthday ", CheckBox1, DateTimePicker3, Label8, Memo1, Label12, Memo3), 0, 0);
    grid->addWidget(greetingBox("Anniversary  ", CheckBox2, DateTimePicker4, Label9, Memo2, Label13, Memo4), 0, 1);

    auto *tokens = new QGroupBox(QStringLiteral("Text variable to replace with "));
    auto *tokenForm = new QFormLayout(tokens);
    tokenForm->addRow(QStringLiteral("Name, using variable"), Edit6);
    tokenForm->addRow(QStringLiteral("Nickname, using variable"), Edit7);
    tokenForm->addRow(QStringLiteral("Greeting, using variable"), Edit8);
    tokenForm->addRow(QStringLiteral("Variable1, using variable"), suiEdit2);
    tokenForm->addRow(QStringLiteral("Variable2, using variable"), suiEdit3);
    grid->addWidget(tokens, 0, 2);

    auto *smsc = new QGroupBox(QStringLiteral(" Message Center Number  (SMSC) "));
    (new QVBoxLayout(smsc))->addWidget(suiEdit1);
    grid->addWidget(smsc, 1, 0);
    auto *languages = new QGroupBox(QStringLiteral("2 Languages prefered "));
    auto *languageRow = new QHBoxLayout(languages);
    languageRow->addWidget(suiEdit6);
    languageRow->addWidget(suiEdit7);
    grid->addWidget(languages, 1, 1);
}

QString PreferenceTab::centreNumber() const
{
    return suiEdit1->text();
}
