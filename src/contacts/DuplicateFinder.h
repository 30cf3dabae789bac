// SPDX-License-Identifier: GPL-3.0-or-later
// Finds contacts entered more than once: a shared telephone number, or the same name and company.
#pragma once

#include "db/Result.h"

#include <QString>
#include <QStringList>

#include <vector>

class Database;

struct DuplicateContact {
    qint64 id = 0;
    QString name;
    QString company;
    // The six telephone fields that hold a number, in card order.
    QStringList phones;
    QString groupName;
};

// Contacts that share a number or a name and company, oldest (lowest ID) first.
using DuplicateGroup = std::vector<DuplicateContact>;

namespace DuplicateFinder {

// Two contacts are duplicates when any of their six telephone fields (Tel1..Tel3,
// Moblie1..Moblie3) hold the same digits (PhoneDigits::normalized; a field without digits is
// ignored), or when they have the same non-empty name and the same company, the company empty
// on both counting as the same. Names and companies are compared without surrounding blanks,
// runs of blanks counting as one and Latin letters without regard to case. Duplicates of
// duplicates join one group. The contacts are those the user's list can show: every contact
// filed under an existing group for the administrator, the user's own for anyone else. Groups
// are ordered by their oldest contact.
Result<std::vector<DuplicateGroup>> find(const Database& db, qint64 userId);

// The key under which a name or a company is compared.
QString comparedText(QString text);

} // namespace DuplicateFinder
