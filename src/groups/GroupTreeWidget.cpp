// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupTreeWidget.h"

#include "ui/ProgramIcons.h"

#include <QApplication>
#include <QHash>
#include <QSignalBlocker>

namespace {

constexpr int groupIdRole = Qt::UserRole;

QIcon nodeIcon()
{
    QIcon icon;
    const QIcon normal = ProgramIcons::load(QString(ProgramIcons::groupClosed));
    const QIcon selected = ProgramIcons::load(QString(ProgramIcons::groupOpen));
    for (const QSize& size : normal.availableSizes())
        icon.addPixmap(normal.pixmap(size), QIcon::Normal);
    for (const QSize& size : selected.availableSizes())
        icon.addPixmap(selected.pixmap(size), QIcon::Selected);
    return icon;
}

} // namespace

GroupTreeWidget::GroupTreeWidget(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("Tree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeWidget::itemClicked, this, &GroupTreeWidget::chooseItem);
    // Arrow keys move the current node without a click; a click already
    // reported itself above.
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (QApplication::mouseButtons() == Qt::NoButton)
            chooseItem(item);
    });
}

void GroupTreeWidget::rebuild(const std::vector<GroupNode>& groups, bool expandEveryNode)
{
    const QSignalBlocker quiet(this);
    clear();
    m_nodeIcon = nodeIcon();

    auto* root = new QTreeWidgetItem(this, {QStringLiteral("全部分组")});
    root->setData(0, groupIdRole, GroupTree::rootId);
    root->setIcon(0, m_nodeIcon);
    QHash<qint64, QTreeWidgetItem*> items{{GroupTree::rootId, root}};
    for (const GroupNode& group : groups) {
        // Pre-order guarantees the parent's node exists already.
        auto* item = new QTreeWidgetItem(items.value(group.parentId, root), {group.name});
        item->setData(0, groupIdRole, group.id);
        item->setIcon(0, m_nodeIcon);
        items.insert(group.id, item);
    }
    if (expandEveryNode)
        expandAll();
    root->setExpanded(true);
    setCurrentItem(root);
}

qint64 GroupTreeWidget::selectedGroupId() const
{
    const QTreeWidgetItem* item = currentItem();
    return item ? item->data(0, groupIdRole).toLongLong() : GroupTree::rootId;
}

qint64 GroupTreeWidget::groupIdOf(const QTreeWidgetItem* item)
{
    return item->data(0, groupIdRole).toLongLong();
}

void GroupTreeWidget::chooseItem(QTreeWidgetItem* item)
{
    if (item)
        emit groupChosen(item->data(0, groupIdRole).toLongLong());
}
