// SPDX-License-Identifier: GPL-3.0-or-later
// The change of the current account's password: what is checked and what is stored.
#pragma once

#include "db/Result.h"
#include "db/RowVersion.h"

#include <QString>

#include <optional>

class Database;

namespace PasswordChange {

// The account's stored password turned back into its plain form (password
// followed by the suffix digits). An account without a password (Null or empty)
// gives the suffix digits alone; nothing when the account does not exist. readAs, when given,
// gets the version of the stored password (passwordRow) from the same read.
Result<std::optional<QString>> currentPlain(const Database& db, qint64 userId, qint16 suffix,
                                            RowVersion::Version* readAs = nullptr);
// The account's stored password: all a password change writes of the row.
RowVersion::Row passwordRow(qint64 userId);

struct Input {
    QString oldPassword;
    QString newPassword;
    QString confirmation;
};

// The first check the input fails, as the message to show, in the order the
// user is told: the old password, an empty new one, a new one that cannot be
// stored, the confirmation. Nothing when the change may be stored. currentPlain
// is what currentPlain() gave; a missing account refuses every change.
std::optional<QString> refusal(const std::optional<QString>& currentPlain, const Input& input,
                               qint16 suffix);

// Whether every character of a password survives scrambling: a character
// outside the Basic Multilingual Plane is two 16-bit halves, which scramble
// into a broken pair that no later login could match.
bool isStorable(const QString& password);

// Stores password (scrambled with the suffix) as the account's password.
Status store(const Database& db, qint64 userId, const QString& password, qint16 suffix);

} // namespace PasswordChange
