// SPDX-License-Identifier: GPL-3.0-or-later
// A file's search copy, kept current through SQLite's own hooks.
#pragma once

#include "SearchCopy.h"

namespace FileSearchCopy {

// The copy of db's connection, brought up to date with the file. It belongs to the connection
// and goes with it. Rows this connection writes are read again one by one (SQLite's update hook
// names them, triggers' writes included); a commit on another connection (PRAGMA data_version
// moves), a table made anew (PRAGMA schema_version moves), a rollback or changes to more than
// an eighth of the rows have it read again whole. So no write can leave it behind.
Result<const SearchCopy::Copy*> current(const Database& db);

} // namespace FileSearchCopy
