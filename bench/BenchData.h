// SPDX-License-Identifier: GPL-3.0-or-later
// A large generated address book that the benchmark programs measure.
#pragma once

#include "db/Result.h"

#include <QString>

namespace BenchData {

// Groups below the root: 10 at the top, 40 below them, 150 below those.
inline constexpr int groupCount = 200;
// One contact in this many carries a photo of photoBytes random bytes.
inline constexpr int photoEvery = 10;
inline constexpr int photoBytes = 20 * 1024;

// Writes a new address book at path with contactCount generated contacts and
// runs ANALYZE on it. Refuses an existing file. The same count always gives
// the same rows.
Status build(const QString& path, int contactCount);

} // namespace BenchData
