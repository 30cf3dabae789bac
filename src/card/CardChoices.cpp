// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardChoices.h"

#include "db/Database.h"

#include <QSqlError>

namespace {

Result<QStringList> distinctValues(const Database& db, const QString& sql)
{
    auto rows = db.query(sql);
    if (!rows)
        return rows.error();
    QStringList values;
    QSqlQuery& query = rows.value();
    while (query.next()) {
        const QVariant value = query.value(0);
        if (!value.isNull() && !value.toString().isEmpty())
            values << value.toString();
    }
    if (Status ended = db.finished(query); !ended)
        return ended.error();
    return values;
}

} // namespace

Result<QStringList> CardChoices::departments(const Database& db)
{
    return distinctValues(db, SqlDialect::distinctValues(db.backend(),
                                                         QStringLiteral("Vardelin_Contact"),
                                                         QStringLiteral("Deptment")));
}

Result<QStringList> CardChoices::posts(const Database& db)
{
    return distinctValues(db, SqlDialect::distinctValues(db.backend(),
                                                         QStringLiteral("Vardelin_Contact"),
                                                         QStringLiteral("Post")));
}

Result<std::vector<CardChoices::Group>> CardChoices::groups(const Database& db)
{
    auto rows = db.query(QStringLiteral("SELECT ID, Name FROM Vardelin_Type ORDER BY Number, ID"));
    if (!rows)
        return rows.error();
    std::vector<Group> groups;
    QSqlQuery& query = rows.value();
    while (query.next())
        groups.push_back({query.value(0).toLongLong(), query.value(1).toString()});
    if (Status ended = db.finished(query); !ended)
        return ended.error();
    return groups;
}
