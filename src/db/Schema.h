// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of the address book and the version stamped on them.
#pragma once

#include "Result.h"
#include "SqlDialect.h"

#include <QString>

#include <functional>
#include <span>
#include <vector>

class Database;

namespace Schema {

// Stamped as PRAGMA user_version (on a server, in Vardelin_Layout); a later layout adds a
// migration step.
// 2: Files last in Vardelin_Files.
// 3: list widths in twips (earlier layouts stored them in pixels).
// 4: the search table Vardelin_Search with its triggers.
// 5: the reminders' settings and the lunar birthday marks, in tables of their own.
// 6: the address book's identity, Vardelin_Book.
// 7: the print settings, Vardelin_Print.
// 8: the address-book sync's state, Vardelin_Sync and Vardelin_SyncAccount.
inline constexpr int version = 8;

struct Column {
    QString name;
    QString declaration; // type and constraints as in CREATE TABLE
};

struct Table {
    QString name;
    std::vector<Column> columns;
};

// The seven tables with every column, in table order: what create() builds and
// verify() demands.
const std::vector<Table>& tables();

Status create(const Database& db);

// On a server, after rows were written with their IDs: each identity column goes on past them.
// Nothing in a file, whose AUTOINCREMENT keys follow the rows themselves.
Status advanceIdentities(const Database& db);

// The tables kept beside the seven: what start-up reminds of, and which birthdays are lunar.
Status createReminderTables(const Database& db);

// Builds again the tables and triggers of ours beside the seven that a file of fileVersion
// should hold and has lost, each set in one transaction.
Status restoreOwnTables(const Database& db, int fileVersion);

// Fails with a clear message, as for a foreign file, when a table or any of
// its columns is missing.
Status verify(const Database& db);

// One step of the layout: the statements that turn version - 1 into version.
struct Migration {
    int version;
    std::function<Status(const Database&)> run;
};

// Brings a file written by an earlier build up to the last step's version,
// stamping user_version with each step, and then verifies it, all in one
// transaction: a failing step or a file that fails the check is left as it
// was. A file at or beyond the last step is only verified.
Status migrateAndVerify(const Database& db, int fileVersion, std::span<const Migration> steps);
// The steps from one layout to the next, for the backend (a server has none yet).
std::span<const Migration> migrations(Backend backend = Backend::File);

} // namespace Schema
