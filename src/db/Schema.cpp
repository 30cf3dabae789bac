// SPDX-License-Identifier: GPL-3.0-or-later
#include "Schema.h"

#include "BookIdentity.h"
#include "ChangeNotice.h"
#include "ContactFields.h"
#include "Database.h"
#include "PrintSettings.h"
#include "SearchLog.h"
#include "SearchTable.h"
#include "SyncTables.h"
#include "WidthMigration.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace {

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

const QString autoId = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
const QString yesNo = QStringLiteral("INTEGER NOT NULL DEFAULT 0");

Schema::Table contactTable()
{
    Schema::Table table{QStringLiteral("Vardelin_Contact"), {}};
    for (const ContactField& field : ContactFields::all) {
        const QString name(field.name);
        table.columns.push_back(
            {name, name == QLatin1StringView("ID") ? autoId : sqlType(field.kind)});
    }
    return table;
}

Schema::Table filesTable()
{
    const QString integer = QStringLiteral("INTEGER");
    const QString text = QStringLiteral("TEXT");
    using C = Schema::Column;
    return {QStringLiteral("Vardelin_Files"),
            {C{QStringLiteral("ID"), autoId}, C{QStringLiteral("CID"), integer},
             C{QStringLiteral("Type"), text}, C{QStringLiteral("Name"), text},
             C{QStringLiteral("Ext"), text}, C{QStringLiteral("UpDate"), text},
             C{QStringLiteral("Size"), integer},
             C{QStringLiteral("Files"), QStringLiteral("BLOB")}}};
}

std::vector<Schema::Table> buildTables()
{
    const QString integer = QStringLiteral("INTEGER");
    const QString text = QStringLiteral("TEXT");
    using C = Schema::Column;
    return {
        {QStringLiteral("Vardelin_Type"),
         {C{QStringLiteral("ID"), autoId}, C{QStringLiteral("PID"), integer},
          C{QStringLiteral("Number"), integer}, C{QStringLiteral("Name"), text}}},
        contactTable(),
        // Files comes last: SQLite keeps a zero blob being inserted unexpanded only when no
        // value follows it, and a column behind the stored bytes costs a walk through all of
        // them to read.
        filesTable(),
        {QStringLiteral("Vardelin_History"),
         {C{QStringLiteral("ID"), autoId}, C{QStringLiteral("CID"), integer},
          C{QStringLiteral("LxDate"), text}, C{QStringLiteral("NextDate"), text},
          C{QStringLiteral("Remark"), text}, C{QStringLiteral("IsRemind"), yesNo}}},
        {QStringLiteral("Vardelin_Alias"),
         {C{QStringLiteral("ID"), autoId}, C{QStringLiteral("Name"), text},
          C{QStringLiteral("Alias"), text}, C{QStringLiteral("Width"), integer},
          C{QStringLiteral("Seq"), integer}, C{QStringLiteral("IsDisplay"), yesNo}}},
        {QStringLiteral("Vardelin_Login"),
         {C{QStringLiteral("ID"), autoId}, C{QStringLiteral("Name"), text},
          C{QStringLiteral("Pass"), text}, C{QStringLiteral("Skin"), text},
          C{QStringLiteral("Dock"), text}}},
        {QStringLiteral("Vardelin_System"),
         {C{QStringLiteral("ID"), QStringLiteral("INTEGER PRIMARY KEY")},
          C{QStringLiteral("IsLogin"), yesNo}, C{QStringLiteral("IsAllUser"), yesNo},
          C{QStringLiteral("IsExpanded"), yesNo}, C{QStringLiteral("IsZip"), yesNo},
          C{QStringLiteral("IsMax"), yesNo}, C{QStringLiteral("IsTop"), yesNo}}},
    };
}

// Names are quoted in a file: "UpDate" is a keyword to SQLite.
QString createStatement(const Schema::Table& table, Backend backend = Backend::File)
{
    QStringList columns;
    for (const Schema::Column& column : table.columns)
        columns << SqlDialect::columnName(backend, column.name) + u' ' +
                       SqlDialect::columnType(backend, column.declaration);
    return QStringLiteral("CREATE TABLE ") + table.name + QStringLiteral(" (") +
           columns.join(QStringLiteral(", ")) + u')';
}

