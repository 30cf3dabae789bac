// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree widget: the state a rebuild leaves, and deep trees expanded within a limit.
#include "groups/GroupTreeWidget.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const std::vector<GroupNode> groups{{2, 1, u"同事"_s}, {4, 2, u"项目组"_s}, {3, 1, u"朋友"_s}};

// The nodes from the root down the first children.
std::vector<QTreeWidgetItem*> chainOf(const GroupTreeWidget& tree)
{
    std::vector<QTreeWidgetItem*> nodes;
    for (QTreeWidgetItem* node = tree.topLevelItem(0); node; node = node->child(0))
        nodes.push_back(node);
    return nodes;
}

// Whether exactly the nodes down to the deepest level the tree expands are expanded, once the
// tree is laid out and painted as showing it would.
bool expandedDownToTheLimit(GroupTreeWidget& tree)
{
    const std::vector<QTreeWidgetItem*> nodes = chainOf(tree);
    for (std::size_t level = 0; level < nodes.size(); ++level) {
        if (nodes[level]->isExpanded() != (int(level) <= GroupTreeWidget::deepestExpandedLevel))
            return false;
    }
    tree.scrollToItem(nodes[GroupTreeWidget::deepestExpandedLevel + 1]);
    tree.viewport()->repaint();
    QCoreApplication::processEvents();
    return tree.visualItemRect(nodes[GroupTreeWidget::deepestExpandedLevel + 1]).isValid();
}

} // namespace

class TestGroupTreeWidget : public QObject {
    Q_OBJECT
    GroupTreeWidget tree;

private slots:
    void initTestCase()
    {
        tree.resize(300, 300);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
    }

    void rebuildSelectsTheRootAndExpandsAsAsked()
    {
        for (bool expandAll : {true, false}) {
            tree.rebuild(groups, expandAll);
            QTreeWidgetItem* root = tree.topLevelItem(0);
            QCOMPARE(root->text(0), u"全部分组"_s);
            QVERIFY(root->isExpanded());
            QCOMPARE(tree.selectedGroupId(), 1);
            QCOMPARE(root->child(0)->text(0) + root->child(0)->child(0)->text(0), u"同事项目组"_s);
            QCOMPARE(root->child(0)->isExpanded(), expandAll);
        }
    }

    void deepChainExpandsAtStartAndByStarWithoutExhaustingTheStack()
    {
        std::vector<GroupNode> chain;
        for (qint64 id = 2; id <= 100001; ++id)
            chain.push_back({id, id - 1, QString::number(id)});
        tree.rebuild(chain, true); // at start-up with IsExpanded on
        QCOMPARE(chainOf(tree).size(), 100001u);
        QVERIFY(expandedDownToTheLimit(tree));
        // A node far below the limit whose parent is closed stays closed.
        chainOf(tree).back()->parent()->setExpanded(true);
        QVERIFY(!chainOf(tree).back()->parent()->isExpanded());
        // Rebuilt collapsed (the deep tree is taken down), then "*" on the root.
        tree.rebuild(chain, false);
        QVERIFY(!chainOf(tree)[1]->isExpanded());
        tree.setFocus();
        QTest::keyClick(&tree, Qt::Key_Asterisk);
        QVERIFY(expandedDownToTheLimit(tree));
    }
};

QTEST_MAIN(TestGroupTreeWidget)
#include "tst_grouptreewidget.moc"
