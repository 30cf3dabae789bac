// SPDX-License-Identifier: GPL-3.0-or-later
// The accounts in Vardelin_Login: listing, adding, renaming and deleting them.
#pragma once

#include "db/Result.h"

#include <QString>

#include <vector>

class Database;

struct Account {
    qint64 id = 0;
    QString name;
    QString skin;
};

namespace Accounts {

// The password a new account starts with.
inline constexpr const char16_t* defaultPassword = u"739";
inline constexpr const char16_t* defaultSkin = u"Silver";

// Every account, in ID order.
Result<std::vector<Account>> list(const Database& db);

enum class Outcome {
    Done,
    // Another account has the name (as the database compares names, which is
    // how the login looks them up).
    NameTaken,
    // A rename chose a name another account has.
    NewNameTaken,
    // The account was deleted meanwhile.
    Missing,
    // The administrator's account cannot be deleted: nobody could reach the
    // administration pages again.
    IsAdministrator,
    // The account in use cannot be deleted: the running program would be
    // left without a user.
    IsCurrentUser,
};

// A new account with the default password scrambled under suffix, the default
// skin and no layout.
Result<Outcome> add(const Database& db, const QString& name, qint16 suffix);
// Whether the account exists.
Result<bool> exists(const Database& db, qint64 id);
// Changes only the name; the password, skin and layout stay.
Result<Outcome> rename(const Database& db, qint64 id, const QString& name);
// Done when the account may be deleted, else why not.
Outcome mayRemove(qint64 id, qint64 currentUserId);
// Deletes the account unless mayRemove() refuses; its contacts keep their UID.
Result<Outcome> remove(const Database& db, qint64 id, qint64 currentUserId);

// The message that tells the user why the outcome refused the command.
QString refusal(Outcome outcome);

} // namespace Accounts
