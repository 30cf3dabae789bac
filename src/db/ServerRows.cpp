// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerRows.h"

#include "Database.h"
#include "LibPq.h"

#include <QSqlDriver>
#include <QSqlError>

#include <charconv>
#include <utility>
#include <vector>

ServerRows::ServerRows(pg_result* answer)
    : m_answer(answer)
    , m_pq(LibPq::get())
    , m_rows(m_pq->ntuples(answer))
{
}

ServerRows::ServerRows(ServerRows&& other) noexcept
    : m_answer(std::exchange(other.m_answer, nullptr))
    , m_pq(other.m_pq)
    , m_rows(other.m_rows)
    , m_row(other.m_row)
{
}

ServerRows::~ServerRows()
{
    if (m_answer)
        m_pq->clear(m_answer);
}

namespace {

// The driver's handle, open or not; null for a file, a connection closed, or without libpq.
pg_conn* driverHandle(const Database& db)
{
    if (db.backend() != Backend::Server || !LibPq::get())
        return nullptr;
    const QVariant handle = db.connection().driver()->handle();
    // Qt names the type as libpq's header spells the struct behind PGconn.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<pg_conn* const*>(handle.constData());
}

} // namespace

pg_conn* ServerRows::handleOf(const Database& db)
{
    return db.isOpen() ? driverHandle(db) : nullptr;
}

bool ServerRows::connectionLost(const Database& db)
{
    pg_conn* connection = driverHandle(db);
    return connection && LibPq::get()->status(connection) == CONNECTION_BAD;
}

DbError ServerRows::noConnection()
{
    return SqlDialect::serverError(
        QSqlError(QStringLiteral("libpq"), QString(), QSqlError::ConnectionError));
}

DbError ServerRows::failure(const Database& db, pg_conn* connection, const pg_result* answer)
{
    const LibPq& pq = *LibPq::get();
    const char* state = answer ? pq.resultErrorField(answer, PG_DIAG_SQLSTATE) : nullptr;
    const char* said = answer ? pq.resultErrorMessage(answer) : pq.errorMessage(connection);
    const QSqlError error(QStringLiteral("libpq"), QString::fromUtf8(said),
                          QSqlError::StatementError,
                          state ? QString::fromLatin1(state) : QString());
    return db.noteFailure(SqlDialect::serverError(error));
}

QString ServerRows::numbered(const QString& sql)
{
    QString text;
    text.reserve(sql.size() + 16);
    int mark = 0;
    QChar quote; // the quote of the text or name being read, if any
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            quote = c == quote ? QChar() : quote;
            text += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            text += c;
        } else if (c == u'?') {
            text += u'$' + QString::number(++mark);
        } else {
            text += c;
        }
    }
    return text;
}

Result<ServerRows> ServerRows::run(const Database& db, const QString& sql,
                                   const QVariantList& values)
{
    pg_conn* connection = handleOf(db);
    if (!connection)
        return noConnection();
    std::vector<QByteArray> texts;
    std::vector<const char*> bound;
    texts.reserve(std::size_t(values.size()));
    if (Status storable = SqlDialect::storableOnServer(values); !storable)
        return storable.error();
    for (const QVariant& value : values) {
        texts.push_back(value.isNull() ? QByteArray() : value.toString().toUtf8());
        bound.push_back(value.isNull() ? nullptr : texts.back().constData());
    }
    // A query of Qt's driver still being read holds the connection; its rows are not ours to take.
    const LibPq& pq = *LibPq::get();
    if (pq.transactionStatus(connection) == PQTRANS_ACTIVE)
        return DbError{SqliteCode::Busy,
                       QStringLiteral("数据库服务器正忙于另一条语句，请稍后再试。")};
    PGresult* answer = pq.execParams(connection, numbered(sql).toUtf8().constData(),
                                     int(bound.size()), nullptr, bound.data(), nullptr, nullptr, 0);
    if (pq.resultStatus(answer) != PGRES_TUPLES_OK) {
        const DbError error = failure(db, connection, answer);
        pq.clear(answer);
        return error;
    }
    return ServerRows(answer);
}

bool ServerRows::step()
{
    if (m_row < m_rows)
        ++m_row;
    return m_row < m_rows;
}

std::string_view ServerRows::text(int column) const
{
    return {m_pq->getvalue(m_answer, m_row, column),
            std::size_t(m_pq->getlength(m_answer, m_row, column))};
}

qint64 ServerRows::integer(int column) const
{
    const std::string_view digits = text(column);
    qint64 value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}
