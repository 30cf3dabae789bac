// SPDX-License-Identifier: GPL-3.0-or-later
#include "Schema.h"

#include "ContactFields.h"
#include "Database.h"
#include "WidthMigration.h"

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

QStringList statements()
{
    return {
        QStringLiteral("CREATE TABLE Vardelin_Type (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "PID INTEGER, Number INTEGER, Name TEXT)"),
        contactTable(),
        QStringLiteral("CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "CID INTEGER, Type TEXT, Name TEXT, Files BLOB, Ext TEXT, "
                       "\"UpDate\" TEXT, Size INTEGER)"),
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

Status Schema::migrate(const Database& db, int fileVersion)
{
    if (fileVersion >= version)
        return {};
    return db.transaction([&db]() -> Status {
        if (Status widths = WidthMigration::toTwips(db); !widths)
            return widths;
        return db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    });
}
