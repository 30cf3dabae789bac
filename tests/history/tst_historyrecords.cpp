// SPDX-License-Identifier: GPL-3.0-or-later
// History records in the database (their order, failed reads and writes, the texts shown) and what
// start-up reminds of: due follow-ups, near birthdays and anniversaries, the user filter, the day's
// silence and the switch on the page "基本选项".
#include "TestDatabase.h"

#include "admin/SettingsSave.h"
#include "contacts/ContactCommands.h"
#include "history/HistoryRecords.h"
#include "history/ReminderCheck.h"
#include "history/Reminders.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = HistoryRecords::SaveOutcome;

namespace {

const QDate today(2026, 12, 6);

QString day(int offset)
{
    return today.addDays(offset).toString(Qt::ISODate);
}

QString listed(const DueList& due)
{
    QStringList items;
    for (const DueFollowUp& item : due.followUps)
        items << item.name + u':' + item.remark;
    for (const DueDay& item : due.days)
        items << u"%1:%2:%3"_s.arg(item.name, item.date.toString(u"MM-dd"_s)).arg(int(item.kind));
    return items.join(u' ');
}

} // namespace

class TestHistoryRecords : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    static QString remarks(const Result<std::vector<HistoryRecord>>& records)
    {
        QStringList remarks;
        for (const HistoryRecord& record : records.value())
            remarks << record.remark;
        return remarks.join(u' ');
    }
    static HistoryInput input(qint64 contact, const QString& remark, QDate day = {2010, 3, 5})
    {
        return {contact, day, day.addDays(30), remark, true};
    }
    void addRecord(qint64 contact, const QVariant& next, const QVariant& remind,
                   const QString& remark)
    {
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                  "VALUES (?, '2026-01-01', ?, ?, ?)"_s,
                  {contact, next, remark, remind});
    }
    qint64 addContact(const QString& name, const QString& field = {}, const QString& date = {},
                      int user = 1)
    {
        QVariantMap fields{{u"Name"_s, name}, {u"UID"_s, user}};
        if (!field.isEmpty())
            fields.insert(field, date);
        return book->addContact(fields);
    }
    QString due(qint64 user = 1) { return listed(Reminders::due(book->db(), user, today).value()); }
    bool atStartUp(qint64 user, QDate on = today)
    {
        return Reminders::forStartUp(book->db(), user, on).value().has_value();
    }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
        book->addContact({{u"Name"_s, u"李四"_s}}); // ID 2
    }

    void cardListsNewestFirstAndPaneInOrderAdded_data() { TestDatabase::addBackendRows(); }
    void cardListsNewestFirstAndPaneInOrderAdded()
    {
        for (const QString& row :
             {u"2009-05-01甲"_s, u"2011-02-03乙"_s, u"2010-07-04丙"_s, u"2010-07-04丁"_s})
            book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (1, ?, ?)"_s,
                      {row.left(10), row.mid(10)});
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (2, '2012', '别')"_s);
        // Of two records of one day, the one added later comes first.
        QCOMPARE(remarks(HistoryRecords::forCard(book->db(), 1)), u"乙 丁 丙 甲"_s);
        QCOMPARE(remarks(HistoryRecords::forPane(book->db(), 1)), u"甲 乙 丙 丁"_s);
        QCOMPARE(remarks(HistoryRecords::forCard(book->db(), 999)), QString());
    }

    // A record added while another program deletes its contact, either one first: the later
    // waits for the earlier's commit (here it gives up and is told the book is busy), so no
    // record is ever left behind without its contact.
    void aRecordAndItsContactsDeletionNeverCross_data()
    {
        QTest::addColumn<bool>("deletingFirst");
        for (const char* backend : {"file", "server"}) {
            QTest::addRow("%s, the deletion first", backend) << true;
            QTest::addRow("%s, the record first", backend) << false;
        }
    }
    void aRecordAndItsContactsDeletionNeverCross()
    {
        QFETCH(bool, deletingFirst);
        Database other;
        QVERIFY(other.open(book->path()));
        QVERIFY(TestDatabase::waitBriefly(book->db()) && TestDatabase::waitBriefly(other));
        // The earlier one's transaction, left open on the other connection.
        QVERIFY(TestDatabase::beginWrite(other));
        QVERIFY(deletingFirst ? other.exec(u"DELETE FROM Vardelin_Contact WHERE ID = 1"_s)
                              : other.exec(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) "
                                           "VALUES (1, '2026-01-01', '先写')"_s));
        const Status later = [&]() -> Status {
            if (!deletingFirst)
                return ContactCommands::deleteContacts(book->db(), {1});
            auto added = HistoryRecords::add(book->db(), input(1, u"后写"_s));
            return added ? Status{} : Status{added.error()};
        }();
        QVERIFY(!later);
        QCOMPARE(later.error().number, SqliteCode::Busy);
        QVERIFY(other.exec(u"COMMIT"_s));
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_History H WHERE NOT EXISTS "
                              "(SELECT 1 FROM Vardelin_Contact C WHERE C.ID = H.CID)"_s)
                     .toInt(),
                 0);
    }

    void aFailedReadOrWriteIsAnError()
    {
        book->run(u"DROP TABLE Vardelin_History"_s);
        QVERIFY(!HistoryRecords::forCard(book->db(), 1) && !HistoryRecords::forPane(book->db(), 1));
        QVERIFY(!HistoryRecords::load(book->db(), 1));
        QVERIFY(!HistoryRecords::add(book->db(), input(1, u"一"_s)));
        QVERIFY(!HistoryRecords::update(book->db(), 1, input(1, u"一"_s)));
    }

    void textsShown()
    {
        QCOMPARE(HistoryRecords::listDateText(u"2010-03-05 14:30:00"_s) + u'|' +
                     HistoryRecords::listDateText(QVariant()) + u'|' +
                     HistoryRecords::listDateText(u"下周"_s),
                 u"2010-03-05||下周"_s);
        QCOMPARE(HistoryRecords::paneText({}), QString());
        const std::vector<HistoryRecord> records{{0, 1, u"2010-03-05"_s, {}, u"电话沟通"_s, {}},
                                                 {0, 1, {}, {}, {}, {}}};
        QCOMPARE(HistoryRecords::paneText(records), u"2010年03月05日 电话沟通\r\n \r\n"_s);
    }

    void followUpsDueTodayOrPastOverdueFirst()
    {
        const qint64 li = addContact(u"李明朗"_s);
        const qint64 wang = addContact(u"王芳"_s);
        addRecord(li, day(0), 1, u"今天"_s);
        addRecord(wang, day(-3), 1, u"过期"_s);
        addRecord(li, day(1), 1, u"明天"_s);
        addRecord(li, day(-5), 0, u"不提醒"_s);
        addRecord(li, QVariant(), 1, u"无日期"_s);
        addRecord(wang, QString(day(-1) + u" 08:00:00"_s), u"True"_s, u"别的程序写的"_s);
        QCOMPARE(due(), u"王芳:过期 王芳:别的程序写的 李明朗:今天"_s);
        const DueList listed = Reminders::due(book->db(), 1, today).value();
        QVERIFY(listed.followUps.front().nextDate == today.addDays(-3) &&
                listed.followUps.front().contactId == wang);
    }

    void birthdaysAndAnniversariesOfTheNextSevenDays_data() { TestDatabase::addBackendRows(); }
    void birthdaysAndAnniversariesOfTheNextSevenDays()
    {
        addContact(u"今天"_s, u"Birthday"_s, u"1990-12-06"_s);
        addContact(u"第七天"_s, u"MemorialDay"_s, u"2010-12-12"_s);
        addContact(u"第八天"_s, u"Birthday"_s, u"1990-12-13"_s);
        addContact(u"昨天"_s, u"Birthday"_s, u"1990-12-05"_s);
        // 1990-12-12 (十月廿六) fell on 2026-12-04, past; 2025-12-20 (冬月初一) falls on 12-09.
        for (qint64 id : {addContact(u"农历远"_s, u"Birthday"_s, u"1990-12-12"_s),
                          addContact(u"农历近"_s, u"Birthday"_s, u"2025-12-20"_s)})
            book->run(u"INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"_s, {id});
        QCOMPARE(due(), u"今天:12-06:0 农历近:12-09:1 第七天:12-12:2"_s);
    }

    void nonAdministratorsAreRemindedOfTheirOwnContactsOnly()
    {
        addRecord(addContact(u"我的"_s, u"Birthday"_s, day(0), 2), day(0), 1, u"记录"_s);
        addRecord(addContact(u"别人的"_s, u"Birthday"_s, day(0), 3), day(0), 1, u"记录"_s);
        QCOMPARE(due(2), u"我的:记录 我的:12-06:0"_s);
        QCOMPARE(due(1), u"我的:记录 别人的:记录 我的:12-06:0 别人的:12-06:0"_s);
    }

    void silenceHoldsForTheDayAndTheAccountAndTheSwitchForAll_data()
    {
        TestDatabase::addBackendRows();
    }
    void silenceHoldsForTheDayAndTheAccountAndTheSwitchForAll()
    {
        addRecord(addContact(u"张三"_s, u"Birthday"_s, day(0), 2), day(0), 1, u"回访"_s);
        QVERIFY(Reminders::silence(book->db(), 1, today).ok());
        QVERIFY(!atStartUp(1));
        // Tomorrow, and for another account, the reminder comes back.
        QVERIFY(atStartUp(1, today.addDays(1)) && atStartUp(2));
        QVERIFY(Reminders::silence(book->db(), 1, std::nullopt).ok());
        QVERIFY(atStartUp(1));
        QVERIFY(!atStartUp(3)); // nothing due: nothing to show
        SettingsChange change;
        change.userId = 1;
        change.remindAtStart = false;
        QVERIFY(SettingsSave::save(book->db(), change).ok());
        QVERIFY(!Reminders::isOn(book->db()).value() && !atStartUp(2));
        QCOMPARE(due(2), u"张三:回访 张三:12-06:0"_s); // still there for whoever asks
    }

    void theCheckBesideTheWindowFindsWhatStartUpWould()
    {
        addRecord(addContact(u"李明朗"_s), day(-1), 1, u"回访"_s);
        std::optional<Result<std::optional<DueList>>> delivered;
        const auto check = [&delivered](const QString& path) {
            delivered.reset();
            ReminderCheck check(path, 1, today, [&delivered](const auto& due) { delivered = due; });
            QTRY_VERIFY(delivered.has_value());
        };
        check(book->path());
        QCOMPARE(listed(*delivered->value()), due());
        // A file that cannot be opened comes back as an error, not as "nothing due".
        QTemporaryDir dir;
        check(dir.filePath(u"missing.db"_s));
        QVERIFY(!delivered->ok());
    }
};

QTEST_GUILESS_MAIN(TestHistoryRecords)
#include "tst_historyrecords.moc"