QStringList indexStatements()
{
    // Measured: TID serves the group filter; CID the card's lists. An index
    // on UID made the full list slower, so there is none.
    return {
        QStringLiteral("CREATE INDEX Contact_TID ON Vardelin_Contact (TID)"),
        // The card offers the distinct departments and posts; without these each card
        // opening scans the whole table twice (about 70 ms at 100,000 contacts).
        QStringLiteral("CREATE INDEX Contact_Deptment ON Vardelin_Contact (Deptment)"),
        QStringLiteral("CREATE INDEX Contact_Post ON Vardelin_Contact (Post)"),
        QStringLiteral("CREATE INDEX Files_CID ON Vardelin_Files (CID)"),
        QStringLiteral("CREATE INDEX History_CID ON Vardelin_History (CID)"),
    };
}

// Runs the statements in order, stopping at the first that fails.
Status execEach(const Database& db, const QStringList& statements)
{
    for (const QString& statement : statements) {
        if (Status done = db.exec(statement); !done)
            return done;
    }
    return {};
}

// Layout 2: Files becomes the last column of Vardelin_Files (see filesTable). The rows, their
// IDs and the ID counter are copied unchanged; a table already in that order is left alone.
Status putFilesLast(const Database& db)
{
    auto last = db.readOne(QStringLiteral("SELECT name FROM pragma_table_info('Vardelin_Files') "
                                          "ORDER BY cid DESC LIMIT 1"));
    if (!last)
        return last.error();
    if (!last.value() || last.value()->value(0).toString() == QLatin1StringView("Files"))
        return {};
    Schema::Table rebuilt = filesTable();
    rebuilt.name = QStringLiteral("Vardelin_Files_New");
    const QStringList steps{
        createStatement(rebuilt),
        QStringLiteral("INSERT INTO Vardelin_Files_New (ID, CID, Type, Name, Ext, \"UpDate\", "
                       "Size, Files) SELECT ID, CID, Type, Name, Ext, \"UpDate\", Size, Files "
                       "FROM Vardelin_Files ORDER BY ID"),
        // Keeps the counter past IDs deleted before, so none is handed out twice.
        QStringLiteral(
            "INSERT INTO sqlite_sequence (name, seq) SELECT 'Vardelin_Files_New', "
            "coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'Vardelin_Files'), 0) "
            "WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = "
            "'Vardelin_Files_New')"),
        QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, coalesce((SELECT seq "
                       "FROM sqlite_sequence WHERE name = 'Vardelin_Files'), 0)) "
                       "WHERE name = 'Vardelin_Files_New'"),
        QStringLiteral("DROP TABLE Vardelin_Files"),
        QStringLiteral("ALTER TABLE Vardelin_Files_New RENAME TO Vardelin_Files"),
        QStringLiteral("CREATE INDEX Files_CID ON Vardelin_Files (CID)"),
    };
    return execEach(db, steps);
}

Status stamp(const Database& db, int version)
{
    return execEach(db, SqlDialect::stampLayout(db.backend(), version));
}

DbError foreignFile(const QString& description)
{
    return {SqliteCode::NotADatabase, description + QStringLiteral("不是本程序的数据库。")};
}

// The columns of each of the seven tables the file holds, table and column names lowered as
// SQLite compares them (ASCII case only). One statement: every start pays it.
Result<QHash<QString, QSet<QString>>> columnsOfTables(const Database& db)
{
    QJsonArray names;
    for (const Schema::Table& table : Schema::tables())
        names.append(table.name);
    // A view of the same name is not the table: nothing could be written to it. Tables
    // beside the seven are left unread: one this program cannot open must not stop the start.
    auto rows = db.query(SqlDialect::columnsQuery(db.backend()),
                         {QString::fromUtf8(QJsonDocument(names).toJson(QJsonDocument::Compact))});
    if (!rows)
        return rows.error();
    QHash<QString, QSet<QString>> columns;
    while (rows.value().next())
        columns[rows.value().value(0).toString()].insert(rows.value().value(1).toString());
    if (Status finished = db.finished(rows.value()); !finished)
        return finished.error();
    return columns;
}

} // namespace

const std::vector<Schema::Table>& Schema::tables()
{
    static const std::vector<Table> all = buildTables();
    return all;
}

Status Schema::advanceIdentities(const Database& db)
{
    if (db.backend() == Backend::File)
        return {};
    for (const Table& table : tables()) {
        if (!table.columns.front().declaration.contains(QLatin1StringView("AUTOINCREMENT")))
            continue;
        // Table names from our own list.
        const Status advanced =
            db.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), "
                                   "coalesce((SELECT max(ID) FROM %1), 0) + 1, false)")
                        .arg(table.name.toLower()));
        if (!advanced)
            return advanced;
    }
    return {};
}

