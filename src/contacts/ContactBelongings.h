// SPDX-License-Identifier: GPL-3.0-or-later
// What belongs to a contact in other tables: removed with it, or moved when contacts merge.
#pragma once

#include "db/Result.h"

#include <QLatin1StringView>

#include <array>
#include <vector>

class Database;

namespace ContactBelongings {

struct OwnedRows {
    QLatin1StringView table;
    QLatin1StringView contactColumn;
};

// Every table whose rows name a contact. A table added for contacts gets one line here, and
// deleting and merging contacts take its rows along. A table that holds at most one row per
// contact (a UNIQUE contact column) keeps the kept contact's own row in a merge; the others'
// rows then go with their contacts.
inline constexpr std::array<OwnedRows, 2> all{{
    {QLatin1StringView("Vardelin_Files"), QLatin1StringView("CID")},   // pictures and files
    {QLatin1StringView("Vardelin_History"), QLatin1StringView("CID")}, // contact records
}};

// Whether the contact is still there. A row added for a contact looks first, inside a write
// transaction (Database::writeTransaction), which waits for any deletion of contacts to end:
// those hold the same lock, so no deletion can run between the look and the insert, which
// would leave the row without its contact.
Result<bool> contactExists(const Database& db, qint64 contactId);

// Deletes every row that belongs to the contacts. Run inside the caller's transaction.
Status removeOf(const Database& db, const std::vector<qint64>& contactIds);

// Hands the rows of the contacts fromIds to the contact toId, then deletes whatever could not
// move. Run inside the caller's transaction.
Status moveTo(const Database& db, const std::vector<qint64>& fromIds, qint64 toId);

} // namespace ContactBelongings
