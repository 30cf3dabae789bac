// SPDX-License-Identifier: GPL-3.0-or-later
#include "BookIdentity.h"

#include "Database.h"

Status BookIdentity::create(const Database& db)
{
    if (Status made = db.exec(SqlDialect::createTable(
            db.backend(), QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_Book "
                                         "(ID INTEGER PRIMARY KEY CHECK (ID = 1), "
                                         "Uuid TEXT NOT NULL)")));
        !made)
        return made;
    // The upsert form both databases read.
    return db.exec(QStringLiteral("INSERT INTO Vardelin_Book (ID, Uuid) VALUES (1, ?) "
                                  "ON CONFLICT DO NOTHING"),
                   {QUuid::createUuid().toString(QUuid::WithoutBraces)});
}

Result<QUuid> BookIdentity::read(const Database& db)
{
    auto row = db.readOne(QStringLiteral("SELECT Uuid FROM Vardelin_Book WHERE ID = 1"));
    if (!row)
        return row.error();
    const QUuid identity =
        row.value() ? QUuid::fromString(row.value()->value(0).toString()) : QUuid();
    if (identity.isNull())
        return DbError{SqliteCode::Error,
                       QStringLiteral("通讯录的标识（数据表 Vardelin_Book）丢失或已损坏。")};
    return identity;
}

QString BookIdentity::contactUid(const QUuid& book, qint64 contactId)
{
    // A name-based UUID: the same book and ID give the same UID, and it reveals neither.
    return QStringLiteral("urn:uuid:") +
           QUuid::createUuidV5(book, QString::number(contactId)).toString(QUuid::WithoutBraces);
}
