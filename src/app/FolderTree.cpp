#include "app/FolderTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>

void showFolders(QTreeView *tree, QFileSystemModel *folders)
{
    folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QDir::rootPath());
    tree->setModel(folders);
    for (int column = 1; column < folders->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setHeaderHidden(true);
}
