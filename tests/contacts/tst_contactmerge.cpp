// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts written in bulk: duplicates found and merged, contacts deleted and moved, all or none.
#include "TestDatabase.h"

#include "contacts/ContactCommands.h"
#include "contacts/ContactMerge.h"
#include "contacts/DuplicateFinder.h"
#include "db/PictureBag.h"

#include <QTest>

#include <numeric>

using namespace Qt::StringLiterals;
using Outcome = ContactMerge::Outcome;

class TestContactMerge : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    qint64 count(const QString& sql, const QVariantList& values = {})
    {
        return book->scalar(u"SELECT count(*) FROM "_s + sql, values).toLongLong();
    }
    QString fields(qint64 id, QString columns) // joined by blanks
    {
        columns.replace(u", "_s, u", '')||' '||ifnull("_s);
        return book
            ->scalar(u"SELECT ifnull(%1, '') FROM Vardelin_Contact WHERE ID = ?"_s.arg(columns),
                     {id})
            .toString();
    }
    // Merges other into kept with the choices, by the plan made now or the one given.
    Outcome merge(qint64 kept, qint64 other, const QHash<QString, QVariant>& choices = {},
                  std::optional<ContactMerge::Plan> plan = {})
    {
        if (!plan)
            plan = *ContactMerge::plan(book->db(), 1, kept, {other}).value();
        auto merged = ContactMerge::merge(
            book->db(), {1, kept, {other}, QDate(2026, 12, 7), plan->conflicts, choices});
        return merged ? merged.value() : Outcome(-1);
    }
    void belongTo(qint64 id, const QString& type = u"F"_s)
    {
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, ?, 'x')"_s, {id, type});
        book->run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'x')"_s, {id});
    }
    // A trigger that fails the statement once it reaches the contact (0: any contact).
    void failOn(const QString& event, qint64 contactId = 0)
    {
        book->run(u"CREATE TRIGGER refuse BEFORE %1 ON Vardelin_Contact WHEN %2 IN (0, OLD.ID) "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(event)
                      .arg(contactId));
    }
    // Contacts 1 to 1200 in the group: enough that the IDs span more than one statement.
    std::vector<qint64> fill(qint64 group)
    {
        book->run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                  "i < 1200) INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, ?, i FROM n"_s,
                  {group});
        std::vector<qint64> ids(1200);
        std::iota(ids.begin(), ids.end(), 1);
        return ids;
    }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
    }

    // Contacts as "Field=value|…;…"; the groups found as the contacts' positions.
    void duplicatesFound_data()
    {
        QTest::addColumn<QString>("contacts");
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("expected");
        // Fields without digits are no number; the office phone is not one of the six compared.
        QTest::newRow("numbers by their digits in any field")
            << u"Moblie1=138-0013-8000;Moblie1=13800138001;Tel3=+86 138 0013 8000;Tel1= - ;"
               "Tel1= - ;OfficePhone1=13800138000;Moblie3=00861380013８０００"_s
            << 1 << u"0 2 6"_s;
        // No company on both is the same; Latin letters in any case; nameless ones never match.
        QTest::newRow("names with the same company")
            << u"Name=张三|CompanyName=华信科技;Name= 张三 |CompanyName=华信科技 ;Name=张三|"
               "CompanyName=恒通贸易;Name=Li  Ming;Name=li ming;Name=|CompanyName=x;Name=|CompanyName=x"_s
            << 1 << u"0 1,3 4"_s;
        // 3~0 by name, 0~1 by number, 4~1 by number: one person, found in ID order.
        QTest::newRow("overlapping groups join")
            << u"Name=王五|Tel1=010-66668888;Name=王老五|Tel1=01066668888|Moblie2=13912345678;"
               "Name=赵六;Name=王五;Name=小王|Moblie1=139 1234 5678;Name=赵六"_s
            << 1 << u"0 1 3 4,2 5"_s;
        const QString users = u"UID=2|Moblie1=13800138000;UID=2|Tel1=13800138000;"
                              "UID=3|Moblie1=13800138000"_s;
        QTest::newRow("a user finds only their own") << users << 2 << u"0 1"_s;
        QTest::newRow("a user with one of a number") << users << 3 << QString();
        QTest::newRow("the administrator finds all") << users << 1 << u"0 1 2"_s;
        QTest::newRow("server: overlapping groups join")
            << u"Name=王五|Tel1=010-66668888;Name=王老五|Tel1=01066668888|Moblie2=13912345678;"
               "Name=赵六;Name=王五;Name=小王|Moblie1=139 1234 5678;Name=赵六"_s
            << 1 << u"0 1 3 4,2 5"_s;
        QTest::newRow("server: a user finds only their own") << users << 2 << u"0 1"_s;
    }
    void duplicatesFound()
    {
        QFETCH(QString, contacts);
        QFETCH(int, user);
        QFETCH(QString, expected);
        std::vector<qint64> ids;
        for (const QString& contact : contacts.split(u';')) {
            QVariantMap fields{{u"Name"_s, u"某%1"_s.arg(ids.size())}};
            for (const QString& field : contact.split(u'|'))
                fields.insert(field.section(u'=', 0, 0), field.section(u'=', 1));
            ids.push_back(book->addContact(fields));
        }
        auto found = DuplicateFinder::find(book->db(), user);
        QStringList groups;
        for (const DuplicateGroup& members : found.value()) {
            QStringList positions;
            for (const DuplicateContact& contact : members)
                positions << QString::number(std::ranges::find(ids, contact.id) - ids.begin());
            groups << positions.join(u' ');
        }
        QCOMPARE(groups.join(u','), expected);
    }

    // Only the name differs: the choice kept, empty fields filled, photo and belongings moved.
    void mergeFillsEmptyFieldsKeepsTheChoiceAndMovesBelongings()
    {
        const QByteArray photo = PictureBag::ofPicture("picture bytes");
        const qint64 kept = book->addContact({{u"Name"_s, u"张三"_s},
                                              {u"Sex"_s, u"男"_s},
                                              {u"Moblie1"_s, u"13800138000"_s},
                                              {u"Address"_s, u""_s},
                                              {u"Photo"_s, PictureBag::ofPicture({})}});
        const qint64 other = book->addContact({{u"Name"_s, u"李四"_s},
                                               {u"Sex"_s, u"男 "_s},
                                               {u"Moblie1"_s, u"13912345678"_s},
                                               {u"Moblie2"_s, u"138-0013-8000"_s},
                                               {u"Address"_s, u"北京市"_s},
                                               {u"Photo"_s, photo}});
        belongTo(kept);
        belongTo(other, u"P"_s);
        const ContactMerge::Plan plan = *ContactMerge::plan(book->db(), 1, kept, {other}).value();
        QCOMPARE(plan.conflicts.size(), 1u);
        QCOMPARE(plan.conflicts[0].columns, QStringList{u"Name"_s});
        QCOMPARE(plan.conflicts[0].defaults, std::vector<int>{0});
        QCOMPARE(merge(kept, other, {{u"Name"_s, u"李四"_s}}, plan), Outcome::Merged);
        QCOMPARE(fields(kept, u"Name, Py, Sex, Moblie1, Moblie2, Address, AddDate"_s),
                 u"李四 L 男 13800138000 13912345678 北京市 2026-12-07"_s);
        QCOMPARE(book->scalar(u"SELECT Photo FROM Vardelin_Contact WHERE ID = ?"_s, {kept}), photo);
        QCOMPARE(count(u"Vardelin_Contact"_s), 1);
        QCOMPARE(count(u"Vardelin_Files WHERE CID = ?"_s, {kept}) +
                     count(u"Vardelin_History WHERE CID = ?"_s, {kept}),
                 4);
    }

    // Values beyond the slots are chosen or dropped; a column left without a choice refuses.
    void valuesBeyondTheSlotsAreChosenOrDropped()
    {
        const qint64 kept = book->addContact(
            {{u"Name"_s, u"甲"_s}, {u"Mail1"_s, u"a@x.cn"_s}, {u"Mail2"_s, u"b@x.cn"_s}});
        const qint64 other = book->addContact(
            {{u"Name"_s, u"甲"_s}, {u"Mail1"_s, u"A@X.CN"_s}, {u"Mail2"_s, u"c@x.cn"_s}});
        const ContactMerge::Plan plan = *ContactMerge::plan(book->db(), 1, kept, {other}).value();
        QCOMPARE(plan.conflicts[0].columns, (QStringList{u"Mail1"_s, u"Mail2"_s}));
        QCOMPARE(plan.conflicts[0].candidates.size(), 3u);
        QCOMPARE(plan.conflicts[0].defaults, (std::vector<int>{0, 1}));
        QCOMPARE(merge(kept, other, {{u"Mail1"_s, u"a@x.cn"_s}}, plan), Outcome::Changed);
        QCOMPARE(merge(kept, other, {{u"Mail1"_s, u"c@x.cn"_s}, {u"Mail2"_s, u"a@x.cn"_s}}, plan),
                 Outcome::Merged);
        QCOMPARE(fields(kept, u"Mail1, Mail2"_s), u"c@x.cn a@x.cn"_s);
    }

    // Another user's contact, a failing delete, a contact changed or gone: nothing written.
    void aMergeThatCannotFinishWritesNothing()
    {
        const qint64 kept = book->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 2}});
        const qint64 other =
            book->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 2}, {u"Address"_s, u"上海"_s}});
        const qint64 foreign = book->addContact({{u"Name"_s, u"甲"_s}, {u"UID"_s, 3}});
        belongTo(other);
        QVERIFY(!ContactMerge::plan(book->db(), 2, kept, {foreign}).value());
        const ContactMerge::Plan plan = *ContactMerge::plan(book->db(), 1, kept, {other}).value();
        failOn(u"DELETE"_s);
        QCOMPARE(merge(kept, other, {}, plan), Outcome(-1));
        book->run(u"DROP TRIGGER refuse"_s);
        QCOMPARE(fields(kept, u"Address"_s) + u'|' + QString::number(count(u"Vardelin_Files"_s)),
                 u"|1"_s);
        QCOMPARE(count(u"Vardelin_Contact"_s), 3);
        book->run(u"UPDATE Vardelin_Contact SET Name = '乙' WHERE ID = ?"_s, {other});
        QCOMPARE(merge(kept, other, {}, plan), Outcome::Changed);
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {other});
        QCOMPARE(merge(kept, other, {}, plan), Outcome::Vanished);
        QCOMPARE(fields(kept, u"Address"_s), QString());
    }

    // The lunar mark goes with the birthday kept, and away when a solar one is chosen.
    void theLunarMarkGoesWithTheBirthdayKept()
    {
        const qint64 kept = book->addContact({{u"Name"_s, u"甲"_s}});
        const qint64 other =
            book->addContact({{u"Name"_s, u"甲"_s}, {u"Birthday"_s, u"1980-03-05"_s}});
        book->run(u"INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"_s, {other});
        QCOMPARE(merge(kept, other), Outcome::Merged);
        QVERIFY(fields(kept, u"Birthday"_s).startsWith(u"1980-03-05"_s));
        QCOMPARE(count(u"Vardelin_LunarBirthday WHERE CID = ?"_s, {kept}), 1);
        const qint64 third =
            book->addContact({{u"Name"_s, u"甲"_s}, {u"Birthday"_s, u"1980-04-01"_s}});
        QCOMPARE(merge(kept, third, {{u"Birthday"_s, u"1980-04-01"_s}}), Outcome::Merged);
        QVERIFY(fields(kept, u"Birthday"_s).startsWith(u"1980-04-01"_s));
        QCOMPARE(count(u"Vardelin_LunarBirthday"_s), 0);
    }

    // A delete failing in its third statement leaves every row; one that works takes belongings.
    void deleteTakesBelongingsOrNothing()
    {
        const std::vector<qint64> ids = fill(1);
        for (qint64 id : {1, 701, 1200, 6})
            belongTo(id);
        failOn(u"DELETE"_s, 1101);
        const Status failed = ContactCommands::deleteContacts(book->db(), ids);
        QVERIFY(!failed && failed.error().description.contains(u"refused"_s));
        QCOMPARE(count(u"Vardelin_Contact"_s) + count(u"Vardelin_History"_s), 1204);
        book->run(u"DROP TRIGGER refuse"_s);
        std::vector<qint64> doomed(ids.begin(), ids.begin() + 1100);
        doomed.erase(doomed.begin() + 5); // 6 stays
        QVERIFY(ContactCommands::deleteContacts(book->db(), doomed).ok());
        QCOMPARE(count(u"Vardelin_Contact WHERE ID <= 1100"_s) + count(u"Vardelin_Contact"_s), 102);
        QCOMPARE(count(u"Vardelin_Files WHERE CID IN (6, 1200)"_s) + count(u"Vardelin_History"_s),
                 4);
        QVERIFY(ContactCommands::deleteContacts(book->db(), {}).ok());
    }

    // A file added by another program to the contact a merge removes, in a transaction still
    // open: the merge waits for it (here it gives up, told the book is busy) instead of moving
    // the rows it can see and deleting the contact under the new one.
    void aMergeWaitsForARowBeingAddedToAContactItRemoves_data() { TestDatabase::addBackendRows(); }
    void aMergeWaitsForARowBeingAddedToAContactItRemoves()
    {
        const qint64 kept = book->addContact({{u"Name"_s, u"张三"_s}});
        const qint64 other = book->addContact({{u"Name"_s, u"张三"_s}});
        QVERIFY(TestDatabase::waitBriefly(book->db()));
        Database colleague;
        QVERIFY(colleague.open(book->path()));
        QVERIFY(TestDatabase::beginWrite(colleague));
        QVERIFY(colleague.exec(
            u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'F', 'x')"_s, {other}));
        const ContactMerge::Plan plan = *ContactMerge::plan(book->db(), 1, kept, {other}).value();
        auto merged = ContactMerge::merge(
            book->db(), {1, kept, {other}, QDate(2026, 12, 7), plan.conflicts, {}});
        QCOMPARE(merged.error().number, SqliteCode::Busy);
        QVERIFY(colleague.exec(u"COMMIT"_s));
        QCOMPARE(count(u"Vardelin_Files F WHERE NOT EXISTS "
                       "(SELECT 1 FROM Vardelin_Contact C WHERE C.ID = F.CID)"_s),
                 0);
        QCOMPARE(merge(kept, other), Outcome::Merged);
        QCOMPARE(count(u"Vardelin_Files WHERE CID = ?"_s, {kept}), 1);
    }

    // A move files every contact or none; a group deleted meanwhile takes nobody.
    void moveFilesTheContactsUnderTheGroupOrNone()
    {
        const qint64 group = book->addGroup(1, 1, u"朋友"_s),
                     other = book->addGroup(1, 2, u"同事"_s);
        const std::vector<qint64> ids = fill(group);
        const QString inOther = u"Vardelin_Contact WHERE TID = %1"_s.arg(other);
        QVERIFY(ContactCommands::moveContacts(book->db(), {2, 4, 1200}, other).value());
        QCOMPARE(count(inOther + u" AND ID IN (2, 4, 1200)"_s), 3);
        failOn(u"UPDATE"_s, 1101);
        QVERIFY(!ContactCommands::moveContacts(book->db(), ids, group).ok());
        QCOMPARE(count(inOther), 3);
        book->run(u"DROP TRIGGER refuse"_s);
        QVERIFY(ContactCommands::moveContacts(book->db(), ids, other).value());
        book->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {group});
        auto moved = ContactCommands::moveContacts(book->db(), {1, 2}, group);
        QVERIFY(moved.ok() && !moved.value());
        QCOMPARE(count(inOther), 1200);
    }
};

QTEST_GUILESS_MAIN(TestContactMerge)
#include "tst_contactmerge.moc"
