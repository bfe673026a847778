#pragma once

class QFileSystemModel;
class QTreeView;

// A tree of the computer's folders, from the root of the file system, names only. It
// starts at the home folder, current and at the top of the view, the root above it.
void showFolders(QTreeView *tree, QFileSystemModel *folders);
