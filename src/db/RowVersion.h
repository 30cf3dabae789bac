// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a stored row changed between the moment a window read it and the moment it saves: the
// check that keeps one program from silently writing over what another saved meanwhile.
#pragma once

#include "Result.h"
#include "SqlDialect.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class Database;
class QSqlRecord;

namespace RowVersion {

// A row's version is a digest of the stored values of the columns the saving window writes,
// computed by the program from what it reads. A version column kept by triggers would need a
// table and triggers beside the seven, a migration, and a second implementation in a server
// database; the digest needs no schema at all, sees every writer (another program, an older
// build, a tool without our triggers), and any database gives the same values back. A change
// made and undone meanwhile counts as no change: nothing of it would be lost. Columns the window
// does not write are left out, so a change there (another program's pane layout beside the
// password) is no reason to stop a save that cannot lose it.
using Version = QByteArray;

// One stored row: names from the program's own tables, never from input.
struct Row {
    QString table;
    QString keyColumn;
    qint64 key = 0;
    QStringList columns;
};

// The version of a row read with at least the given columns. Each value enters the digest with
// its kind and length, so Null, "" and 0 differ, and no two rows of values run together alike.
Version of(const QSqlRecord& record, const QStringList& columns);
// The version the row has now; empty when there is no such row.
// Lock::UntilCommit, inside a write transaction: on a server, where the transaction's own lock
// keeps out only other write transactions, the row is locked too, so that no single statement
// of another program changes it between this check and the save (a file's lock keeps out every
// writer already).
Result<Version> read(const Database& db, const Row& row, Lock lock = Lock::None);

enum class Change { None, Changed, Deleted };
// asRead empty: the row did not exist when it was read.
Change compare(const Version& asRead, const Version& now);

struct Expected {
    Row row;
    Version asRead;
};
struct Conflict {
    Row row;
    Change change = Change::Changed;
};

// The rows that differ now from what was read. Call it inside the write's transaction, begun by
// Database::writeTransaction: then no other writer can slip between this look and the write.
Result<std::vector<Conflict>> conflicts(const Database& db, std::span<const Expected> rows);

} // namespace RowVersion
