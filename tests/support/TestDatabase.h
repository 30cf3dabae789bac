// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh address book in a temporary folder, built by the same code that
// builds DB.xml, with shortcuts for putting rows into it.
#pragma once

#include "db/Database.h"

#include <QTemporaryDir>
#include <QVariantMap>

class TestDatabase {
public:
    // Creates and opens the file; QVERIFY-style checks belong to the caller
    // through ok().
    TestDatabase();

    bool ok() const { return m_ok; }
    QString path() const;
    Database& db() { return m_db; }
    QString folder() const { return m_dir.path(); }

    qint64 addGroup(qint64 parentId, qint64 number, const QString& name);
    // Columns by name, e.g. {{"Name", "张三"}, {"TID", 2}}; UID defaults to 1.
    qint64 addContact(const QVariantMap& fields);
    void setOption(const QString& option, bool on);
    void setDisplayedColumns(const QStringList& fields);
    // Runs a statement that must succeed; values are bound in order.
    void run(const QString& sql, const QVariantList& values = {});
    // The first column of the first row of a query.
    QVariant scalar(const QString& sql, const QVariantList& values = {});

private:
    QTemporaryDir m_dir;
    Database m_db;
    bool m_ok = false;
};
