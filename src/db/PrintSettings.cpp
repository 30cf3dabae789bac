// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrintSettings.h"

#include "Database.h"

#include <QSqlRecord>
#include <QVariant>

Status PrintSettings::createTable(const Database& db)
{
    if (Status made = db.exec(SqlDialect::createTable(
            db.backend(),
            QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_Print (ID INTEGER PRIMARY KEY "
                           "CHECK (ID = 1), SenderAddress TEXT NOT NULL DEFAULT '', "
                           "SenderPostcode TEXT NOT NULL DEFAULT '', OffsetX REAL NOT NULL "
                           "DEFAULT 0, OffsetY REAL NOT NULL DEFAULT 0)")));
        !made)
        return made;
    return db.exec(
        QStringLiteral("INSERT INTO Vardelin_Print (ID) VALUES (1) ON CONFLICT DO NOTHING"));
}

Result<PrintSettings> PrintSettings::read(const Database& db)
{
    auto row = db.readOne(QStringLiteral("SELECT SenderAddress, SenderPostcode, OffsetX, OffsetY "
                                         "FROM Vardelin_Print WHERE ID = 1"));
    if (!row)
        return row.error();
    PrintSettings settings;
    if (const auto& record = row.value()) {
        settings.senderAddress = record->value(0).toString();
        settings.senderPostcode = record->value(1).toString();
        settings.offsetXmm = record->value(2).toDouble();
        settings.offsetYmm = record->value(3).toDouble();
    }
    return settings;
}

Status PrintSettings::save(const Database& db) const
{
    return db.transaction([&]() -> Status {
        if (Status made = createTable(db); !made)
            return made;
        return db.exec(QStringLiteral("UPDATE Vardelin_Print SET SenderAddress = ?, "
                                      "SenderPostcode = ?, OffsetX = ?, OffsetY = ? WHERE ID = 1"),
                       {senderAddress, senderPostcode, offsetXmm, offsetYmm});
    });
}
