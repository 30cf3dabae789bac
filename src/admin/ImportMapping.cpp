// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImportMapping.h"

#include "db/ContactFields.h"
#include "db/Database.h"

namespace ImportMapping {

Result<QList<ImportTarget>> targets(const Database& db)
{
    auto rows = db.query(QStringLiteral("SELECT ID, Name, Alias FROM Vardelin_Alias "
                                        "WHERE Name <> ? ORDER BY ID"),
                         {QString(ContactFields::groupNameColumn)});
    if (!rows)
        return rows.error();
    QSqlQuery& query = rows.value();
    QList<ImportTarget> found;
    while (query.next())
        found.append({query.value(0).toLongLong(), query.value(2).toString(),
                      targetColumn(query.value(1).toString())});
    if (Status finished = db.finished(query); !finished)
        return finished.error();
    return found;
}

QString targetColumn(const QString& listExpression)
{
    QString column = listExpression;
    column.remove(QStringLiteral("C."), Qt::CaseSensitive);
    return column;
}

} // namespace ImportMapping
