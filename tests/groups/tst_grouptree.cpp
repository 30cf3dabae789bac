// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of reading the groups into the order the tree shows them.
#include "TestDatabase.h"

#include "groups/GroupTree.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<qint64> idsOf(const std::vector<GroupNode>& nodes)
{
    QList<qint64> ids;
    for (const GroupNode& node : nodes)
        ids << node.id;
    return ids;
}

QStringList namesOf(const std::vector<GroupNode>& nodes)
{
    QStringList names;
    for (const GroupNode& node : nodes)
        names << node.name;
    return names;
}

std::vector<GroupNode> loaded(TestDatabase& book)
{
    auto groups = GroupTree::load(book.db());
    if (!groups) {
        qWarning("GroupTree::load failed: %s", qPrintable(groups.error().description));
        return {};
    }
    return std::move(groups).value();
}

} // namespace

class TestGroupTree : public QObject {
    Q_OBJECT

private slots:
    void onlyTheRootGivesAnEmptyTree();
    void siblingsAreOrderedByNumberThenId();
    void subtreeComesBeforeTheNextSibling();
    void groupsCutOffFromTheRootAreLeftOut_data();
    void groupsCutOffFromTheRootAreLeftOut();
    void deepChainLoads();
    void largeIdentifiersLoad();
    void arrangeOrdersHandMadeRows_data();
    void arrangeOrdersHandMadeRows();
};

void TestGroupTree::onlyTheRootGivesAnEmptyTree()
{
    TestDatabase book;
    QVERIFY(book.ok());
    auto groups = GroupTree::load(book.db());
    QVERIFY(groups.ok());
    QVERIFY(groups.value().empty());
}

void TestGroupTree::siblingsAreOrderedByNumberThenId()
{
    TestDatabase book;
    QVERIFY(book.ok());
    const qint64 c = book.addGroup(1, 3, u"C"_s);
    const qint64 a1 = book.addGroup(1, 1, u"A1"_s);
    const qint64 b = book.addGroup(1, 2, u"B"_s);
    const qint64 a2 = book.addGroup(1, 1, u"A2"_s);
    const qint64 first = book.addGroup(1, -7, u"negative"_s);
    const qint64 big = book.addGroup(1, 100000, u"large"_s);

    const auto groups = loaded(book);
    QCOMPARE(idsOf(groups), (QList<qint64>{first, a1, a2, b, c, big}));
    QCOMPARE(namesOf(groups),
             (QStringList{u"negative"_s, u"A1"_s, u"A2"_s, u"B"_s, u"C"_s, u"large"_s}));
    for (const GroupNode& node : groups)
        QCOMPARE(node.parentId, 1);

    // Renumbered to tie, the latest group goes after the others with that Number
    // and the earliest before them.
    book.run(u"UPDATE Vardelin_Type SET Number = 1 WHERE ID IN (?, ?)"_s, {big, c});
    QCOMPARE(idsOf(loaded(book)), (QList<qint64>{first, c, a1, a2, big, b}));
}

void TestGroupTree::subtreeComesBeforeTheNextSibling()
{
    TestDatabase book;
    QVERIFY(book.ok());
    // 朋友 (2)            同事 (1)
    //   大学 (2)             项目 (1)
    //     室友 (1)
    //   中学 (1)
    const qint64 friends = book.addGroup(1, 2, u"朋友"_s);
    const qint64 colleagues = book.addGroup(1, 1, u"同事"_s);
    const qint64 college = book.addGroup(friends, 2, u"大学"_s);
    const qint64 school = book.addGroup(friends, 1, u"中学"_s);
    const qint64 project = book.addGroup(colleagues, 1, u"项目"_s);
    const qint64 roommates = book.addGroup(college, 1, u"室友"_s);

    const auto groups = loaded(book);
    QCOMPARE(idsOf(groups),
             (QList<qint64>{colleagues, project, friends, school, college, roommates}));
    QCOMPARE(groups[1].parentId, colleagues);
    QCOMPARE(groups[5].parentId, college);
}

void TestGroupTree::groupsCutOffFromTheRootAreLeftOut_data()
{
    QTest::addColumn<QStringList>("statements");

    QTest::newRow("parent does not exist")
        << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (20, 999, 0, '孤儿')"_s};
    QTest::newRow("own parent") << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                                               "VALUES (20, 20, 0, '自己')"_s};
    QTest::newRow("each other's parent")
        << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (20, 21, 0, '甲')"_s,
                       u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (21, 20, 0, '乙')"_s};
    QTest::newRow("loop of three")
        << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (20, 22, 0, '甲')"_s,
                       u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (21, 20, 0, '乙')"_s,
                       u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (22, 21, 0, '丙')"_s};
    QTest::newRow("no parent at all")
        << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (20, NULL, 0, '无')"_s};
    QTest::newRow("child of the root's parent")
        << QStringList{u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                       "VALUES (20, -1, 0, '根外')"_s};
}

