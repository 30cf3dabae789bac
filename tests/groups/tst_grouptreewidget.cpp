// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree widget: rebuild state and what a user's pick reports.
#include "groups/GroupTreeWidget.h"

#include <QSignalSpy>
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
            QCOMPARE(tree.topLevelItemCount(), 1);
            QTreeWidgetItem* root = tree.topLevelItem(0);
            QCOMPARE(root->text(0), u"全部分组"_s);
            QVERIFY(root->isExpanded());
            QCOMPARE(tree.currentItem(), root);
            QCOMPARE(tree.selectedGroupId(), 1);
            QCOMPARE(root->childCount(), 2);
            QCOMPARE(root->child(0)->text(0) + root->child(0)->child(0)->text(0), u"同事项目组"_s);
            QCOMPARE(root->child(0)->isExpanded(), expandAll);
        }
    }

    void rebuildReportsNothingButAPickDoes()
    {
        QSignalSpy chosen(&tree, &GroupTreeWidget::groupChosen);
        tree.rebuild(groups, true);
        QCOMPARE(chosen.count(), 0);
        const QPoint friends = tree.visualItemRect(tree.topLevelItem(0)->child(1)).center();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, friends);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.last().first().toLongLong(), 3);
        QCOMPARE(tree.selectedGroupId(), 3);
        // Clicking the node already selected lists it again.
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, friends);
        QCOMPARE(chosen.count(), 2);
        QTest::keyClick(tree.viewport(), Qt::Key_Up);
        QCOMPARE(chosen.count(), 3);
        QCOMPARE(chosen.last().first().toLongLong(), 4);
    }

    void deepChainExpandsAtStartAndByStarWithoutExhaustingTheStack()
    {
        std::vector<GroupNode> chain;
        const qint64 depth = 100000;
        for (qint64 id = 2; id <= depth + 1; ++id)
            chain.push_back({id, id - 1, QString::number(id)});
        // At start-up with IsExpanded on.
        tree.rebuild(chain, true);
        QCOMPARE(qint64(chainOf(tree).size()), depth + 1);
        QVERIFY(expandedDownToTheLimit(tree));
        // A node far below the limit whose parent is closed stays closed.
        chainOf(tree).back()->parent()->setExpanded(true);
        QVERIFY(!chainOf(tree).back()->parent()->isExpanded());

        // Rebuilt collapsed (the deep tree is taken down), then "*" on the root.
        tree.rebuild(chain, false);
        QVERIFY(!chainOf(tree)[1]->isExpanded());
        tree.scrollToItem(chainOf(tree)[1]);
        tree.viewport()->repaint();
        tree.setFocus();
        QTest::keyClick(&tree, Qt::Key_Asterisk);
        QVERIFY(expandedDownToTheLimit(tree));
        // The keypad's "*" as well, from a node in the middle of the collapsed chain.
        tree.rebuild(chain, false);
        chainOf(tree)[1]->setExpanded(true);
        tree.setCurrentItem(chainOf(tree)[2]);
        QTest::keyClick(&tree, Qt::Key_Asterisk, Qt::KeypadModifier);
        QVERIFY(expandedDownToTheLimit(tree));
    }
};

QTEST_MAIN(TestGroupTreeWidget)
#include "tst_grouptreewidget.moc"
