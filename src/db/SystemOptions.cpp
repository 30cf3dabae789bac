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

Result<SystemOptions> SystemOptions::read(const Database& db)
{
    auto row = db.query(QStringLiteral("SELECT IsLogin, IsAllUser, IsExpanded, IsZip, IsMax, IsTop "
                                       "FROM Vardelin_System WHERE ID = 1"));
    if (!row)
        return row.error();
    SystemOptions options;
    QSqlQuery& q = row.value();
    if (q.next()) {
        options.isLogin = yesNo(q.value(0));
        options.isAllUser = yesNo(q.value(1));
        options.isExpanded = yesNo(q.value(2));
        options.isZip = yesNo(q.value(3));
        options.isMax = yesNo(q.value(4));
        options.isTop = yesNo(q.value(5));
    }
    return options;
}
