// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerCopyIn.h"

#include "Database.h"
#include "LibPq.h"
#include "ServerRows.h"

#include <utility>

namespace {

// Sent to the server whenever this much is waiting.
constexpr qsizetype sendBytes = 1024 * 1024;

// A value in COPY's text format: the characters that end a value or a row, and the backslash
// itself, escaped.
void appendText(QByteArray& line, const QByteArray& utf8)
{
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

// bytea's hex input form, its leading backslash escaped for COPY.
void appendBytes(QByteArray& line, const QByteArray& bytes)
{
    line += "\\\\x";
    line += bytes.toHex();
}

} // namespace

ServerCopyIn::ServerCopyIn(const Database& db, pg_conn* connection, std::vector<bool> bytes)
    : m_db(&db)
    , m_connection(connection)
    , m_bytes(std::move(bytes))
{
}

ServerCopyIn::ServerCopyIn(ServerCopyIn&& other) noexcept
    : m_db(other.m_db)
    , m_connection(std::exchange(other.m_connection, nullptr))
    , m_bytes(std::move(other.m_bytes))
    , m_pending(std::move(other.m_pending))
{
}

ServerCopyIn::~ServerCopyIn()
{
    if (m_connection)
        end("the copy was called off");
}

Result<ServerCopyIn> ServerCopyIn::start(const Database& db, const QString& table,
                                         const QStringList& columns, const QStringList& byteColumns)
{
    pg_conn* connection = ServerRows::handleOf(db);
    if (!connection)
        return ServerRows::noConnection();
    std::vector<bool> bytes;
    for (const QString& column : columns)
        bytes.push_back(byteColumns.contains(column));
    // Table and column names from the caller's own lists.
    const QByteArray statement =
        QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u',')).toUtf8();
    const LibPq& pq = *LibPq::get();
    PGresult* started = pq.exec(connection, statement.constData());
    if (pq.resultStatus(started) != PGRES_COPY_IN) {
        const DbError error = ServerRows::failure(db, connection, started);
        pq.clear(started);
        return error;
    }
    pq.clear(started);
    return ServerCopyIn(db, connection, std::move(bytes));
}

Status ServerCopyIn::add(const QVariantList& row)
{
    for (qsizetype column = 0; column < row.size(); ++column) {
        if (column > 0)
            m_pending += '\t';
        const QVariant& value = row[column];
        if (value.isNull()) {
            m_pending += "\\N";
        } else if (m_bytes[std::size_t(column)]) {
            appendBytes(m_pending, value.toByteArray());
        } else {
            const QString text = value.toString();
            if (text.contains(QChar(0)))
                return DbError::nulOnServer(text);
            appendText(m_pending, text.toUtf8());
        }
    }
    m_pending += '\n';
    return m_pending.size() >= sendBytes ? send() : Status{};
}

Status ServerCopyIn::send()
{
    const bool sent =
        LibPq::get()->putCopyData(m_connection, m_pending.constData(), int(m_pending.size())) == 1;
    m_pending.clear();
    return sent ? Status{} : Status{ServerRows::failure(*m_db, m_connection, nullptr)};
}

Status ServerCopyIn::finish()
{
    if (!m_pending.isEmpty()) {
        if (Status sent = send(); !sent)
            return sent;
    }
    return end(nullptr);
}

Status ServerCopyIn::end(const char* message)
{
    pg_conn* connection = std::exchange(m_connection, nullptr);
    const LibPq& pq = *LibPq::get();
    if (pq.putCopyEnd(connection, message) != 1)
        return ServerRows::failure(*m_db, connection, nullptr);
    // The copy's own answer, then the end of the command.
    Status verdict;
    while (PGresult* answer = pq.getResult(connection)) {
        if (pq.resultStatus(answer) != PGRES_COMMAND_OK && verdict)
            verdict = ServerRows::failure(*m_db, connection, answer);
        pq.clear(answer);
    }
    return verdict;
}
