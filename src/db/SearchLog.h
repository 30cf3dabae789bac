// SPDX-License-Identifier: GPL-3.0-or-later
// On a server, Vardelin_SearchLog tells each program which rows of Vardelin_Search were written
// since it last read them, whoever wrote them: triggers of ours on the search table add an entry
// (the writing transaction's ID, the row's ID) for every row a statement adds, changes or
// deletes. A reader that noted the oldest transaction still running when it last read
// (pg_snapshot_xmin) finds every write it has not seen among the entries of that transaction
// or a later one, committed ones or not, without any lock between writers. An entry with the
// ID -1 tells the readers that came before it to read the whole table again: written by
// whoever writes the table with its triggers off, and by the log itself when entries are
// deleted or the log emptied (those of the transactions older than the last 100,000 are let go
// as the log grows). A file has no log:
// SQLite tells its own connection of each write.
#pragma once

#include "Result.h"
#include "SqlDialect.h"

#include <QStringList>

class Database;

namespace SearchLog {

// The entry's ID that asks for the whole table to be read.
inline constexpr qint64 readWhole = -1;

// The table and the triggers Schema can find missing on a server.
QStringList names();
// What makes the log on a server (nothing for a file): the table if missing, the triggers on
// it and on Vardelin_Search. The search table must exist.
QStringList createStatements(Backend backend);
// Tells every reader to read the whole search table again; nothing on a file.
Status markWhole(const Database& db);

} // namespace SearchLog
