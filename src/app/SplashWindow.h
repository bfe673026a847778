#pragma once

#include <QWidget>

// "splashfrom": picture, title, slogan and a bar standing at 78 while the program starts.
class SplashWindow : public QWidget {
    Q_OBJECT

public:
    explicit SplashWindow(QWidget *parent = nullptr);
};
