#pragma once

#include <QWidget>

// The red status light of the modem's port (`ComLed1`): lit while the port is open.
// A click on it runs the port setup.
class ComLed : public QWidget {
    Q_OBJECT

public:
    explicit ComLed(QWidget *parent = nullptr);

    bool isLit() const { return m_lit; }
    QSize sizeHint() const override { return {22, 21}; }

public Q_SLOTS:
    void setLit(bool lit);

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_lit = false;
    bool m_pressed = false;
};
