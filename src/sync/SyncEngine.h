// SPDX-License-Identifier: GPL-3.0-or-later
// Two-way sync of the address book with one address book on a CardDAV server.
#pragma once

#include "admin/VCard.h"
#include "db/Result.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class Database;
class DavClient;

// Which contacts take part and where cards from the server go.
struct SyncScope {
    qint64 accountId = 0;
    bool everyOwner = false; // the administrator syncs every account's contacts
    QList<qint64> groupIds;  // the groups taking part, with their subgroups; empty: all
    qint64 defaultGroupId = 1;
    QDate today;
};

// A contact changed on both sides since the last sync: the fields both sides changed, to
// different values (a field changed on one side only takes that side's value unasked).
struct SyncConflict {
    qint64 contactId = 0;
    QString name;
    // Column names of Vardelin_Contact, "Photo" and "CATEGORIES" (the group).
    QStringList columns;
    VCardContact local;
    VCardContact server;
};

// The columns (of SyncConflict::columns) that take the server's value; the others keep this
// address book's. Nothing: decide later; neither side is written and the conflict comes again.
using SyncResolver = std::function<std::optional<QSet<QString>>(const SyncConflict&)>;
// Told once the server's list is read (done 0), then after each card: cards done, in all.
using SyncProgress = std::function<void(qsizetype done, qsizetype total)>;

struct SyncSummary {
    int addedHere = 0, changedHere = 0, deletedHere = 0;
    int addedThere = 0, changedThere = 0, deletedThere = 0;
    // Conflicts resolved, and those left for the next sync.
    int conflictsResolved = 0, conflictsOpen = 0;
    // Deleted on one side, changed on the other: kept, and sent back to where it was deleted.
    int keptBack = 0;
    QString syncToken; // the server's token after this sync; empty when none is to be kept
    QStringList log;   // one line per card written, in Chinese

    QString text() const;
};

namespace SyncEngine {

// One sync. Each card's step writes its state as it succeeds, so a sync cut off (Cancel, a lost
// network, the program killed) is finished by the next without a card doubled or lost. A 412
// from the server is a conflict found late, never a write repeated over the other's; likewise a
// contact saved here while its step ran is left for the next sync, never written over. Stops at
// the first error (in Chinese, the HTTP status as its number) with what was done kept. One sync
// at a time per address book and account: another one started meanwhile is refused
// (SyncErrorCode::Busy).
Result<SyncSummary> run(const Database& db, DavClient& client, const QUrl& book,
                        const QString& syncToken, const SyncScope& scope,
                        const SyncResolver& resolver, const SyncProgress& progress = {});

// The fields where two cards differ, in the order of the card.
QStringList differingFields(const VCardContact& a, const VCardContact& b);

} // namespace SyncEngine
