// SPDX-License-Identifier: GPL-3.0-or-later
#include "PasswordSuffix.h"

#include "Database.h"

Result<std::optional<qint16>> PasswordSuffix::read(const Database& db)
{
    auto root = db.readOne(QStringLiteral("SELECT Number FROM Vardelin_Type WHERE PID = -1"));
    if (!root)
        return root.error();
    if (!root.value())
        return std::optional<qint16>();
    return std::optional<qint16>(qint16(root.value()->value(0).toLongLong()));
}
