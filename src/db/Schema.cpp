// SPDX-License-Identifier: GPL-3.0-or-later
#include "Schema.h"

#include "ContactFields.h"
#include "Database.h"

#include <QSqlError>
#include <QStringList>

namespace {

const QStringList& tableNames()
{
    static const QStringList names{
        QStringLiteral("Vardelin_Type"),  QStringLiteral("Vardelin_Contact"),
        QStringLiteral("Vardelin_Files"), QStringLiteral("Vardelin_History"),
        QStringLiteral("Vardelin_Alias"), QStringLiteral("Vardelin_Login"),
        QStringLiteral("Vardelin_System")};
    return names;
}

QString sqlType(ContactField::Kind kind)
{
    switch (kind) {
    case ContactField::Kind::Identifier:
        return QStringLiteral("INTEGER");
    case ContactField::Kind::Binary:
        return QStringLiteral("BLOB");
    case ContactField::Kind::Text:
    case ContactField::Kind::Date: // "YYYY-MM-DD" text
        break;
    }
    return QStringLiteral("TEXT");
}

QString contactTable()
{
    QStringList columns;
    for (const ContactField& field : ContactFields::all) {
        if (field.name == QLatin1StringView("ID"))
            columns << QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT");
        else
            columns << QString(field.name) + u' ' + sqlType(field.kind);
    }
    return QStringLiteral("CREATE TABLE Vardelin_Contact (") + columns.join(QStringLiteral(", ")) +
           u')';
}

// Files comes last: SQLite keeps a zero blob being inserted unexpanded only when no value
// follows it, and a column behind the stored bytes costs a walk through all of them to read.
QString filesTable(const QString& name)
{
    return QStringLiteral("CREATE TABLE ") + name +
           QStringLiteral(" (ID INTEGER PRIMARY KEY AUTOINCREMENT, CID INTEGER, Type TEXT, "
                          "Name TEXT, Ext TEXT, \"UpDate\" TEXT, Size INTEGER, Files BLOB)");
}

QStringList statements()
{
    return {
        QStringLiteral("CREATE TABLE Vardelin_Type (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "PID INTEGER, Number INTEGER, Name TEXT)"),
        contactTable(),
        filesTable(QStringLiteral("Vardelin_Files")),
        QStringLiteral("CREATE TABLE Vardelin_History (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "CID INTEGER, LxDate TEXT, NextDate TEXT, Remark TEXT, "
                       "IsRemind INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE Vardelin_Alias (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "Name TEXT, Alias TEXT, Width INTEGER, Seq INTEGER, "
                       "IsDisplay INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE Vardelin_Login (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "Name TEXT, Pass TEXT, Skin TEXT, Dock TEXT)"),
        QStringLiteral("CREATE TABLE Vardelin_System (ID INTEGER PRIMARY KEY, "
                       "IsLogin INTEGER NOT NULL DEFAULT 0, IsAllUser INTEGER NOT NULL DEFAULT 0, "
                       "IsExpanded INTEGER NOT NULL DEFAULT 0, IsZip INTEGER NOT NULL DEFAULT 0, "
                       "IsMax INTEGER NOT NULL DEFAULT 0, IsTop INTEGER NOT NULL DEFAULT 0)"),
        // Measured: TID serves the group filter; CID the card's lists. An index
        // on UID made the full list slower, so there is none.
        QStringLiteral("CREATE INDEX Contact_TID ON Vardelin_Contact (TID)"),
        // The card offers the distinct departments and posts; without these each card
        // opening scans the whole table twice (about 70 ms at 100,000 contacts).
        QStringLiteral("CREATE INDEX Contact_Deptment ON Vardelin_Contact (Deptment)"),
        QStringLiteral("CREATE INDEX Contact_Post ON Vardelin_Contact (Post)"),
        QStringLiteral("CREATE INDEX Files_CID ON Vardelin_Files (CID)"),
        QStringLiteral("CREATE INDEX History_CID ON Vardelin_History (CID)"),
        QStringLiteral("PRAGMA user_version = %1").arg(Schema::version),
    };
}

} // namespace

Status Schema::create(const Database& db)
{
    for (const QString& statement : statements()) {
        if (Status done = db.exec(statement); !done)
            return done;
    }
    return {};
}

Status Schema::verifyTables(const Database& db)
{
    QVariantList names;
    for (const QString& name : tableNames())
        names << name;
    auto found = db.query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                         "AND name IN (?, ?, ?, ?, ?, ?, ?)"),
                          names);
    if (!found)
        return found.error();
    const int count = found.value().next() ? found.value().value(0).toInt() : 0;
    if (count != tableNames().size()) {
        return DbError{SqliteCode::NotADatabase,
                       QStringLiteral("数据库文件缺少必需的数据表，不是本程序的数据库。")};
    }
    return {};
}

Status Schema::putFilesLast(const Database& db)
{
    auto columns = db.query(QStringLiteral("SELECT name FROM pragma_table_info('Vardelin_Files') "
                                           "ORDER BY cid DESC LIMIT 1"));
    if (!columns)
        return columns.error();
    if (!columns.value().next())
        return DbError::fromSql(columns.value().lastError());
    if (columns.value().value(0).toString() == QLatin1StringView("Files"))
        return {};
    columns.value().finish();
    return db.transaction([&db]() -> Status {
        const QStringList steps{
            filesTable(QStringLiteral("Vardelin_Files_New")),
            QStringLiteral("INSERT INTO Vardelin_Files_New (ID, CID, Type, Name, Ext, \"UpDate\", "
                           "Size, Files) SELECT ID, CID, Type, Name, Ext, \"UpDate\", Size, Files "
                           "FROM Vardelin_Files ORDER BY ID"),
            // Keeps the counter past IDs deleted before, so none is handed out twice.
            QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT "
                           "'Vardelin_Files_New', 0 WHERE NOT EXISTS (SELECT 1 FROM "
                           "sqlite_sequence WHERE name = 'Vardelin_Files_New')"),
            QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, coalesce((SELECT seq "
                           "FROM sqlite_sequence WHERE name = 'Vardelin_Files'), 0)) "
                           "WHERE name = 'Vardelin_Files_New'"),
            QStringLiteral("DROP TABLE Vardelin_Files"),
            QStringLiteral("ALTER TABLE Vardelin_Files_New RENAME TO Vardelin_Files"),
            QStringLiteral("CREATE INDEX Files_CID ON Vardelin_Files (CID)"),
        };
        for (const QString& step : steps) {
            if (Status done = db.exec(step); !done)
                return done;
        }
        return {};
    });
}
