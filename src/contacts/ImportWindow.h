#pragma once

#include "contacts/ProfileImport.h"

#include <QDialog>

#include <functional>

class DataModule;
class DatasetGrid;
class DatasetNavigator;
class Dialogs;
class QFileSystemModel;
class QLineEdit;
class QListView;
class QPushButton;
class QTreeView;

// "frm_import": a workbook's "Sheet1" shown, edited if need be, and copied into the
// profiles. Made once and kept, so it shows the last path and rows again when reopened.
class ImportWindow : public QDialog {
    Q_OBJECT

    // First, so that the preview can be built on its rows.
    DataModule &m_dm;
    Dialogs &m_dialogs;
    ProfileSheet m_sheet;

public:
    static constexpr auto Title = "Brivora ver 1.1 ~ Personalise SMS Broadcaster - Importing records from MsExcel";
    static constexpr auto ReplaceQuestion =
        "Did you want to delete all the previous profile record and replace with this new one?";
    static constexpr auto CompletedText = "Profile import, completed. Please check your record!";

    ImportWindow(DataModule &dm, Dialogs &dialogs, QWidget *parent);
    ~ImportWindow() override;

    // Shows the window modally over its parent, centred on it, without waiting.
    void showCentred();
    // Asked before what would change the rows a running send walks; true refuses it
    // (the guard has said why). The main window's run state answers it.
    void setSendGuard(std::function<bool()> refusedWhileSending);

    QTreeView *ShellTreeView1;
    QListView *ShellListView1;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    DatasetGrid *DBGrid1;
    DatasetNavigator *DBNavigator1;
    QPushButton *BitBtn2;

public Q_SLOTS:
    void ShellListView1Click();
    void suitempBitBtn1Click();
    void BitBtn2Click();

private:
    std::function<bool()> m_refusedWhileSending = [] { return false; };
    QFileSystemModel *m_folders;
    QFileSystemModel *m_files;
};
