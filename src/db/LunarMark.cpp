// SPDX-License-Identifier: GPL-3.0-or-later
// Which contacts keep their birthday by the lunar calendar.
#include "LunarMark.h"

#include "Database.h"

Result<bool> LunarMark::isSet(const Database& db, qint64 contactId)
{
    auto mark = db.readOne(QStringLiteral("SELECT 1 FROM Vardelin_LunarBirthday WHERE CID = ?"),
                           {contactId});
    if (!mark)
        return mark.error();
    return mark.value().has_value();
}

Status LunarMark::set(const Database& db, qint64 contactId, bool lunar)
{
    if (lunar) {
        return db.exec(
            QStringLiteral(
                "INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?) ON CONFLICT DO NOTHING"),
            {contactId});
    }
    return db.exec(QStringLiteral("DELETE FROM Vardelin_LunarBirthday WHERE CID = ?"), {contactId});
}
