// SPDX-License-Identifier: GPL-3.0-or-later
#include "Reminders.h"

#include "HistoryRecords.h"

#include "db/LunarDate.h"
#include "db/Database.h"
#include "db/Session.h"
#include "db/SystemOptions.h"

#include <QStringList>

#include <algorithm>

namespace {

// The program-wide row of Vardelin_Remind.
constexpr qint64 everyAccount = 0;

// The user filter of the contact list: the administrator sees every account's contacts.
QString ownContacts(qint64 userId, QVariantList& values)
{
    if (userId == Session::administratorId)
        return {};
    values << userId;
    return QStringLiteral(" AND C.UID = ?");
}

Status readFollowUps(const Database& db, qint64 userId, QDate today, DueList& due)
{
    // The text comparison only narrows the rows; each date is read as the card list reads it.
    QVariantList values{today.toString(HistoryRecords::dateFormat)};
    const QString sql =
        QStringLiteral("SELECT H.ID, H.CID, C.Name, H.NextDate, H.Remark, H.IsRemind "
                       "FROM Vardelin_History H JOIN Vardelin_Contact C ON C.ID = H.CID "
                       "WHERE substr(trim(H.NextDate), 1, 10) <= ?") +
        ownContacts(userId, values) +
        QStringLiteral(" ORDER BY substr(trim(H.NextDate), 1, 10), H.ID");
    auto rows = db.query(sql, values);
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    while (q.next()) {
        const std::optional<QDate> next = HistoryRecords::storedDate(q.value(3));
        if (!yesNo(q.value(5)) || !next || *next > today)
            continue;
        due.followUps.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(),
                                 q.value(2).toString(), *next, q.value(4).toString()});
    }
    return db.finished(q);
}

// The month and day texts ("MM-dd") a solar day within the window may be stored under.
QStringList monthDaysOf(QDate today)
{
    QStringList monthDays;
    for (int ahead = 0; ahead < Reminders::daysAhead; ++ahead) {
        const QDate day = today.addDays(ahead);
        monthDays << day.toString(QStringLiteral("MM-dd"));
        if (day.month() == 2 && day.day() == 28 && !QDate::isLeapYear(day.year()))
            monthDays << QStringLiteral("02-29");
    }
    return monthDays;
}

void addIfNear(DueList& due, const DueDay& day, QDate today)
{
    if (day.date.isValid() && today.daysTo(day.date) < Reminders::daysAhead)
        due.days.push_back(day);
}

Status readDays(const Database& db, qint64 userId, QDate today, DueList& due)
{
    const QStringList monthDays = monthDaysOf(today);
    const QString marks = QStringList(monthDays.size(), QStringLiteral("?")).join(u',');
    QVariantList values;
    for (int column = 0; column < 2; ++column) {
        for (const QString& monthDay : monthDays)
            values << monthDay;
    }
    // Solar days by their month and day in SQL; the few lunar birthdays are all read and
    // worked out here.
    const QString sql =
        QStringLiteral("SELECT C.ID, C.Name, C.Birthday, C.MemorialDay, L.CID IS NOT NULL "
                       "FROM Vardelin_Contact C LEFT JOIN Vardelin_LunarBirthday L "
                       "ON L.CID = C.ID WHERE (substr(trim(C.Birthday), 6, 5) IN (") +
        marks + QStringLiteral(") OR substr(trim(C.MemorialDay), 6, 5) IN (") + marks +
        QStringLiteral(") OR L.CID IS NOT NULL)") + ownContacts(userId, values);
    auto rows = db.query(sql, values);
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    LunarDate::BirthdaysNear lunarBirthdays(today, Reminders::daysAhead);
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        const QString name = q.value(1).toString();
        const bool lunar = q.value(4).toBool();
        if (const std::optional<QDate> born = HistoryRecords::storedDate(q.value(2))) {
            const QDate next = lunar ? lunarBirthdays.of(*born).value_or(QDate())
                                     : Reminders::nextSolarReturn(*born, today);
            addIfNear(due,
                      {id, name, lunar ? DueDay::Kind::LunarBirthday : DueDay::Kind::Birthday, next,
                       *born},
                      today);
        }
        if (const std::optional<QDate> married = HistoryRecords::storedDate(q.value(3))) {
            addIfNear(due,
                      {id, name, DueDay::Kind::Anniversary,
                       Reminders::nextSolarReturn(*married, today), *married},
                      today);
        }
    }
    if (Status ended = db.finished(q); !ended)
        return ended;
    std::stable_sort(due.days.begin(), due.days.end(), [](const DueDay& a, const DueDay& b) {
        if (a.date != b.date)
            return a.date < b.date;
        return a.contactId < b.contactId;
    });
    return {};
}

