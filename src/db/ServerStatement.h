// SPDX-License-Identifier: GPL-3.0-or-later
// A statement with SqliteStatement's surface run through Qt's driver, for the address book on a
// server, where there is no SQLite handle to step. Callers reach either through RowStatement.
#pragma once

#include "Result.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <optional>
#include <string_view>
#include <vector>

class Database;

class ServerStatement {
public:
    // Prepares sql on db's open connection; values are bound for the first step().
    static Result<ServerStatement> prepare(const Database& db, const QString& sql,
                                           const QVariantList& values);

    // Runs the statement again with new values, to its end.
    Status runWith(const QVariantList& values);
    // The ID the last INSERT gave through the table's identity column.
    qint64 lastInsertId() const;

    // True while a row is there; false at the end or on error (see error()).
    bool step();
    Status error() const { return m_status; }

    // The column's text as UTF-8 bytes (a blob's own bytes), valid until the next step; Null is
    // empty.
    std::string_view text(int column) const;
    qint64 integer(int column) const;

private:
    ServerStatement(const Database& db, QSqlQuery query);
    Status run(const QVariantList& values);

    const Database* m_db;
    QSqlQuery m_query;
    Status m_status;
    qint64 m_lastInsertId = 0;
    std::optional<QVariantList> m_pending; // the values of a run still to come
    // Filled on demand for the current row, so each view lives until the next step.
    mutable std::vector<QByteArray> m_texts;
};
