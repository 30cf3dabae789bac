// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactBelongings.h"

#include "IdBatches.h"

#include "db/Database.h"

#include <QString>

Result<bool> ContactBelongings::contactExists(const Database& db, qint64 contactId)
{
    auto found =
        db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_Contact WHERE ID = ?"), {contactId});
    if (!found)
        return found.error();
    return found.value().has_value();
}

Status ContactBelongings::removeOf(const Database& db, const std::vector<qint64>& contactIds)
{
    for (const OwnedRows& owned : all) {
        // Table and column names come from the list above, never from input.
        const QString head = QStringLiteral("DELETE FROM ") + owned.table +
                             QStringLiteral(" WHERE ") + owned.contactColumn +
                             QStringLiteral(" IN ");
        if (Status removed = IdBatches::run(db, head, contactIds); !removed)
            return removed;
    }
    return {};
}

Status ContactBelongings::moveTo(const Database& db, const std::vector<qint64>& fromIds,
                                 qint64 toId)
{
    // OR IGNORE: a row the kept contact already has its own of (a UNIQUE contact column) stays
    // behind, and goes below. A server has no such UPDATE; none of the tables has such a column
    // yet, and a table that gets one would fail the merge there rather than lose a row.
    const QString update = db.backend() == Backend::File ? QStringLiteral("UPDATE OR IGNORE ")
                                                         : QStringLiteral("UPDATE ");
    for (const OwnedRows& owned : all) {
        const QString head = update + owned.table + QStringLiteral(" SET ") + owned.contactColumn +
                             QStringLiteral(" = ? WHERE ") + owned.contactColumn +
                             QStringLiteral(" IN ");
        if (Status moved = IdBatches::run(db, head, fromIds, {toId}); !moved)
            return moved;
    }
    return removeOf(db, fromIds);
}
