#include "reports/ReportsTab.h"

ReportsTab::ReportsTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet2"));
}
