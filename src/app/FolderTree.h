#pragma once

class QFileSystemModel;
class QTreeView;

// A tree of the computer's folders, from the root of the file system, names only.
void showFolders(QTreeView *tree, QFileSystemModel *folders);
