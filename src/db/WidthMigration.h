// SPDX-License-Identifier: GPL-3.0-or-later
// Layout 1 to 2: list column widths move from pixels to twips.
#pragma once

#include "Result.h"

class Database;

namespace WidthMigration {

// The error number of a width that cannot be converted: SQLite's "data type mismatch".
inline constexpr int unconvertibleWidth = 20;

// Rewrites every Vardelin_Alias.Width, written by an earlier build in pixels at 96 dpi, in
// twips. Null stays Null and a width of 0 or less (a hidden column) stays as it is. A width
// that is no whole number fails with an error naming its column before anything is written;
// the caller runs this inside the transaction of the whole migration.
Status toTwips(const Database& db);

} // namespace WidthMigration
