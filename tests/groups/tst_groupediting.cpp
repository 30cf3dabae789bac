// SPDX-License-Identifier: GPL-3.0-or-later
// Group maintenance without a window: choices, checks and writes.
#include "TestDatabase.h"

#include "groups/GroupEditing.h"

#include <QTest>

namespace {

QStringList names(const std::vector<GroupChoice>& choices)
{
    QStringList result;
    for (const GroupChoice& choice : choices)
        result << choice.name;
    return result;
}

} // namespace

class TestGroupEditing : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void choicesLeaveOutTheEditedGroupOrTheRoot();
    void numberMustBeAWhole16BitNumber_data();
    void numberMustBeAWhole16BitNumber();
    void parentWithinTheGroupIsRefused();
    void vanishedRowsAreRefusedAndNothingWritten();
    void deletionIsRefusedWhileTheDatabaseHoldsSubgroupsOrContacts();

private:
    qint64 rowCount()
    {
        return m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type")).toLongLong();
    }
    GroupInput edit(qint64 id, qint64 parentId)
    {
        return {true, id, QStringLiteral("5"), QStringLiteral("改名"), parentId};
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_work = 0;    // 同事, Number 2
    qint64 m_team = 0;    // 项目组 under 同事
    qint64 m_sub = 0;     // 小组 under 项目组
    qint64 m_friends = 0; // 朋友, Number 1
};

void TestGroupEditing::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_work = m_data->addGroup(1, 2, QStringLiteral("同事"));
    m_team = m_data->addGroup(m_work, 1, QStringLiteral("项目组"));
    m_sub = m_data->addGroup(m_team, 1, QStringLiteral("小组"));
    m_friends = m_data->addGroup(1, 1, QStringLiteral("朋友"));
}

void TestGroupEditing::cleanup()
{
    m_data.reset();
}

void TestGroupEditing::choicesLeaveOutTheEditedGroupOrTheRoot()
{
    const QString rootName =
        m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Type WHERE ID = 1")).toString();
    // The root's Number is the password suffix: wherever it sorts, every other
    // group keeps Number order, equal Numbers by ID.
    QStringList expected{QStringLiteral("项目组"), QStringLiteral("小组"), QStringLiteral("朋友"),
                         QStringLiteral("同事")};
    auto targets = GroupEditing::moveTargets(m_data->db());
    QVERIFY(targets.ok());
    QCOMPARE(names(targets.value()), expected);

    auto parents = GroupEditing::parentCandidates(m_data->db(), m_team);
    QVERIFY(parents.ok());
    QStringList withoutTeam = names(parents.value());
    QVERIFY(withoutTeam.removeOne(rootName));
    QCOMPARE(withoutTeam,
             (QStringList{QStringLiteral("小组"), QStringLiteral("朋友"), QStringLiteral("同事")}));
    // Adding offers everything, the root included.
    QCOMPARE(GroupEditing::parentCandidates(m_data->db(), 0).value().size(), 5u);
}

void TestGroupEditing::numberMustBeAWhole16BitNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("smallest") << QStringLiteral("-32768") << true;
    QTest::newRow("largest") << QStringLiteral("32767") << true;
    QTest::newRow("blanks around") << QStringLiteral(" 12 ") << true;
    QTest::newRow("too large") << QStringLiteral("32768") << false;
    QTest::newRow("too small") << QStringLiteral("-32769") << false;
    QTest::newRow("huge") << QStringLiteral("99999999999999999999") << false;
    QTest::newRow("fraction") << QStringLiteral("1.5") << false;
    QTest::newRow("text") << QStringLiteral("一") << false;
    QTest::newRow("quote") << QStringLiteral("1'") << false;
}