Result<std::optional<QSqlRecord>> settingsRow(const Database& db, qint64 uid)
{
    return db.readOne(QStringLiteral("SELECT IsOff, SilencedOn FROM Vardelin_Remind WHERE UID = ?"),
                      {uid});
}

} // namespace

QDate Reminders::nextSolarReturn(QDate stored, QDate from)
{
    const auto inYear = [&stored](int year) {
        if (stored.month() == 2 && stored.day() == 29 && !QDate::isLeapYear(year))
            return QDate(year, 2, 28);
        return QDate(year, stored.month(), stored.day());
    };
    const QDate thisYear = inYear(from.year());
    return thisYear >= from ? thisYear : inYear(from.year() + 1);
}

Result<DueList> Reminders::due(const Database& db, qint64 userId, QDate today)
{
    DueList due;
    if (Status followUps = readFollowUps(db, userId, today, due); !followUps)
        return followUps.error();
    if (Status days = readDays(db, userId, today, due); !days)
        return days.error();
    return due;
}

RowVersion::Row Reminders::switchRow()
{
    return {QStringLiteral("Vardelin_Remind"),
            QStringLiteral("UID"),
            everyAccount,
            {QStringLiteral("IsOff")}};
}

Result<bool> Reminders::isOn(const Database& db, RowVersion::Version* readAs)
{
    auto row = settingsRow(db, everyAccount);
    if (!row)
        return row.error();
    if (readAs) {
        *readAs =
            row.value() ? RowVersion::of(*row.value(), switchRow().columns) : RowVersion::Version();
    }
    return !row.value() || !yesNo(row.value()->value(0));
}

Status Reminders::setOn(const Database& db, bool on)
{
    return db.exec(QStringLiteral("INSERT INTO Vardelin_Remind (UID, IsOff) VALUES (?, ?) "
                                  "ON CONFLICT (UID) DO UPDATE SET IsOff = excluded.IsOff"),
                   {everyAccount, on ? 0 : 1});
}

Result<bool> Reminders::isSilenced(const Database& db, qint64 userId, QDate today)
{
    auto row = settingsRow(db, userId);
    if (!row)
        return row.error();
    return row.value() && HistoryRecords::storedDate(row.value()->value(1)) == today;
}

Status Reminders::silence(const Database& db, qint64 userId, std::optional<QDate> day)
{
    const QVariant stored = day ? QVariant(day->toString(HistoryRecords::dateFormat))
                                : QVariant(QMetaType::fromType<QString>());
    return db.exec(
        QStringLiteral("INSERT INTO Vardelin_Remind (UID, SilencedOn) VALUES (?, ?) "
                       "ON CONFLICT (UID) DO UPDATE SET SilencedOn = excluded.SilencedOn"),
        {userId, stored});
}

Result<std::optional<DueList>> Reminders::forStartUp(const Database& db, qint64 userId, QDate today)
{
    auto on = isOn(db);
    if (!on)
        return on.error();
    if (!on.value())
        return std::optional<DueList>();
    auto silenced = isSilenced(db, userId, today);
    if (!silenced)
        return silenced.error();
    if (silenced.value())
        return std::optional<DueList>();
    auto due = Reminders::due(db, userId, today);
    if (!due)
        return due.error();
    if (due.value().isEmpty())
        return std::optional<DueList>();
    return std::optional<DueList>(std::move(due).value());
}
