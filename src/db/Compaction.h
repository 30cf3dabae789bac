// SPDX-License-Identifier: GPL-3.0-or-later
// Compacting the address book file: the space of deleted rows given back.
#pragma once

#include "Result.h"

class Database;

namespace Compaction {

// LeftToServer: a server database, whose administrator compacts it (VACUUM); nothing is done.
enum class Outcome { Compacted, SkippedLocked, LeftToServer };

// Rewrites the file without its free space, which takes about a second per
// 150 MB. When another program holds the
// file, nothing waits and nothing changes: the compaction is skipped. Any
// other failure is returned; the file stays as it was either way.
Result<Outcome> run(const Database& db);

} // namespace Compaction
