// SPDX-License-Identifier: GPL-3.0-or-later
// A statement stepped row by row with SqliteStatement's surface on either backend: SQLite's own
// handle for a file, where Qt's per-value conversions would cost most of a large read or
// write, and Qt's driver on a server. A caller visits it with a generic lambda, so the loop
// over a file's rows is compiled for SqliteStatement alone and costs what it did.
#pragma once

#include "Database.h"
#include "ServerRows.h"
#include "ServerStatement.h"
#include "SqliteStatement.h"

#include <variant>

using RowStatement = std::variant<SqliteStatement, ServerStatement>;

namespace RowStatements {

// Prepares sql on db's backend and binds values (see SqliteStatement::prepare).
inline Result<RowStatement> prepare(const Database& db, const QString& sql,
                                    const QVariantList& values)
{
    if (db.backend() == Backend::Server) {
        auto statement = ServerStatement::prepare(db, sql, values);
        if (!statement)
            return statement.error();
        return RowStatement(std::in_place_type<ServerStatement>, std::move(statement.value()));
    }
    auto statement = SqliteStatement::prepare(db, sql, values);
    if (!statement)
        return statement.error();
    return RowStatement(std::in_place_type<SqliteStatement>, std::move(statement.value()));
}

// Calls each(row) for every row of a read on db's backend: stepped on a file's own handle, read
// whole at once through the server connection's libpq handle (ServerRows). row has
// integer(column) and text(column), the column's UTF-8 bytes, valid until the next row.
template <typename Each>
Status forEachRow(const Database& db, const QString& sql, const QVariantList& values, Each each)
{
    if (db.backend() == Backend::Server)
        return ServerRows::forEach(db, sql, values, each);
    auto rows = SqliteStatement::prepare(db, sql, values);
    if (!rows)
        return rows.error();
    while (rows.value().step())
        each(std::as_const(rows.value()));
    return rows.value().error();
}

} // namespace RowStatements
