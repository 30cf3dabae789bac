// SPDX-License-Identifier: GPL-3.0-or-later
// An account's sync settings as Vardelin_SyncAccount keeps them (never the password).
#pragma once

#include "db/Result.h"

#include <QList>
#include <QString>
#include <QUrl>

class Database;

struct SyncSettings {
    QString server;
    QString userName;
    QUrl book;                 // the address book on the server
    QList<qint64> groupIds;    // the groups taking part; empty: all
    qint64 defaultGroupId = 1; // where a card naming no group is filed
    QString syncToken;         // the server's token after the last complete sync
    // The SHA-256 fingerprint of the server's certificate the user accepted although the system
    // does not trust it.
    QString trustedCertificate;
    // Sync at start-up and every so many minutes, in the background (TimedSync).
    bool atStart = false;
    int everyMinutes = 0; // 0: only when asked

    bool operator==(const SyncSettings&) const = default;

    // An account that never set up sync reads as empty settings.
    static Result<SyncSettings> read(const Database& db, qint64 accountId);
    // Another address book than the one stored starts afresh: the account's sync state and
    // token are dropped in the same transaction.
    Status save(const Database& db, qint64 accountId) const;
    static Status saveToken(const Database& db, qint64 accountId, const QString& token);
};
