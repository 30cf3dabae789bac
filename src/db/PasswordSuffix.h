// SPDX-License-Identifier: GPL-3.0-or-later
// The number appended to every password before it is scrambled.
#pragma once

#include "Result.h"

#include <optional>

class Database;

namespace PasswordSuffix {

// The root group's Number as a 16-bit value (wider numbers wrap, as they always
// have); nothing when the root row is missing.
Result<std::optional<qint16>> read(const Database& db);

} // namespace PasswordSuffix