Status Schema::create(const Database& db)
{
    QStringList statements;
    for (const Table& table : tables())
        statements << createStatement(table, db.backend());
    statements << SqlDialect::functions(db.backend()) << indexStatements()
               << SearchTable::createStatements(db.backend());
    if (Status made = execEach(db, statements); !made)
        return made;
    if (Status reminders = createReminderTables(db); !reminders)
        return reminders;
    if (Status identity = BookIdentity::create(db); !identity)
        return identity;
    if (Status print = PrintSettings::createTable(db); !print)
        return print;
    if (Status sync = SyncTables::create(db); !sync)
        return sync;
    return stamp(db, version);
}

Status Schema::createReminderTables(const Database& db)
{
    const Backend backend = db.backend();
    const QStringList statements =
        QStringList{
            // UID 0 holds what applies to every account (IsOff: no reminder at start-up); an
            // account's row holds the day it ticked "今天不再提醒".
            SqlDialect::createTable(
                backend,
                QStringLiteral("CREATE TABLE IF NOT EXISTS Vardelin_Remind (UID INTEGER PRIMARY "
                               "KEY, IsOff INTEGER NOT NULL DEFAULT 0, SilencedOn TEXT)")),
            // A contact whose Birthday is kept by the lunar calendar.
            SqlDialect::createTable(backend,
                                    QStringLiteral("CREATE TABLE IF NOT EXISTS "
                                                   "Vardelin_LunarBirthday (CID INTEGER PRIMARY "
                                                   "KEY)")),
        } +
        // Every command that deletes contacts or accounts takes their marks with them.
        SqlDialect::createTrigger(
            backend, QStringLiteral("LunarBirthday_ContactDeleted"), QStringLiteral("AFTER DELETE"),
            QStringLiteral("Vardelin_Contact"),
            QStringLiteral("DELETE FROM Vardelin_LunarBirthday WHERE CID = OLD.ID"), true) +
        SqlDialect::createTrigger(backend, QStringLiteral("Remind_AccountDeleted"),
                                  QStringLiteral("AFTER DELETE"), QStringLiteral("Vardelin_Login"),
                                  QStringLiteral("DELETE FROM Vardelin_Remind WHERE UID = OLD.ID"),
                                  true);
    return execEach(db, statements);
}

Status Schema::verify(const Database& db)
{
    auto found = columnsOfTables(db);
    if (!found)
        return found.error();
    for (const Table& table : tables()) {
        // A missing table has no columns at all.
        const QSet<QString> columns = found.value().value(table.name.toLower());
        if (columns.isEmpty())
            return foreignFile(QStringLiteral("数据库文件缺少数据表“%1”，").arg(table.name));
        for (const Column& column : table.columns) {
            if (!columns.contains(column.name.toLower())) {
                return foreignFile(QStringLiteral("数据库文件的数据表“%1”缺少字段“%2”，")
                                       .arg(table.name, column.name));
            }
        }
    }
    return {};
}

Status Schema::migrateAndVerify(const Database& db, int fileVersion,
                                std::span<const Migration> steps)
{
    if (steps.empty() || fileVersion >= steps.back().version) {
        if (Status layout = verify(db); !layout)
            return layout;
        return restoreOwnTables(db, fileVersion);
    }
    return db.transaction([&]() -> Status {
        for (const Migration& step : steps) {
            if (step.version <= fileVersion)
                continue;
            if (Status done = step.run(db); !done)
                return done;
            // Inside the transaction: the stamp is rolled back with the step.
            if (Status stamped = stamp(db, step.version); !stamped)
                return stamped;
        }
        // Checked before the commit, so a foreign file is never changed.
        return verify(db);
    });
}

namespace {

// The names of the file's tables and triggers, in one statement: opening pays it every time.
Result<QSet<QString>> schemaNames(const Database& db)
{
    auto rows = db.query(SqlDialect::schemaNamesQuery(db.backend()));
    if (!rows)
        return rows.error();
    QSet<QString> names;
    while (rows.value().next())
        names.insert(rows.value().value(0).toString());
    // A read cut short would count present tables as lost, and build them again.
    if (Status finished = db.finished(rows.value()); !finished)
        return finished.error();
    return names;
}

} // namespace

