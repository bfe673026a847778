#pragma once

#include <QComboBox>

// An editable drop-down whose list is filled by its owner each time it opens
// (dropDown), so it always offers what the database holds at that moment.
class DropDownBox : public QComboBox {
    Q_OBJECT

public:
    explicit DropDownBox(QWidget *parent = nullptr);

    // Replaces the items; the text typed or chosen in the box stays as it is.
    void refill(const QStringList &items);

    void showPopup() override;

Q_SIGNALS:
    void dropDown();
};
