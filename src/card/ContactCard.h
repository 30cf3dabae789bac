// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing one contact row the way the card does.
#pragma once

#include "ContactRecord.h"

#include "db/Result.h"
#include "db/RowVersion.h"

#include <optional>

class Database;

namespace ContactCard {

// The stored form of dates the card writes.
inline constexpr QLatin1StringView dateFormat("yyyy-MM-dd");

// The row with that ID; nothing when there is no such row. A failed read is an error. readAs,
// when given, gets the row's version (RowVersion) from the same read, for a later save to check.
Result<std::optional<ContactRecord>> load(const Database& db, qint64 contactId,
                                          RowVersion::Version* readAs = nullptr);

// The columns whose values make a contact's version: those the card writes.
RowVersion::Row versionedRow(qint64 contactId);

struct SaveRequest {
    // The row to rewrite; nothing to add a new row.
    std::optional<qint64> updateId;
    qint64 userId = 0;
    QDate today;
    ContactRecord record;
    // With updateId: the row's version when the card read it; the update writes only while the
    // row still has it. Nothing: the stored row is overwritten whatever it holds (the user chose
    // to overwrite it).
    std::optional<RowVersion::Version> readAs;
};

// RowVanished: the edited contact was deleted meanwhile. RowChanged: it was saved by someone else
// since the card read it. GroupVanished: the chosen group was deleted meanwhile, and a contact
// filed under it would show in no list. None of them writes anything.
enum class SaveOutcome { Written, RowVanished, RowChanged, GroupVanished };

struct Saved {
    SaveOutcome outcome = SaveOutcome::Written;
    // The row written (the new row's ID for an insert).
    qint64 contactId = 0;
};

// Writes every column of the save order in one transaction: UID the user, Py the initial of the
// name, AddDate today; texts as given (a missing one as ""), dates as "yyyy-MM-dd" or Null; and
// the lunar birthday mark beside the row, in the same transaction. An update whose row is gone
// or no longer as read, or a save into a group that is gone, writes nothing and says so.
Result<Saved> save(const Database& db, const SaveRequest& request);

} // namespace ContactCard
