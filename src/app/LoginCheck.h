// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a typed name and password open an account of the address book.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QVariant>

#include <optional>

class Database;

struct LoginAccount {
    qint64 id = 0;
    QString skin;
    QString dock;
};

namespace LoginCheck {

enum class Verdict { Accepted, NoSuchUser, WrongPassword };

struct Outcome {
    Verdict verdict = Verdict::NoSuchUser;
    // The account that was opened; only set when the verdict is Accepted.
    std::optional<LoginAccount> account;
};

// Whether typed opens an account whose Pass column holds stored. The stored
// password turned back is compared character by character with typed plus the
// suffix's decimal text. An account without a password (Pass Null, or the bare
// suffix scrambled) is never opened, whatever is typed.
bool passwordAccepted(const QVariant& stored, const QString& typed, qint16 suffix);

// Finds the account by its exact name (bound, so any character is just text)
// and decides. Of two accounts sharing a name the older one is taken.
Result<Outcome> check(const Database& db, const QString& name, const QString& typed, qint16 suffix);

} // namespace LoginCheck
