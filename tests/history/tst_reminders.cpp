// SPDX-License-Identifier: GPL-3.0-or-later
// What start-up reminds of: due follow-ups, near birthdays and anniversaries, the user filter,
// the day's silence and the switch on the page "基本选项".
#include "TestDatabase.h"

#include "admin/SettingsSave.h"
#include "db/Schema.h"
#include "history/ReminderCheck.h"
#include "history/Reminders.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate today(2026, 12, 6);

QString day(int offset)
{
    return today.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

QStringList remarksOf(const DueList& due)
{
    QStringList remarks;
    for (const DueFollowUp& item : due.followUps)
        remarks << item.name + u':' + item.remark;
    return remarks;
}

QStringList daysOf(const DueList& due)
{
    QStringList days;
    for (const DueDay& item : due.days)
        days << item.name + u':' + item.date.toString(QStringLiteral("MM-dd")) + u':' +
                    QString::number(int(item.kind));
    return days;
}

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

private slots:
    void init() { m_data = std::make_unique<TestDatabase>(); }
    void cleanup() { m_data.reset(); }

    void followUpsDueTodayOrPastOverdueFirst();
    void birthdaysAndAnniversariesOfTheNextSevenDays();
    void nonAdministratorsAreRemindedOfTheirOwnContactsOnly();
    void silenceHoldsForTheDayAndTheAccount();
    void switchedOffNothingAtStartUp();
    void anEarlierFileGetsTheTables();
    void theCheckBesideTheWindowFindsWhatStartUpWould();

private:
    qint64 addRecord(qint64 contact, const QVariant& next, const QVariant& remind,
                     const QString& remark)
    {
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                                   "IsRemind) VALUES (?, '2026-01-01', ?, ?, ?)"),
                    {contact, next, remark, remind});
        return m_data->scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
    }
    DueList due(qint64 user = 1)
    {
        auto found = Reminders::due(m_data->db(), user, today);
        if (!found)
            qWarning() << found.error().description;
        return found ? found.value() : DueList{};
    }

    std::unique_ptr<TestDatabase> m_data;
};

void TestReminders::followUpsDueTodayOrPastOverdueFirst()
{
    const qint64 li = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李明朗")}});
    const qint64 wang = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("王芳")}});
    QVERIFY(due().isEmpty());
    addRecord(li, day(0), 1, QStringLiteral("今天"));
    addRecord(wang, day(-3), 1, QStringLiteral("过期"));
    addRecord(li, day(1), 1, QStringLiteral("明天"));
    addRecord(li, day(-5), 0, QStringLiteral("不提醒"));
    addRecord(li, QVariant(), 1, QStringLiteral("无日期"));
    addRecord(wang, QString(day(-1) + QStringLiteral(" 08:00:00")), QStringLiteral("True"),
              QStringLiteral("别的程序写的"));
    const DueList found = due();
    QCOMPARE(remarksOf(found),
             QStringList({QStringLiteral("王芳:过期"), QStringLiteral("王芳:别的程序写的"),
                          QStringLiteral("李明朗:今天")}));
    QCOMPARE(found.followUps.front().nextDate, today.addDays(-3));
    QCOMPARE(found.followUps.front().contactId, wang);
}

void TestReminders::birthdaysAndAnniversariesOfTheNextSevenDays()
{
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("今天")},
                        {QStringLiteral("Birthday"), QStringLiteral("1990-12-06")}});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("第七天")},
                        {QStringLiteral("MemorialDay"), QStringLiteral("2010-12-12")}});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("第八天")},
                        {QStringLiteral("Birthday"), QStringLiteral("1990-12-13")}});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("昨天")},
                        {QStringLiteral("Birthday"), QStringLiteral("1990-12-05")}});
    // 1990-12-12 was 十月廿六: this lunar year's fell on 2026-12-04, the next is a year off,
    // though its solar day is within the week.
    const qint64 lunarFar =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("农历远")},
                            {QStringLiteral("Birthday"), QStringLiteral("1990-12-12")}});
    // 2025-12-20 was 冬月初一, which this lunar year falls on 2026-12-09.
    const qint64 lunarNear =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("农历近")},
                            {QStringLiteral("Birthday"), QStringLiteral("2025-12-20")}});
    for (qint64 id : {lunarFar, lunarNear})
        m_data->run(QStringLiteral("INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"), {id});

    QCOMPARE(daysOf(due()),
             QStringList({QStringLiteral("今天:12-06:0"), QStringLiteral("农历近:12-09:1"),
                          QStringLiteral("第七天:12-12:2")}));
}

