// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree widget: rebuild state and what a user's pick reports.
#include "groups/GroupTreeWidget.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const std::vector<GroupNode> groups{
    {2, 1, QStringLiteral("同事")},
    {4, 2, QStringLiteral("项目组")},
    {3, 1, QStringLiteral("朋友")},
};

} // namespace

class TestGroupTreeWidget : public QObject {
    Q_OBJECT

private slots:
    void rebuildSelectsTheRootAndExpandsAsAsked();
    void rebuildReportsNothingButAPickDoes();
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

QTEST_MAIN(TestGroupTreeWidget)
#include "tst_grouptreewidget.moc"
