// SPDX-License-Identifier: GPL-3.0-or-later
// A statement's rows read straight through the server connection's libpq handle, stepped as
// SqliteStatement steps a file's: the whole list without Qt's driver making a QVariant of each
// value, and without its row-at-a-time fetching of a forward-only query.
#pragma once

#include "Result.h"

#include <QString>
#include <QVariantList>

#include <string_view>
#include <utility>

class Database;
struct LibPq;
struct pg_conn;
struct pg_result;

class ServerRows {
public:
    // Runs sql, its "?"s bound in order to values, and holds every row of the answer.
    static Result<ServerRows> run(const Database& db, const QString& sql,
                                  const QVariantList& values);
    // Runs sql and calls each(row) for every row of the answer.
    template <typename Each>
    static Status forEach(const Database& db, const QString& sql, const QVariantList& values,
                          Each each)
    {
        auto rows = run(db, sql, values);
        if (!rows)
            return rows.error();
        while (rows.value().step())
            each(std::as_const(rows.value()));
        return {};
    }
    // The libpq handle behind db's open server connection; null for a file or when closed.
    static pg_conn* handleOf(const Database& db);
    // Whether db's server connection broke (the server stopped, the network went) since it
    // was made; libpq notes it as the driver reads the socket, with no statement sent.
    static bool connectionLost(const Database& db);
    // What a command is told when there is no handle: the connection is gone.
    static DbError noConnection();
    // The server's refusal in the program's words, as any of its errors is told: answer's, or
    // the connection's last when there is no answer.
    static DbError failure(const Database& db, pg_conn* connection, const pg_result* answer);

    ServerRows(ServerRows&& other) noexcept;
    ServerRows& operator=(ServerRows&&) = delete;
    ServerRows(const ServerRows&) = delete;
    ~ServerRows();

    // True while a row is there, false after the last.
    bool step();
    Status error() const { return {}; }

    // The column's text as UTF-8 bytes, as the server sent it; Null is empty.
    std::string_view text(int column) const;
    qint64 integer(int column) const;

    // sql with its "?"s numbered as the server wants them ($1, $2, ...); a "?" in a quoted text
    // or name stays.
    static QString numbered(const QString& sql);

private:
    explicit ServerRows(pg_result* answer);

    pg_result* m_answer;
    const LibPq* m_pq; // read once here: text() runs for every value of a list
    int m_rows = 0;
    int m_row = -1;
};
