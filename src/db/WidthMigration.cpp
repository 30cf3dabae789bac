// SPDX-License-Identifier: GPL-3.0-or-later
#include "WidthMigration.h"

#include "Database.h"
#include "ListWidths.h"

#include <cmath>
#include <optional>
#include <vector>

namespace {

struct StoredWidth {
    qint64 aliasId = 0;
    qint64 pixels = 0;
};

// The whole number a stored width holds, whatever type SQLite gave it; nothing for any other
// value.
std::optional<qint64> wholeNumber(const QVariant& value, const QString& type)
{
    if (type == QLatin1StringView("integer"))
        return value.toLongLong();
    if (type == QLatin1StringView("real")) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::abs(number) < 1e15)
            return qint64(number);
        return std::nullopt;
    }
    if (type == QLatin1StringView("text")) {
        bool isNumber = false;
        const qint64 number = value.toString().trimmed().toLongLong(&isNumber);
        if (isNumber)
            return number;
    }
    return std::nullopt;
}

DbError unconvertible(const QString& caption, const QString& stored)
{
    return {WidthMigration::unconvertibleWidth,
            QStringLiteral("列“%1”的宽度“%2”不是整数，无法换算为新的宽度单位。"
                           "数据库文件没有被修改。")
                .arg(caption, stored)};
}

Result<std::vector<StoredWidth>> readWidths(const Database& db)
{
    auto rows = db.query(
        QStringLiteral("SELECT ID, Alias, Width, typeof(Width) FROM Vardelin_Alias ORDER BY ID"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<StoredWidth> widths;
    while (q.next()) {
        const QString type = q.value(3).toString();
        if (type == QLatin1StringView("null"))
            continue;
        const std::optional<qint64> pixels = wholeNumber(q.value(2), type);
        if (!pixels)
            return unconvertible(q.value(1).toString(), q.value(2).toString());
        widths.push_back({q.value(0).toLongLong(), *pixels});
    }
    if (Status ended = db.finished(q); !ended)
        return ended.error();
    return widths;
}

} // namespace

Status WidthMigration::toTwips(const Database& db)
{
    auto widths = readWidths(db);
    if (!widths)
        return widths.error();
    for (const StoredWidth& width : widths.value()) {
        const qint64 twips =
            width.pixels > 0 ? ListWidths::twipsFromPixels(width.pixels, ListWidths::referenceDpi)
                             : width.pixels;
        if (Status written =
                db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = ? WHERE ID = ?"),
                        {twips, width.aliasId});
            !written)
            return written;
    }
    return {};
}
