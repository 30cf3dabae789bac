// SPDX-License-Identifier: GPL-3.0-or-later
// What the card's combos offer: known departments and posts, and the groups.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

class Database;

namespace CardChoices {

// The distinct stored values in the order the database returns them, Null and empty left out.
Result<QStringList> departments(const Database& db);
Result<QStringList> posts(const Database& db);

struct Group {
    qint64 id = 0;
    QString name;
};

// Every group, the root included, flat, by Number then ID.
Result<std::vector<Group>> groups(const Database& db);

} // namespace CardChoices
