// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts of the address book as the sync sees them: cards, read and written by contact ID.
#pragma once

#include "admin/VCard.h"
#include "db/Result.h"

#include <QDate>
#include <QHash>

#include <optional>
#include <vector>

class Database;

namespace LocalCards {

// Who the contacts written belong to, and the group for a card that names none.
struct Filing {
    qint64 ownerId = 0;
    qint64 defaultGroupId = 1;
    QDate today;
};

// The contact as a card: every column but the identifiers, Py and AddDate (the day of the last
// save says nothing about the contact), the photo's picture bytes, and its group's name as the
// category (none for the root group). Nothing when there is no such contact.
Result<std::optional<VCardContact>> read(const Database& db, qint64 contactId);
// The same for many contacts at once, a few hundred per statement; those gone are left out.
Result<QHash<qint64, VCardContact>> readMany(const Database& db, const std::vector<qint64>& ids);

// A digest of every contact of the book as its card would show it (the card's columns, the
// photo, the group and its name) and of the IDs in inScope: equal digests, nothing changed that
// a sync would carry. One read of the table, no card written.
Result<QString> digest(const Database& db, const QList<qint64>& inScope);

// A new contact from a card, filed under the group its first category names (made below the
// root group when missing) or the default group. Call inside a transaction. Gives its ID.
Result<qint64> add(const Database& db, const VCardContact& card, const Filing& filing);

// Writes the card over the contact: every column the card lacks is emptied; the group changes
// only when groupChanged (a category dropped on the phone does not move the contact to the
// default group unless it was the change). Call inside a transaction.
Status update(const Database& db, qint64 contactId, const VCardContact& card, bool groupChanged,
              const Filing& filing);

} // namespace LocalCards
