// The Inbox tab: what came in, newest first with its contact's name, found by number or
// words, answered through the Profile tab, counted until seen; and the opt-out list.
#include "broadcast/InboxTab.h"
#include "data/DataModule.h"
#include "data/OptOutList.h"
#include "data/Settings.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"
#include "widgets/DatasetGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestInboxTab : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsFindsAnswersAndCounts();
};

void TestInboxTab::showsFindsAnswersAndCounts()
{
    TestWorkspace ws;
    ws.exec(u"insert into profile(id_profile, name, mobile_number) values (7, 'Siti Aminah', '0123456702')"_s);
    ws.exec(u"insert into inbox(modem, number, text, sent, received, complete, id_profile, seen) values "
            "('A', '+60123456702', 'Boleh, terima kasih', '2026-12-10 09:00:00', '2026-12-10 09:01:00', 'YES', 7, 'YES'), "
            "('A', '+60199999999', '<b>STOP</b> now', '2026-12-10 10:00:00', '2026-12-10 10:00:05', 'YES', NULL, 'NO'), "
            "('B', 'MyBank', 'Your balance', '2026-12-10 08:00:00', '2026-12-10 08:00:01', 'YES', NULL, 'NO')"_s);
    DataModule dm;
    Settings settings(dm);
    settings.set(Settings::Field::CentreNumber, u"+60120000015"_s);
    ScriptedDialogs dialogs;
    InboxTab tab(dm.con, settings, dialogs);
    QSignalSpy unread(&tab, &InboxTab::unreadChanged);
    tab.reload();
    QCOMPARE(unread.takeLast().at(0).toInt(), 2);

    const auto shown = [&] {
        QList<QStringList> rows;
        QAbstractItemModel *model = tab.messagesGrid->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            // The time as the locale shows it is left out.
            for (int column = 1; column < model->columnCount(); ++column)
                cells << model->index(row, column).data().toString();
            rows << cells;
        }
        return rows;
    };
    // Newest first; a text is shown as it came, markup and all.
    QCOMPARE(shown(), (QList<QStringList>{{u"+60199999999"_s, QString(), u"<b>STOP</b> now"_s},
                                          {u"+60123456702"_s, u"Siti Aminah"_s, u"Boleh, terima kasih"_s},
                                          {u"MyBank"_s, QString(), u"Your balance"_s}}));
    tab.findBox->setText(u"TERIMA"_s);
    QCOMPARE(shown().size(), 1);
    tab.findBox->setText(u"6019"_s);
    QCOMPARE(shown().size(), 1);
    tab.findBox->clear();
    QCOMPARE(shown().size(), 3);

    QSignalSpy replies(&tab, &InboxTab::replyTo);
    tab.messagesGrid->selectRow(1);
    tab.replyButton->click();
    tab.messagesGrid->selectRow(0);
    tab.replyButton->click();
    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies.at(0).at(0).toLongLong(), 7);
    QCOMPARE(replies.at(1).at(0).toLongLong(), 0);
    QCOMPARE(replies.at(1).at(1).toString(), u"+60199999999"_s);
    QCOMPARE(dialogs.shown().size(), 1); // the number is no contact's: said so

    tab.markSeen();
    QCOMPARE(tab.unreadCount(), 0);

    // The opt-out list, and a client taken back in another form of the number.
    OptOutList::add(dm.con, u"60"_s, {0, u"+60199999999"_s, QDateTime(QDate(2026, 12, 10), QTime(10, 0)), u"STOP"_s});
    tab.reload();
    QCOMPARE(tab.optOutGrid->model()->rowCount(), 1);
    tab.optOutGrid->selectRow(0);
    tab.removeButton->click();
    QCOMPARE(tab.optOutGrid->model()->rowCount(), 0);
    QVERIFY(!OptOutList::read(dm.con, u"60"_s).contains(u"0199999999"));
}

QTEST_MAIN(TestInboxTab)
#include "tst_inboxtab.moc"
