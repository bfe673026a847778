#include "widgets/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TestQtDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boxesOpenOverAWindowKeptOnTop();
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

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
