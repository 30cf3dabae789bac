// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactBelongings.h"

#include "IdBatches.h"

#include <QString>

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
    for (const OwnedRows& owned : all) {
        // OR IGNORE: a row the kept contact already has its own of stays behind, and goes below.
        const QString head = QStringLiteral("UPDATE OR IGNORE ") + owned.table +
                             QStringLiteral(" SET ") + owned.contactColumn +
                             QStringLiteral(" = ? WHERE ") + owned.contactColumn +
                             QStringLiteral(" IN ");
        if (Status moved = IdBatches::run(db, head, fromIds, {toId}); !moved)
            return moved;
    }
    return removeOf(db, fromIds);
}
