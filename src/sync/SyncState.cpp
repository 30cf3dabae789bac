// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncState.h"

#include "db/Database.h"

Result<QHash<QString, SyncedCard>> SyncState::read(const Database& db, qint64 accountId)
{
    auto rows = db.query(QStringLiteral("SELECT Href, CID, Uid, ETag, Card FROM Vardelin_Sync "
                                        "WHERE Account = ?"),
                         {accountId});
    if (!rows)
        return rows.error();
    QHash<QString, SyncedCard> cards;
    while (rows.value().next()) {
        const QSqlQuery& row = rows.value();
        SyncedCard card{row.value(0).toString(), row.value(1).toLongLong(), row.value(2).toString(),
                        row.value(3).toString(), row.value(4).toString()};
        cards.insert(card.href, card);
    }
    if (Status finished = db.finished(rows.value()); !finished)
        return finished.error();
    return cards;
}

Status SyncState::write(const Database& db, qint64 accountId, const SyncedCard& card)
{
    // A select, then an insert or an update: the same statements on every database.
    auto there =
        db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_Sync WHERE Account = ? AND Href = ?"),
                   {accountId, card.href});
    if (!there)
        return there.error();
    if (there.value())
        return db.exec(QStringLiteral("UPDATE Vardelin_Sync SET CID = ?, Uid = ?, ETag = ?, "
                                      "Card = ? WHERE Account = ? AND Href = ?"),
                       {card.contactId, card.uid, card.etag, card.card, accountId, card.href});
    return db.exec(QStringLiteral("INSERT INTO Vardelin_Sync (CID, Uid, ETag, Card, Account, Href) "
                                  "VALUES (?, ?, ?, ?, ?, ?)"),
                   {card.contactId, card.uid, card.etag, card.card, accountId, card.href});
}

Status SyncState::remove(const Database& db, qint64 accountId, const QString& href)
{
    return db.exec(QStringLiteral("DELETE FROM Vardelin_Sync WHERE Account = ? AND Href = ?"),
                   {accountId, href});
}

Result<BookTag> SyncState::readBookTag(const Database& db, qint64 accountId, const QString& book)
{
    auto row = db.readOne(QStringLiteral("SELECT CTag, SyncToken, LocalDigest FROM "
                                         "Vardelin_SyncBook WHERE Account = ? AND Book = ?"),
                          {accountId, book});
    if (!row)
        return row.error();
    if (!row.value())
        return BookTag{};
    return BookTag{row.value()->value(0).toString(), row.value()->value(1).toString(),
                   row.value()->value(2).toString()};
}

Status SyncState::writeBookTag(const Database& db, qint64 accountId, const QString& book,
                               const BookTag& tag)
{
    // As write: one statement or the other, so that it runs inside a caller's transaction too.
    auto there =
        db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_SyncBook WHERE Account = ? AND Book = ?"),
                   {accountId, book});
    if (!there)
        return there.error();
    return db.exec(there.value()
                       ? QStringLiteral("UPDATE Vardelin_SyncBook SET CTag = ?, SyncToken = ?, "
                                        "LocalDigest = ? WHERE Account = ? AND Book = ?")
                       : QStringLiteral("INSERT INTO Vardelin_SyncBook (CTag, SyncToken, "
                                        "LocalDigest, Account, Book) VALUES (?, ?, ?, ?, ?)"),
                   {tag.ctag, tag.syncToken, tag.localDigest, accountId, book});
}
