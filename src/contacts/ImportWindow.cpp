#include "contacts/ImportWindow.h"

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "data/DataModule.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/FolderTree.h"
#include "widgets/Named.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// "1 profile", "3 profiles".
QString counted(int n, const QString &one, const QString &many)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

} // namespace

ImportWindow::ImportWindow(DataModule &dm, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent)
    , m_dm(dm)
    , m_dialogs(dialogs)
    , ShellTreeView1(named(new QTreeView, "ShellTreeView1"))
    , ShellListView1(named(new QListView, "ShellListView1"))
    , Edit1(named(new QLineEdit, "Edit1"))
    , BitBtn1(named(new QPushButton(QStringLiteral("Display")), "BitBtn1"))
    , DBGrid1(named(new DatasetGrid(m_sheet.rows(), {}, dialogs), "DBGrid1"))
    , DBNavigator1(
          named(new DatasetNavigator(m_sheet.rows(), dialogs, DatasetNavigator::All & ~DatasetNavigator::Refresh),
                "DBNavigator1"))
    , BitBtn2(named(new QPushButton(QStringLiteral("Import")), "BitBtn2"))
    , m_folders(new QFileSystemModel(this))
    , m_files(new QFileSystemModel(this))
{
    setObjectName(QStringLiteral("frm_import"));
    setWindowTitle(QString::fromLatin1(Title));
    setModal(true);
    setSizeGripEnabled(true);
    resize(760, 480);

    showFolders(ShellTreeView1, m_folders);

    m_files->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    ShellListView1->setModel(m_files);
    ShellListView1->setRootIndex(m_files->setRootPath(QDir::homePath()));
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &folder) {
                ShellListView1->setRootIndex(m_files->setRootPath(m_folders->filePath(folder)));
            });
    connect(ShellListView1, &QListView::clicked, this, &ImportWindow::ShellListView1Click);

    DBGrid1->setEditable(true);
    DBNavigator1->setGrid(DBGrid1);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { suitempBitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded(m_dialogs, [this] { BitBtn2Click(); }); });

    auto *browse = new QSplitter;
    browse->addWidget(ShellTreeView1);
    browse->addWidget(ShellListView1);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(Edit1, 1);
    pathRow->addWidget(BitBtn1);
    auto *importRow = new QHBoxLayout;
    importRow->addWidget(DBNavigator1, 0, Qt::AlignLeft);
    importRow->addStretch();
    importRow->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select your MsExcel file :")));
    layout->addWidget(browse, 2);
    layout->addLayout(pathRow);
    layout->addWidget(DBGrid1, 3);
    layout->addLayout(importRow);
}

ImportWindow::~ImportWindow()
{
    // The preview shows the sheet's rows: it goes first, while they still exist (child
    // widgets would otherwise outlive the members).
    qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
}

void ImportWindow::setSendGuard(std::function<bool()> refusedWhileSending)
{
    m_refusedWhileSending = std::move(refusedWhileSending);
}

void ImportWindow::showCentred()
{
    if (const QWidget *owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void ImportWindow::ShellListView1Click()
{
    // A click beside every item selects none and leaves the path as it is.
    const QModelIndex item = ShellListView1->currentIndex();
    if (item.isValid())
        Edit1->setText(QDir::toNativeSeparators(m_files->filePath(item)));
}

void ImportWindow::suitempBitBtn1Click()
{
    const auto failure = [this] {
        const std::unique_ptr<WorkProgress> progress =
            m_dialogs.showProgress(QStringLiteral("Display"), QStringLiteral("Reading the workbook"), true);
        return m_sheet.display(Edit1->text(), progress.get());
    }();
    if (failure) {
        m_dialogs.error(failure->message);
        throw BrivoraError(failure->reason);
    }
    DBGrid1->resizeColumnsToContents();
}

void ImportWindow::BitBtn2Click()
{
    // No rows to copy: the old profiles must not go for nothing.
    if (!m_sheet.isShown()) {
        m_dialogs.warning(QString::fromLatin1(ProfileSheet::NothingShownText));
        return;
    }
    const Dialogs::Answer answer =
        m_dialogs.confirm(QString::fromLatin1(ReplaceQuestion), Dialogs::Buttons::YesNoCancel);
    if (answer != Dialogs::Answer::Yes && answer != Dialogs::Answer::No)
        return;
    // Replacing deletes every profile, those of a greeting going out too.
    if (answer == Dialogs::Answer::Yes && m_refusedWhileSending())
        return;
    const int stored = [&] {
        const std::unique_ptr<WorkProgress> progress =
            m_dialogs.showProgress(QStringLiteral("Import"), QStringLiteral("Storing the contacts"), true);
        return m_sheet.importInto(m_dm.con, answer == Dialogs::Answer::Yes, progress.get());
    }();
    const int skipped = m_sheet.rows().recordCount() - stored;
    // The profile list shows what was stored at once.
    m_dm.q_profile.refresh();
    // The operator learns of rows left out, which would otherwise have been empty profiles.
    QString done = QString::fromLatin1(CompletedText);
    if (skipped > 0)
        done += QStringLiteral("\n\n")
            + counted(skipped, QStringLiteral("row with no value was skipped."),
                      QStringLiteral("rows with no value were skipped."));
    m_dialogs.information(QStringLiteral("Brivora"), done);
    accept();
}
