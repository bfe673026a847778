#include "widgets/FolderTree.h"

#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QScrollBar>
#include <QTreeView>

namespace {

// Keeps a folder tree started at the home folder while the folders above it are read:
// the model reads them in the background, and each folder listed before home's parents
// pushes home down. Lets go once the user picks a folder, clicks, scrolls or types.
class HomeStart : public QObject {
public:
    HomeStart(QTreeView *tree, QFileSystemModel *folders)
        : QObject(tree)
        , m_tree(tree)
        , m_folders(folders)
        , m_home(folders->index(QDir::homePath()))
    {
        connect(folders, &QAbstractItemModel::rowsInserted, this, &HomeStart::place);
        connect(folders, &QAbstractItemModel::layoutChanged, this, &HomeStart::place);
        connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &now) {
            if (now != m_home)
                letGo();
        });
        connect(tree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &HomeStart::letGo);
        tree->installEventFilter(this);
        tree->viewport()->installEventFilter(this);
        place();
    }

private:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
            case QEvent::Show: // the view's height is known now
                place();
                break;
            case QEvent::MouseButtonPress:
            case QEvent::Wheel:
            case QEvent::KeyPress:
                letGo();
                break;
            default:
                break;
        }
        return false;
    }

    void place()
    {
        if (!m_home.isValid())
            return;
        m_tree->setCurrentIndex(m_home);
        m_tree->scrollTo(m_home, QAbstractItemView::PositionAtTop);
    }

    void letGo()
    {
        m_tree->removeEventFilter(this);
        m_tree->viewport()->removeEventFilter(this);
        for (const QObject *sender :
             {static_cast<QObject *>(m_folders), static_cast<QObject *>(m_tree->selectionModel()),
              static_cast<QObject *>(m_tree->verticalScrollBar())})
            disconnect(sender, nullptr, this, nullptr);
        deleteLater();
    }

    QTreeView *m_tree;
    QFileSystemModel *m_folders;
    QPersistentModelIndex m_home;
};

} // namespace

void showFolders(QTreeView *tree, QFileSystemModel *folders)
{
    folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QDir::rootPath());
    tree->setModel(folders);
    for (int column = 1; column < folders->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setHeaderHidden(true);
    new HomeStart(tree, folders);
}
