// SPDX-License-Identifier: GPL-3.0-or-later
// The search table held in memory: one contiguous text per kind of field, scanned at memory
// speed instead of SQLite's row by row.
#pragma once

#include "db/Result.h"

#include <QString>

#include <vector>

class Database;

namespace SearchStructure {

// The IDs of the contacts whose row in Vardelin_Search matches keyword, ascending, under the
// same rules as ContactListQuery's statement on that table: the text literally (ASCII letters
// in either case), the group's name, the start of the name's pinyin or its initials for a
// keyword of letters, the telephones' digits for one written as a number. Only for a keyword
// ContactListQuery::usesSearchTable serves.
//
// The copy belongs to db's connection and goes with it. Rows this connection writes are read
// again one by one (SQLite's update hook names them, triggers' writes included); a commit on
// another connection (PRAGMA data_version moves), a table made anew (PRAGMA schema_version
// moves) or changes to more than an eighth of the rows have it read again whole. So no write
// can leave it behind.
Result<std::vector<qint64>> matches(const Database& db, const QString& keyword);

// Reads the copy now if it is missing or out of date, so that the next search need not.
Status prepare(const Database& db);

} // namespace SearchStructure
