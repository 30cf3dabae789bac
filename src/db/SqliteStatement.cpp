// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqliteStatement.h"

#include "Database.h"

#include <QSqlDriver>
#include <sqlite3.h>

namespace {

DbError lastError(sqlite3* handle, int code)
{
    return DbError::fromSqlite(code, QString::fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

sqlite3* SqliteStatement::handleOf(const Database& db)
{
    if (!db.isOpen())
        return nullptr;
    const QVariant handle = db.connection().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

SqliteStatement::SqliteStatement(const Database& db, sqlite3* handle, sqlite3_stmt* statement)
    : m_db(&db)
    , m_handle(handle)
    , m_statement(statement)
{
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(other.m_db)
    , m_handle(other.m_handle)
    , m_statement(std::exchange(other.m_statement, nullptr))
    , m_lastCode(other.m_lastCode)
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

Result<SqliteStatement> SqliteStatement::prepare(const Database& db, const QString& sql,
                                                 const QVariantList& values)
{
    sqlite3* handle = handleOf(db);
    // A server's connection has none: its callers step a RowStatement.
    if (!handle)
        return DbError::fromSqlite(SqliteCode::Misuse, QStringLiteral("no open SQLite database"));
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int code = sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &raw, nullptr);
    SqliteStatement statement(db, handle, raw);
    if (code != SQLITE_OK)
        return statement.failure(code);
    if (Status bound = statement.bind(values); !bound)
        return bound.error();
    return statement;
}

Status SqliteStatement::bind(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        int code = SQLITE_OK;
        if (value.isNull()) {
            code = sqlite3_bind_null(m_statement, i + 1);
        } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
                   value.typeId() == QMetaType::Bool) {
            code = sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
        } else if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            code = sqlite3_bind_blob64(m_statement, i + 1, bytes.constData(),
                                       sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        } else {
            const QByteArray text = value.toString().toUtf8();
            code = sqlite3_bind_text(m_statement, i + 1, text.constData(), int(text.size()),
                                     SQLITE_TRANSIENT);
        }
        if (code != SQLITE_OK)
            return failure(code);
    }
    return {};
}

DbError SqliteStatement::failure(int code) const
{
    return m_db->noteFailure(lastError(m_handle, code));
}

Status SqliteStatement::runWith(const QVariantList& values)
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    if (Status bound = bind(values); !bound)
        return bound;
    while (step()) {
    }
    return error();
}

qint64 SqliteStatement::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

bool SqliteStatement::step()
{
    m_lastCode = sqlite3_step(m_statement);
    return m_lastCode == SQLITE_ROW;
}

Status SqliteStatement::error() const
{
    if (m_lastCode == SQLITE_ROW || m_lastCode == SQLITE_DONE || m_lastCode == SQLITE_OK)
        return {};
    return failure(m_lastCode);
}

std::string_view SqliteStatement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? std::string_view(bytes, std::size_t(sqlite3_column_bytes(m_statement, column)))
                 : std::string_view();
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}
