#pragma once

#include <QWidget>

class DataModule;
class Dialogs;
class QComboBox;
class QLabel;
class QPlainTextEdit;

// The "Transaction Log" tab: the latest rows of the log as lines of text. The box may be
// typed into, but nothing typed there is stored.
class TransactionLogTab : public QWidget {
    Q_OBJECT

public:
    TransactionLogTab(DataModule &dm, Dialogs &dialogs, QWidget *parent = nullptr);

    QLabel *Label38;
    QComboBox *suiComboBox1;
    QPlainTextEdit *suiMemo1;

public Q_SLOTS:
    void suiComboBox1Click();

private:
    DataModule &m_dm;
    Dialogs &m_dialogs;
};
