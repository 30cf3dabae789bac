// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserProfile.h"

#include "db/Database.h"

Result<std::optional<UserProfile>> UserProfile::read(const Database& db, qint64 userId)
{
    auto row =
        db.readOne(QStringLiteral("SELECT Skin, Dock FROM Vardelin_Login WHERE ID = ?"), {userId});
    if (!row)
        return row.error();
    if (!row.value())
        return std::optional<UserProfile>();
    const QSqlRecord& found = *row.value();
    return std::optional<UserProfile>(
        UserProfile{found.value(0).toString(), found.value(1).toString()});
}

Status UserProfile::saveSkin(const Database& db, qint64 userId, const QString& skin)
{
    return db.exec(QStringLiteral("UPDATE Vardelin_Login SET Skin = ? WHERE ID = ?"),
                   {skin, userId});
}

Status UserProfile::saveDock(const Database& db, qint64 userId, const QString& dock)
{
    return db.exec(QStringLiteral("UPDATE Vardelin_Login SET Dock = ? WHERE ID = ?"),
                   {dock, userId});
}
