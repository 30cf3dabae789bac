// SPDX-License-Identifier: GPL-3.0-or-later
// The address book file: made, opened, migrated, refused, read and written, and its failures told
// in the program's own words.
#include "TestDatabase.h"

#include "app/UserProfile.h"
#include "db/BookIdentity.h"
#include "db/PasswordSuffix.h"
#include "db/Schema.h"
#include "db/Scramble.h"
#include "db/SqliteStatement.h"
#include "db/SystemOptions.h"
#include "db/WidthMigration.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;

class TestDatabaseFile : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString sql(const QString& q, QVariantList v = {}) { return book->scalar(q, v).toString(); }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void aNewBookAndNoOtherFile()
    {
        QCOMPARE(sql(u"PRAGMA user_version"_s), QString::number(Schema::version));
        QCOMPARE(sql(u"SELECT group_concat(ID||','||PID||','||Name) FROM Vardelin_Type"_s),
                 u"1,-1,全部分组"_s);
        QCOMPARE(sql(u"SELECT group_concat(ID||','||IsLogin) FROM Vardelin_System"_s), u"1,0"_s);
        QCOMPARE(sql(u"SELECT group_concat(ID||','||Name) FROM Vardelin_Login"_s), u"1,admin"_s);
        QVERIFY(Scramble::matches(sql(u"SELECT Pass FROM Vardelin_Login"_s), u"admin"_s,
                                  qint16(sql(u"SELECT Number FROM Vardelin_Type"_s).toInt())));
        // Listable: every contact field but the identifiers and the photo, and the group's name.
        QCOMPARE(
            sql(u"SELECT group_concat(Name) FROM (SELECT Name FROM Vardelin_Alias ORDER BY 1)"_s),
            sql(u"SELECT group_concat(n) FROM (SELECT 'C.' || name AS n FROM "
                "pragma_table_info('Vardelin_Contact') WHERE name NOT IN ('ID', 'UID', "
                "'TID', 'Photo') UNION SELECT 'T.Name' ORDER BY 1)"_s));
        // No file is replaced or made by accident.
        const QByteArray before = contentsOf(book->path());
        QVERIFY(!Database::create(book->path()).ok());
        QCOMPARE(contentsOf(book->path()), before);
        QVERIFY(!Database::create(book->folder() + u"/missing/DB.xml"_s).ok());
        QCOMPARE(Database().open(book->folder() + u"/missing.xml"_s).error().number,
                 SqliteCode::CantOpen);
        QCOMPARE(QDir(book->folder()).entryList(QDir::Files), QStringList{u"DB.xml"_s});
        // A name SQLite would read as options is a name.
        const QString folder = book->folder() + u"/我的  通讯录 #2 ?mode=ro%20"_s;
        Database db;
        QVERIFY(QDir().mkdir(folder) && Database::create(folder + u"/DB.xml"_s).ok());
        QVERIFY(db.open(folder + u"/DB.xml"_s).ok() &&
                db.exec(u"UPDATE Vardelin_Type SET Name = 'x'"_s));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"DB.xml"_s});
    }

    void filesThatCannotBeOpenedAreLeftUnchanged_data()
    {
        QTest::addColumn<QString>("change"); // statements, split at |
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("number");
        const int foreign = SqliteCode::NotADatabase;
        QTest::newRow("missing table")
            << u"DROP TABLE Vardelin_Login"_s << u"缺少数据表“Vardelin_Login”"_s << foreign;
        QTest::newRow("view for a table")
            << u"ALTER TABLE Vardelin_Files RENAME TO Old|CREATE VIEW "
               "Vardelin_Files AS SELECT * FROM Old"_s
            << u"Vardelin_Files"_s << foreign;
        QTest::newRow("later version") << u"PRAGMA user_version = %1"_s.arg(Schema::version + 1)
                                       << DbError::newerProgram().description << foreign;
        // An earlier layout is checked before its migration commits, and migrated wholly or not.
        const QString earlier = u"PRAGMA user_version = 1|"_s;
        QTest::newRow("earlier, foreign") << earlier + u"ALTER TABLE Vardelin_Login RENAME COLUMN "
                                                       "Dock TO Layout"_s
                                          << u"缺少字段“Dock”"_s << foreign;
        const QString width =
            earlier + u"UPDATE Vardelin_Alias SET Width = %1 WHERE Name = 'C.Post'"_s;
        const int unconvertible = WidthMigration::unconvertibleWidth;
        QTest::newRow("width of text")
            << width.arg(u"'宽一点'"_s) << u"“宽一点”不是整数"_s << unconvertible;
        QTest::newRow("fraction of a width")
            << width.arg(u"12.5"_s) << u"“12.5”不是整数"_s << unconvertible;
        QTest::newRow("width as a blob")
            << width.arg(u"CAST(' 80' AS BLOB)"_s) << u"“ 80”不是整数"_s << unconvertible;
        QTest::newRow("last width refused")
            << earlier +
                   u"CREATE TRIGGER refuse BEFORE UPDATE OF Width ON "
                   "Vardelin_Alias WHEN NEW.ID = (SELECT max(ID) FROM Vardelin_Alias) BEGIN SELECT RAISE(ABORT, 'refused'); END"_s
            << u"refused"_s << 19;
        for (const Schema::Table& table : Schema::tables()) {
            for (const Schema::Column& column : table.columns)
                QTest::addRow("%s.%s", qPrintable(table.name), qPrintable(column.name))
                    << u"ALTER TABLE %1 RENAME COLUMN \"%2\" TO Gone"_s.arg(table.name, column.name)
                    << u"数据库文件的数据表“%1”缺少字段“%2”，不是本程序的数据库。"_s.arg(
                           table.name, column.name)
                    << foreign;
        }
    }

    void filesThatCannotBeOpenedAreLeftUnchanged()
    {
        QFETCH(QString, change);
        QFETCH(QString, told);
        QFETCH(int, number);
        const QString path = book->path();
        for (const QString& statement : change.split(u'|'))
            book->run(statement);
        const QByteArray before = contentsOf(path);
        Database db;
        const Status opened = db.open(path);
        QCOMPARE(opened.error().number, number);
        QVERIFY2(opened.error().description.contains(told), qPrintable(opened.error().description));
        QVERIFY(!db.isOpen() && !QFile::exists(path + u"-journal"_s));
        QCOMPARE(contentsOf(path), before);
    }

    // Unstamped files read as layout 1; layout 2 moved only Files. Both keep widths in pixels.
    void earlierLayoutsAreBroughtUpToDateOnce()
    {
        // Table and column names are compared as SQLite compares them.
        book->run(u"ALTER TABLE Vardelin_Contact RENAME COLUMN Py TO PY"_s);
        book->run(u"ALTER TABLE Vardelin_Login RENAME TO Renamed"_s);
        book->run(u"ALTER TABLE Renamed RENAME TO VARDELIN_LOGIN"_s);
        // A table of another program's beside ours, one this build cannot read.
        book->run(u"PRAGMA writable_schema = ON"_s);
        book->run(u"INSERT INTO sqlite_master VALUES ('table', 'Other', 'Other', 0, "
                  "'CREATE VIRTUAL TABLE Other USING missing_module')"_s);
        book->run(u"PRAGMA writable_schema = OFF"_s);
        const QString widths =
            u"SELECT group_concat(Name || '=' || ifnull(Width, '')) FROM "
            "Vardelin_Alias WHERE Name IN ('C.Name', 'T.Name', 'C.Job', 'C.Web', 'C.Office')"_s;
        QCOMPARE(sql(widths), u"C.Name=1500,C.Web=1500,C.Office=1500,C.Job=1500,T.Name=1350"_s);
        for (const int layout : {0, 2, 3}) { // from layout 3 on, widths are twips already
            book->run(u"PRAGMA user_version = %1"_s.arg(layout));
            if (layout < 3)
                book->run(u"UPDATE Vardelin_Alias SET Width = CASE Name WHEN 'T.Name' THEN 90 WHEN "
                          u"'C.Job' "
                          "THEN 0 WHEN 'C.Web' THEN NULL WHEN 'C.Office' THEN -3 ELSE 80 END"_s);
            for (int opening = 0; opening < 2; ++opening) { // hidden and empty widths are kept
                QVERIFY(book->db().open(book->path()));
                QCOMPARE(sql(u"PRAGMA user_version"_s).toInt(), Schema::version);
                QCOMPARE(sql(widths), u"C.Name=1200,C.Web=,C.Office=-3,C.Job=0,T.Name=1350"_s);
            }
        }
    }

    // The identity behind exported UIDs: kept, and made again only when another program dropped it.
    void theBookKeepsOneIdentity()
    {
        const auto identity = [this] {
            return BookIdentity::read(book->db()).value();
        };
        const QUuid made = identity();
        QVERIFY(Database().open(book->path()).ok() && !made.isNull() && identity() == made);
        for (const QString& stamp : {u"5"_s, QString::number(Schema::version)}) {
            book->run(u"DROP TABLE Vardelin_Book"_s);
            book->run(u"PRAGMA user_version = "_s + stamp);
            QVERIFY(Database().open(book->path()).ok());
            QVERIFY(!identity().isNull() && identity() != made);
        }
        // The sync's state comes with layout 8, and again when another program dropped it.
        for (const QString& stamp : {u"7"_s, QString::number(Schema::version)}) {
            book->run(u"DROP TABLE Vardelin_Sync"_s);
            book->run(u"DROP TRIGGER Sync_AccountDeleted"_s);
            book->run(u"PRAGMA user_version = "_s + stamp);
            QVERIFY(Database().open(book->path()).ok());
            QCOMPARE(sql(u"SELECT count(*) FROM sqlite_master WHERE name IN ('Vardelin_Sync', "
                         "'Vardelin_SyncAccount', 'Sync_AccountDeleted')"_s),
                     u"3"_s);
            QCOMPARE(sql(u"PRAGMA user_version"_s).toInt(), Schema::version);
        }
        book->run(u"DELETE FROM Vardelin_Book"_s);
        QVERIFY(!BookIdentity::read(book->db()).ok());
    }

    // Each reader's table becomes a view whose reading fails while stepping.
    void failedReadsAreErrorsNotMissingRows_data()
    {
        QTest::addColumn<QString>("table");
        for (const QString& table : {u"Vardelin_System"_s, u"Vardelin_Login"_s, u"Vardelin_Type"_s})
            QTest::newRow(qPrintable(table)) << table;
    }

    void failedReadsAreErrorsNotMissingRows()
    {
        QFETCH(QString, table);
        Database& db = book->db();
        const QString admin = u"SELECT Name FROM Vardelin_Login WHERE ID = ?"_s;
        QVERIFY(db.readOne(admin, {1}).value() && !db.readOne(admin, {2}).value());
        book->run(u"ALTER TABLE %1 RENAME TO Old"_s.arg(table));
        book->run(
            u"CREATE VIEW %1 AS SELECT * FROM Old WHERE abs(ID * 0 - 9223372036854775807 - 1)"_s
                .arg(table));
        QCOMPARE(!SystemOptions::read(db).ok(), table == u"Vardelin_System"_s);
        QCOMPARE(!UserProfile::read(db, 1).ok(), table == u"Vardelin_Login"_s);
        QCOMPARE(!PasswordSuffix::read(db).ok(), table == u"Vardelin_Type"_s);
        QCOMPARE(!db.readOne(admin, {1}).ok(), table == u"Vardelin_Login"_s);
    }

    void damagedFileIsNoticedOnceAndNeverWritten()
    {
        // A contact page's header overwritten (the search table's copy of a name ends in 0x1f).
        book->run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                  "INSERT INTO Vardelin_Contact (UID, TID, Name, Remark) "
                  "SELECT 1, 1, 'row' || i || '.', hex(randomblob(100)) FROM n"_s);
        QFile file(book->path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray contents = file.readAll();
        qint64 at = contents.indexOf("row1500.");
        while (contents.mid(at + 8, 1) == "\x1f")
            at = contents.indexOf("row1500.", at + 1);
        QVERIFY(at > 4096 && file.seek(at - at % 4096) && file.write(QByteArray(16, '\xff')) == 16);
        file.close();
        const QByteArray damaged = contentsOf(book->path());

        Database db;
        int notices = 0;
        db.setDamageNotice([&] { return ++notices > 0; }); // start-up's untold: tst_damagedfile
        QVERIFY(db.open(book->path()).ok() && !db.isDamaged());
        const QString all = u"SELECT Name, Remark FROM Vardelin_Contact WHERE Remark <> ''"_s;
        // By a query, then on SQLite's own handle as the list reads: noticed once.
        for (const bool stepped : {false, true}) {
            auto statement = SqliteStatement::prepare(db, all, {}); // on SQLite's own handle
            while (stepped && statement.value().step()) {
            }
            const DbError found = stepped ? statement.value().error().error()
                                          : db.readOne(all + u" AND Name = 'row3000.'"_s).error();
            QCOMPARE(found.number, SqliteCode::Corrupt);
            QVERIFY(found.told); // told in the notice, the error box stays away
            QVERIFY(db.isDamaged() && notices == 1);
        }
        // Every way of writing is refused in words of the program's own, and nothing runs.
        bool worked = false;
        for (const DbError& refused :
             {db.exec(u"UPDATE Vardelin_Login SET Skin = 'Blue'"_s).error(),
              db.query(u"INSERT INTO Vardelin_Type (PID, Name) VALUES (1, 'x')"_s).error(),
              db.transaction([&] { return worked = true, Status(); }).error()}) {
            QCOMPARE(refused.description, DbError::damaged().description);
            QVERIFY(refused.number == DbError::damaged().number && refused.told);
        }
        QVERIFY(!worked && UserProfile::read(db, 1).ok()); // what is still readable can be read
        QCOMPARE(contentsOf(book->path()), damaged);
    }

    void sqliteCodesAreToldInChinese()
    {
        // Extended codes told as their primary one; SQL faults and triggers in their own words.
        const std::tuple<int, int, QString> cases[] = {
            {5 | 2 << 8, 5, u"正被其他程序使用"_s},
            {8 | 4 << 8, 8, u"只读"_s},
            {10 | 3 << 8, 10, u"磁盘错误"_s},
            {11 | 3 << 8, 11, u"损坏"_s},
            {13, 13, u"磁盘已满"_s},
            {14 | 5 << 8, 14, u"无法打开"_s},
            {3, 3, u"权限"_s},
            {18, 18, u"太大"_s},
            {1, 1, u"数据库操作失败：driver words"_s},
            {19 | 7 << 8, 19, u"数据库操作失败：driver words"_s}};
        for (const auto& [code, number, cause] : cases) {
            const DbError error = DbError::fromSqlite(code, u"driver words"_s);
            QCOMPARE(error.number, number);
            QVERIFY2(error.description.contains(cause), qPrintable(error.description));
            QCOMPARE(error.description.contains(u"driver words"_s), number == 1 || number == 19);
        }
    }

    void failuresKeepSqliteCodeAndLeaveNothingOpen()
    {
        Database db;
        QVERIFY(db.open(book->path()).ok() && db.exec(u"PRAGMA busy_timeout = 50"_s));
        const QString contacts = u"SELECT count(*) FROM Vardelin_Contact"_s;
        const auto add = [&db] {
            return db.transaction([&db] {
                return db.exec(u"INSERT INTO Vardelin_Contact (Name, Remark) VALUES ('张', ?)"_s,
                               {QString(u'x').repeated(64 * 1024)});
            });
        };
        // A file that may not grow: SQLite's own full disk.
        QVERIFY(
            db.exec(u"PRAGMA max_page_count = %1"_s.arg(sql(u"PRAGMA page_count"_s).toInt() + 2)));
        QCOMPARE(add().error().description, DbError::fromSqlite(SqliteCode::Full, {}).description);
        QVERIFY(db.exec(u"PRAGMA max_page_count = 100000"_s));
        // A read transaction of another connection keeps the commit from its lock.
        book->run(u"BEGIN"_s);
        QCOMPARE(sql(contacts), u"0"_s);
        QCOMPARE(add().error().description, DbError::fromSqlite(SqliteCode::Busy, {}).description);
        book->run(u"ROLLBACK"_s);
        QCOMPARE(sql(contacts), u"0"_s);
        QVERIFY(
            db.transaction([&db] { return db.exec(u"UPDATE Vardelin_Type SET Name = 'x'"_s); }));
        book->run(u"BEGIN EXCLUSIVE"_s);
        QCOMPARE(Database().open(book->path()).error().number, SqliteCode::Busy);
        book->run(u"ROLLBACK"_s);
    }

    void filesOfAnEarlierLayoutAreMovedLastUnchanged()
    {
        // Layout 1 had Files before the last columns.
        book->run(u"PRAGMA user_version = 1"_s);
        book->run(u"DROP TABLE Vardelin_Files"_s);
        book->run(
            u"CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, CID INTEGER, "
            "Type TEXT, Name TEXT, Files BLOB, Ext TEXT, \"UpDate\" TEXT, Size INTEGER)"_s);
        book->run(u"CREATE INDEX Files_CID ON Vardelin_Files (CID)"_s);
        const QByteArray bytes("\0\x01\xff O'Neil \"文件\"", 20);
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name, Files, Ext, \"UpDate\", Size) "
                  "VALUES (3, 'F', 'a', ?, '.pdf', '2026-01-02', 20), (3, 'P', 'b', x'01', NULL, "
                  "NULL, NULL), (4, 'F', 'gone', x'02', '', '2026-01-01', 1)"_s,
                  {bytes});
        book->run(u"DELETE FROM Vardelin_Files WHERE Name = 'gone'"_s);
        const QString rows = u"SELECT group_concat(ID || CID || Type || Name || ifnull(Ext, '-') "
                             "|| ifnull(\"UpDate\", '-') || ifnull(Size, '-') || hex(Files), "
                             "'|') FROM (SELECT * FROM Vardelin_Files ORDER BY ID)"_s;
        const QString before = sql(rows);
        QVERIFY(book->db().open(book->path()).ok());
        QCOMPARE(sql(u"SELECT group_concat(name, ' ') FROM pragma_table_info('Vardelin_Files')"_s),
                 u"ID CID Type Name Ext UpDate Size Files"_s);
        QCOMPARE(sql(rows), before);
        QCOMPARE(sql(u"SELECT count(*) FROM sqlite_master WHERE name = 'Files_CID'"_s), u"1"_s);
        // The deleted row's ID is not given out again.
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (5, 'P', 'new')"_s);
        QCOMPARE(sql(u"SELECT ID FROM Vardelin_Files WHERE Name = 'new'"_s), u"4"_s);
    }

    void valuesComeBackUnchangedAndTheSuffixIsTheRootNumberIn16Bits()
    {
        const QString text = u"O'Brien \\ 100%_ \t\r\n\x01"_s + QChar(0) + u"张三 𠀀"_s + QChar(0);
        book->run(u"INSERT INTO Vardelin_Type VALUES (5000000000, 1, 5, ?)"_s, {text});
        QCOMPARE(sql(u"SELECT Name FROM Vardelin_Type WHERE ID = 5000000000"_s), text);
        book->run(u"UPDATE Vardelin_Type SET Number = 70000 WHERE PID = -1"_s);
        QCOMPARE(PasswordSuffix::read(book->db()).value(), 4464);
        book->run(u"DELETE FROM Vardelin_Type WHERE PID = -1"_s);
        QVERIFY(PasswordSuffix::read(book->db()).ok() && !PasswordSuffix::read(book->db()).value());
    }

    void optionsReadEveryStoredFormAndAreOffWithoutTheirRow()
    {
        const std::pair<QVariant, bool> forms[] = {{1, true},          {-1, true},
                                                   {u" True"_s, true}, {u"false"_s, false},
                                                   {u"0.0"_s, false},  {QVariant(), false}};
        for (const auto& [stored, on] : forms)
            QVERIFY2(yesNo(stored) == on, qPrintable(stored.toString()));
        book->run(u"UPDATE Vardelin_System SET IsLogin = 1, IsZip = 1, IsTop = 1"_s);
        book->run(u"DELETE FROM Vardelin_System"_s);
        const SystemOptions o = SystemOptions::read(book->db()).value();
        QVERIFY(!o.isLogin && !o.isAllUser && !o.isExpanded && !o.isZip && !o.isMax && !o.isTop);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseFile)
#include "tst_database.moc"
