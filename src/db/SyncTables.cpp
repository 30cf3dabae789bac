// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncTables.h"

#include "Database.h"

Status SyncTables::create(const Database& db)
{
    const Backend backend = db.backend();
    const QStringList statements =
        QStringList{
            SqlDialect::createTable(
                backend, QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_Sync (Account INTEGER "
                                        "NOT NULL, Href TEXT NOT NULL, CID INTEGER NOT NULL, Uid "
                                        "TEXT NOT NULL, ETag TEXT, Card TEXT, PRIMARY KEY "
                                        "(Account, Href))")),
            QStringLiteral("CREATE INDEX IF NOT EXISTS Sync_CID ON Vardelin_Sync (CID)"),
            SqlDialect::createTable(
                backend,
                QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_SyncAccount (Account INTEGER "
                               "PRIMARY KEY, Server TEXT, UserName TEXT, Book TEXT, Groups TEXT, "
                               "DefaultGroup INTEGER, SyncToken TEXT, Certificate TEXT, "
                               "AtStart INTEGER NOT NULL DEFAULT 0, "
                               "EveryMinutes INTEGER NOT NULL DEFAULT 0)")),
            SqlDialect::createTable(
                backend, QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_SyncBook (Account "
                                        "INTEGER NOT NULL, Book TEXT NOT NULL, CTag TEXT, "
                                        "SyncToken TEXT, LocalDigest TEXT, PRIMARY KEY "
                                        "(Account, Book))")),
        } +
        // An account deleted takes its sync state with it.
        SqlDialect::createTrigger(
            backend, QStringLiteral("Sync_AccountDeleted"), QStringLiteral("AFTER DELETE"),
            QStringLiteral("Vardelin_Login"),
            QStringLiteral("DELETE FROM Vardelin_Sync WHERE Account = OLD.ID; "
                           "DELETE FROM Vardelin_SyncAccount WHERE Account "
                           "= OLD.ID"),
            true);
    for (const QString& statement : statements)
        if (Status done = db.exec(statement); !done)
            return done;
    return {};
}

QStringList SyncTables::names()
{
    return {QStringLiteral("Vardelin_Sync"), QStringLiteral("Vardelin_SyncAccount"),
            QStringLiteral("Vardelin_SyncBook"), QStringLiteral("Sync_AccountDeleted")};
}
