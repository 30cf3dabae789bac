// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of Vardelin_Sync: what each card was at the last sync, per account.
#pragma once

#include "db/Result.h"

#include <QHash>
#include <QString>

class Database;

struct SyncedCard {
    QString href;
    qint64 contactId = 0;
    QString uid;
    QString etag; // empty: written, but the server did not tell the new ETag
    QString card; // the vCard text both sides held at the last sync
};

// The address book's CTag, with the sync token of the sync that took in every change up to it,
// and the digest of this side's contacts (LocalCards::digest) when they were all as that sync
// left the server; empty when that is not known.
struct BookTag {
    QString ctag;
    QString syncToken;
    QString localDigest;
};

namespace SyncState {

// The account's rows by href.
Result<QHash<QString, SyncedCard>> read(const Database& db, qint64 accountId);
// Writes the row of card.href, whether it is there or not.
Status write(const Database& db, qint64 accountId, const SyncedCard& card);
Status remove(const Database& db, qint64 accountId, const QString& href);

// The tag kept for the account's address book at that URL; empty when there is none.
Result<BookTag> readBookTag(const Database& db, qint64 accountId, const QString& book);
Status writeBookTag(const Database& db, qint64 accountId, const QString& book, const BookTag& tag);

} // namespace SyncState
