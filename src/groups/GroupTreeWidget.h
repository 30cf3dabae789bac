// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree of the main window, under the fixed root "全部分组".
#pragma once

#include "GroupTree.h"

#include <QTreeWidget>

class GroupTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    // Qt lays out an expanded branch with one nested call per level (about 320 bytes of stack
    // each), so a chain of groups expanded 26,000 deep exhausts the call stack. The start-up
    // and "*" therefore expand at most this many levels below the root.
    static constexpr int deepestExpandedLevel = 1000;
    // Below that a user still walks on by hand (Right, "+", a click), one level at a time: a
    // node opens only while its parent is open, and no deeper than this, well within the stack.
    static constexpr int deepestOpenedLevel = 10000;

    explicit GroupTreeWidget(QWidget* parent = nullptr);
    // The nodes' model outlives this class's part of the object, and clears itself as it goes.
    ~GroupTreeWidget() override;

    // Replaces every node; afterwards the root is expanded and selected, and
    // the other nodes are expanded exactly when expandEveryNode is set. Emits nothing.
    void rebuild(const std::vector<GroupNode>& groups, bool expandEveryNode);

    // The same, keeping the selected node and the expanded ones where they still exist (another
    // program's change read in). Emits nothing.
    void rebuildKeeping(const std::vector<GroupNode>& groups, bool expandEveryNode);

    // Expands item and every node below it, without nesting calls per level ("*" does this).
    void expandBranch(QTreeWidgetItem* item);

    // The selected node's group; the root when nothing is selected.
    qint64 selectedGroupId() const;
    // The group a node stands for.
    static qint64 groupIdOf(const QTreeWidgetItem* item);

signals:
    // The user picked a node, by mouse or keyboard.
    void groupChosen(qint64 groupId);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Sizes the one column to the widest node shown, and to the view at least.
    void updateGeometries() override;
    void changeEvent(QEvent* event) override;

private:
    // The widest node shown, measured once after each change of what is shown.
    int contentWidth();
    void measureAgain();
    void chooseItem(QTreeWidgetItem* item);
    void keepWithinExpandedDepth(QTreeWidgetItem* item);

    QIcon m_nodeIcon;
    int m_contentWidth = -1; // -1: to be measured at the next layout
    bool m_measuring = false;
};
