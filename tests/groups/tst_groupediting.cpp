// SPDX-License-Identifier: GPL-3.0-or-later
// Groups without a window: the tree's order, the checks and the writes.
#include "TestDatabase.h"

#include "contacts/ContactCommands.h"
#include "groups/GroupEditing.h"
#include "groups/GroupTree.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestGroupEditing : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    QString table() // the whole table, to prove a refusal wrote nothing
    {
        return book
            ->scalar(u"SELECT group_concat(ID||':'||PID||':'||Number||':'||Name, ' ') "
                     "FROM (SELECT * FROM Vardelin_Type ORDER BY ID)"_s)
            .toString();
    }
    template <typename Items> static QString names(const Items& items)
    {
        QStringList names;
        for (const auto& item : items)
            names << item.name;
        return names.join(u' ');
    }

private slots:
    // 同事 > 项目组 > 小组 (another account's contact); 朋友 is empty; 环甲 and 环乙 a loop.
    void init()
    {
        QVERIFY2(book.emplace(TestDatabase::backendOfRow()).ok(), qPrintable(book->error()));
        book->run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (10, 1, 2, '同事'), "
                  "(11, 10, 1, '项目组'), (12, 11, 1, '小组'), (13, 1, 1, '朋友'), "
                  "(50, 51, 1, '环甲'), (51, 50, 1, '环乙')"_s);
        book->addContact({{u"Name"_s, u"张三"_s}, {u"TID"_s, 12}, {u"UID"_s, 2}});
    }

    // Depth first, by Number then ID; the loop is cut off from the root.
    void loadOrdersByNumberThenIdDepthFirst()
    {
        book->run(
            u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (5000000000, 13, -7, '大')"_s);
        const auto groups = GroupTree::load(book->db());
        QVERIFY(groups.ok());
        QCOMPARE(names(groups.value()), u"朋友 大 同事 项目组 小组"_s);
        QCOMPARE(groups.value()[1].id, 5000000000);
        QCOMPARE(groups.value()[1].parentId, 13);
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
        QCOMPARE(names(GroupTree::arrange(nodes)), expected);
    }

    void saveChecksThenWrites_data()
    {
        QTest::addColumn<qint64>("id"); // 0: a new group
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("parent"); // -1: none chosen
        QTest::addColumn<QString>("refusal");
        const QString range = u"分组编号必须是-32768到32767之间的整数！"_s;
        const QString ownBranch = u"不能把分组移到它自己的下级分组中！"_s;
        const auto add = [](const char* tag, const QString& number, const QString& refusal,
                            const QString& name = u"新组"_s, qint64 parent = 1) {
            QTest::newRow(tag) << 0ll << number << name << parent << refusal;
        };
        const auto edit = [](const char* tag, qint64 id, qint64 parent, const QString& refusal) {
            QTest::newRow(tag) << id << u"5"_s << u"改名"_s << parent << refusal;
        };
        add("smallest", u"-32768"_s, {});
        add("largest", u"32767"_s, {});
        add("blanks around", u" 12 "_s, {});
        add("too large", u"32768"_s, range);
        add("too small", u"-32769"_s, range);
        add("huge", u"99999999999999999999"_s, range);
        add("fraction", u"1.5"_s, range);
        add("text", u"一"_s, range);
        add("quote", u"1'"_s, range);
        add("no number", u""_s, u"分组编号为必填，不能为空！此分组编号用于排序！"_s);
        add("number checked before name", u"x"_s, range, u""_s);
        add("no name", u"1"_s, u"分组名称为必填，不能为空！"_s, u""_s);
        add("no parent", u"1"_s, u"上级分组必须选择！"_s, u"新组"_s, -1);
        add("quotes kept", u"1"_s, {}, u"家人 'O\"Neil' 100%"_s, 13);
        add("parent gone", u"1"_s, u"上级分组已被删除，请重新选择！"_s, u"新"_s, 99);
        edit("into itself", 11, 11, ownBranch);
        edit("into its subgroup", 11, 12, ownBranch);
        edit("elsewhere", 11, 13, {});
        edit("into a loop not reaching it", 11, 50, {});
        edit("edited row gone", 99, 1, u"分组已被删除，无法保存！"_s);
    }
    void saveChecksThenWrites()
    {
        QFETCH(qint64, id);
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(qint64, parent);
        QFETCH(QString, refusal);
        const QString before = table();
        const auto parentId = parent < 0 ? std::nullopt : std::optional<qint64>(parent);
        auto saved = GroupEditing::save(book->db(), {id != 0, id, number, name, parentId});
        QVERIFY(saved.ok());
        QCOMPARE(saved.value().refusal, refusal);
        if (!refusal.isEmpty()) {
            QCOMPARE(table(), before);
            return;
        }
        QCOMPARE(book->scalar(u"SELECT PID||' '||Number||' '||Name FROM Vardelin_Type WHERE ID = "
                              "ifnull(nullif(?, 0), (SELECT max(ID) FROM Vardelin_Type))"_s,
                              {id}),
                 u"%1 %2 %3"_s.arg(parent).arg(number.trimmed(), name));
    }

    void deletionIsRefusedWhileTheDatabaseHoldsSubgroupsOrContacts_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("root") << 1ll << u"根级分组不能删除！"_s;
        QTest::newRow("subgroups") << 11ll << u"存在下级分组不能删除！"_s;
        QTest::newRow("another account's contact") << 12ll << u"分组中存在联系人不能删除！"_s;
        QTest::newRow("empty") << 13ll << QString();
    }
    void deletionIsRefusedWhileTheDatabaseHoldsSubgroupsOrContacts()
    {
        QFETCH(qint64, id);
        QFETCH(QString, refusal);
        QCOMPARE(GroupEditing::deletionProblem(book->db(), id).value().value_or(QString()),
                 refusal);
        QCOMPARE(GroupEditing::remove(book->db(), id).value().refusal, refusal);
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Type WHERE ID = ?"_s, {id}).toInt(),
                 refusal.isEmpty() ? 0 : 1);
    }

    // Another program's save putting a contact into the group holds the deletion off until it
    // commits (then the deletion sees the contact), and a deletion holds off a move into the
    // group: no contact is left without its group.
    void deletionWaitsForASaveIntoTheGroup_data() { TestDatabase::addBackendRows(); }
    void deletionWaitsForASaveIntoTheGroup()
    {
        Database other;
        QVERIFY(other.open(book->path()) && TestDatabase::waitBriefly(other));
        Result<GroupOutcome> meanwhile = GroupOutcome{};
        Result<bool> moved = false;
        QVERIFY(book->db().writeTransaction([&] {
            const Status added = book->db().exec(
                u"INSERT INTO Vardelin_Contact (UID, TID, Name) VALUES (1, 13, '新人')"_s);
            meanwhile = GroupEditing::remove(other, 13);
            moved = ContactCommands::moveContacts(other, {1}, 13);
            return added;
        }));
        QCOMPARE(meanwhile.error().number, SqliteCode::Busy);
        QCOMPARE(moved.error().number, SqliteCode::Busy);
        QCOMPARE(GroupEditing::remove(other, 13).value().refusal, u"分组中存在联系人不能删除！"_s);
    }
};

QTEST_GUILESS_MAIN(TestGroupEditing)
#include "tst_groupediting.moc"
