// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting and moving ticked contacts: all or nothing, attachments included.
#include "TestDatabase.h"

#include "contacts/ContactCommands.h"

#include <QTest>

class TestContactCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deleteTakesFilesAndHistoryAndSparesTheRest();
    void failedDeleteLeavesEveryRow();
    void moveFilesEveryContactUnderTheGroup();
    void failedMoveLeavesEveryGroup();
    void moveToAVanishedGroupWritesNothing();

private:
    qint64 count(const QString& table, const QString& where = QStringLiteral("1"))
    {
        return m_data->scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, where))
            .toLongLong();
    }
    // Contacts enough that the IDs span more than one statement.
    std::vector<qint64> addContacts(int n, qint64 groupId)
    {
        std::vector<qint64> ids;
        const Status added = m_data->db().transaction([&]() -> Status {
            for (int i = 0; i < n; ++i)
                ids.push_back(
                    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲%1").arg(i)},
                                        {QStringLiteral("TID"), groupId}}));
            return {};
        });
        if (!added)
            qFatal("cannot add contacts");
        return ids;
    }
    // A trigger that fails the statement once it reaches the contact.
    void failOn(const QString& event, qint64 contactId)
    {
        m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON Vardelin_Contact "
                                   "WHEN OLD.ID = %2 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .arg(event)
                        .arg(contactId));
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_group = 0;
    qint64 m_other = 0;
};

void TestContactCommands::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_group = m_data->addGroup(1, 1, QStringLiteral("朋友"));
    m_other = m_data->addGroup(1, 2, QStringLiteral("同事"));
}

void TestContactCommands::cleanup()
{
    m_data.reset();
}

void TestContactCommands::deleteTakesFilesAndHistoryAndSparesTheRest()
{
    const std::vector<qint64> ids = addContacts(1200, m_group);
    for (qint64 id : {ids[0], ids[700], ids[1199], ids[5]}) {
        m_data->run(
            QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'P', 'x')"),
            {id});
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"),
                    {id});
    }
    std::vector<qint64> doomed(ids.begin(), ids.begin() + 1100);
    doomed.erase(doomed.begin() + 5); // ids[5] stays
    QVERIFY(ContactCommands::deleteContacts(m_data->db(), doomed).ok());

    QCOMPARE(count(QStringLiteral("Vardelin_Contact")), 101);
    QCOMPARE(count(QStringLiteral("Vardelin_Contact"), QStringLiteral("ID = %1").arg(ids[5])), 1);
    // The kept contacts' rows remain, the deleted contacts' are gone.
    QCOMPARE(count(QStringLiteral("Vardelin_Files")), 2);
    QCOMPARE(count(QStringLiteral("Vardelin_History")), 2);
    QCOMPARE(count(QStringLiteral("Vardelin_Files"),
                   QStringLiteral("CID IN (%1, %2)").arg(ids[5]).arg(ids[1199])),
             2);
    QCOMPARE(count(QStringLiteral("Vardelin_History"),
                   QStringLiteral("CID IN (%1, %2)").arg(ids[5]).arg(ids[1199])),
             2);
    QVERIFY(ContactCommands::deleteContacts(m_data->db(), {}).ok());
}

void TestContactCommands::failedDeleteLeavesEveryRow()
{
    const std::vector<qint64> ids = addContacts(1200, m_group);
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"),
                {ids[0]});
    // The failing row is in the third statement: the first two must come back.
    failOn(QStringLiteral("DELETE"), ids[1100]);
    const Status deleted = ContactCommands::deleteContacts(m_data->db(), ids);
    QVERIFY(!deleted);
    QVERIFY(deleted.error().description.contains(QStringLiteral("refused")));
    QCOMPARE(count(QStringLiteral("Vardelin_Contact")), 1200);
    QCOMPARE(count(QStringLiteral("Vardelin_History")), 1);
}

void TestContactCommands::moveFilesEveryContactUnderTheGroup()
{
    const std::vector<qint64> ids = addContacts(600, m_group);
    const std::vector<qint64> moving{ids[1], ids[3], ids[599]};
    auto moved = ContactCommands::moveContacts(m_data->db(), moving, m_other);
    QVERIFY(moved.ok());
    QVERIFY(moved.value());
    QCOMPARE(count(QStringLiteral("Vardelin_Contact"), QStringLiteral("TID = %1").arg(m_other)), 3);
    QCOMPARE(
        count(QStringLiteral("Vardelin_Contact"), QStringLiteral("TID = %1 AND ID IN (%2, %3, %4)")
                                                      .arg(m_other)
                                                      .arg(ids[1])
                                                      .arg(ids[3])
                                                      .arg(ids[599])),
        3);

    std::vector<qint64> all = ids;
    QVERIFY(ContactCommands::moveContacts(m_data->db(), all, m_other).value());
    QCOMPARE(count(QStringLiteral("Vardelin_Contact"), QStringLiteral("TID = %1").arg(m_other)),
             600);
}

void TestContactCommands::failedMoveLeavesEveryGroup()
{
    const std::vector<qint64> ids = addContacts(700, m_group);
    failOn(QStringLiteral("UPDATE"), ids[650]);
    auto moved = ContactCommands::moveContacts(m_data->db(), ids, m_other);
    QVERIFY(!moved.ok());
    QCOMPARE(count(QStringLiteral("Vardelin_Contact"), QStringLiteral("TID = %1").arg(m_group)),
             700);
}

void TestContactCommands::moveToAVanishedGroupWritesNothing()
{
    const std::vector<qint64> ids = addContacts(3, m_group);
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {m_other});
    auto moved = ContactCommands::moveContacts(m_data->db(), ids, m_other);
    QVERIFY(moved.ok());
    QVERIFY(!moved.value());
    QCOMPARE(count(QStringLiteral("Vardelin_Contact"), QStringLiteral("TID = %1").arg(m_group)), 3);
}

QTEST_GUILESS_MAIN(TestContactCommands)
#include "tst_contactcommands.moc"
