// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of the address book and the version stamped on them.
#pragma once

#include "Result.h"

class Database;

namespace Schema {

// Stamped as PRAGMA user_version; a later layout adds a migration step.
// 2: list widths in twips (1 stored them in pixels).
inline constexpr int version = 2;

Status create(const Database& db);
// Fails with a clear message unless all seven tables are present.
Status verifyTables(const Database& db);
// Brings a file of an earlier layout (0, unstamped, reads as 1) up to version in one
// transaction, stamping it last: a step that fails leaves the file as it was.
Status migrate(const Database& db, int fileVersion);

} // namespace Schema
