// SPDX-License-Identifier: GPL-3.0-or-later
// The reversible transform under which account passwords are stored.
#pragma once

#include <QString>

namespace Scramble {

// Every caller passes this key.
inline constexpr const char16_t* key = u"Tovarsek@#";

// Exclusive-or of each 16-bit character with the key, used cyclically; when the
// length is even each half is then reversed in place.
QString scramble(const QString& text, const QString& key);
QString unscramble(const QString& stored, const QString& key);

// The stored form of a password: the password with the suffix's decimal text
// appended, scrambled with the fixed key.
QString storedPassword(const QString& password, qint16 suffix);
// Whether a typed password matches a stored one under the given suffix.
bool matches(const QString& stored, const QString& typed, qint16 suffix);

} // namespace Scramble
