// SPDX-License-Identifier: GPL-3.0-or-later
#include "GroupTreeWidget.h"

#include "ui/ProgramIcons.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <utility>

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

// How many levels item sits below the root (the root is level 0).
int levelOf(const QTreeWidgetItem* item)
{
    int level = 0;
    for (const QTreeWidgetItem* above = item->parent(); above; above = above->parent())
        ++level;
    return level;
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
    connect(this, &QTreeWidget::itemExpanded, this, &GroupTreeWidget::keepWithinExpandedDepth);
    // A node indented past the column's right edge loses the keyboard: Qt's arrow keys select it
    // through its empty rectangle and are left with no current node, ten levels down in a narrow
    // pane. So the column grows with what is shown, and fills the view at least (see
    // updateGeometries). Qt's ResizeToContents did the same, but measured every node shown again
    // at each resize of the pane, four times before the window's first frame.
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemExpanded, this, &GroupTreeWidget::measureAgain);
    connect(this, &QTreeWidget::itemCollapsed, this, &GroupTreeWidget::measureAgain);
    QAbstractItemModel* nodes = model();
    connect(nodes, &QAbstractItemModel::rowsInserted, this, &GroupTreeWidget::measureAgain);
    connect(nodes, &QAbstractItemModel::rowsRemoved, this, &GroupTreeWidget::measureAgain);
    connect(nodes, &QAbstractItemModel::modelReset, this, &GroupTreeWidget::measureAgain);
    // A renamed node lays nothing out by itself.
    connect(nodes, &QAbstractItemModel::dataChanged, this, [this] {
        measureAgain();
        scheduleDelayedItemsLayout();
    });
}

GroupTreeWidget::~GroupTreeWidget()
{
    // Its reset would call measureAgain() on what is by then only a QTreeWidget.
    disconnect(model(), nullptr, this, nullptr);
}

void GroupTreeWidget::updateGeometries()
{
    header()->resizeSection(0, std::max(viewport()->width(), contentWidth()));
    QTreeWidget::updateGeometries();
}

void GroupTreeWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        measureAgain();
    QTreeWidget::changeEvent(event);
}

int GroupTreeWidget::contentWidth()
{
    // Measuring lays out a pending change first, which comes back here: that inner call leaves
    // the measuring to this one.
    if (m_contentWidth < 0 && !m_measuring) {
        const QScopedValueRollback measuring(m_measuring, true);
        m_contentWidth = sizeHintForColumn(0);
    }
    return std::max(m_contentWidth, 0);
}

void GroupTreeWidget::measureAgain()
{
    m_contentWidth = -1;
}

void GroupTreeWidget::rebuild(const std::vector<GroupNode>& groups, bool expandEveryNode)
{
    const QSignalBlocker quiet(this);
    clear();
    m_nodeIcon = nodeIcon();

    // The nodes are put together before the tree sees them, so the view takes them in one
    // insertion instead of one per group.
    auto* root = new QTreeWidgetItem({QStringLiteral("全部分组")});
    root->setData(0, groupIdRole, GroupTree::rootId);
    root->setIcon(0, m_nodeIcon);
    QHash<qint64, QTreeWidgetItem*> items{{GroupTree::rootId, root}};
    items.reserve(qsizetype(groups.size()) + 1);
    for (const GroupNode& group : groups) {
        // Pre-order guarantees the parent's node exists already.
        auto* item = new QTreeWidgetItem(items.value(group.parentId, root), {group.name});
        item->setData(0, groupIdRole, group.id);
        item->setIcon(0, m_nodeIcon);
        items.insert(group.id, item);
    }
    addTopLevelItem(root);
    if (expandEveryNode)
        expandBranch(root);
    root->setExpanded(true);
    setCurrentItem(root);
}

void GroupTreeWidget::rebuildKeeping(const std::vector<GroupNode>& groups, bool expandEveryNode)
{
    const qint64 selected = selectedGroupId();
    QSet<qint64> expanded;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->isExpanded())
            expanded.insert(groupIdOf(*it));
    }
    rebuild(groups, expandEveryNode);
    const QSignalBlocker quiet(this);
    scheduleDelayedItemsLayout();
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        const qint64 group = groupIdOf(*it);
        if (expanded.contains(group))
            (*it)->setExpanded(true);
        if (group == selected)
            setCurrentItem(*it);
    }
}

void GroupTreeWidget::expandBranch(QTreeWidgetItem* item)
{
    if (!item || item->treeWidget() != this)
        return;
    // Until the next layout, expanding only records the state; one layout afterwards
    // costs far less than one per node.
    scheduleDelayedItemsLayout();
    std::vector<std::pair<QTreeWidgetItem*, int>> pending{{item, levelOf(item)}};
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        if (level > deepestExpandedLevel)
            continue;
        node->setExpanded(true);
        for (int child = node->childCount() - 1; child >= 0; --child)
            pending.emplace_back(node->child(child), level + 1);
    }
}

void GroupTreeWidget::keepWithinExpandedDepth(QTreeWidgetItem* item)
{
    const int level = levelOf(item);
    if (level <= deepestExpandedLevel)
        return;
    // Qt opens the hidden ancestors of a node it scrolls to from the bottom up; only a node the
    // user can see, below an open parent, is opened by hand.
    const bool byHand = level <= deepestOpenedLevel && item->parent()->isExpanded();
    if (!byHand)
        item->setExpanded(false);
}

void GroupTreeWidget::keyPressEvent(QKeyEvent* event)
{
    // Qt's own "expand everything below" lays the branch out level by level in nested calls.
    if (event->key() == Qt::Key_Asterisk) {
        expandBranch(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
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
