// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactCommands.h"

#include "ContactBelongings.h"
#include "IdBatches.h"

#include "db/Database.h"

Status ContactCommands::deleteContacts(const Database& db, const std::vector<qint64>& contactIds)
{
    if (contactIds.empty())
        return {};
    // A write transaction, so that no record or file is added to a contact between the
    // removal of what belongs to it and its own deletion.
    return db.writeTransaction([&] { return removeContacts(db, contactIds); });
}

Status ContactCommands::removeContacts(const Database& db, const std::vector<qint64>& contactIds)
{
    // What belongs to the contacts first: nothing else reaches it once they are gone.
    if (Status belongings = ContactBelongings::removeOf(db, contactIds); !belongings)
        return belongings;
    return IdBatches::run(db, QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID IN "),
                          contactIds);
}

Result<bool> ContactCommands::moveContacts(const Database& db,
                                           const std::vector<qint64>& contactIds, qint64 groupId)
{
    bool groupExists = false;
    // A write transaction, so that no group deletion (which looks for contacts left in the group)
    // runs between the look for the group and the move.
    const Status moved = db.writeTransaction([&]() -> Status {
        auto found =
            db.query(QStringLiteral("SELECT 1 FROM Vardelin_Type WHERE ID = ?"), {groupId});
        if (!found)
            return found.error();
        groupExists = found.value().next();
        if (Status ended = db.finished(found.value()); !groupExists && !ended)
            return ended.error();
        if (!groupExists || contactIds.empty())
            return {};
        return IdBatches::run(db,
                              QStringLiteral("UPDATE Vardelin_Contact SET TID = ? WHERE ID IN "),
                              contactIds, {groupId});
    });
    if (!moved)
        return moved.error();
    return groupExists;
}
