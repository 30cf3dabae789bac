// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting ticked contacts and moving them to another group, all or nothing.
#pragma once

#include "db/Result.h"

#include <vector>

class Database;

namespace ContactCommands {

// Deletes the contacts with their pictures, files and history records in one
// transaction: either every row named goes, or nothing does.
Status deleteContacts(const Database& db, const std::vector<qint64>& contactIds);
// The same inside the caller's write transaction (Database::writeTransaction).
Status removeContacts(const Database& db, const std::vector<qint64>& contactIds);

// Files the contacts under groupId in one transaction. Gives false, writing
// nothing, when that group no longer exists: the contacts would vanish from
// every list.
Result<bool> moveContacts(const Database& db, const std::vector<qint64>& contactIds,
                          qint64 groupId);

} // namespace ContactCommands
