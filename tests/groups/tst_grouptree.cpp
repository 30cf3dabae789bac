// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of reading the groups into the order the tree shows them.
#include "TestDatabase.h"

#include "groups/GroupTree.h"

#include <QTest>

using namespace Qt::StringLiterals;

static QString namesOf(const std::vector<GroupNode>& nodes)
{
    QStringList names;
    for (const GroupNode& node : nodes)
        names << node.name;
    return names.join(u' ');
}

class TestGroupTree : public QObject {
    Q_OBJECT

private slots:
    void loadOrdersByNumberThenIdDepthFirst()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        book.run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (4, 1, 1, 'd'), "
                 "(2, 1, 1, 'b'), (3, 1, -7, 'c'), (6, 2, 0, 'f'), (5000000000, 1, 2, 'g')"_s);
        const auto groups = GroupTree::load(book.db());
        QVERIFY(groups.ok());
        QCOMPARE(namesOf(groups.value()), u"c b f d g"_s);
        QCOMPARE(groups.value()[2].parentId, 2);
        QCOMPARE(groups.value()[4].id, 5000000000);
    }

    // Rows are "ID:parent", in the Number-then-ID order they are read in.
    void arrange_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pre-order") << u"5:4 9:1 2:1 1:-1 4:2 3:2"_s << u"9 2 4 5 3"_s;
        QTest::newRow("cut off from the root")
            << u"2:1 20:999 21:21 22:23 23:22 24:26 25:24 26:25 27:20 28:0 29:-1 1:2"_s << u"2"_s;
        QTest::newRow("repeated ID placed once") << u"2:1 2:2 3:2"_s << u"2 3"_s;
        QTest::newRow("64-bit IDs") << u"4294967297:1 3:1 2:4294967297"_s << u"4294967297 2 3"_s;
        QStringList chain, ids;
        for (int id = 2; id <= 100001; ++id) {
            chain << u"%1:%2"_s.arg(id).arg(id - 1);
            ids << QString::number(id);
        }
        QTest::newRow("chain too deep for the call stack") << chain.join(u' ') << ids.join(u' ');
    }

    void arrange()
    {
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        std::vector<GroupNode> nodes;
        for (const QString& row : rows.split(u' ')) {
            const QStringList pair = row.split(u':');
            nodes.push_back({pair[0].toLongLong(), pair[1].toLongLong(), pair[0]});
        }
        QCOMPARE(namesOf(GroupTree::arrange(nodes)), expected);
    }
};

QTEST_GUILESS_MAIN(TestGroupTree)
#include "tst_grouptree.moc"
