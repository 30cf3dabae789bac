// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListLoader.h"

#include "IdBatches.h"
#include "SearchIndex.h"
#include "SearchStructure.h"

#include "db/Database.h"
#include "db/RowStatement.h"

#include <algorithm>

Result<ContactRows> ContactListLoader::load(const Database& db, const ContactListFilter& filter)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        return columns.error();
    return load(db, std::move(columns).value(), filter);
}

namespace {

// Appends the rows a statement gives to rows, whose columns it selects in order, then C.ID and
// C.Sex. The whole list can be 100,000 rows: stepping the database's own handle and decoding each
// cell once into its column costs a fraction of going through QSqlQuery, which converts every
// value twice and allocates it twice.
Status appendStatementRows(const Database& db, const ContactListStatement& statement,
                           ContactRows& rows)
{
    const int columnCount = int(rows.columns.size());
    const std::string_view male = "男";
    return RowStatements::forEachRow(db, statement.sql, statement.values, [&](const auto& row) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].appendUtf8(row.text(c));
        rows.ids.push_back(row.integer(columnCount));
        rows.male.push_back(row.text(columnCount + 1) == male);
    });
}

// IDs per statement for a search's rows: each batch costs a prepare, and SQLite takes up to
// 32766 bound values.
constexpr std::size_t searchBatchSize = 4000;

// The rows of ids, batch by batch, in the same ascending order; no more than the filter's cap.
Status appendIdRows(const Database& db, const ContactListFilter& filter,
                    std::span<const qint64> ids, ContactRows& rows)
{
    const int limit = ContactListQuery::rowLimit(filter);
    for (std::size_t start = 0; start < ids.size(); start += searchBatchSize) {
        const int shown = int(rows.ids.size());
        if (limit > 0 && shown >= limit)
            break;
        const std::size_t count = std::min(searchBatchSize, ids.size() - start);
        QVariantList batch;
        batch.reserve(qsizetype(count));
        for (std::size_t i = start; i < start + count; ++i)
            batch << ids[i];
        const ContactListStatement statement =
            ContactListQuery::buildForIds(rows.columns, filter, IdBatches::placeholders(count),
                                          batch, limit > 0 ? limit - shown : 0);
        if (Status appended = appendStatementRows(db, statement, rows); !appended)
            return appended;
    }
    return {};
}

ContactRows emptyRows(std::vector<ListColumn> columns)
{
    std::erase_if(columns, [](const ListColumn& c) { return !ListColumns::isListable(c.field); });
    ContactRows rows;
    rows.columns = std::move(columns);
    rows.cells.resize(rows.columns.size());
    return rows;
}

void squeeze(ContactRows& rows)
{
    for (CellColumn& column : rows.cells)
        column.squeeze();
}

} // namespace

Result<ContactRows> ContactListLoader::load(const Database& db, std::vector<ListColumn> columns,
                                            const ContactListFilter& filter)
{
    if (ContactListQuery::usesSearchTable(filter)) {
        auto ids = searchIds(db, filter);
        if (!ids)
            return ids.error();
        return loadIds(db, std::move(columns), filter, ids.value());
    }
    ContactRows rows = emptyRows(std::move(columns));
    if (Status appended =
            appendStatementRows(db, ContactListQuery::build(rows.columns, filter), rows);
        !appended)
        return appended.error();
    squeeze(rows);
    return rows;
}

Result<std::vector<qint64>> ContactListLoader::searchIds(const Database& db,
                                                         const ContactListFilter& filter)
{
    // Writes that did not fill the pinyin and digits themselves (a merge, another program)
    // left rows without them; a file found damaged takes no writes and searches without them.
    if (!db.isDamaged()) {
        if (Status filled = SearchIndex::refreshAlone(db); !filled)
            return filled.error();
    }
    auto found = SearchStructure::matches(db, *filter.keyword);
    if (!found)
        return found.error();
    std::vector<qint64> ids = std::move(found).value();
    ContactListFilter capOnly = filter;
    capOnly.firstRows = 0;
    const int cap = ContactListQuery::rowLimit(capOnly);
    if (cap > 0 && ContactListQuery::idsAreRows(filter) && ids.size() > std::size_t(cap))
        ids.resize(std::size_t(cap));
    return ids;
}

Result<ContactRows> ContactListLoader::loadIds(const Database& db, std::vector<ListColumn> columns,
                                               const ContactListFilter& filter,
                                               std::span<const qint64> ids)
{
    ContactRows rows = emptyRows(std::move(columns));
    if (Status appended = appendIdRows(db, filter, ids, rows); !appended)
        return appended.error();
    squeeze(rows);
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
