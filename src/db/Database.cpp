// SPDX-License-Identifier: GPL-3.0-or-later
#include "Database.h"

#include "ChangeNotice.h"
#include "InitialData.h"
#include "Schema.h"
#include "SqliteStatement.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

namespace {

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("vardelin-%1").arg(counter.fetchAndAddRelaxed(1));
}

enum class Access { ReadOnly, ReadWrite, MayCreate };

// SQLite's own URI form lets the connection say "read-write, never create",
// and survives blanks, '#', '?' and non-ASCII characters in the folder name.
QString uriFor(const QString& path, Access access)
{
    const QString url =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    switch (access) {
    case Access::ReadOnly:
        return url + QStringLiteral("?mode=ro");
    case Access::MayCreate:
        return url + QStringLiteral("?mode=rwc");
    case Access::ReadWrite:
        break;
    }
    return url + QStringLiteral("?mode=rw");
}

Status openConnection(QSqlDatabase& db, const QString& path, Access access)
{
    db.setDatabaseName(uriFor(path, access));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(Database::busyTimeoutMs));
    if (!db.open()) {
        const DbError error = DbError::fromSql(db.lastError());
        if (error.number == SqliteCode::CantOpen)
            return DbError::cannotOpen(path);
        return error;
    }
    return {};
}

QString driverOf(Backend backend)
{
    return backend == Backend::File ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

// A lock another program holds is waited for as long as a file's, then told as busy.
const QString serverSessionSettings =
    QStringLiteral("SET lock_timeout = %1; SET client_min_messages = warning")
        .arg(Database::busyTimeoutMs);

Status connectServer(QSqlDatabase& db, const QString& location, const QString& password = {})
{
    const auto address = SqlDialect::serverAddress(location);
    if (!address) {
        return DbError{SqliteCode::CantOpen,
                       QStringLiteral("“%1”不是有效的数据库服务器地址，应写作 "
                                      "postgresql://用户名@主机:端口/数据库名。")
                           .arg(SqlDialect::displayName(location))};
    }
    db.setHostName(address->host);
    db.setPort(address->port);
    db.setUserName(address->user);
    db.setDatabaseName(address->databaseName);
    db.setConnectOptions(address->options);
    db.setPassword(password);
    if (!db.open()) {
        // libpq's words when the server asks for a password and none of its sources had one.
        if (password.isEmpty() &&
            db.lastError().text().contains(QLatin1StringView("no password supplied")))
            return DbError{SqliteCode::Auth, QStringLiteral("数据库服务器“%1”要求输入密码。")
                                                 .arg(SqlDialect::displayName(location))};
        DbError error = SqlDialect::serverError(db.lastError());
        error.number = SqliteCode::CantOpen;
        return error;
    }
    QSqlQuery settings(db);
    if (!settings.exec(serverSessionSettings)) {
        const DbError error = SqlDialect::serverError(settings.lastError());
        db.close();
        return error;
    }
    return {};
}

Result<bool> holdsNoTable(const Database& db)
{
    auto tables = db.readOne(QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                            "WHERE table_schema = current_schema()"));
    if (!tables)
        return tables.error();
    return !tables.value() || tables.value()->value(0).toLongLong() == 0;
}

// The server database given to create() must hold nothing yet: an address book is never
// written over another program's tables, nor over one already there.
Status requireEmpty(const Database& db, const QString& location)
{
    auto empty = holdsNoTable(db);
    if (!empty)
        return empty.error();
    if (!empty.value())
        return DbError{SqliteCode::CantOpen,
                       QStringLiteral("数据库“%1”不是空的，不能在其中新建通讯录。")
                           .arg(SqlDialect::displayName(location))};
    return {};
}

// Whether a server's statement failed because the connection broke. The server says so
// (class 08, or 57P01 as it shuts down) when it can; a server that vanished says nothing, and
// libpq's own words come without a code. The driver then finds the connection closed, or, if
// libpq has not marked it yet, the next statement fails without a code too, where an aborted
// transaction on a sound connection would refuse it with one.
bool connectionBroke(const QSqlDatabase& db, const QSqlError& error)
{
    if (SqlDialect::serverError(error).number == SqliteCode::CantOpen || !db.isOpen())
        return true;
    if (!error.nativeErrorCode().isEmpty())
        return false;
    QSqlQuery probe(db);
    return !probe.exec(QStringLiteral("SELECT 1")) && probe.lastError().nativeErrorCode().isEmpty();
}

} // namespace

