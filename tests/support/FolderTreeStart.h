#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>

// A home folder of the test's own, a few folders below the file system's root and away
// from the busy temporary folder, for the test's life.
class TestHome {
public:
    TestHome()
        : m_dir(QCoreApplication::applicationDirPath() + QStringLiteral("/home-XXXXXX"))
        , m_previous(qgetenv("HOME"))
    {
        qputenv("HOME", m_dir.path().toLocal8Bit());
    }
    ~TestHome() { qputenv("HOME", m_previous); }
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// What is wrong with how a folder tree starts, once the file system's root has been read
// (its folders are read in the background): it should start at the home folder, current
// and the first row in view, with the root above it. Empty when nothing is.
inline QString folderTreeStartProblem(const QTreeView *tree)
{
    const auto *folders = qobject_cast<const QFileSystemModel *>(tree->model());
    if (!folders)
        return QStringLiteral("no folder model");
    const QModelIndex root = folders->index(0, 0);
    if (folders->filePath(root) != QDir::rootPath())
        return QStringLiteral("the first folder is %1, not the root").arg(folders->filePath(root));
    if (folders->rowCount(root) <= 1)
        return QStringLiteral("the root is not read yet");
    const QModelIndex home = folders->index(QDir::homePath());
    if (tree->currentIndex() != home)
        return QStringLiteral("the current folder is '%1'").arg(folders->filePath(tree->currentIndex()));
    // At the top of the view, unless the view is scrolled as far as it goes.
    if (tree->visualRect(home).top() != 0 && tree->verticalScrollBar()->value() != tree->verticalScrollBar()->maximum())
        return QStringLiteral("home is at %1 pixels, the first row shown is '%2'")
            .arg(tree->visualRect(home).top())
            .arg(folders->filePath(tree->indexAt(QPoint(1, 1))));
    return {};
}
