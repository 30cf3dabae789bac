// SPDX-License-Identifier: GPL-3.0-or-later
// The address book's own random identity, made once with the file.
#pragma once

#include "Result.h"

#include <QUuid>

class Database;

// Contact IDs repeat from one address book to the next; this identity, with a contact's ID,
// names the contact apart from every other book's (the UID of an exported card), the same at
// every export. A copy or a restored backup of the file is the same book and keeps it.
namespace BookIdentity {

// The table Vardelin_Book with its one row of a new random identity; a row already there stays.
Status create(const Database& db);

Result<QUuid> read(const Database& db);

// The stable UID of a contact of this book, as a URN.
QString contactUid(const QUuid& book, qint64 contactId);

} // namespace BookIdentity