Database::Database()
    : m_connectionName(nextConnectionName())
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
}

Database::~Database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool Database::isOpen() const
{
    return connection().isOpen();
}

Status Database::open(const QString& path)
{
    return openAt(path, false);
}

Status Database::openReadOnly(const QString& path)
{
    return openAt(path, true);
}

void Database::close()
{
    QSqlDatabase db = connection();
    if (db.isOpen())
        db.close();
    m_ready = false;
}

void Database::useDriver(Backend backend)
{
    if (backend == m_backend)
        return;
    m_backend = backend;
    QSqlDatabase::removeDatabase(m_connectionName);
    QSqlDatabase::addDatabase(driverOf(backend), m_connectionName);
}

Status Database::fillServerBook(const Filler& rows) const
{
    return transaction([this, &rows]() -> Status {
        if (Status schema = Schema::create(*this); !schema)
            return schema;
        if (Status filled = rows ? rows(*this) : InitialData::insert(*this); !filled)
            return filled;
        if (Status advanced = Schema::advanceIdentities(*this); !advanced)
            return advanced;
        // After the rows: a copy of 100,000 contacts sends no notification for each of them.
        return ChangeNotice::createTriggers(*this);
    });
}

Status Database::openServer(QSqlDatabase& db, const QString& location, bool readOnly)
{
    if (Status connected = connectServer(db, location, m_password); !connected)
        return connected;
    // The administrator makes the database; its first opening writes the address book into it.
    if (!readOnly) {
        auto empty = holdsNoTable(*this);
        Status filled = empty ? Status() : Status(empty.error());
        if (filled && empty.value())
            filled = fillServerBook();
        if (!filled) {
            db.close();
            return filled;
        }
    }
    if (readOnly) {
        if (Status kept = exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION "
                                              "READ ONLY"));
            !kept) {
            db.close();
            return kept;
        }
    }
    return {};
}

Status Database::openAt(const QString& path, bool readOnly)
{
    m_path = path;
    m_readOnly = readOnly;
    m_connectionLost = false;
    m_inTransaction = false;
    m_listened.clear();
    m_damaged = false;
    m_damageTold = false;
    m_ready = false;
    {
        QSqlDatabase db = connection();
        if (db.isOpen())
            db.close();
    }
    useDriver(SqlDialect::backendOf(path));
    QSqlDatabase db = connection();
    if (m_backend == Backend::Server) {
        if (Status opened = openServer(db, path, readOnly); !opened)
            return opened;
    } else if (!QFileInfo(path).isFile())
        return DbError::cannotOpen(path);
    else if (Status opened =
                 openConnection(db, path, readOnly ? Access::ReadOnly : Access::ReadWrite);
             !opened)
        return opened;
    if (Status verified = verifySchema(!readOnly); !verified) {
        db.close();
        return verified;
    }
    m_ready = true;
    return {};
}

Result<int> Database::layoutVersion() const
{
    if (m_backend == Backend::Server) {
        auto stamped = readOne(QStringLiteral("SELECT to_regclass('vardelin_layout') IS NOT NULL"));
        if (!stamped)
            return stamped.error();
        if (!stamped.value() || !stamped.value()->value(0).toBool())
            return SqlDialect::firstServerLayout;
    }
    // The statement is done with before any migration runs: an open one would keep a step from
    // dropping a table.
    auto version = readOne(SqlDialect::layoutQuery(m_backend));
    if (!version)
        return version.error();
    return version.value() ? version.value()->value(0).toInt() : 0;
}

Status Database::verifySchema(bool mayMigrate) const
{
    // Reading the header is what tells a damaged or foreign file apart.
    auto version = layoutVersion();
    if (!version)
        return version.error();
    const int fileVersion = version.value();
    if (fileVersion > Schema::version) {
        return DbError::newerProgram();
    }
    // An earlier layout has the same columns; its steps only reorder and convert them.
    if (!mayMigrate)
        return Schema::verify(*this);
    return Schema::migrateAndVerify(*this, fileVersion, Schema::migrations(m_backend));
}

