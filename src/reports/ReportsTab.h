#pragma once

#include "reports/PageDrawing.h"
#include "reports/ReportViewer.h"

#include <QWidget>

class Clock;
class DataModule;
class Dialogs;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

// The "Reports" tab: the list of reports and the preview of the one chosen, with its bar
// for printing, zooming and turning pages.
class ReportsTab : public QWidget {
    Q_OBJECT

public:
    static constexpr auto NoProjectText =
        "Please select a project in the List of Project of the SMS Anouncement & Broadcast tab first.";

    ReportsTab(DataModule &dm, Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);

    QLabel *Label27;
    QListWidget *ListBox1;
    QWidget *pnlPreviewBar = nullptr;
    QToolButton *spbPreviewPrint = nullptr;
    QToolButton *spbPreviewWhole = nullptr;
    QToolButton *spbPreviewWidth = nullptr;
    QToolButton *spbPreview100Percent = nullptr;
    QToolButton *spbPreviewFirst = nullptr;
    QToolButton *spbPreviewPrior = nullptr;
    QLineEdit *mskPreviewPage = nullptr;
    QToolButton *spbPreviewNext = nullptr;
    QToolButton *spbPreviewLast = nullptr;
    QLineEdit *mskPreviewPercentage = nullptr;
    QToolButton *spbPreviewPdf = nullptr;
    ReportViewer *ppViewer1;

public Q_SLOTS:
    void ListBox1Click();
    void spbPreviewPrintClick();
    void spbPreviewPdfClick();
    void spbPreviewWholeClick();
    void spbPreviewWidthClick();
    void spbPreview100PercentClick();
    void spbPreviewFirstClick();
    void spbPreviewPriorClick();
    void spbPreviewNextClick();
    void spbPreviewLastClick();
    void ppViewer1PageChange();
    void mskPreviewPageKeyDown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QToolButton *toolButton(const char *name, const QString &hint, const QIcon &icon);
    QWidget *buildPreviewBar();
    void connectClick(QToolButton *button, void (ReportsTab::*handler)());
    // True when the zoom button was pressed down (the others are released then), false
    // when a click released it.
    bool pressedDown(QToolButton *zoomButton);
    // A click on a fitting zoom button: fit the paper while it is down, else keep the scale.
    void zoomClick(QToolButton *zoomButton, ReportViewer::ZoomMode mode);
    // Runs work that tells its progress page by page under a modal box with a Cancel button.
    void withCancelBox(const QString &label, const std::function<bool(const Reports::PageProgress &)> &work);

    DataModule &m_dm;
    Dialogs &m_dialogs;
    Clock &m_clock;
    QString m_title; // of the report shown, for the name a saved PDF is offered
    bool m_ranOnPress = false; // the last press on the list made another entry current and ran it
};