void TestGroupEditing::numberMustBeAWhole16BitNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(GroupEditing::parseNumber(text).has_value(), accepted);
    const qint64 before = rowCount();
    auto saved = GroupEditing::save(m_data->db(), {false, 0, text, QStringLiteral("新组"), 1});
    QVERIFY(saved.ok());
    QCOMPARE(saved.value().done(), accepted);
    if (!accepted)
        QCOMPARE(saved.value().refusal, QStringLiteral("分组编号必须是-32768到32767之间的整数！"));
    QCOMPARE(rowCount(), before + (accepted ? 1 : 0));
}

void TestGroupEditing::parentWithinTheGroupIsRefused()
{
    for (qint64 inside : {m_team, m_sub}) {
        auto saved = GroupEditing::save(m_data->db(), edit(m_team, inside));
        QVERIFY(saved.ok());
        QCOMPARE(saved.value().refusal, QStringLiteral("不能把分组移到它自己的下级分组中！"));
    }
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT PID FROM Vardelin_Type WHERE ID = ?"), {m_team})
                 .toLongLong(),
             m_work);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Type WHERE ID = ?"), {m_team})
                 .toString(),
             QStringLiteral("项目组"));

    // Moving the branch elsewhere is fine, and so is a loop that never
    // reaches the edited group.
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES "
                               "(50, 51, 1, '环甲'), (51, 50, 1, '环乙')"));
    QVERIFY(GroupEditing::isWithin(m_data->db(), 50, m_team).ok());
    QVERIFY(!GroupEditing::isWithin(m_data->db(), 50, m_team).value());
    auto moved = GroupEditing::save(m_data->db(), edit(m_team, m_friends));
    QVERIFY(moved.ok() && moved.value().done());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT PID FROM Vardelin_Type WHERE ID = ?"), {m_team})
                 .toLongLong(),
             m_friends);
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT Number FROM Vardelin_Type WHERE ID = ?"), {m_team})
            .toLongLong(),
        5);
}

void TestGroupEditing::vanishedRowsAreRefusedAndNothingWritten()
{
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {m_friends});
    const qint64 before = rowCount();
    auto gone = GroupEditing::save(m_data->db(), edit(m_friends, 1));
    QVERIFY(gone.ok());
    QCOMPARE(gone.value().refusal, QStringLiteral("分组已被删除，无法保存！"));
    auto orphan = GroupEditing::save(
        m_data->db(), {false, 0, QStringLiteral("1"), QStringLiteral("新"), m_friends});
    QVERIFY(orphan.ok());
    QCOMPARE(orphan.value().refusal, QStringLiteral("上级分组已被删除，请重新选择！"));
    QCOMPARE(rowCount(), before);
}

void TestGroupEditing::deletionIsRefusedWhileTheDatabaseHoldsSubgroupsOrContacts()
{
    using GroupEditing::deletionProblem;
    QCOMPARE(deletionProblem(m_data->db(), 1).value(), QStringLiteral("根级分组不能删除！"));
    QCOMPARE(deletionProblem(m_data->db(), m_team).value(),
             QStringLiteral("存在下级分组不能删除！"));
    // Another account's contact counts as much as one's own.
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")},
                        {QStringLiteral("TID"), m_sub},
                        {QStringLiteral("UID"), 2}});
    auto refused = GroupEditing::remove(m_data->db(), m_sub);
    QVERIFY(refused.ok());
    QCOMPARE(refused.value().refusal, QStringLiteral("分组中存在联系人不能删除！"));
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type WHERE ID = ?"), {m_sub})
            .toLongLong(),
        1);

    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact"));
    QCOMPARE(deletionProblem(m_data->db(), m_sub).value(), std::nullopt);
    QVERIFY(GroupEditing::remove(m_data->db(), m_sub).value().done());
    QVERIFY(GroupEditing::remove(m_data->db(), m_team).value().done());
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type WHERE ID IN (?, ?)"),
                          {m_sub, m_team})
                 .toLongLong(),
             0);
}

QTEST_GUILESS_MAIN(TestGroupEditing)
#include "tst_groupediting.moc"
