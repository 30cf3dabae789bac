// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting and moving ticked contacts: all or nothing, attachments included.
#include "TestDatabase.h"

#include "contacts/ContactCommands.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestContactCommands : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_data.emplace().ok());
        m_group = m_data->addGroup(1, 1, u"朋友"_s);
        m_other = m_data->addGroup(1, 2, u"同事"_s);
        // Contacts enough that the IDs span more than one statement.
        m_data->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
            "i < 1200) INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, ?, i FROM n"_s,
            {m_group});
        m_ids.clear();
        for (qint64 id = 1; id <= 1200; ++id)
            m_ids.push_back(id);
    }

    void deleteTakesFilesAndHistoryAndSparesTheRest()
    {
        for (qint64 id : {1, 701, 1200, 6}) {
            m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'P', 'x')"_s,
                        {id});
            m_data->run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"_s, {id});
        }
        std::vector<qint64> doomed(m_ids.begin(), m_ids.begin() + 1100);
        doomed.erase(doomed.begin() + 5); // 6 stays
        QVERIFY(ContactCommands::deleteContacts(m_data->db(), doomed).ok());
        QCOMPARE(count(u"Vardelin_Contact"_s), 101);
        QCOMPARE(count(u"Vardelin_Contact"_s, u"ID = 6"_s), 1);
        // The kept contacts' rows remain, the deleted contacts' are gone.
        QCOMPARE(count(u"Vardelin_Files"_s, u"CID IN (6, 1200)"_s), 2);
        QCOMPARE(count(u"Vardelin_History"_s, u"CID IN (6, 1200)"_s), 2);
        QCOMPARE(count(u"Vardelin_Files"_s) + count(u"Vardelin_History"_s), 4);
        QVERIFY(ContactCommands::deleteContacts(m_data->db(), {}).ok());
    }

    void failedDeleteLeavesEveryRow()
    {
        m_data->run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (1, 'x')"_s);
        // The failing row is in the third statement: the first two must come back.
        failOn(u"DELETE"_s, 1101);
        const Status deleted = ContactCommands::deleteContacts(m_data->db(), m_ids);
        QVERIFY(!deleted);
        QVERIFY(deleted.error().description.contains(u"refused"_s));
        QCOMPARE(count(u"Vardelin_Contact"_s), 1200);
        QCOMPARE(count(u"Vardelin_History"_s), 1);
    }

    void moveFilesTheContactsUnderTheGroupOrNone()
    {
        auto moved = ContactCommands::moveContacts(m_data->db(), {2, 4, 1200}, m_other);
        QVERIFY(moved.ok() && moved.value());
        QCOMPARE(count(u"Vardelin_Contact"_s, u"TID = %1 AND ID IN (2, 4, 1200)"_s.arg(m_other)),
                 3);
        QCOMPARE(count(u"Vardelin_Contact"_s, u"TID = %1"_s.arg(m_other)), 3);
        failOn(u"UPDATE"_s, 1101);
        QVERIFY(!ContactCommands::moveContacts(m_data->db(), m_ids, m_group).ok());
        QCOMPARE(count(u"Vardelin_Contact"_s, u"TID = %1"_s.arg(m_other)), 3);
        m_data->run(u"DROP TRIGGER refuse"_s);
        QVERIFY(ContactCommands::moveContacts(m_data->db(), m_ids, m_other).value());
        QCOMPARE(count(u"Vardelin_Contact"_s, u"TID = %1"_s.arg(m_other)), 1200);
        // A group deleted meanwhile takes nobody.
        m_data->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {m_group});
        moved = ContactCommands::moveContacts(m_data->db(), {1, 2}, m_group);
        QVERIFY(moved.ok() && !moved.value());
        QCOMPARE(count(u"Vardelin_Contact"_s, u"TID = %1"_s.arg(m_other)), 1200);
    }

private:
    qint64 count(const QString& table, const QString& where = u"1"_s)
    {
        return m_data->scalar(u"SELECT count(*) FROM %1 WHERE %2"_s.arg(table, where)).toLongLong();
    }
    // A trigger that fails the statement once it reaches the contact.
    void failOn(const QString& event, qint64 contactId)
    {
        m_data->run(u"CREATE TRIGGER refuse BEFORE %1 ON Vardelin_Contact WHEN OLD.ID = %2 "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(event)
                        .arg(contactId));
    }

    std::optional<TestDatabase> m_data;
    std::vector<qint64> m_ids;
    qint64 m_group = 0;
    qint64 m_other = 0;
};

QTEST_GUILESS_MAIN(TestContactCommands)
#include "tst_contactcommands.moc"
