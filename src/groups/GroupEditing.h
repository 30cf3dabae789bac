// SPDX-License-Identifier: GPL-3.0-or-later
// Adding, changing and deleting groups: the choices offered, the checks and the writes.
#pragma once

#include "db/Result.h"

#include <QString>

#include <optional>
#include <vector>

class Database;

// A group as the drop-down lists offer it.
struct GroupChoice {
    qint64 id = 0;
    QString name;
};

// What the group dialog hands in for saving.
struct GroupInput {
    bool isEdit = false;
    qint64 id = 0; // the edited group; unused when adding
    QString number;
    QString name;
    std::optional<qint64> parentId;
};

// Outcome of a write that the user may be refused: the refusal in the
// program's words, or none when the write was done.
struct GroupOutcome {
    QString refusal;
    bool done() const { return refusal.isEmpty(); }
};

namespace GroupEditing {

inline constexpr qint64 rootId = 1;

// Parents offered when editing group editedId (0 when adding): every other
// group, the root included, by Number then ID.
Result<std::vector<GroupChoice>> parentCandidates(const Database& db, qint64 editedId);
// Groups contacts can be moved to: every group but the root, by Number then ID.
Result<std::vector<GroupChoice>> moveTargets(const Database& db);

// The Number typed, when it is a whole number in the 16-bit range.
std::optional<qint16> parseNumber(const QString& text);

// The first check of the dialog that the input fails, in the order the dialog
// asks them, or none. Needs no database.
std::optional<QString> inputProblem(const GroupInput& input);

// Whether candidate is group itself or lies below it; a loop of parents
// that never reaches group counts as not below it.
Result<bool> isWithin(const Database& db, qint64 candidate, qint64 group);

// Checks the input against the database and writes it in one transaction:
// a new row, or the edited row when it still exists. Refused, writing
// nothing, when the input fails a check, the parent lies within the edited
// group, the parent or the edited row has gone.
Result<GroupOutcome> save(const Database& db, const GroupInput& input);

// Why groupId cannot be deleted, as the database holds it now, or none.
Result<std::optional<QString>> deletionProblem(const Database& db, qint64 groupId);
// Deletes the group after checking again inside the transaction.
Result<GroupOutcome> remove(const Database& db, qint64 groupId);

} // namespace GroupEditing
