// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh address book in a temporary folder, or in a new database on the test program's
// PostgreSQL server, built by the same code that builds DB.xml, with shortcuts for putting rows
// into it.
#pragma once

#include "db/Database.h"

#include <QTemporaryDir>
#include <QVariantMap>

class TestDatabase {
public:
    // Creates and opens the file; QVERIFY-style checks belong to the caller
    // through ok().
    explicit TestDatabase(Backend backend = Backend::File);
    // A data table's rows "file" and "server", and the backend of the row running: rows tagged
    // "server…" run on a database of the test program's PostgreSQL server.
    static void addBackendRows();
    static Backend backendOfRow();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool ok() const { return m_ok; }
    // The file's path, or the server database's URL: what Database::open() takes.
    QString path() const;
    // Why ok() is false, for the test's failure message.
    QString error() const { return m_error; }
    Database& db() { return m_db; }
    QString folder() const { return m_dir.path(); }

    qint64 addGroup(qint64 parentId, qint64 number, const QString& name);
    // Columns by name, e.g. {{"Name", "张三"}, {"TID", 2}}; UID defaults to 1.
    qint64 addContact(const QVariantMap& fields);
    void setOption(const QString& option, bool on);
    void setDisplayedColumns(const QStringList& fields);
    // Runs a statement that must succeed; values are bound in order.
    void run(const QString& sql, const QVariantList& values = {});
    // Runs an INSERT that must succeed; the new row's ID.
    qint64 insert(const QString& sql, const QVariantList& values = {});
    // The first column of the first row of a query.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // The connection waits at most 50 ms for another's lock, then is told the book is busy.
    static bool waitBriefly(const Database& db);
    // Begins a write transaction on the connection and leaves it open, as another program that
    // holds the address book's write lock.
    static bool beginWrite(const Database& db);
    // Every row of a query on any database, its values joined by commas (NULL as "NULL", bytes
    // in hex) in the order the query gives; a failed query gives its error.
    static QStringList rowsOf(const Database& db, const QString& sql);

private:
    QTemporaryDir m_dir;
    QString m_url; // the server database's; empty for a file
    Database m_db;
    bool m_ok = false;
    QString m_error;
};
