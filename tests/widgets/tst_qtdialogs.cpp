#include "base/Errors.h"
#include "widgets/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TestQtDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boxesOpenOverAWindowKeptOnTop();
    void aProgressWindowStaysUntilTheWorkIsDoneAndHoldsTimersBack();
};

void TestQtDialogs::boxesOpenOverAWindowKeptOnTop()
{
    QWidget owner;
    owner.show();
    QtDialogs dialogs;
    dialogs.setOwner(&owner);
    QCOMPARE(dialogs.parentForBox(), &owner);

    // The progress window of a send: a box must not open hidden behind it.
    QWidget onTop(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
    onTop.show();
    QCOMPARE(dialogs.parentForBox(), &onTop);

    QWidget *parent = nullptr;
    bool boxKeptOnTop = false;
    QString text;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        parent = box->parentWidget();
        boxKeptOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        text = box->text();
        // A box opened over this one belongs to it.
        QCOMPARE(dialogs.parentForBox(), box);
        box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(dialogs.confirm(QStringLiteral("Stop?"), Dialogs::Buttons::YesNo), Dialogs::Answer::Yes);
    QCOMPARE(parent, &onTop);
    QVERIFY(boxKeptOnTop);
    QCOMPARE(text, QStringLiteral("Stop?"));

    onTop.hide();
    QCOMPARE(dialogs.parentForBox(), &owner);
}

void TestQtDialogs::aProgressWindowStaysUntilTheWorkIsDoneAndHoldsTimersBack()
{
    QtDialogs dialogs;
    // A timer due while the work runs waits for its end: it might start a send inside the
    // work's transaction.
    bool timerRan = false;
    QTimer due;
    due.setSingleShot(true);
    connect(&due, &QTimer::timeout, this, [&] { timerRan = true; });
    due.start(0);
    {
        const std::unique_ptr<WorkProgress> progress =
            dialogs.showProgress(QStringLiteral("Export"), QStringLiteral("Writing the contacts"), false);
        auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Export"));
        QVERIFY(!window->findChild<QAbstractButton *>());
        // Escape and the window's close do not take away the window of a work going on.
        QTest::keyClick(window, Qt::Key_Escape);
        window->close();
        for (int row = 0; row <= 400; ++row)
            progress->advance(row, 400);
        QVERIFY(window->isVisible());
        QVERIFY(!timerRan);
        QCOMPARE(window->findChild<QProgressBar *>()->value(), 1000);
        QCOMPARE(window->findChild<QLabel *>()->text(), QStringLiteral("Writing the contacts"));
    }
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(timerRan);

    // Work that can be cancelled hears Escape as Cancel at its next figure.
    const std::unique_ptr<WorkProgress> progress = dialogs.showProgress(QStringLiteral("Import"), {}, true);
    auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    QVERIFY(window);
    progress->advance(0, 10);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(window->isVisible());
    QVERIFY_THROWS_EXCEPTION(ActionStopped, progress->advance(1, 10));
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
