// SPDX-License-Identifier: GPL-3.0-or-later
// Merging duplicate contacts into one, losing nothing the user did not choose to drop.
#pragma once

#include "db/Result.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

class Database;

namespace ContactMerge {

struct Candidate {
    QVariant value;       // as stored
    QString shown;        // as the merge window shows it
    qint64 contactId = 0; // the first contact that holds it
    QString comparedAs;   // what tells it from the other candidates
};

// Values that do not fit the kept contact: one field holding different values, or the slots of
// a field that comes several times (Moblie1..Moblie3, Mail1 and Mail2, ...) when the contacts
// hold more different values than there are slots. The user picks a candidate per column; every
// candidate picked nowhere is dropped.
struct Conflict {
    QStringList columns;
    std::vector<Candidate> candidates;
    // Per column, the candidate it holds unless the user picks another.
    std::vector<int> defaults;
};

struct Plan {
    // Every merged column's value, the conflicting ones at their defaults.
    QHash<QString, QVariant> values;
    std::vector<Conflict> conflicts;
};

// What the merge of one group reads. Values count as equal when they differ only in surrounding
// blanks; telephone numbers when their digits are the same (PhoneDigits::normalized), e-mail
// addresses without regard to case, dates by their day. An empty photo is no value. Equal values
// keep the form the kept contact (or the first contact holding it) gives them.
// Nothing when a contact is gone, is named twice, or is not the user's to see.
Result<std::optional<Plan>> plan(const Database& db, qint64 userId, qint64 keptId,
                                 const std::vector<qint64>& otherIds);

struct Request {
    qint64 userId = 0;
    qint64 keptId = 0;
    std::vector<qint64> otherIds;
    QDate today;
    // The conflicts the user was shown (Plan::conflicts); the merge refuses when they changed.
    std::vector<Conflict> shownConflicts;
    // The chosen value for every column of every conflict.
    QHash<QString, QVariant> choices;
};

// Vanished: a contact is gone or no longer the user's. Changed: the contacts changed since the
// plan was shown, or a conflicting column has no valid choice. Neither writes anything.
enum class Outcome { Merged, Vanished, Changed };

// In one transaction: writes the merged values into the kept contact (its owner kept, Py from
// the merged name, AddDate today), hands every picture, file and history record of the others
// to it (ContactBelongings) and deletes the others.
Result<Outcome> merge(const Database& db, const Request& request);

} // namespace ContactMerge
