#include "reports/ReportsTab.h"

ReportsTab::ReportsTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet2"));
}

TransactionLogTab::TransactionLogTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("suiTabSheet2"));
}