void TestReminders::nonAdministratorsAreRemindedOfTheirOwnContactsOnly()
{
    const qint64 mine = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("我的")},
                                            {QStringLiteral("UID"), 2},
                                            {QStringLiteral("Birthday"), day(0)}});
    const qint64 theirs = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("别人的")},
                                              {QStringLiteral("UID"), 3},
                                              {QStringLiteral("Birthday"), day(0)}});
    addRecord(mine, day(0), 1, QStringLiteral("我的记录"));
    addRecord(theirs, day(0), 1, QStringLiteral("别人的记录"));
    QCOMPARE(remarksOf(due(2)), QStringList{QStringLiteral("我的:我的记录")});
    QCOMPARE(due(2).days.size(), size_t(1));
    QCOMPARE(due(1).followUps.size(), size_t(2));
    QCOMPARE(due(1).days.size(), size_t(2));
}

void TestReminders::silenceHoldsForTheDayAndTheAccount()
{
    const qint64 contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")},
                                               {QStringLiteral("UID"), 2},
                                               {QStringLiteral("Birthday"), day(0)}});
    const Database& db = m_data->db();
    addRecord(contact, day(0), 1, QStringLiteral("回访"));
    QVERIFY(Reminders::silence(db, 1, today).ok());
    QVERIFY(!Reminders::forStartUp(db, 1, today).value().has_value());
    // Tomorrow, and for another account, the reminder comes back.
    QVERIFY(Reminders::forStartUp(db, 1, today.addDays(1)).value().has_value());
    QVERIFY(Reminders::forStartUp(db, 2, today).value().has_value());
    QVERIFY(Reminders::silence(db, 1, std::nullopt).ok());
    QVERIFY(Reminders::forStartUp(db, 1, today).value().has_value());
    // Nothing due: nothing to show.
    QVERIFY(!Reminders::forStartUp(db, 3, today).value().has_value());
}

void TestReminders::switchedOffNothingAtStartUp()
{
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("张三")}, {QStringLiteral("Birthday"), day(0)}});
    const Database& db = m_data->db();
    QVERIFY(Reminders::isOn(db).value());
    SettingsChange change;
    change.userId = 1;
    change.remindAtStart = false;
    QVERIFY(SettingsSave::save(db, change).ok());
    QVERIFY(!Reminders::isOn(db).value());
    QVERIFY(!Reminders::forStartUp(db, 1, today).value().has_value());
    // The due list itself is still there for whoever asks.
    QVERIFY(!Reminders::due(db, 1, today).value().isEmpty());
    change.remindAtStart = true;
    QVERIFY(SettingsSave::save(db, change).ok());
    QVERIFY(Reminders::forStartUp(db, 1, today).value().has_value());
}

void TestReminders::anEarlierFileGetsTheTables()
{
    m_data->run(QStringLiteral("DROP TRIGGER LunarBirthday_ContactDeleted"));
    m_data->run(QStringLiteral("DROP TRIGGER Remind_AccountDeleted"));
    m_data->run(QStringLiteral("DROP TABLE Vardelin_LunarBirthday"));
    m_data->run(QStringLiteral("DROP TABLE Vardelin_Remind"));
    m_data->run(QStringLiteral("PRAGMA user_version = 3"));
    Database reopened;
    QVERIFY(reopened.open(m_data->path()).ok());
    QCOMPARE(m_data->scalar(QStringLiteral("PRAGMA user_version")).toInt(), Schema::version);
    QVERIFY(Reminders::isOn(reopened).value());
    // The trigger is back: deleting a contact takes its lunar mark with it.
    const qint64 id = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"), {id});
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {id});
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_LunarBirthday")).toInt(),
             0);
}

void TestReminders::theCheckBesideTheWindowFindsWhatStartUpWould()
{
    const qint64 li = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李明朗")}});
    addRecord(li, day(-1), 1, QStringLiteral("回访"));
    std::optional<Result<std::optional<DueList>>> delivered;
    {
        ReminderCheck check(m_data->path(), 1, today,
                            [&delivered](const auto& due) { delivered = due; });
        QTRY_VERIFY(delivered.has_value());
    }
    QVERIFY(delivered->ok());
    QVERIFY(delivered->value().has_value());
    QCOMPARE(remarksOf(*delivered->value()), remarksOf(due()));

    // A file that cannot be opened comes back as an error, not as "nothing due".
    QTemporaryDir dir;
    delivered.reset();
    {
        ReminderCheck check(dir.filePath(QStringLiteral("missing.db")), 1, today,
                            [&delivered](const auto& due) { delivered = due; });
        QTRY_VERIFY(delivered.has_value());
    }
    QVERIFY(!delivered->ok());

    // Dropped before it is done (the window closed at once): it waits and never reports.
    bool reported = false;
    {
        ReminderCheck check(m_data->path(), 1, today,
                            [&reported](const auto&) { reported = true; });
    }
    QCoreApplication::processEvents();
    QVERIFY(!reported);
}

QTEST_GUILESS_MAIN(TestReminders)
#include "tst_reminders.moc"
