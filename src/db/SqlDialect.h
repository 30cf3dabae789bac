// SPDX-License-Identifier: GPL-3.0-or-later
// What differs between an address book kept in a file (SQLite) and one kept on a PostgreSQL
// server: where it is, how its statements of schema and layout are written, and how its errors
// read. The Database holds the backend; everything above it writes the same statements for both.
#pragma once

#include "DbError.h"
#include "Result.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QSqlError;

enum class Backend { File, Server };
enum class Lock { None, UntilCommit };

namespace SqlDialect {

// "postgresql://…" or "postgres://…" names a server; anything else is a file's path.
Backend backendOf(const QString& location);

// A server's address in libpq's URI form, postgresql://user@host:port/dbname, where the query
// items host, port, user and dbname may stand in for the parts (host=/run/folder reaches a Unix
// socket) and any other item (sslmode, service, connect_timeout, …) goes to libpq as it is.
// No password: libpq reads it from its own sources (~/.pgpass, PGPASSWORD, PGSERVICE).
struct ServerAddress {
    QString host; // empty: libpq's default socket
    int port = -1;
    QString user;
    QString databaseName;
    QString options; // "key=value;key=value" for QSqlDatabase::setConnectOptions
};
// Nothing when the URL is malformed or names no database.
std::optional<ServerAddress> serverAddress(const QString& location);
// The location as the user may read it back.
QString displayName(const QString& location);

// A table's column type written for the file, in the type of the backend: on the server
// 64-bit integers (SQLite's integers are), bytea for blobs, double precision for reals and an
// identity column for the file's AUTOINCREMENT key.
QString columnType(Backend backend, const QString& fileType);
// A CREATE TABLE statement of ours written for the file, with its types for the backend.
QString createTable(Backend backend, const QString& fileStatement);
// A column name in a CREATE TABLE. The file quotes every name; the server only "UpDate", which
// every statement quotes, so that the other names fold to lower case as unquoted names in the
// statements do.
QString columnName(Backend backend, const QString& name);

// A trigger running body (statements on NEW and OLD, joined by "; ") for each row of event
// ("AFTER DELETE", "AFTER UPDATE OF TID", …) on table. On the server the body becomes a function
// of its own beside the trigger; an existing trigger of the name is replaced there, and kept in a
// file when ifMissing asks for "IF NOT EXISTS".
QStringList createTrigger(Backend backend, const QString& name, const QString& event,
                          const QString& table, const QString& body, bool ifMissing = false);
QString dropTrigger(Backend backend, const QString& name, const QString& table);
// The statement listing the names of the tables and triggers there are, in lower case.
QString schemaNamesQuery(Backend backend);
// The statement giving the table and column names, in lower case, of the tables named in the
// JSON array bound to it (views left out).
QString columnsQuery(Backend backend);

// Functions of ours that the statements use and the server lacks (instr, as SQLite has it).
QStringList functions(Backend backend);

// The layout stamp: PRAGMA user_version in a file, a one-row table of ours on the server (a
// server database without that table is read as layout firstServerLayout, the first a server had).
QString layoutQuery(Backend backend);
inline constexpr int firstServerLayout = 7;
QStringList stampLayout(Backend backend, int version);

// What follows a table's name in FROM to have the file use index, whose choice SQLite's planner
// gets wrong for a statement; nothing on the server, whose planner weighs its own statistics.
QString indexedBy(Backend backend, const QString& index);

// A bulk copy into tables made in the same transaction: the statements that turn the table's
// triggers off and on again. On a server they would write, row by row, what the copy brings
// anyway (the search rows); a file's stay on, where they cost little.
QStringList userTriggers(Backend backend, const QString& table, bool on);

// What a copy reads back of a blob column to check it: the server's own SHA-256 of its bytes,
// so a gigabyte of files is not sent back to be hashed here; empty on a file, whose blobs are
// read and hashed by the caller.
QString blobChecksum(Backend backend, const QString& column);

// The distinct values of an indexed column, Null left out, in the index's order. A file's DISTINCT
// steps over each value's run of entries; PostgreSQL reads them all (it has no skip scan), 20 ms
// a column at 100,000 contacts, so there each value is found from the one before, one probe each.
QString distinctValues(Backend backend, const QString& table, const QString& column);

// What a SELECT of one row ends with to keep the row from other writers until the commit.
QString lockRow(Backend backend, Lock lock);

// The statement that begins a transaction holding the write lock from the start.
QStringList beginWrite(Backend backend);

// Refuses values the server cannot store (text holding U+0000), before anything is sent.
Status storableOnServer(const QVariantList& values);

// A server's error in the program's words, numbered as the nearest SQLite result code, so the
// error box reads as for a file (a lost connection as 14, a lock waited for in vain as 5).
DbError serverError(const QSqlError& error);

} // namespace SqlDialect
