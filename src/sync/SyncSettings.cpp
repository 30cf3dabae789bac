// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncSettings.h"

#include "db/Database.h"

#include <QSqlRecord>

namespace {

QString joinedIds(const QList<qint64>& ids)
{
    QStringList texts;
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(u',');
}

QList<qint64> splitIds(const QString& text)
{
    QList<qint64> ids;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = part.toLongLong(&ok);
        if (ok)
            ids << id;
    }
    return ids;
}

} // namespace

Result<SyncSettings> SyncSettings::read(const Database& db, qint64 accountId)
{
    auto row = db.readOne(QStringLiteral("SELECT Server, UserName, Book, Groups, DefaultGroup, "
                                         "SyncToken, AtStart, EveryMinutes, Certificate FROM "
                                         "Vardelin_SyncAccount WHERE Account = ?"),
                          {accountId});
    if (!row)
        return row.error();
    SyncSettings settings;
    if (!row.value())
        return settings;
    const QSqlRecord& record = *row.value();
    settings.server = record.value(0).toString();
    settings.userName = record.value(1).toString();
    settings.book = QUrl(record.value(2).toString());
    settings.groupIds = splitIds(record.value(3).toString());
    if (!record.value(4).isNull())
        settings.defaultGroupId = record.value(4).toLongLong();
    settings.syncToken = record.value(5).toString();
    settings.atStart = record.value(6).toBool();
    settings.everyMinutes = record.value(7).toInt();
    settings.trustedCertificate = record.value(8).toString();
    return settings;
}

Status SyncSettings::save(const Database& db, qint64 accountId) const
{
    return db.transaction([&]() -> Status {
        auto there = db.readOne(
            QStringLiteral("SELECT Book FROM Vardelin_SyncAccount WHERE Account = ?"), {accountId});
        if (!there)
            return there.error();
        // The state belongs to the address book it was synced with: against another, its cards
        // would all look deleted there, and be deleted here.
        QString token = syncToken;
        if (there.value() && there.value()->value(0).toString() != book.toString()) {
            token.clear();
            if (Status forgotten = db.exec(
                    QStringLiteral("DELETE FROM Vardelin_Sync WHERE Account = ?"), {accountId});
                !forgotten)
                return forgotten;
        }
        const QVariantList values{
            server, userName,     book.toString(), joinedIds(groupIds), defaultGroupId,
            token,  int(atStart), everyMinutes,    trustedCertificate,  accountId};
        return db.exec(
            there.value()
                ? QStringLiteral("UPDATE Vardelin_SyncAccount SET Server = ?, "
                                 "UserName = ?, Book = ?, Groups = ?, DefaultGroup = ?, "
                                 "SyncToken = ?, AtStart = ?, EveryMinutes = ?, Certificate = ? "
                                 "WHERE Account = ?")
                : QStringLiteral("INSERT INTO Vardelin_SyncAccount (Server, UserName, "
                                 "Book, Groups, DefaultGroup, SyncToken, AtStart, "
                                 "EveryMinutes, Certificate, Account) VALUES (?, ?, ?, "
                                 "?, ?, ?, ?, ?, ?, ?)"),
            values);
    });
}

Status SyncSettings::saveToken(const Database& db, qint64 accountId, const QString& token)
{
    return db.exec(
        QStringLiteral("UPDATE Vardelin_SyncAccount SET SyncToken = ? WHERE Account = ?"),
        {token, accountId});
}
