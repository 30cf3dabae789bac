// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree of the main window, under the fixed root "全部分组".
#pragma once

#include "GroupTree.h"

#include <QTreeWidget>

class GroupTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    explicit GroupTreeWidget(QWidget* parent = nullptr);

    // Replaces every node; afterwards the root is expanded and selected, and
    // the other nodes are expanded exactly when expandEveryNode is set. Emits nothing.
    void rebuild(const std::vector<GroupNode>& groups, bool expandEveryNode);

    // The selected node's group; the root when nothing is selected.
    qint64 selectedGroupId() const;
    // The group a node stands for.
    static qint64 groupIdOf(const QTreeWidgetItem* item);

signals:
    // The user picked a node, by mouse or keyboard.
    void groupChosen(qint64 groupId);

private:
    void chooseItem(QTreeWidgetItem* item);

    QIcon m_nodeIcon;
};