Status Database::create(const QString& path, const Filler& rows)
{
    if (SqlDialect::backendOf(path) == Backend::Server) {
        Database target;
        target.useDriver(Backend::Server);
        QSqlDatabase db = target.connection();
        if (Status connected = connectServer(db, path); !connected)
            return connected;
        if (Status empty = requireEmpty(target, path); !empty)
            return empty;
        return target.fillServerBook(rows);
    }
    if (QFileInfo::exists(path))
        return DbError{SqliteCode::CantOpen, QStringLiteral("文件“%1”已经存在。").arg(path)};

    // Build under a temporary name and rename at the end, so an interrupted
    // build never leaves a half-made DB.xml that a later start would open.
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    Status built;
    {
        Database target;
        QSqlDatabase db = target.connection();
        built = openConnection(db, partial, Access::MayCreate);
        if (built) {
            built = target.transaction([&target, &rows]() -> Status {
                if (Status schema = Schema::create(target); !schema)
                    return schema;
                return rows ? rows(target) : InitialData::insert(target);
            });
        }
    }
    if (built && !QFile::rename(partial, path))
        built = DbError::cannotOpen(path);
    if (!built)
        QFile::remove(partial);
    return built;
}

DbError Database::noteFailure(const DbError& error) const
{
    // A file refused while opening is closed again; there is nothing to protect.
    if (!m_ready)
        return error;
    const bool damage =
        error.number == SqliteCode::Corrupt || error.number == SqliteCode::NotADatabase;
    if (damage && !m_damaged) {
        m_damaged = true;
        // SQLite itself then refuses every write on this connection, however it is issued.
        QSqlQuery(QStringLiteral("PRAGMA query_only = 1"), connection());
        m_damageTold = m_damageNotice && m_damageNotice();
    }
    if (m_damaged) {
        if (damage)
            return {error.number, error.description, m_damageTold};
        // The refusal of query_only.
        if (error.number == SqliteCode::ReadOnly)
            return damagedError();
        return error;
    }
    if (error.number == SqliteCode::ReadOnly && wasReplaced()) {
        DbError replaced = DbError::replaced();
        replaced.told = m_replacedNotice && m_replacedNotice();
        return replaced;
    }
    return error;
}

DbError Database::damagedError() const
{
    DbError error = DbError::damaged();
    error.told = m_damageTold;
    return error;
}

bool Database::wasReplaced() const
{
    sqlite3* handle = SqliteStatement::handleOf(*this);
    int moved = 0;
    if (!handle ||
        sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK)
        return false;
    return moved != 0;
}

DbError Database::failure(const QSqlError& error) const
{
    if (m_backend == Backend::Server) {
        // Once lost, every failure until the transaction ends is the loss.
        if (m_ready && (m_connectionLost || connectionBroke(connection(), error))) {
            m_connectionLost = true;
            // Told as the lost connection it is, whatever words libpq found for it.
            return SqlDialect::serverError(QSqlError(error.driverText(), error.databaseText(),
                                                     QSqlError::ConnectionError,
                                                     QStringLiteral("08006")));
        }
        return SqlDialect::serverError(error);
    }
    return noteFailure(DbError::fromSql(error));
}

Result<qint64> Database::insertedId(const QSqlQuery& insert) const
{
    if (m_backend == Backend::File)
        return insert.lastInsertId().toLongLong();
    // The session's own last identity value: another program's inserts never move it.
    auto last = readOne(QStringLiteral("SELECT lastval()"));
    if (!last)
        return last.error();
    return last.value() ? last.value()->value(0).toLongLong() : qint64(0);
}

Status Database::reconnect() const
{
    QSqlDatabase db = connection();
    db.close();
    if (Status connected = connectServer(db, m_path, m_password); !connected)
        return connected;
    if (m_readOnly) {
        QSqlQuery kept(db);
        if (!kept.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"))) {
            db.close();
            return SqlDialect::serverError(kept.lastError());
        }
    }
    m_connectionLost = false;
    for (const QString& channel : std::as_const(m_listened))
        db.driver()->subscribeToNotification(channel);
    if (m_reconnectedNotice)
        m_reconnectedNotice();
    return {};
}

