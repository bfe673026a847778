#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/DropDownBox.h"
#include "base/Clock.h"
#include "broadcast/AnnouncementTab.h"
#include "data/Settings.h"
#include "contacts/NoReturnTextEdit.h"
#include "contacts/ProfileTab.h"
#include "data/DataModule.h"
#include "support/LabelGaps.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Empty boxes are stored as empty (NULL) fields, which the program reads as "".
const QString Null = QStringLiteral("<null>");
const QString ProfileColumns =
    QStringLiteral("name, nickname, mobile_number, email, festive, group_name, birthday, maritial_status, aniversary, "
                   "income, greeting, languages, notes, var1, var2");

struct Fixture {
    TestWorkspace workspace;
    ScriptedDialogs dialogs;
    DataModule dm;
    ProfileTab tab{dm, dialogs};

    // What the main window does at each showing.
    void show()
    {
        dm.q_profile.refresh();
        tab.resetDates();
        tab.resize(947, 521);
        tab.show();
    }
    void insert(const QString &values)
    {
        workspace.exec(QStringLiteral("insert into profile (%1) values (%2)").arg(ProfileColumns, values));
    }
    QList<QStringList> stored(const QString &where = QStringLiteral("1"))
    {
        return workspace.rows(
            QStringLiteral("select %1 from profile where %2 order by id_profile").arg(ProfileColumns, where));
    }
    void type(QLineEdit *box, const QString &text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }
    void fillMandatory(const QString &name, const QString &nickname, const QString &mobile)
    {
        type(tab.Edit1, name);
        type(tab.Edit2, nickname);
        type(tab.Edit3, mobile);
    }
    void save() { QTest::mouseClick(tab.BitBtn2, Qt::LeftButton); }
    void clickRow(int row)
    {
        const QRect cell = tab.DBGrid1->visualRect(tab.DBGrid1->model()->index(row, 0));
        QTest::mouseClick(tab.DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void navigate(const char *button)
    {
        QTest::mouseClick(tab.suiDBNavigator2->findChild<QToolButton *>(QLatin1String(button)), Qt::LeftButton);
    }
    QStringList openList(DropDownBox *box)
    {
        box->showPopup();
        box->hidePopup();
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
};

} // namespace

class TestProfileTab : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

private Q_SLOTS:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup()
    {
        f.reset();
        // A test that changes the display locale leaves the next one on the default.
        QLocale::setDefault(QLocale::c());
    }

    void saveAddsOrUpdatesFirstMatch()
    {
        f->insert(QStringLiteral("'First', 'F', '60123', '', '', '', '', 'SINGLE', '', '', '', '', '', '', ''"));
        f->insert(QStringLiteral("'Second', 'S', '60123', '', '', '', '', 'SINGLE', '', '', '', '', '', '', ''"));
        // Stored dates must not follow the display locale.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        f->show();
        QCOMPARE(f->tab.Label32->text(), QStringLiteral("2"));

        f->fillMandatory(QStringLiteral("Ali"), QStringLiteral("Li"), QStringLiteral("60123"));
        f->tab.DateTimePicker1->setDate(QDate(1985, 8, 7));
        QTest::mouseClick(f->tab.CheckBox7, Qt::LeftButton);
        QVERIFY(f->tab.DateTimePicker2->isEnabled());
        f->tab.DateTimePicker2->setDate(QDate(2010, 2, 3));
        f->save();
        QCOMPARE(f->tab.Label32->text(), QStringLiteral("2"));
        QCOMPARE(f->stored().value(0).mid(0, 9),
                 (QStringList{QStringLiteral("Ali"), QStringLiteral("Li"), QStringLiteral("60123"), QStringLiteral("@"),
                              Null, Null, QStringLiteral("07/08/1985"), QStringLiteral("MARRIED"),
                              QStringLiteral("03/02/2010")}));
        QCOMPARE(f->stored().value(1).value(0), QStringLiteral("Second"));

        f->type(f->tab.Edit3, QStringLiteral("60999"));
        f->tab.ComboBox5->setCurrentIndex(f->tab.ComboBox5->findText(QStringLiteral("CHINESE ")));
        f->type(f->tab.Edit4, QStringLiteral("3500"));
        f->save();
        QCOMPARE(f->tab.Label32->text(), QStringLiteral("3"));
        QCOMPARE(f->stored(QStringLiteral("mobile_number = '60999'")).value(0),
                 (QStringList{QStringLiteral("Ali"), QStringLiteral("Li"), QStringLiteral("60999"), QStringLiteral("@"),
                              QStringLiteral("CHINESE "), Null, QStringLiteral("07/08/1985"), QStringLiteral("MARRIED"),
                              QStringLiteral("03/02/2010"), QStringLiteral("3500"), Null, QStringLiteral("MALAY"), Null,
                              Null, Null}));
        QCOMPARE(f->dm.q_profile.currentRow(), 0);
        QVERIFY(f->dialogs.shown().isEmpty());
    }

    void typedDatePartsReplaceWhatWasThere()
    {
        // The form made again with dates shown as dd/MM/yyyy.
        f.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        f = std::make_unique<Fixture>();
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(&f->tab));
        QDateTimeEdit *picker = f->tab.DateTimePicker1;
        QCOMPARE(picker->date(), QDate(1974, 10, 1));
        auto *text = picker->findChild<QLineEdit *>();
        // A click on a part picks it: the digits typed take its place.
        const auto clickAfter = [&](const QString &shown) {
            QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(text->fontMetrics().horizontalAdvance(shown) + 3, 5));
        };
        clickAfter(u"0"_s);
        QTest::keyClicks(picker, u"25"_s);
        QCOMPARE(picker->date(), QDate(1974, 10, 25));
        clickAfter(u"25/10/19"_s);
        QTest::keyClicks(picker, u"1980"_s);
        QCOMPARE(picker->date(), QDate(1980, 10, 25));
        // Tab goes on to the next control.
        clickAfter(u"2"_s);
        QTest::keyClick(picker, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f->tab.CheckBox7);
    }

    void mandatoryFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("mobile");
        QTest::addColumn<bool>("saved");
        QTest::newRow("blank name passes") << " "
                                           << "N"
                                           << "601" << true;
        QTest::newRow("empty name") << ""
                                    << "N"
                                    << "601" << false;
        QTest::newRow("empty nickname") << "A"
                                        << ""
                                        << "601" << false;
        QTest::newRow("empty mobile number") << "A"
                                             << "N"
                                             << "" << false;
    }
    void mandatoryFields()
    {
        QFETCH(QString, name);
        QFETCH(QString, nickname);
        QFETCH(QString, mobile);
        QFETCH(bool, saved);
        f->show();
        f->fillMandatory(name, nickname, mobile);
        f->save();
        QCOMPARE(f->stored().size(), saved ? 1 : 0);
        QCOMPARE(f->dialogs.warnings(),
                 saved ? QStringList() : QStringList{QStringLiteral("Mandatory fields was not in correct format")});
    }

    void nameOfNulsAloneIsNoName()
    {
        // NUL characters are not stored, so such a name (pasted, it cannot be typed) would
        // be stored empty.
        f->show();
        f->fillMandatory(QString(), u"N"_s, u"601"_s);
        f->tab.Edit1->setText(QString(2, QChar(u'\0')));
        f->save();
        QCOMPARE(f->stored().size(), 0);
        QCOMPARE(f->dialogs.warnings(), QStringList{QStringLiteral("Mandatory fields was not in correct format")});
    }

    void singleKeepsOldAnniversary()
    {
        f->insert(QStringLiteral(
            "'Mei', 'M', '601', '', '', '', '01/02/1990', 'MARRIED', '14/02/2001', '', '', '', '', '', ''"));
        f->show();
        f->clickRow(0);
        QVERIFY(f->tab.CheckBox7->isChecked());
        QCOMPARE(f->tab.DateTimePicker2->date(), QDate(2001, 2, 14));
        QTest::mouseClick(f->tab.CheckBox7, Qt::LeftButton);
        QVERIFY(!f->tab.DateTimePicker2->isEnabled());
        f->save();
        const QStringList row = f->stored().value(0);
        QCOMPARE(row.value(7), QStringLiteral("SINGLE"));
        QCOMPARE(row.value(8), QStringLiteral("14/02/2001"));
    }

    void loadCopiesRowsIntoTheForm()
    {
        f->insert(QStringLiteral("'Ali', 'Li', '601', 'a@b', 'ISLAM', 'VIP', '05/03/1980', 'MARRIED', '06/07/2005', "
                                 "'900', 'Encik', 'MALAY', 'Jalan 1', 'v1', 'v2'"));
        f->insert(QStringLiteral("'Bo', 'B', '602', '', '', '', '', 'married', '', '', '', '', '', '', ''"));
        f->insert(QStringLiteral("'Cy', 'C', '603', 'c@d', 'HINDU', 'STAFF', '1990-05-03', 'SINGLE', '', '77', "
                                 "'Mr', 'ENGLISH', 'Road 2', 'x1', 'x2'"));
        f->show();
        ProfileTab &tab = f->tab;
        f->clickRow(0);
        const auto form = [&tab] {
            return QStringList{tab.Edit1->text(),
                               tab.Edit2->text(),
                               tab.Edit3->text(),
                               tab.Edit11->text(),
                               tab.ComboBox5->currentText(),
                               tab.ComboBox1->currentText(),
                               tab.Edit4->text(),
                               tab.ComboBox2->currentText(),
                               tab.ComboBox3->currentText(),
                               tab.RichEdit1->toPlainText(),
                               tab.suiEdit4->text(),
                               tab.suiEdit5->text()};
        };
        QCOMPARE(form(),
                 (QStringList{u"Ali"_s, u"Li"_s, u"601"_s, u"a@b"_s, u"ISLAM"_s, u"VIP"_s, u"900"_s, u"Encik"_s,
                              u"MALAY"_s, u"Jalan 1"_s, u"v1"_s, u"v2"_s}));
        QCOMPARE(tab.DateTimePicker1->date(), QDate(1980, 3, 5));
        QCOMPARE(tab.DateTimePicker2->date(), QDate(2005, 7, 6));

        // Lower-case "married" is not married; an empty birthday leaves the picker.
        QTest::keyClick(tab.DBGrid1, Qt::Key_Down);
        QCOMPARE(tab.Edit1->text(), QStringLiteral("Bo"));
        QVERIFY(!tab.CheckBox7->isChecked());
        QVERIFY(!tab.DateTimePicker2->isEnabled());
        QCOMPARE(tab.DateTimePicker1->date(), QDate(1980, 3, 5));

        // A malformed date is reported only after every other field has been taken.
        QTest::keyClick(tab.DBGrid1, Qt::Key_Down);
        QCOMPARE(form(),
                 (QStringList{u"Cy"_s, u"C"_s, u"603"_s, u"c@d"_s, u"HINDU"_s, u"STAFF"_s, u"77"_s, u"Mr"_s,
                              u"ENGLISH"_s, u"Road 2"_s, u"x1"_s, u"x2"_s}));
        QCOMPARE(tab.DateTimePicker1->date(), QDate(1980, 3, 5));
        QCOMPARE(f->dialogs.errors(), QStringList{QStringLiteral("'1990-05-03' is not a valid date.")});
    }

    void dropDownsRefillAndKeepTheText()
    {
        f->workspace.exec(QStringLiteral("insert into grouping (group_name) values ('VIP'), ('STAFF')"));
        f->workspace.exec(QStringLiteral("insert into greeting (language, greeting) values ('MALAY', 'Encik'), "
                                         "('malay', 'Cik'), ('ENGLISH', 'Mr'), ('', 'Blank'), ('MALAY', 'Puan')"));
        f->show();
        ProfileTab &tab = f->tab;
        tab.ComboBox1->setEditText(QStringLiteral("typed"));
        QCOMPARE(f->openList(tab.ComboBox1), (QStringList{u"VIP"_s, u"STAFF"_s}));
        QCOMPARE(tab.ComboBox1->currentText(), QStringLiteral("typed"));

        QCOMPARE(f->openList(tab.ComboBox2), (QStringList{u"Encik"_s, u"Puan"_s}));
        QCOMPARE(tab.ComboBox2->currentText(), QString());
        tab.ComboBox3->setEditText(QString());
        QCOMPARE(f->openList(tab.ComboBox2), QStringList{QStringLiteral("Blank")});

        tab.ComboBox3->setEditText(QStringLiteral("MALAY"));
        QCOMPARE(f->openList(tab.ComboBox3), (QStringList{QString(), QString()}));
        QCOMPARE(tab.ComboBox3->currentText(), QStringLiteral("MALAY"));
        f->workspace.exec(QStringLiteral("insert into languages (lang1) values ('BM')"));
        QCOMPARE(f->openList(tab.ComboBox3), (QStringList{QStringLiteral("BM"), QString()}));
        QVERIFY(f->dialogs.shown().isEmpty());
    }

    void overLongValueIsRefused()
    {
        f->insert(QStringLiteral("'Old', 'O', '601', '', '', '', '', 'SINGLE', '', '12', '', '', '', '', ''"));
        f->show();
        for (const QString &mobile : {QStringLiteral("601"), QStringLiteral("602")}) {
            f->dialogs.clear();
            f->fillMandatory(QStringLiteral("New"), QStringLiteral("N"), mobile);
            f->type(f->tab.Edit4, QStringLiteral("1234567"));
            f->save();
            QCOMPARE(f->dialogs.errors(), QStringList{QStringLiteral("The field income takes at most 6 characters.")});
            QCOMPARE(f->stored(),
                     (QList<QStringList>{{u"Old"_s, u"O"_s, u"601"_s, u""_s, u""_s, u""_s, u""_s, u"SINGLE"_s, u""_s,
                                          u"12"_s, u""_s, u""_s, u""_s, u""_s, u""_s}}));
            QCOMPARE(f->tab.Label32->text(), QStringLiteral("1"));
            QCOMPARE(f->tab.DBGrid1->model()->index(0, 0).data().toString(), QStringLiteral("Old"));
        }
        // The refusal leaves nothing half-edited behind: the next Save goes through.
        f->type(f->tab.Edit4, QStringLiteral("123456"));
        f->save();
        QCOMPARE(f->stored(QStringLiteral("mobile_number = '602'")).value(0).value(9), QStringLiteral("123456"));
        QCOMPARE(f->tab.Label32->text(), QStringLiteral("2"));
    }

    void quotedMobileNumberIsFoundAgain()
    {
        f->show();
        const QString mobile = QStringLiteral("60\"12\" or \"1\"=\"1");
        f->fillMandatory(QStringLiteral("A"), QStringLiteral("N"), mobile);
        f->save();
        f->type(f->tab.Edit1, QStringLiteral("B"));
        f->save();
        QCOMPARE(f->stored().size(), 1);
        QCOMPARE(f->stored().value(0).mid(0, 3), (QStringList{QStringLiteral("B"), QStringLiteral("N"), mobile}));
        QVERIFY(f->dialogs.shown().isEmpty());
    }

    void clearEmptiesTheForm()
    {
        f->insert(QStringLiteral("'Ali', 'Li', '601', 'a@b', 'ISLAM', 'VIP', '05/03/1980', 'MARRIED', '06/07/2005', "
                                 "'900', 'Encik', 'ENGLISH', 'Jalan 1', 'v1', 'v2'"));
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(&f->tab));
        f->clickRow(0);
        QTest::mouseClick(f->tab.BitBtn1, Qt::LeftButton);
        ProfileTab &tab = f->tab;
        for (const QString &text :
             {tab.Edit1->text(), tab.Edit2->text(), tab.Edit3->text(), tab.Edit4->text(), tab.ComboBox1->currentText(),
              tab.ComboBox2->currentText(), tab.ComboBox5->currentText(), tab.RichEdit1->toPlainText(),
              tab.suiEdit4->text(), tab.suiEdit5->text()})
            QCOMPARE(text, QString());
        QCOMPARE(tab.ComboBox3->currentText(), QStringLiteral("MALAY"));
        QCOMPARE(tab.Edit11->text(), QStringLiteral("@"));
        QCOMPARE(tab.DateTimePicker1->date(), QDate(1974, 10, 1));
        QCOMPARE(tab.DateTimePicker2->date(), QDate(2000, 11, 1));
        QVERIFY(tab.CheckBox7->isChecked());
        QVERIFY(tab.DateTimePicker2->isEnabled());
        QVERIFY(tab.Edit1->hasFocus());
        QCOMPARE(f->stored().size(), 1);
    }

    void addressBoxIgnoresEnter()
    {
        f->show();
        QTest::keyClicks(f->tab.RichEdit1, QStringLiteral("Jalan 1"));
        QTest::keyClick(f->tab.RichEdit1, Qt::Key_Return);
        QTest::keyClick(f->tab.RichEdit1, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(f->tab.RichEdit1, QStringLiteral("KL"));
        QCOMPARE(f->tab.RichEdit1->toPlainText(), QStringLiteral("Jalan 1\nKL"));
    }

    void mobileNumberBalloon()
    {
        f->show();
        auto *balloon = f->tab.Edit3->findChild<QWidget *>(QStringLiteral("BalloonTip"));
        QVERIFY(balloon);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(f->tab.Edit3, &enter);
        QVERIFY(balloon->isVisible());
        QStringList texts;
        for (const QLabel *label : balloon->findChildren<QLabel *>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("Important")));
        QVERIFY(texts.contains(QStringLiteral("Mandatory field: Please include country code")));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(f->tab.Edit3, &leave);
        QVERIFY(!balloon->isVisible());
    }

    void navigatorInsertEditsInPlace()
    {
        f->show();
        f->navigate("Insert");
        QCOMPARE(f->stored().size(), 1);
        auto *editor = qobject_cast<QLineEdit *>(f->tab.DBGrid1->indexWidget(f->tab.DBGrid1->currentIndex()));
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("Zed"));
        f->navigate("Post");
        QCOMPARE(f->stored().value(0).value(0), QStringLiteral("Zed"));

        // Cancel takes back a row inserted and not yet posted, whatever was typed into it.
        f->navigate("Insert");
        QCOMPARE(f->stored().size(), 2);
        f->navigate("Cancel");
        QCOMPARE(f->stored().size(), 1);
        QCOMPARE(f->dm.q_profile.recordCount(), 1);
    }

    void recordCountFollowsTheProfileList()
    {
        f->show();
        QCOMPARE(f->tab.Label32->text(), u"0"_s);
        // Rows stored by another hand and read again, as the import reads them.
        f->insert(u"'Ali', 'Li', '601', '', '', '', '', 'SINGLE', '', '', '', '', '', '', ''"_s);
        f->insert(u"'Bo', 'B', '602', '', '', '', '', 'SINGLE', '', '', '', '', '', '', ''"_s);
        f->dm.q_profile.refresh();
        QCOMPARE(f->tab.Label32->text(), u"2"_s);
        f->navigate("Insert");
        QCOMPARE(f->tab.Label32->text(), u"3"_s);
        f->navigate("Cancel");
        QCOMPARE(f->tab.Label32->text(), u"2"_s);
        f->dialogs.answer(Dialogs::Answer::Ok);
        f->navigate("Delete");
        QCOMPARE(f->tab.Label32->text(), u"1"_s);
        QCOMPARE(f->stored().size(), 1);
    }

    void labelsStandApartFromTheirBoxes()
    {
        // The profile form, and the announcement composer that filters the profiles by
        // their festive: each label a row's usual gap from its box.
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->tab));
        QCOMPARE(labelsTouchingTheirBoxes(&f->tab), QStringList());
        Clock clock;
        Settings settings(f->dm);
        AnnouncementTab composer(f->dm, settings, f->dialogs, clock);
        composer.resize(947, 521);
        composer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&composer));
        QCOMPARE(labelsTouchingTheirBoxes(&composer), QStringList());
    }

    void navigatorDropsAnInsertedRowLeftBlank()
    {
        f->insert(QStringLiteral("'Ali', 'Li', '601', '', '', '', '', 'SINGLE', '', '', '', '', '', '', ''"));
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(&f->tab));
        const auto names = [this] { return f->workspace.rows(u"select name from profile order by id_profile"_s); };

        // Left for another row, for a second one or read again, a blank row goes, though
        // the cell editor that Insert opened writes its empty text as the focus leaves.
        f->navigate("Insert");
        f->clickRow(0);
        QCOMPARE(names(), QList<QStringList>{{u"Ali"_s}});
        f->navigate("Insert");
        f->navigate("Insert");
        QCOMPARE(names().size(), 2);
        f->navigate("Refresh");
        QCOMPARE(names().size(), 1);

        // Edited, it stays.
        f->navigate("Insert");
        auto *editor = qobject_cast<QLineEdit *>(f->tab.DBGrid1->indexWidget(f->tab.DBGrid1->currentIndex()));
        QVERIFY(editor);
        QTest::keyClicks(editor, u"Zed"_s);
        f->clickRow(0);
        QCOMPARE(names(), (QList<QStringList>{{u"Ali"_s}, {u"Zed"_s}}));
        QVERIFY(f->dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestProfileTab)
#include "tst_profiletab.moc"
