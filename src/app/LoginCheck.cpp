// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginCheck.h"

#include "db/Database.h"
#include "db/Scramble.h"

bool LoginCheck::passwordAccepted(const QVariant& stored, const QString& typed, qint16 suffix)
{
    const QString suffixText = QString::number(suffix);
    const QString plain = stored.isNull() ? suffixText
                                          : Scramble::unscramble(stored.toString(),
                                                                 QString::fromUtf16(Scramble::key));
    if (plain == suffixText)
        return false;
    return plain == typed + suffixText;
}

Result<LoginCheck::Outcome> LoginCheck::check(const Database& db, const QString& name,
                                              const QString& typed, qint16 suffix)
{
    // Names are found regardless of letter case ("ADMIN" is admin's account); two that differ
    // only in case, left by an earlier build, each open with their own spelling.
    auto row = db.readOne(QStringLiteral("SELECT ID, Pass, Skin, Dock FROM Vardelin_Login "
                                         "WHERE Name = ? COLLATE NOCASE "
                                         "ORDER BY Name = ? DESC, ID LIMIT 1"),
                          {name, name});
    if (!row)
        return row.error();
    if (!row.value())
        return Outcome{Verdict::NoSuchUser, std::nullopt};
    const QSqlRecord& found = *row.value();
    if (!passwordAccepted(found.value(1), typed, suffix))
        return Outcome{Verdict::WrongPassword, std::nullopt};
    return Outcome{Verdict::Accepted,
                   LoginAccount{found.value(0).toLongLong(), found.value(2).toString(),
                                found.value(3).toString()}};
}
