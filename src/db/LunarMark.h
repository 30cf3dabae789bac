// SPDX-License-Identifier: GPL-3.0-or-later
// Which contacts keep their birthday by the lunar calendar.
#pragma once

#include "Result.h"

class Database;

// The marks live in Vardelin_LunarBirthday, one row per marked contact; triggers remove a
// contact's mark with the contact.
namespace LunarMark {

Result<bool> isSet(const Database& db, qint64 contactId);
// Sets or clears the contact's mark; setting a set mark changes nothing.
Status set(const Database& db, qint64 contactId, bool lunar);

} // namespace LunarMark
