// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListLoader.h"

#include "db/Database.h"

#include <QSqlError>

Result<ContactRows> ContactListLoader::load(const Database& db, const ContactListFilter& filter)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        return columns.error();
    return load(db, std::move(columns).value(), filter);
}

Result<ContactRows> ContactListLoader::load(const Database& db, std::vector<ListColumn> columns,
                                            const ContactListFilter& filter)
{
    std::erase_if(columns, [](const ListColumn& c) { return !ListColumns::isListable(c.field); });
    const ContactListStatement statement = ContactListQuery::build(columns, filter);
    auto result = db.query(statement.sql, statement.values);
    if (!result)
        return result.error();

    ContactRows rows;
    rows.columns = std::move(columns);
    const int columnCount = int(rows.columns.size());
    rows.cells.resize(columnCount);
    const QString male = QStringLiteral("男");
    QSqlQuery& q = result.value();
    while (q.next()) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].push_back(q.value(c).toString());
        rows.ids.push_back(q.value(columnCount).toLongLong());
        rows.male.push_back(q.value(columnCount + 1).toString() == male);
    }
    if (q.lastError().isValid())
        return DbError::fromSql(q.lastError());
    return rows;
}
