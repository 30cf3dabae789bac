// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListLoader.h"

#include "SearchIndex.h"

#include "db/Database.h"
#include "db/SqliteStatement.h"

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
    // Writes that did not fill the pinyin and digits themselves (a merge, another program)
    // left rows without them; a file found damaged takes no writes and searches without them.
    if (ContactListQuery::usesSearchTable(filter) && !db.isDamaged()) {
        if (Status filled = SearchIndex::refreshAlone(db); !filled)
            return filled.error();
    }
    const ContactListStatement statement = ContactListQuery::build(columns, filter);
    // The whole list can be 100,000 rows: stepping SQLite directly and decoding
    // each cell once into its column costs a fraction of going through
    // QSqlQuery, which converts every value twice and allocates it twice.
    auto prepared = SqliteStatement::prepare(db, statement.sql, statement.values);
    if (!prepared)
        return prepared.error();
    SqliteStatement& result = prepared.value();

    ContactRows rows;
    rows.columns = std::move(columns);
    const int columnCount = int(rows.columns.size());
    rows.cells.resize(columnCount);
    const std::string_view male = "男";
    while (result.step()) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].appendUtf8(result.text(c));
        rows.ids.push_back(result.integer(columnCount));
        rows.male.push_back(result.text(columnCount + 1) == male);
    }
    if (Status finished = result.error(); !finished)
        return finished.error();
    for (CellColumn& column : rows.cells)
        column.squeeze();
    return rows;
}

Result<qint64> ContactListLoader::count(const Database& db, const ContactListFilter& filter)
{
    const ContactListStatement statement = ContactListQuery::buildCount(filter);
    auto counted = db.readOne(statement.sql, statement.values);
    if (!counted)
        return counted.error();
    return counted.value() ? counted.value()->value(0).toLongLong() : 0;
}
