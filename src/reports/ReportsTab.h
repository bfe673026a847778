#pragma once

#include <QWidget>

// The "Reports" tab.
class ReportsTab : public QWidget {
    Q_OBJECT

public:
    explicit ReportsTab(QWidget *parent = nullptr);
};
