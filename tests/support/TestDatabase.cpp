// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDatabase.h"

#include "PgServer.h"

#include "db/SqlDialect.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QStringList>
#include <QTest>

TestDatabase::TestDatabase(Backend backend)
{
    if (backend == Backend::Server) {
        PgServer& server = PgServer::instance();
        if (!server.ok()) {
            m_error = server.error();
            return;
        }
        m_url = server.createDatabase();
        if (m_url.isEmpty()) {
            m_error = QStringLiteral("the test server made no database");
            return;
        }
    }
    // A server database is filled at its first opening, as a user's is.
    Status made = backend == Backend::Server ? Status() : Database::create(path());
    if (made)
        made = m_db.open(path());
    m_ok = m_dir.isValid() && made.ok() && !path().isEmpty();
    if (!made)
        m_error = made.error().description;
}

TestDatabase::~TestDatabase()
{
    if (m_url.isEmpty())
        return;
    m_db.close();
    PgServer::instance().dropDatabase(m_url);
}

QString TestDatabase::path() const
{
    return m_url.isEmpty() ? m_dir.filePath(QStringLiteral("DB.xml")) : m_url;
}

void TestDatabase::run(const QString& sql, const QVariantList& values)
{
    const Status done = m_db.exec(sql, values);
    if (!done)
        qFatal("test statement failed: %s", qPrintable(done.error().description));
}

QVariant TestDatabase::scalar(const QString& sql, const QVariantList& values)
{
    auto q = m_db.query(sql, values);
    if (!q)
        qFatal("test query failed: %s", qPrintable(q.error().description));
    return q.value().next() ? q.value().value(0) : QVariant();
}

qint64 TestDatabase::addGroup(qint64 parentId, qint64 number, const QString& name)
{
    return insert(QStringLiteral("INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (?, ?, ?)"),
                  {parentId, number, name});
}

qint64 TestDatabase::addContact(const QVariantMap& fields)
{
    QVariantMap row = fields;
    if (!row.contains(QStringLiteral("UID")))
        row.insert(QStringLiteral("UID"), 1);
    if (!row.contains(QStringLiteral("TID")))
        row.insert(QStringLiteral("TID"), 1);
    QStringList marks;
    for (qsizetype i = 0; i < row.size(); ++i)
        marks << QStringLiteral("?");
    // Column names come from the test's own literals.
    return insert(QStringLiteral("INSERT INTO Vardelin_Contact (%1) VALUES (%2)")
                      .arg(row.keys().join(u','), marks.join(u',')),
                  row.values());
}

qint64 TestDatabase::insert(const QString& sql, const QVariantList& values)
{
    auto inserted = m_db.query(sql, values);
    if (!inserted)
        qFatal("test insert failed: %s", qPrintable(inserted.error().description));
    auto id = m_db.insertedId(inserted.value());
    if (!id)
        qFatal("test insert has no ID: %s", qPrintable(id.error().description));
    return id.value();
}

void TestDatabase::setOption(const QString& option, bool on)
{
    static const QStringList options{QStringLiteral("IsLogin"),    QStringLiteral("IsAllUser"),
                                     QStringLiteral("IsExpanded"), QStringLiteral("IsZip"),
                                     QStringLiteral("IsMax"),      QStringLiteral("IsTop")};
    if (!options.contains(option))
        qFatal("no such option");
    run(QStringLiteral("UPDATE Vardelin_System SET %1 = ? WHERE ID = 1").arg(option), {on ? 1 : 0});
}

void TestDatabase::setDisplayedColumns(const QStringList& fields)
{
    run(QStringLiteral("UPDATE Vardelin_Alias SET IsDisplay = 0"));
    for (qsizetype i = 0; i < fields.size(); ++i) {
        run(QStringLiteral("UPDATE Vardelin_Alias SET IsDisplay = 1, Seq = ? WHERE Name = ?"),
            {int(i + 1), fields[i]});
    }
}

void TestDatabase::addBackendRows()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("file") << QStringLiteral("file");
    QTest::newRow("server") << QStringLiteral("server");
}

Backend TestDatabase::backendOfRow()
{
    return QByteArray(QTest::currentDataTag()).startsWith("server") ? Backend::Server
                                                                    : Backend::File;
}

bool TestDatabase::waitBriefly(const Database& db)
{
    return db
        .exec(db.backend() == Backend::File ? QStringLiteral("PRAGMA busy_timeout = 50")
                                            : QStringLiteral("SET lock_timeout = 50"))
        .ok();
}

bool TestDatabase::beginWrite(const Database& db)
{
    for (const QString& begin : SqlDialect::beginWrite(db.backend())) {
        if (!db.exec(begin))
            return false;
    }
    return true;
}

QStringList TestDatabase::rowsOf(const Database& db, const QString& sql)
{
    auto found = db.query(sql);
    if (!found)
        return {found.error().description};
    QStringList rows;
    while (found.value().next()) {
        QStringList values;
        for (int i = 0; i < found.value().record().count(); ++i) {
            const QVariant value = found.value().value(i);
            if (value.isNull())
                values << QStringLiteral("NULL");
            else if (value.typeId() == QMetaType::QByteArray)
                values << QString::fromLatin1(value.toByteArray().toHex());
            else
                values << value.toString();
        }
        rows << values.join(u',');
    }
    return rows;
}
