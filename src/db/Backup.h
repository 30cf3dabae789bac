// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of the address book made with SQLite's online backup, and putting one back.
#pragma once

#include "BookCopy.h"
#include "Result.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Database;

namespace Backup {

// The day's copies kept in the folder; older ones are removed after each new one.
inline constexpr int keptDays = 10;

// The folder "备份" beside the database file.
QString folderOf(const QString& databasePath);
// The day's copy of DB.xml is "DB-2026-12-06.xml".
QString dailyName(const QString& databasePath, const QDate& day);
// The day's copies of the database found in its folder, oldest first, as full paths.
QStringList dailyCopies(const QString& databasePath);
std::optional<QString> newest(const QString& databasePath);

// Puts from in place of to in one step (to may exist); false leaves both as they were.
using Replace = std::function<bool(const QString& from, const QString& to)>;
bool replaceFile(const QString& from, const QString& to);

// Copies the open database, as its last commit left it, into target: written under a
// temporary name beside target, then put in its place. A transaction open elsewhere is not
// waited for. A failure leaves target as it was and no temporary file behind. A server database
// is refused, with a message saying so (its copy to a file is still to come).
Status copyTo(const Database& db, const QString& target);

// The day's copy into folderOf(), replacing an earlier one of the same day, then only the
// newest keptDays copies kept. Returns the copy's path; empty for a server database, which its
// administrator backs up.
Result<QString> daily(const Database& db, const QDate& day);

// Refuses a file this program could not open as its address book: not SQLite, damaged, without
// one of the seven tables or their columns, or stamped by a newer program. Only reads it.
Status check(const QString& path);

// Replaces db's file by a checked copy of source, after the day's copy of the current file.
// The connection is closed for the replacement and opened again on the result; when anything
// fails before the replacement, the old file stays and is opened again.
Status restore(Database& db, const QString& source, const QDate& day,
               const Replace& replace = replaceFile);

// On a server: replaces every row of db's book by those of the backup file source (checked as
// check() does, and brought up to the current layout in a temporary copy first), in one
// transaction (BookCopy::replace).
Result<BookCopy::Copied> restoreIntoServer(const Database& db, const QString& source,
                                           const BookCopy::Progress& progress = {});

// At start-up, for a file that cannot be opened: keeps the damaged file in folderOf() (as
// "DB-损坏-20261206-093000.xml"), then puts a checked copy of source in its place.
Status restoreDamaged(const QString& databasePath, const QString& source, const QDateTime& now,
                      const Replace& replace = replaceFile);

} // namespace Backup
