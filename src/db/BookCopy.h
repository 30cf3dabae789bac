// SPDX-License-Identifier: GPL-3.0-or-later
// A whole address book copied between a file and a server database, either way: every table
// with its pictures and files, into an empty target, in one transaction that commits only once
// the copy has been checked.
#pragma once

#include "Result.h"

#include <QString>

#include <functional>

class Database;

namespace BookCopy {

struct Copied {
    qint64 rows = 0;      // of all tables
    qint64 blobs = 0;     // photos, pictures and files, each checked
    bool stopped = false; // the progress asked to stop: nothing was written
};

// Told the rows copied so far and the source's rows in all after each row; returning false
// stops the copy, which then leaves nothing behind as a failure does.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Copies the address book at from (a file's path or a postgresql:// URL) to to, which must be
// a file that does not exist yet or an empty server database. The rows keep their IDs, so the
// copy is the same book (its identity too). Before the commit every table's row count and the
// SHA-256 of every blob are read back from the target and compared; any difference, or any
// failure, leaves no file and nothing written on a server.
Result<Copied> copy(const QString& from, const QString& to, const Progress& progress = {});

// Replaces every row of the open target by the rows of the address book at from, in one
// transaction holding the write lock, checked as copy() checks before it commits; a failure
// or a stop leaves target as it was. The sync's state of target is forgotten (not its
// accounts). For a server database: a file is replaced by Backup::restore.
Result<Copied> replace(const QString& from, const Database& target, const Progress& progress = {});

} // namespace BookCopy
