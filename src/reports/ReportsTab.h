#pragma once

#include <QWidget>

// The "Reports" tab.
class ReportsTab : public QWidget {
    Q_OBJECT

public:
    explicit ReportsTab(QWidget *parent = nullptr);
};

// The "Transaction Log" tab.
class TransactionLogTab : public QWidget {
    Q_OBJECT

public:
    explicit TransactionLogTab(QWidget *parent = nullptr);
};
