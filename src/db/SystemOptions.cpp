// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemOptions.h"

#include "Database.h"

bool yesNo(const QVariant& value)
{
    if (value.isNull())
        return false;
    const QString text = value.toString().trimmed();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber)
        return number != 0;
    return text.compare(QLatin1StringView("true"), Qt::CaseInsensitive) == 0 ||
           text.compare(QLatin1StringView("yes"), Qt::CaseInsensitive) == 0;
}

RowVersion::Row SystemOptions::versionedRow()
{
    return {QStringLiteral("Vardelin_System"),
            QStringLiteral("ID"),
            1,
            {QStringLiteral("IsLogin"), QStringLiteral("IsAllUser"), QStringLiteral("IsExpanded"),
             QStringLiteral("IsZip"), QStringLiteral("IsMax"), QStringLiteral("IsTop")}};
}

Result<SystemOptions> SystemOptions::read(const Database& db, RowVersion::Version* readAs)
{
    auto row =
        db.readOne(QStringLiteral("SELECT IsLogin, IsAllUser, IsExpanded, IsZip, IsMax, IsTop "
                                  "FROM Vardelin_System WHERE ID = 1"));
    if (!row)
        return row.error();
    if (readAs) {
        *readAs = row.value() ? RowVersion::of(*row.value(), versionedRow().columns)
                              : RowVersion::Version();
    }
    SystemOptions options;
    if (const std::optional<QSqlRecord>& found = row.value()) {
        options.isLogin = yesNo(found->value(0));
        options.isAllUser = yesNo(found->value(1));
        options.isExpanded = yesNo(found->value(2));
        options.isZip = yesNo(found->value(3));
        options.isMax = yesNo(found->value(4));
        options.isTop = yesNo(found->value(5));
    }
    return options;
}
