// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword search over the search table's copy in memory (SearchCopy), on a file or a server.
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
// The copy is brought up to date with every write first (FileSearchCopy, ServerSearchCopy).
Result<std::vector<qint64>> matches(const Database& db, const QString& keyword);

// Reads the copy now if it is missing or out of date, so that the next search need not.
Status prepare(const Database& db);

} // namespace SearchStructure