Status Schema::restoreOwnTables(const Database& db, int fileVersion)
{
    // The seven tables are the user's; the tables and triggers beside them are ours. A file
    // whose search table or triggers were dropped by another program would fail every search,
    // or worse, miss the contacts written since: they are built again.
    const QStringList search =
        QStringList{QStringLiteral("Vardelin_Search")} + SearchTable::triggerNames();
    const QStringList reminders{
        QStringLiteral("Vardelin_Remind"), QStringLiteral("Vardelin_LunarBirthday"),
        QStringLiteral("LunarBirthday_ContactDeleted"), QStringLiteral("Remind_AccountDeleted")};
    auto present = schemaNames(db);
    if (!present)
        return present.error();
    const auto lacksAny = [&present](const QStringList& names) {
        return std::any_of(names.begin(), names.end(), [&present](const QString& name) {
            return !present.value().contains(name.toLower());
        });
    };
    if (fileVersion >= 4 && lacksAny(search)) {
        if (Status rebuilt = db.transaction([&db] { return SearchTable::addTo(db); }); !rebuilt)
            return rebuilt;
    }
    if (fileVersion >= 5 && lacksAny(reminders)) {
        if (Status rebuilt = db.transaction([&db] { return createReminderTables(db); }); !rebuilt)
            return rebuilt;
    }
    // A new identity: the UIDs of the next export change, which is all that is lost.
    if (fileVersion >= 6 && lacksAny({QStringLiteral("Vardelin_Book")})) {
        if (Status rebuilt = db.transaction([&db] { return BookIdentity::create(db); }); !rebuilt)
            return rebuilt;
    }
    // Empty print settings: the sender and the offset are typed again.
    if (fileVersion >= 7 && lacksAny({QStringLiteral("Vardelin_Print")})) {
        if (Status rebuilt = db.transaction([&db] { return PrintSettings::createTable(db); });
            !rebuilt)
            return rebuilt;
    }
    // Lost sync state: the next sync finds the cards on the server again by their UIDs. A book
    // written before the address book's CTag was kept gets its table here, empty: its next sync
    // asks the server for the changes once more.
    if (fileVersion >= 8 && lacksAny(SyncTables::names())) {
        if (Status rebuilt = db.transaction([&db] { return SyncTables::create(db); }); !rebuilt)
            return rebuilt;
    }
    // A server database written before colleagues' changes were told, or one whose triggers
    // were dropped, gets them: without them the other programs would show stale lists and
    // search stale copies of the search table.
    if (db.backend() == Backend::Server && lacksAny(ChangeNotice::triggerNames())) {
        if (Status made = db.transaction([&db] { return ChangeNotice::createTriggers(db); }); !made)
            return made;
    }
    // Login and the accounts page compare names through it.
    if (db.backend() == Backend::Server && lacksAny({QStringLiteral("nocase")})) {
        if (Status made =
                db.transaction([&db] { return execEach(db, SqlDialect::functions(db.backend())); });
            !made)
            return made;
    }
    if (db.backend() == Backend::Server && lacksAny(SearchLog::names())) {
        return db.transaction([&db]() -> Status {
            if (Status made = execEach(db, SearchLog::createStatements(db.backend())); !made)
                return made;
            return SearchLog::markWhole(db);
        });
    }
    return {};
}

std::span<const Schema::Migration> Schema::migrations(Backend backend)
{
    // A server's first layout is the last a file had before servers were read; the sync's state
    // came after it.
    static const std::vector<Migration> serverSteps{
        {8,
         [](const Database& db) -> Status {
             if (Status sync = SyncTables::create(db); !sync)
                 return sync;
             return ChangeNotice::createTriggers(db);
         }},
    };
    if (backend == Backend::Server)
        return serverSteps;
    // Layout 1 is the first; an unstamped file (version 0) is read as layout 1.
    static const std::vector<Migration> steps{
        // 2: Files last in Vardelin_Files; 3: list widths in twips. The tables are checked
        // first, so a foreign file is refused as such rather than by the first statement it
        // cannot run.
        {2,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return putFilesLast(db);
         }},
        {3,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return WidthMigration::toTwips(db);
         }},
        {4,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return SearchTable::addTo(db);
         }},
        // 5: the reminder tables beside the seven, which keep their fields.
        {5,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return createReminderTables(db);
         }},
        // 6: the book's identity beside the seven.
        {6,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return BookIdentity::create(db);
         }},
        // 7: the print settings beside the seven.
        {7,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return PrintSettings::createTable(db);
         }},
        // 8: the sync's state beside the seven.
        {8,
         [](const Database& db) -> Status {
             if (Status layout = verify(db); !layout)
                 return layout;
             return SyncTables::create(db);
         }},
    };
    return steps;
}
