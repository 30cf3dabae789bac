// SPDX-License-Identifier: GPL-3.0-or-later
// Times the main window's group tree build with every node expanded, and the list's
// one-line display text, each beside what Qt alone pays for the same work.
//
// usage: bench_window [--runs n]
#include "BenchSupport.h"

#include "contacts/CellColumn.h"
#include "contacts/VisibleText.h"
#include "groups/GroupTreeWidget.h"

#include <QApplication>
#include <QStringList>
#include <QTextStream>
#include <QTreeWidget>

#include <optional>

namespace {

struct Shape {
    QString name;
    std::vector<GroupNode> groups; // pre-order, as GroupTree::arrange gives them
    // Whether Qt alone can do the same work: not where the window stops expanding at
    // GroupTreeWidget::deepestExpandedLevel (and Qt's expandAll() would overflow the stack
    // on a chain some 26,000 deep).
    bool qtCanExpand = true;
};

// Ten groups under the root, ten under each, two under each of those: 310 groups.
Shape bushy()
{
    Shape shape{QStringLiteral("310 groups in three levels"), {}, true};
    qint64 next = 2;
    for (int a = 0; a < 10; ++a) {
        const qint64 first = next++;
        shape.groups.push_back({first, 1, QStringLiteral("分组%1").arg(first)});
        for (int b = 0; b < 10; ++b) {
            const qint64 second = next++;
            shape.groups.push_back({second, first, QStringLiteral("分组%1").arg(second)});
            for (int c = 0; c < 2; ++c) {
                const qint64 third = next++;
                shape.groups.push_back({third, second, QStringLiteral("分组%1").arg(third)});
            }
        }
    }
    return shape;
}

Shape flat(int count)
{
    Shape shape{QStringLiteral("%1 groups under the root").arg(count), {}, true};
    for (qint64 id = 2; id < count + 2; ++id)
        shape.groups.push_back({id, 1, QStringLiteral("分组%1").arg(id)});
    return shape;
}

Shape chain(int depth)
{
    Shape shape{QStringLiteral("a chain %1 deep").arg(depth),
                {},
                depth <= GroupTreeWidget::deepestExpandedLevel};
    for (qint64 id = 2; id < depth + 2; ++id)
        shape.groups.push_back({id, id - 1, QString::number(id)});
    return shape;
}

// The least a tree widget costs for the same nodes: items added one by one as the old
// build did, expandAll(), one layout.
void qtAlone(QTreeWidget& tree, const std::vector<GroupNode>& groups)
{
    tree.clear();
    auto* root = new QTreeWidgetItem(&tree, {QStringLiteral("全部分组")});
    QHash<qint64, QTreeWidgetItem*> items{{1, root}};
    for (const GroupNode& group : groups)
        items.insert(group.id, new QTreeWidgetItem(items.value(group.parentId), {group.name}));
    tree.expandAll();
    tree.setCurrentItem(root);
    tree.visualItemRect(root); // runs the pending layout
}

void measureTree(const Shape& shape, int runs)
{
    GroupTreeWidget ours;
    QTreeWidget floor;
    for (QTreeWidget* tree : {static_cast<QTreeWidget*>(&ours), &floor}) {
        tree->resize(220, 400);
        tree->setHeaderHidden(true);
        tree->setUniformRowHeights(true);
        tree->show();
    }
    const auto build = [&] {
        ours.rebuild(shape.groups, true);
        ours.visualItemRect(ours.topLevelItem(0));
    };
    const qint64 n = qint64(shape.groups.size());
    if (shape.qtCanExpand) {
        const Bench::Medians medians =
            Bench::compare(runs, build, [&] { qtAlone(floor, shape.groups); });
        Bench::printRow(QStringLiteral("group tree, all expanded: ") + shape.name, n, medians.ours,
                        medians.floor);
    } else {
        std::vector<double> times;
        for (int run = 0; run <= runs; ++run) {
            const double ms = Bench::elapsedMs(build);
            if (run > 0)
                times.push_back(ms);
        }
        Bench::printRow(QStringLiteral("group tree, expanded to level 1000: ") + shape.name, n,
                        Bench::median(times));
    }

    // "*" on the collapsed root.
    std::vector<double> starMs;
    for (int run = 0; run <= runs; ++run) {
        ours.rebuild(shape.groups, false);
        ours.visualItemRect(ours.topLevelItem(0));
        const double ms = Bench::elapsedMs([&] {
            ours.expandBranch(ours.topLevelItem(0));
            ours.visualItemRect(ours.topLevelItem(0));
        });
        if (run > 0)
            starMs.push_back(ms);
    }
    Bench::printRow(QStringLiteral("group tree, \"*\" on the root: ") + shape.name, n,
                    Bench::median(starMs));
}

// The display text of every cell of a column of 100,000 names, a tenth of them holding a
// line break, against copying the cells out as the list did before.
void measureDisplayText(int runs)
{
    CellColumn names;
    const int rows = 100000;
    for (int row = 0; row < rows; ++row)
        names.push_back(row % 10 == 0 ? QStringLiteral("欧阳\n明月%1").arg(row)
                                      : QStringLiteral("欧阳明月%1").arg(row));
    qsizetype sink = 0;
    const Bench::Medians medians = Bench::compare(
        runs,
        [&] {
            for (std::size_t row = 0; row < names.size(); ++row)
                sink += VisibleText::oneLine(names.view(row)).size();
        },
        [&] {
            for (std::size_t row = 0; row < names.size(); ++row)
                sink += names.view(row).toString().size();
        });
    Bench::printRow(QStringLiteral("list display text of every cell, one in ten with a break"),
                    rows, medians.ours, medians.floor);
    if (sink == 0)
        Bench::fail(QStringLiteral("nothing was read"));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype runsAt = arguments.indexOf(QStringLiteral("--runs"));
    const int runs = runsAt >= 0 && runsAt + 1 < arguments.size()
                         ? std::max(1, arguments[runsAt + 1].toInt())
                         : 7;

    for (const Shape& shape : {bushy(), flat(30000), chain(1000), chain(100000)})
        measureTree(shape, runs);
    measureDisplayText(runs);
    return 0;
}