void TestGroupTree::groupsCutOffFromTheRootAreLeftOut()
{
    QFETCH(QStringList, statements);
    TestDatabase book;
    QVERIFY(book.ok());
    const qint64 kept = book.addGroup(1, 5, u"正常"_s);
    const qint64 keptChild = book.addGroup(kept, 1, u"正常子组"_s);
    for (const QString& statement : statements)
        book.run(statement);
    // A child hanging under the cut-off group goes with it.
    const qint64 orphanChild = book.addGroup(20, 0, u"孤儿的子组"_s);
    QVERIFY(orphanChild > 20);

    const auto groups = loaded(book);
    QCOMPARE(idsOf(groups), (QList<qint64>{kept, keptChild}));
    // The rows themselves stay in the database.
    QCOMPARE(book.scalar(u"SELECT count(*) FROM Vardelin_Type"_s).toInt(),
             3 + statements.size() + 1);
}

void TestGroupTree::deepChainLoads()
{
    TestDatabase book;
    QVERIFY(book.ok());
    constexpr int depth = 5000;
    QList<qint64> expected;
    const Status built = book.db().transaction([&]() -> Status {
        qint64 parent = 1;
        for (int level = 0; level < depth; ++level) {
            // Numbers fall as the chain deepens, so Number order is the reverse
            // of the tree's order.
            const Status added =
                book.db().exec(u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (?, ?, ?)"_s,
                               {parent, depth - level, QString::number(level)});
            if (!added)
                return added;
            parent = book.scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
            expected << parent;
        }
        return {};
    });
    QVERIFY(built.ok());

    const auto groups = loaded(book);
    QCOMPARE(idsOf(groups), expected);
    QCOMPARE(groups.back().name, QString::number(depth - 1));
}

void TestGroupTree::largeIdentifiersLoad()
{
    TestDatabase book;
    QVERIFY(book.ok());
    book.run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (70000, 1, 1, '七万')"_s);
    book.run(
        u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (40000, 70000, 1, '四万')"_s);
    const auto groups = loaded(book);
    QCOMPARE(idsOf(groups), (QList<qint64>{70000, 40000}));
    QCOMPARE(groups[1].parentId, 70000);
}

// Rows as they come from the database: sorted by Number then ID, so a child
// may come before its parent.
void TestGroupTree::arrangeOrdersHandMadeRows_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<QList<qint64>>("parents");
    QTest::addColumn<QList<qint64>>("expected");

    QTest::newRow("nothing") << QList<qint64>{} << QList<qint64>{} << QList<qint64>{};
    QTest::newRow("root row alone") << QList<qint64>{1} << QList<qint64>{-1} << QList<qint64>{};
    QTest::newRow("children before their parents")
        << QList<qint64>{5, 2, 1, 4, 3} << QList<qint64>{4, 1, -1, 1, 2}
        << QList<qint64>{2, 3, 4, 5};
    QTest::newRow("input order decides among siblings")
        << QList<qint64>{9, 3, 7} << QList<qint64>{1, 1, 1} << QList<qint64>{9, 3, 7};
    QTest::newRow("root listed with a parent of its own")
        << QList<qint64>{1, 2} << QList<qint64>{2, 1} << QList<qint64>{2};
    QTest::newRow("unreachable rows dropped, reachable kept")
        << QList<qint64>{2, 3, 4, 5, 6} << QList<qint64>{1, 3, 5, 4, 2} << QList<qint64>{2, 6};
    QTest::newRow("a repeated identifier is placed once")
        << QList<qint64>{2, 2, 3} << QList<qint64>{1, 2, 2} << QList<qint64>{2, 3};
    QTest::newRow("large identifiers")
        << QList<qint64>{5000000000, 70000, 40000} << QList<qint64>{70000, 1, 70000}
        << QList<qint64>{70000, 5000000000, 40000};
}

void TestGroupTree::arrangeOrdersHandMadeRows()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QList<qint64>, parents);
    QFETCH(QList<qint64>, expected);
    QCOMPARE(ids.size(), parents.size());
    std::vector<GroupNode> rows;
    for (qsizetype i = 0; i < ids.size(); ++i)
        rows.push_back({ids[i], parents[i], u"组"_s + QString::number(ids[i])});

    const auto arranged = GroupTree::arrange(rows);
    QCOMPARE(idsOf(arranged), expected);
    for (const GroupNode& node : arranged) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const GroupNode& r) { return r.id == node.id; });
        QCOMPARE(node.parentId, row->parentId);
        QCOMPARE(node.name, row->name);
    }
}

QTEST_GUILESS_MAIN(TestGroupTree)
#include "tst_grouptree.moc"
