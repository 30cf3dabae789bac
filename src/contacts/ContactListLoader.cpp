// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListLoader.h"

#include "SearchIndex.h"
#include "SearchStructure.h"

#include "db/Database.h"
#include "db/SqliteStatement.h"

Result<ContactRows> ContactListLoader::load(const Database& db, const ContactListFilter& filter)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        return columns.error();
    return load(db, std::move(columns).value(), filter);
}

namespace {

// Appends the rows statement gives to rows, whose columns it selects in order, then C.ID and
// C.Sex. The whole list can be 100,000 rows: stepping SQLite directly and decoding each cell
// once into its column costs a fraction of going through QSqlQuery, which converts every
// value twice and allocates it twice.
Status appendRows(const Database& db, const ContactListStatement& statement, ContactRows& rows)
{
    auto prepared = SqliteStatement::prepare(db, statement.sql, statement.values);
    if (!prepared)
        return prepared.error();
    SqliteStatement& result = prepared.value();
    const int columnCount = int(rows.columns.size());
    const std::string_view male = "男";
    while (result.step()) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].appendUtf8(result.text(c));
        rows.ids.push_back(result.integer(columnCount));
        rows.male.push_back(result.text(columnCount + 1) == male);
    }
    return result.error();
}

// The same through Qt's driver, on a server, where there is no SQLite handle to step.
Status appendQueryRows(const Database& db, const ContactListStatement& statement, ContactRows& rows)
{
    auto result = db.query(statement.sql, statement.values);
    if (!result)
        return result.error();
    QSqlQuery& query = result.value();
    const int columnCount = int(rows.columns.size());
    const QString male = QStringLiteral("男");
    while (query.next()) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].appendUtf8(query.value(c).toString().toStdString());
        rows.ids.push_back(query.value(columnCount).toLongLong());
        rows.male.push_back(query.value(columnCount + 1).toString() == male);
    }
    return db.finished(query);
}

// IDs per statement for a search's rows: each batch costs a prepare, and SQLite takes up to
// 32766 bound values.
constexpr std::size_t searchBatchSize = 4000;

QString placeholders(std::size_t count)
{
    QString marks(qsizetype(count) * 2 + 1, u',');
    marks[0] = u'(';
    for (std::size_t i = 0; i < count; ++i)
        marks[qsizetype(i) * 2 + 1] = u'?';
    marks.back() = u')';
    return marks;
}

// A search: the structure in memory finds the IDs, the contacts give their rows batch by
// batch, in the same ascending order as the scan of the search table.
Status appendSearchRows(const Database& db, const ContactListFilter& filter, ContactRows& rows)
{
    auto found = SearchStructure::matches(db, *filter.keyword);
    if (!found)
        return found.error();
    const std::vector<qint64>& ids = found.value();
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
        const ContactListStatement statement = ContactListQuery::buildForIds(
            rows.columns, filter, placeholders(count), batch, limit > 0 ? limit - shown : 0);
        if (Status appended = appendRows(db, statement, rows); !appended)
            return appended;
    }
    return {};
}

} // namespace

Result<ContactRows> ContactListLoader::load(const Database& db, std::vector<ListColumn> columns,
                                            const ContactListFilter& filter)
{
    std::erase_if(columns, [](const ListColumn& c) { return !ListColumns::isListable(c.field); });
    ContactRows rows;
    rows.columns = std::move(columns);
    rows.cells.resize(rows.columns.size());
    if (db.backend() == Backend::Server) {
        // The server reads its search table itself; the pinyin is filled first, as below.
        if (ContactListQuery::usesSearchTable(filter)) {
            if (Status filled = SearchIndex::refreshAlone(db); !filled)
                return filled.error();
        }
        if (Status appended =
                appendQueryRows(db, ContactListQuery::build(rows.columns, filter), rows);
            !appended)
            return appended.error();
    } else if (ContactListQuery::usesSearchTable(filter)) {
        // Writes that did not fill the pinyin and digits themselves (a merge, another program)
        // left rows without them; a file found damaged takes no writes and searches without
        // them.
        if (!db.isDamaged()) {
            if (Status filled = SearchIndex::refreshAlone(db); !filled)
                return filled.error();
        }
        if (Status appended = appendSearchRows(db, filter, rows); !appended)
            return appended.error();
    } else if (Status appended =
                   appendRows(db, ContactListQuery::build(rows.columns, filter), rows);
               !appended) {
        return appended.error();
    }
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
