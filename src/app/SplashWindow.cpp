#include "app/SplashWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

// The picture lives in a resource of the static window library; nothing else references
// it, so it must be registered by hand.
static void registerPictureResource()
{
    Q_INIT_RESOURCE(resources);
}

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint)
{
    registerPictureResource();
    setObjectName(QStringLiteral("splashfrom"));
    setWindowTitle(QStringLiteral("Brivora"));
    setFixedSize(460, 320);
    setStyleSheet(QStringLiteral("SplashWindow { background: white; border: 1px solid #1b4f8a; }"));
    setAttribute(Qt::WA_StyledBackground);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/app/splash.jpg")));
    picture->setScaledContents(true);
    picture->setFixedSize(257, 264);

    auto *title = new QLabel(QStringLiteral("Brivora 1.3"), this);
    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignRight | Qt::AlignTop);

    auto *slogan = new QLabel(QStringLiteral("Your powerful personalize Bulk SMS broadcaster"), this);
    QFont sloganFont(QStringLiteral("Times New Roman"));
    sloganFont.setPixelSize(19);
    sloganFont.setBold(true);
    sloganFont.setItalic(true);
    slogan->setFont(sloganFont);
    slogan->setWordWrap(true);
    slogan->setAlignment(Qt::AlignRight | Qt::AlignBottom);

    auto *bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("ProgressBar1"));
    bar->setRange(0, 100);
    bar->setValue(78);
    bar->setTextVisible(true);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(picture, 0, 0, 2, 1);
    layout->addWidget(title, 0, 1);
    layout->addWidget(slogan, 1, 1);
    layout->addWidget(bar, 2, 0, 1, 2);
}
