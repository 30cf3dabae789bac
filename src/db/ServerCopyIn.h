// SPDX-License-Identifier: GPL-3.0-or-later
// Rows streamed into a server table with COPY ... FROM STDIN on the connection's own libpq
// handle. Qt's driver sends every bound value as text inside an EXECUTE statement the server
// parses again; a copy of a whole address book that way took five times the server's own dump
// and restore.
#pragma once

#include "Result.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantList>

#include <vector>

class Database;
struct pg_conn;

class ServerCopyIn {
public:
    // Starts the copy into table's columns, of which those in byteColumns are bytea. The
    // connection must have no statement of its own running.
    static Result<ServerCopyIn> start(const Database& db, const QString& table,
                                      const QStringList& columns, const QStringList& byteColumns);

    // One row, its values in the columns' order: null, integers, texts, or bytes.
    Status add(const QVariantList& row);
    // Sends what is left and ends the copy; the server's error, if it refused any row.
    Status finish();

    // A copy not finished is called off: the server discards its rows, and the connection
    // takes statements again (the rollback the failure leads to).
    ~ServerCopyIn();
    ServerCopyIn(ServerCopyIn&& other) noexcept;
    ServerCopyIn& operator=(ServerCopyIn&&) = delete;
    ServerCopyIn(const ServerCopyIn&) = delete;
    ServerCopyIn& operator=(const ServerCopyIn&) = delete;

private:
    ServerCopyIn(const Database& db, pg_conn* connection, std::vector<bool> bytes);
    Status send();
    // Ends the copy, with message when calling it off; the server's verdict.
    Status end(const char* message);

    const Database* m_db;
    pg_conn* m_connection;     // null once the copy has ended
    std::vector<bool> m_bytes; // per column: bytea
    QByteArray m_pending;
};
