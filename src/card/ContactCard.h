// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing one contact row the way the card does.
#pragma once

#include "ContactRecord.h"

#include "db/Result.h"

#include <optional>

class Database;

namespace ContactCard {

// The stored form of dates the card writes.
inline constexpr QLatin1StringView dateFormat("yyyy-MM-dd");

// The row with that ID; nothing when there is no such row. A failed read is an error.
Result<std::optional<ContactRecord>> load(const Database& db, qint64 contactId);

struct SaveRequest {
    // The row to rewrite; nothing to add a new row.
    std::optional<qint64> updateId;
    qint64 userId = 0;
    QDate today;
    ContactRecord record;
};

// RowVanished: the edited contact was deleted meanwhile. GroupVanished: the chosen group was
// deleted meanwhile, and a contact filed under it would show in no list. Neither writes anything.
enum class SaveOutcome { Written, RowVanished, GroupVanished };

struct Saved {
    SaveOutcome outcome = SaveOutcome::Written;
    // The row written (the new row's ID for an insert).
    qint64 contactId = 0;
};

// Writes every column of the save order in one transaction: UID the user, Py the initial of the
// name, AddDate today; texts as given (a missing one as ""), dates as "yyyy-MM-dd" or Null; and
// the lunar birthday mark beside the row, in the same transaction. An
// update whose row is gone, or a save into a group that is gone, writes nothing and says so.
Result<Saved> save(const Database& db, const SaveRequest& request);

} // namespace ContactCard