bool Database::listen(const QString& channel) const
{
    if (m_backend != Backend::Server)
        return false;
    if (!m_listened.contains(channel))
        m_listened << channel;
    QSqlDriver* driver = connection().driver();
    return driver->subscribedToNotifications().contains(channel) ||
           driver->subscribeToNotification(channel);
}

Result<QSqlQuery> Database::query(const QString& sql, const QVariantList& values) const
{
    if (m_connectionLost && !m_inTransaction) {
        if (Status again = reconnect(); !again)
            return again.error();
    }
    QSqlQuery q(connection());
    q.setForwardOnly(true);
    // The server prepares only reads and writes of rows, not the schema's statements.
    if (m_backend == Backend::Server && values.isEmpty()) {
        if (!q.exec(sql))
            return failure(q.lastError());
        return q;
    }
    if (m_backend == Backend::Server) {
        if (Status storable = SqlDialect::storableOnServer(values); !storable)
            return storable.error();
    }
    if (!q.prepare(sql))
        return failure(q.lastError());
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (!q.exec())
        return failure(q.lastError());
    return q;
}

Status Database::finished(const QSqlQuery& rows) const
{
    if (rows.lastError().isValid())
        return failure(rows.lastError());
    return {};
}

Result<std::optional<QSqlRecord>> Database::readOne(const QString& sql,
                                                    const QVariantList& values) const
{
    auto q = query(sql, values);
    if (!q)
        return q.error();
    // next() is false both at the end and on an error found while stepping.
    if (!q.value().next()) {
        if (q.value().lastError().isValid())
            return failure(q.value().lastError());
        return std::optional<QSqlRecord>();
    }
    return std::optional<QSqlRecord>(q.value().record());
}

Status Database::exec(const QString& sql, const QVariantList& values) const
{
    auto q = query(sql, values);
    if (!q)
        return q.error();
    return {};
}

Status Database::transaction(const std::function<Status()>& work) const
{
    if (m_damaged)
        return damagedError();
    // As statements of their own rather than through QSqlDatabase::commit(), whose error
    // leaves out SQLite's result code: a full disk met at the commit would be told as "错误1".
    if (Status begun = exec(QStringLiteral("BEGIN")); !begun)
        return begun;
    m_inTransaction = true;
    return finishTransaction(work);
}

Status Database::writeTransaction(const std::function<Status()>& work) const
{
    if (m_damaged)
        return damagedError();
    // A deferred transaction that reads first takes the write lock only at its first write, and
    // fails there at once when another program got it meanwhile. On a server the same is a lock
    // taken at the start (SqlDialect::beginWrite).
    const QStringList begin = SqlDialect::beginWrite(m_backend);
    for (const QString& statement : begin) {
        if (Status begun = exec(statement); !begun) {
            if (statement != begin.front())
                QSqlQuery(QStringLiteral("ROLLBACK"), connection());
            m_inTransaction = false;
            return begun;
        }
        m_inTransaction = true;
    }
    return finishTransaction(work);
}

Status Database::finishTransaction(const std::function<Status()>& work) const
{
    Status outcome = work();
    if (outcome)
        outcome = exec(QStringLiteral("COMMIT"));
    // SQLite may have rolled back already (a full disk, an I/O error); this then fails unseen.
    if (!outcome)
        QSqlQuery(QStringLiteral("ROLLBACK"), connection());
    m_inTransaction = false;
    return outcome;
}

Status Database::bulkTransaction(const std::function<Status()>& work) const
{
    // The server keeps its own caches; these settings are the file's.
    if (m_backend == Backend::Server)
        return transaction(work);
    // An INSERT that fires a trigger keeps an undo record of its own; past 64 KiB SQLite moves
    // it to a temporary file and writes it piece by piece, some ten writes for each row added.
    // And a page cache too small for the transaction writes pages out twice. Both settings
    // belong to the connection and are put back whatever the outcome.
    QStringList restore;
    for (const char* setting : {"temp_store", "cache_size"}) {
        const QString pragma = QStringLiteral("PRAGMA ") + QLatin1StringView(setting);
        auto current = readOne(pragma);
        if (current && current.value())
            restore << pragma + QStringLiteral(" = ") + current.value()->value(0).toString();
    }
    exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    exec(QStringLiteral("PRAGMA cache_size = -65536"));
    Status outcome = transaction(work);
    for (const QString& statement : restore)
        exec(statement);
    return outcome;
}
