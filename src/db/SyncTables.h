// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of the address-book sync, kept beside the seven.
#pragma once

#include "Result.h"

#include <QStringList>

class Database;

// Vardelin_Sync: per account and card on the server (Href), the contact it is (CID), its UID,
// the ETag and the vCard text of the last sync: the common ancestor that tells which side
// changed. A row outlives its contact, so that a contact deleted here is deleted on the server.
// Vardelin_SyncAccount: per account, the server, user name, address book, the groups that take
// part, the server's sync token and the fingerprint of a server certificate the user accepted.
// The password is never kept here.
// Vardelin_SyncBook: per account and address book, the book's CTag when everything changed there
// up to it had been taken in here, and the sync token that sync ended with: the same CTag and
// token again tell "nothing changed there" without the server listing its changes. LocalDigest:
// the digest of this book's contacts when they were last known to be as the server has them,
// which tells "nothing changed here" without writing every contact's card.
namespace SyncTables {

// The tables and the trigger that removes an account's rows with the account.
Status create(const Database& db);
QStringList names();

} // namespace SyncTables
