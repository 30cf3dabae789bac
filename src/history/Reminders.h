// SPDX-License-Identifier: GPL-3.0-or-later
// What start-up reminds of: follow-ups whose next-contact date has come, and birthdays and
// anniversaries of the coming days; with the switch that turns it off and the day's silence.
#pragma once

#include "db/Result.h"
#include "db/RowVersion.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class Database;

struct DueFollowUp {
    qint64 recordId = 0;
    qint64 contactId = 0;
    QString name;
    QDate nextDate;
    QString remark;
};

struct DueDay {
    enum class Kind { Birthday, LunarBirthday, Anniversary };
    qint64 contactId = 0;
    QString name;
    Kind kind = Kind::Birthday;
    QDate date;   // the day it falls on, today or later
    QDate stored; // the day as the card holds it
};

struct DueList {
    std::vector<DueFollowUp> followUps; // overdue first, then today's
    std::vector<DueDay> days;           // soonest first
    bool isEmpty() const { return followUps.empty() && days.empty(); }
};

namespace Reminders {

// Birthdays and anniversaries from today to the sixth day after it.
inline constexpr int daysAhead = 7;

// Records with the remind flag whose next-contact date is today or past, and the birthdays
// (solar, or lunar for the contacts so marked) and anniversaries within daysAhead, of the
// contacts userId may see: all for the administrator, otherwise the account's own.
Result<DueList> due(const Database& db, qint64 userId, QDate today);

// The switch on the page "基本选项"; it holds for every account. readAs, when given, gets the
// version of its row (switchRow) from the same read.
Result<bool> isOn(const Database& db, RowVersion::Version* readAs = nullptr);
RowVersion::Row switchRow();
Status setOn(const Database& db, bool on);

// "今天不再提醒": silenced for the rest of that day, per account. Nothing lifts it.
Result<bool> isSilenced(const Database& db, qint64 userId, QDate today);
Status silence(const Database& db, qint64 userId, std::optional<QDate> day);

// What start-up shows: nothing when reminders are off, silenced today or nothing is due.
Result<std::optional<DueList>> forStartUp(const Database& db, qint64 userId, QDate today);

// A stored solar day's next yearly return on or after from; 29 February falls on the 28th in
// a common year.
QDate nextSolarReturn(QDate stored, QDate from);

} // namespace Reminders
