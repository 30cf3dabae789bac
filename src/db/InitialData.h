// SPDX-License-Identifier: GPL-3.0-or-later
// The rows a new address book starts with.
#pragma once

#include "Result.h"

class Database;

namespace InitialData {

// The administrator's first password; the README tells it to new users.
inline constexpr const char16_t* adminPassword = u"admin";
// The root group's Number, which is also the suffix of every stored password.
inline constexpr qint16 rootNumber = 2024;

// Root group, options row, administrator and the list's column rows.
Status insert(const Database& db);

} // namespace InitialData
