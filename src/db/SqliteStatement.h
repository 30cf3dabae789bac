// SPDX-License-Identifier: GPL-3.0-or-later
// A statement run straight on the connection's SQLite handle, for reads whose
// size makes Qt's per-value conversions the larger part of the cost.
#pragma once

#include "Result.h"

#include <QString>
#include <QVariantList>

#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
class Database;

class SqliteStatement {
public:
    // Prepares sql on db's open connection and binds values in order.
    static Result<SqliteStatement> prepare(const Database& db, const QString& sql,
                                           const QVariantList& values);
    // The SQLite handle behind db's open connection; null when it is closed.
    static sqlite3* handleOf(const Database& db);

    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&&) = delete;
    SqliteStatement(const SqliteStatement&) = delete;
    ~SqliteStatement();

    // Runs the statement again with new values, to its end: one write of many, prepared once.
    Status runWith(const QVariantList& values);

    // The row ID the connection's last INSERT gave.
    qint64 lastInsertId() const;

    // True while a row is there; false at the end or on error (see error()).
    bool step();
    Status error() const;

    // The column's text as UTF-8 bytes, valid until the next step; Null is empty.
    std::string_view text(int column) const;
    qint64 integer(int column) const;

private:
    SqliteStatement(const Database& db, sqlite3* handle, sqlite3_stmt* statement);
    Status bind(const QVariantList& values);
    // The error of code, also handed to the database so damage is noted.
    DbError failure(int code) const;

    const Database* m_db;
    sqlite3* m_handle;
    sqlite3_stmt* m_statement;
    int m_lastCode = 0;
};
