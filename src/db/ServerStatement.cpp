// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerStatement.h"

#include "Database.h"

#include <QSqlError>
#include <QSqlRecord>

ServerStatement::ServerStatement(const Database& db, QSqlQuery query)
    : m_db(&db)
    , m_query(std::move(query))
{
}

Result<ServerStatement> ServerStatement::prepare(const Database& db, const QString& sql,
                                                 const QVariantList& values)
{
    if (!db.isOpen())
        return DbError::fromSqlite(SqliteCode::Misuse, QStringLiteral("no open database"));
    QSqlQuery query(db.connection());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return SqlDialect::serverError(query.lastError());
    ServerStatement statement(db, std::move(query));
    statement.m_pending = values; // run at the first step(), as SQLite's is
    return statement;
}

Status ServerStatement::run(const QVariantList& values)
{
    if (Status storable = SqlDialect::storableOnServer(values); !storable)
        return m_status = storable;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values[i]);
    m_texts.clear();
    m_status = m_query.exec() ? Status() : Status(SqlDialect::serverError(m_query.lastError()));
    return m_status;
}

Status ServerStatement::runWith(const QVariantList& values)
{
    m_pending.reset();
    if (Status ran = run(values); !ran)
        return ran;
    // Only an INSERT moves the session's identity value; lastval() fails before the first.
    if (m_query.lastQuery().trimmed().startsWith(QStringLiteral("INSERT"), Qt::CaseInsensitive)) {
        auto id = m_db->insertedId(m_query);
        if (!id)
            return id.error();
        m_lastInsertId = id.value();
    }
    return {};
}

qint64 ServerStatement::lastInsertId() const
{
    return m_lastInsertId;
}

bool ServerStatement::step()
{
    if (m_pending) {
        const QVariantList values = *std::exchange(m_pending, std::nullopt);
        if (!run(values))
            return false;
    }
    m_texts.clear();
    if (!m_status)
        return false;
    if (m_query.next())
        return true;
    if (m_query.lastError().isValid())
        m_status = SqlDialect::serverError(m_query.lastError());
    return false;
}

std::string_view ServerStatement::text(int column) const
{
    if (m_texts.empty())
        m_texts.resize(std::size_t(m_query.record().count()));
    QByteArray& held = m_texts[std::size_t(column)];
    const QVariant value = m_query.value(column);
    held =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return {held.constData(), std::size_t(held.size())};
}

qint64 ServerStatement::integer(int column) const
{
    return m_query.value(column).toLongLong();
}
