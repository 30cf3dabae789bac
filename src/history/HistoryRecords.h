// SPDX-License-Identifier: GPL-3.0-or-later
// A contact's history records: reading, writing and the texts they are shown as.
#pragma once

#include "db/Result.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

class Database;

struct HistoryRecord {
    qint64 id = 0;
    qint64 contactId = 0;
    // As stored: "yyyy-MM-dd" text when the program wrote it, Null when nothing was.
    QVariant lxDate;
    QVariant nextDate;
    QString remark;
    QVariant isRemind;
};

// What the dialog saves; the dates are written as "yyyy-MM-dd".
struct HistoryInput {
    qint64 contactId = 0;
    QDate lxDate;
    QDate nextDate;
    QString remark;
    bool remind = false;
};

namespace HistoryRecords {

inline constexpr QLatin1StringView dateFormat("yyyy-MM-dd");

// The contact's records, newest contact date first (the latest added first on a tie).
Result<std::vector<HistoryRecord>> forCard(const Database& db, qint64 contactId);
// The contact's records in the order they were added, as the main window's pane lists them.
Result<std::vector<HistoryRecord>> forPane(const Database& db, qint64 contactId);
// The record with that ID; nothing when there is no such row.
Result<std::optional<HistoryRecord>> load(const Database& db, qint64 recordId);

// An empty content is refused; a content of blanks is kept as typed.
bool isContentAccepted(const QString& remark);

// ContactVanished: the contact was deleted meanwhile, so the new record would belong to no one.
// RowVanished: the edited record was deleted meanwhile. Neither writes anything.
enum class SaveOutcome { Written, ContactVanished, RowVanished };

Result<SaveOutcome> add(const Database& db, const HistoryInput& input);
Result<SaveOutcome> update(const Database& db, qint64 recordId, const HistoryInput& input);
Status remove(const Database& db, qint64 recordId);

// A stored date as the card's list shows it ("yyyy-MM-dd"); Null gives the empty text, and a
// text that is no date is shown as it stands.
QString listDateText(const QVariant& stored);
// The date the dialog starts from; nothing for a Null or a text that is no date.
std::optional<QDate> storedDate(const QVariant& stored);
// The remind flag as the list shows it: "True" or "False"; Null gives the empty text.
QString remindText(const QVariant& stored);

// The main window's pane: per record its contact date as "yyyy年MM月dd日", a blank, the content
// and a carriage return with line feed.
QString paneText(const std::vector<HistoryRecord>& records);

} // namespace HistoryRecords
