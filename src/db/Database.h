// SPDX-License-Identifier: GPL-3.0-or-later
// The one owner of the connection to the address book: a file, or a database on a PostgreSQL
// server named by a postgresql:// URL (see SqlDialect). The callers write the same statements
// for both; what differs is answered here and in SqlDialect.
#pragma once

#include "Result.h"
#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing address book for reading and writing. A missing file is
    // an error: nothing is created in its place. The first read happens here,
    // so a damaged or foreign file is refused before any window uses it.
    // A server database is verified the same way; an empty one (as createdb leaves it) gets the
    // schema and the first rows first, in one transaction, as create() writes them.
    Status open(const QString& path);
    // Opens an address book only to read it: nothing is changed, not even the layout of an
    // earlier build (which open() would bring up to date). The same checks as open().
    Status openReadOnly(const QString& path);
    // Ends the connection, so the file can be replaced; open() starts it again.
    void close();

    // Writes a new address book with its schema and first rows. Refuses to touch
    // an existing file; a failure leaves no file behind. On a server the database must exist
    // and hold no table yet: everything is written in one transaction, or nothing.
    // rows writes the rows in place of the first ones (a copy of another address book), in the
    // same transaction.
    using Filler = std::function<Status(const Database& target)>;
    static Status create(const QString& path, const Filler& rows = {});

    Backend backend() const { return m_backend; }
    // The ID the identity column gave the row that insert, just run on this connection, added.
    Result<qint64> insertedId(const QSqlQuery& insert) const;

    bool isOpen() const;
    QString path() const { return m_path; }
    QSqlDatabase connection() const;

    // Prepares and runs one statement; values are bound in order to its "?"s.
    Result<QSqlQuery> query(const QString& sql, const QVariantList& values = {}) const;
    Status exec(const QString& sql, const QVariantList& values = {}) const;
    // Runs a statement that gives at most one row: the row, nothing when there
    // is none, or the error that kept it from being read (never "no row").
    Result<std::optional<QSqlRecord>> readOne(const QString& sql,
                                              const QVariantList& values = {}) const;

    // Runs work as one transaction, rolled back when work or the commit fails.
    Status transaction(const std::function<Status()>& work) const;
    // The same, holding the file's write lock from the start: what work reads cannot be changed
    // by another program before work writes (a save that first looks whether its row changed).
    // Waits for another writer as long as any statement does.
    Status writeTransaction(const std::function<Status()>& work) const;
    // The same for work that writes thousands of rows (an import): each statement's undo
    // record and the changed pages stay in memory until the commit instead of going through
    // temporary files, which costs memory in proportion to what is written.
    Status bulkTransaction(const std::function<Status()>& work) const;

    // Set once SQLite has called the open file damaged (result codes 11 and 26)
    // on any statement. From then on nothing more is written to it: a write
    // fails with DbError::damaged(), so no window has to remember the state.
    bool isDamaged() const { return m_damaged; }
    // Called once, when the damage is first found. It answers whether the user will be told
    // of it: if so, the errors the damage causes from then on come marked as told, and the
    // error boxes stay away.
    void setDamageNotice(std::function<bool()> notice) { m_damageNotice = std::move(notice); }
    // Called at each write refused because another program replaced the file (see
    // DbError::replaced()); it answers, as above, whether the user will be told.
    void setReplacedNotice(std::function<bool()> notice) { m_replacedNotice = std::move(notice); }
    // The file at the path is no longer the one the connection has open: another program
    // put a new one in its place, and nothing written here would reach it.
    bool wasReplaced() const;
    // After a loop over next(): the error that ended the rows early, if any,
    // with damage noted as for any failed statement.
    Status finished(const QSqlQuery& rows) const;
    // For statements stepped outside query(): records a failure they reported and gives the
    // error to report in its place (damage and a replaced file in the program's words).
    DbError noteFailure(const DbError& error) const;

    // How long a statement waits for another program's lock before failing.
    static constexpr int busyTimeoutMs = 2000;

    // A server's connection that broke (the server stopped, the network went) is told as
    // SqliteCode::CantOpen; the next statement outside a transaction connects to the same
    // address again, listening again on the channels listened on. A transaction the break cut
    // short is never continued on the new connection: its statements fail until it ends, and it
    // leaves nothing, as the server rolled it back.

    // Has the server's notifications on channel delivered through the driver's notification
    // signal, on this connection and on each one it reconnects. False on a file.
    bool listen(const QString& channel) const;
    // Called after each reconnection: what the channels told meanwhile never arrived.
    void setReconnectedNotice(std::function<void()> notice)
    {
        m_reconnectedNotice = std::move(notice);
    }
    // The password for the server when libpq's own sources have none (open() then fails with
    // SqliteCode::Auth): the user types it; it is kept in memory for this object's connections
    // and reconnections only, never written anywhere.
    void setServerPassword(const QString& password) { m_password = password; }

private:
    // Runs work in the transaction just begun, then commits it or rolls it back.
    Status finishTransaction(const std::function<Status()>& work) const;
    Status openAt(const QString& path, bool readOnly);
    Status openServer(QSqlDatabase& db, const QString& location, bool readOnly);
    // The schema and the first rows in the empty server database, in one transaction.
    Status fillServerBook(const Filler& rows = {}) const;
    // Makes the connection one of backend's driver; a closed connection changes driver freely.
    void useDriver(Backend backend);
    Result<int> layoutVersion() const;
    Status verifySchema(bool mayMigrate) const;
    DbError failure(const QSqlError& error) const;
    DbError damagedError() const;
    Status reconnect() const;

    QString m_connectionName;
    Backend m_backend = Backend::File;
    QString m_path;
    bool m_ready = false; // opened and its layout accepted
    mutable bool m_damaged = false;
    mutable bool m_damageTold = false;
    std::function<bool()> m_damageNotice;
    std::function<bool()> m_replacedNotice;
    bool m_readOnly = false;
    mutable bool m_connectionLost = false; // reconnect before the next statement
    // Between a transaction's BEGIN and its end: a lost connection is not replaced there.
    mutable bool m_inTransaction = false;
    mutable QStringList m_listened; // the channels to listen on again after a reconnection
    std::function<void()> m_reconnectedNotice;
    QString m_password;
};
