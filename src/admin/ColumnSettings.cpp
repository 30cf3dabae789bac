// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColumnSettings.h"

#include "db/Database.h"
#include "db/SystemOptions.h"

#include <QSqlRecord>

namespace {

// Nine digits always fit a 32-bit column value.
constexpr qsizetype mostDigits = 9;

} // namespace

Result<std::vector<ColumnSetting>> ColumnSettings::read(const Database& db)
{
    auto rows = db.query(
        QStringLiteral("SELECT ID, Alias, Width, Seq, IsDisplay FROM Vardelin_Alias ORDER BY ID"));
    if (!rows)
        return rows.error();
    QSqlQuery& q = rows.value();
    std::vector<ColumnSetting> columns;
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        columns.push_back({id, q.value(1).toString(), q.value(2).toInt(), q.value(3).toInt(),
                           yesNo(q.value(4)),
                           RowVersion::of(q.record(), versionedRow(id).columns)});
    }
    if (Status finished = db.finished(q); !finished)
        return finished.error();
    return columns;
}

RowVersion::Row ColumnSettings::versionedRow(qint64 id)
{
    return {QStringLiteral("Vardelin_Alias"),
            QStringLiteral("ID"),
            id,
            {QStringLiteral("Alias"), QStringLiteral("Width"), QStringLiteral("Seq"),
             QStringLiteral("IsDisplay")}};
}

bool ColumnSettings::differs(const ColumnSetting& a, const ColumnSetting& b)
{
    return a.id != b.id || a.caption != b.caption || a.width != b.width || a.seq != b.seq ||
           a.shown != b.shown;
}

Status ColumnSettings::write(const Database& db, const std::vector<ColumnSetting>& columns)
{
    const QString sql =
        QStringLiteral("UPDATE Vardelin_Alias SET Alias = ?, Width = ?, Seq = ?, IsDisplay = ? "
                       "WHERE ID = ?");
    for (const ColumnSetting& column : columns) {
        if (Status done = db.exec(
                sql, {column.caption, column.width, column.seq, column.shown ? 1 : 0, column.id});
            !done)
            return done;
    }
    return {};
}

std::optional<int> ColumnSettings::wholeNumber(const QString& text)
{
    const bool negative = text.startsWith(u'-');
    const QStringView digits = QStringView(text).sliced(negative ? 1 : 0);
    if (digits.isEmpty() || digits.size() > mostDigits)
        return std::nullopt;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int value = digits.toInt();
    return negative ? -value : value;
}

bool ColumnSettings::showableCaption(const QString& text)
{
    return !text.trimmed().isEmpty();
}
