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

namespace SyncState {

// The account's rows by href.
Result<QHash<QString, SyncedCard>> read(const Database& db, qint64 accountId);
// Writes the row of card.href, whether it is there or not.
Status write(const Database& db, qint64 accountId, const SyncedCard& card);
Status remove(const Database& db, qint64 accountId, const QString& href);

} // namespace SyncState
