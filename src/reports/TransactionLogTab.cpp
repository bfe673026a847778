#include "reports/TransactionLogTab.h"

#include "widgets/Named.h"
#include "base/Errors.h"
#include "data/DataModule.h"
#include "reports/TransactionLog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TransactionLogTab::TransactionLogTab(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , Label38(named(new QLabel(QStringLiteral("Lines?")), "Label38"))
    , suiComboBox1(named(new QComboBox, "suiComboBox1"))
    , suiMemo1(named(new QPlainTextEdit, "suiMemo1"))
    , m_dm(dm)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("suiTabSheet2"));
    // A plain drop-down list: only its own items can be chosen, none at first.
    suiComboBox1->addItems(TransactionLog::lineCounts());
    suiComboBox1->setCurrentIndex(-1);
    suiComboBox1->setMinimumWidth(90);
    suiMemo1->setFont(QFont(QStringLiteral("Tahoma")));
    suiMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    suiMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(suiComboBox1, &QComboBox::activated, this, [this] { guarded(m_dialogs, [this] { suiComboBox1Click(); }); });

    auto *choice = new QHBoxLayout;
    choice->addWidget(Label38);
    choice->addWidget(suiComboBox1);
    choice->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(suiMemo1, 1);
}

void TransactionLogTab::suiComboBox1Click()
{
    suiMemo1->clear();
    Dataset &log = m_dm.q_transaction_log;
    log.repoint(TransactionLog::statement(suiComboBox1->currentText()));
    suiMemo1->setPlainText(TransactionLog::lines(log));
}
