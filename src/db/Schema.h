// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of the address book and the version stamped on them.
#pragma once

#include "Result.h"

class Database;

namespace Schema {

// Stamped as PRAGMA user_version; a later layout adds a migration step.
inline constexpr int version = 1;

Status create(const Database& db);
// Rebuilds Vardelin_Files of a database made before Files became its last column, in one
// transaction; does nothing to one already in that order.
Status putFilesLast(const Database& db);
// Fails with a clear message unless all seven tables are present.
Status verifyTables(const Database& db);

} // namespace Schema
