// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree widget: rebuild state and what a user's pick reports.
#include "groups/GroupTreeWidget.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

const std::vector<GroupNode> groups{
    {2, 1, QStringLiteral("同事")},
    {4, 2, QStringLiteral("项目组")},
    {3, 1, QStringLiteral("朋友")},
};

// The nodes from the root down a chain, the root first.
std::vector<QTreeWidgetItem*> chainOf(const GroupTreeWidget& tree)
{
    std::vector<QTreeWidgetItem*> nodes;
    for (QTreeWidgetItem* node = tree.topLevelItem(0); node;
         node = node->childCount() > 0 ? node->child(0) : nullptr)
        nodes.push_back(node);
    return nodes;
}

// Whether exactly the nodes down to the deepest level the tree expands are expanded.
bool expandedDownToTheLimit(const GroupTreeWidget& tree)
{
    const std::vector<QTreeWidgetItem*> nodes = chainOf(tree);
    for (std::size_t level = 0; level < nodes.size(); ++level) {
        if (nodes[level]->isExpanded() != (int(level) <= GroupTreeWidget::deepestExpandedLevel))
            return false;
    }
    return true;
}

// Lays the tree out and paints it, as showing it after a change would.
void layOutAndPaint(GroupTreeWidget& tree, QTreeWidgetItem* shown)
{
    tree.scrollToItem(shown);
    tree.viewport()->repaint();
    QCoreApplication::processEvents();
}

} // namespace

class TestGroupTreeWidget : public QObject {
    Q_OBJECT

private slots:
    void rebuildSelectsTheRootAndExpandsAsAsked();
    void rebuildReportsNothingButAPickDoes();
    void deepChainExpandsAtStartAndByStarWithoutExhaustingTheStack();
};

void TestGroupTreeWidget::rebuildSelectsTheRootAndExpandsAsAsked()
{
    GroupTreeWidget tree;
    for (bool expandAll : {true, false}) {
        tree.rebuild(groups, expandAll);
        QCOMPARE(tree.topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree.topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("全部分组"));
        QVERIFY(root->isExpanded());
        QCOMPARE(tree.currentItem(), root);
        QCOMPARE(tree.selectedGroupId(), 1);
        QCOMPARE(root->childCount(), 2);
        QTreeWidgetItem* work = root->child(0);
        QCOMPARE(work->text(0), QStringLiteral("同事"));
        QCOMPARE(work->child(0)->text(0), QStringLiteral("项目组"));
        QCOMPARE(work->isExpanded(), expandAll);
    }
}

void TestGroupTreeWidget::rebuildReportsNothingButAPickDoes()
{
    GroupTreeWidget tree;
    tree.resize(300, 300);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QSignalSpy chosen(&tree, &GroupTreeWidget::groupChosen);
    tree.rebuild(groups, true);
    QCOMPARE(chosen.count(), 0);

    QTreeWidgetItem* friends = tree.topLevelItem(0)->child(1);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(friends).center());
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.last().first().toLongLong(), 3);
    QCOMPARE(tree.selectedGroupId(), 3);

    // Clicking the node already selected lists it again.
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(friends).center());
    QCOMPARE(chosen.count(), 2);

    QTest::keyClick(tree.viewport(), Qt::Key_Up);
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(chosen.last().first().toLongLong(), 4);
}

void TestGroupTreeWidget::deepChainExpandsAtStartAndByStarWithoutExhaustingTheStack()
{
    std::vector<GroupNode> chain;
    const qint64 depth = 100000;
    for (qint64 id = 2; id <= depth + 1; ++id)
        chain.push_back({id, id - 1, QString::number(id)});

    GroupTreeWidget tree;
    tree.resize(300, 300);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));

    // At start-up with IsExpanded on.
    tree.rebuild(chain, true);
    std::vector<QTreeWidgetItem*> nodes = chainOf(tree);
    QCOMPARE(qint64(nodes.size()), depth + 1);
    QVERIFY(expandedDownToTheLimit(tree));
    layOutAndPaint(tree, nodes[GroupTreeWidget::deepestExpandedLevel + 1]);
    QVERIFY(tree.visualItemRect(nodes[GroupTreeWidget::deepestExpandedLevel + 1]).isValid());

    // A node far below the limit whose parent is closed stays closed: nothing but a user opens it.
    nodes.back()->parent()->setExpanded(true);
    QVERIFY(!nodes.back()->parent()->isExpanded());

    // Rebuilt collapsed (the deep tree is taken down), then "*" on the root.
    tree.rebuild(chain, false);
    nodes = chainOf(tree);
    QCOMPARE(qint64(nodes.size()), depth + 1);
    QVERIFY(nodes[0]->isExpanded());
    QVERIFY(!nodes[1]->isExpanded());
    layOutAndPaint(tree, nodes[1]);
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    QVERIFY(expandedDownToTheLimit(tree));
    layOutAndPaint(tree, nodes[GroupTreeWidget::deepestExpandedLevel]);
    // The keypad's "*" as well, from a node in the middle of the collapsed chain.
    tree.rebuild(chain, false);
    nodes = chainOf(tree);
    nodes[1]->setExpanded(true);
    tree.setCurrentItem(nodes[2]);
    QTest::keyClick(&tree, Qt::Key_Asterisk, Qt::KeypadModifier);
    QVERIFY(expandedDownToTheLimit(tree));
    layOutAndPaint(tree, nodes[GroupTreeWidget::deepestExpandedLevel + 1]);
}

QTEST_MAIN(TestGroupTreeWidget)
#include "tst_grouptreewidget.moc"
