// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDatabase.h"

#include "app/UserProfile.h"
#include "db/BookIdentity.h"
#include "db/PasswordSuffix.h"
#include "db/Schema.h"
#include "db/Scramble.h"
#include "db/SqliteStatement.h"
#include "db/SystemOptions.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;

class TestDatabaseFile : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    QString sql(const QString& q, QVariantList v = {}) { return book->scalar(q, v).toString(); }
    inline static const QStringList options{u"IsLogin"_s, u"IsAllUser"_s, u"IsExpanded"_s,
                                            u"IsZip"_s,   u"IsMax"_s,     u"IsTop"_s};

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Fills the contact table over many pages and overwrites the page header of
    // the one that holds a row in the middle; the schema on page 1 stays sound.
    void damageAContactPage()
    {
        book->run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                  "INSERT INTO Vardelin_Contact (UID, TID, Name, Remark) "
                  "SELECT 1, 1, 'row' || i || '.', hex(randomblob(100)) FROM n"_s);
        const qint64 pageSize = book->scalar(u"PRAGMA page_size"_s).toLongLong();
        QFile file(book->path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        // The search table holds the name too, followed by its field separator.
        const QByteArray contents = file.readAll();
        qint64 at = contents.indexOf("row1500.");
        while (at >= 0 && contents.mid(at + 8, 1) == "\x1f")
            at = contents.indexOf("row1500.", at + 1);
        QVERIFY(at > pageSize);
        QVERIFY(file.seek(at - at % pageSize));
        QCOMPARE(file.write(QByteArray(16, '\xff')), 16);
    }

    // Prompts a read failure that happens while stepping, after the statement started.
    void replaceByFailingView(const QString& table, const QString& columns)
    {
        book->run(u"DROP TABLE "_s + table);
        book->run(u"CREATE VIEW %1 AS SELECT %2, abs(-9223372036854775807 - 1) AS Failing"_s.arg(
            table, columns));
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void newBook()
    {
        // Existing address books use these names as they are, misspellings included.
        QCOMPARE(
            sql(u"SELECT group_concat(name || '(' || (SELECT group_concat(name, ' ') FROM "
                "pragma_table_info(m.name)) || ')', ' ') FROM (SELECT name FROM sqlite_master "
                "WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY 1) m"_s),
            u"Vardelin_Alias(ID Name Alias Width Seq IsDisplay) Vardelin_Book(ID Uuid) "
            "Vardelin_Contact(ID UID TID "
            "Name Py Sex Tel1 Tel2 Tel3 Moblie1 Moblie2 Moblie3 Address CompanyName Deptment "
            "Post OfficePhone1 OfficePhone2 CompanyAddress QQ1 QQ2 MSN Mail1 Mail2 Web ZipCode "
            "Office Job Related1 Related2 Custom1 Custom2 Custom3 Custom4 Grade NickName Title "
            "Hobby Specialty Remark Birthday MemorialDay Member Spouse SpouseTel AddDate Photo) "
            "Vardelin_Files(ID CID Type Name Ext UpDate Size Files) Vardelin_History(ID CID "
            "LxDate NextDate Remark IsRemind) Vardelin_Login(ID Name Pass Skin Dock) "
            "Vardelin_LunarBirthday(CID) "
            "Vardelin_Print(ID SenderAddress SenderPostcode OffsetX OffsetY) "
            "Vardelin_Remind(UID IsOff SilencedOn) "
            "Vardelin_Search(ID TID Text Spelling Initials Digits) "
            "Vardelin_System(ID IsLogin IsAllUser IsExpanded IsZip IsMax IsTop) "
            "Vardelin_Type(ID PID Number Name)"_s);
        QCOMPARE(sql(u"PRAGMA user_version"_s), QString::number(Schema::version));
        QCOMPARE(sql(u"SELECT group_concat(ID||','||PID||','||Name) FROM Vardelin_Type"_s),
                 u"1,-1,全部分组"_s);
        QCOMPARE(sql(u"SELECT group_concat(ID||','||IsLogin) FROM Vardelin_System"_s), u"1,0"_s);
        QCOMPARE(sql(u"SELECT group_concat(ID||','||Name) FROM Vardelin_Login"_s), u"1,admin"_s);
        QVERIFY(Scramble::matches(sql(u"SELECT Pass FROM Vardelin_Login"_s), u"admin"_s,
                                  qint16(sql(u"SELECT Number FROM Vardelin_Type"_s).toInt())));
        // Listable: every contact field but the identifiers and the photo, and the group's name.
        QCOMPARE(sql(u"SELECT group_concat(Name) FROM (SELECT Name FROM Vardelin_Alias "
                     "ORDER BY 1)"_s),
                 sql(u"SELECT group_concat(n) FROM (SELECT 'C.' || name AS n FROM "
                     "pragma_table_info('Vardelin_Contact') WHERE name NOT IN ('ID', 'UID', "
                     "'TID', 'Photo') UNION SELECT 'T.Name' ORDER BY 1)"_s));
        QVERIFY(sql(u"SELECT count(DISTINCT Seq) = count(*) AND max(IsDisplay) > min(IsDisplay) "
                    "FROM Vardelin_Alias"_s) == u"1"_s);
    }

    void noFileIsReplacedOrMadeByAccident()
    {
        book->addGroup(1, 1, u"朋友"_s);
        const QByteArray before = contentsOf(book->path());
        QVERIFY(!Database::create(book->path()).ok());
        QCOMPARE(contentsOf(book->path()), before);
        QVERIFY(!Database::create(book->folder() + u"/missing/DB.xml"_s).ok());
        QCOMPARE(Database().open(book->folder() + u"/missing.xml"_s).error().number,
                 SqliteCode::CantOpen);
        QCOMPARE(QDir(book->folder()).entryList(QDir::Files), QStringList{u"DB.xml"_s});
    }

    void openRefusesForeignFilesUnchanged_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const auto changedBook = [](const QString& changes) {
            TestDatabase changed;
            for (const QString& change : changes.split(u';'))
                changed.run(change);
            return contentsOf(changed.path());
        };
        QTest::newRow("text") << QByteArray("姓名,电话\n张三,13800138000\n").repeated(300);
        QTest::newRow("missing table") << changedBook(u"DROP TABLE Vardelin_Login"_s);
        QTest::newRow("view for a table") << changedBook(
            u"ALTER TABLE Vardelin_Files RENAME TO Old; CREATE VIEW Vardelin_Files AS SELECT * FROM Old"_s);
        QTest::newRow("later version")
            << changedBook(u"PRAGMA user_version = %1"_s.arg(Schema::version + 1));
    }

    void openRefusesForeignFilesUnchanged()
    {
        QFETCH(QByteArray, contents);
        QFile file(book->folder() + u"/other.xml"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        file.close();
        Database db;
        const Status opened = db.open(file.fileName());
        QCOMPARE(opened.error().number, SqliteCode::NotADatabase);
        QVERIFY(!opened.ok() && !db.isOpen() && !opened.error().description.isEmpty());
        QCOMPARE(contentsOf(file.fileName()), contents);
    }

    void missingColumnIsRefusedUnchanged_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        for (const Schema::Table& table : Schema::tables()) {
            for (const Schema::Column& column : table.columns)
                QTest::addRow("%s.%s", qPrintable(table.name), qPrintable(column.name))
                    << table.name << column.name;
        }
    }

    void missingColumnIsRefusedUnchanged()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        book->run(u"ALTER TABLE %1 RENAME COLUMN \"%2\" TO Gone"_s.arg(table, column));
        const QByteArray before = contentsOf(book->path());
        Database db;
        const Status opened = db.open(book->path());
        QCOMPARE(opened.error().number, SqliteCode::NotADatabase);
        QCOMPARE(opened.error().description,
                 u"数据库文件的数据表“%1”缺少字段“%2”，不是本程序的数据库。"_s.arg(table, column));
        QVERIFY(!db.isOpen());
        QCOMPARE(contentsOf(book->path()), before);
    }

    void earlierLayoutsOpen()
    {
        // Table and column names are compared as SQLite compares them.
        book->run(u"ALTER TABLE Vardelin_Contact RENAME COLUMN Py TO PY"_s);
        book->run(u"ALTER TABLE Vardelin_Login RENAME TO Renamed"_s);
        book->run(u"ALTER TABLE Renamed RENAME TO VARDELIN_LOGIN"_s);
        QVERIFY(Database().open(book->path()).ok());
        // A table of another program's beside the seven, one this build cannot read.
        book->run(u"PRAGMA writable_schema = ON"_s);
        book->run(u"INSERT INTO sqlite_master VALUES ('table', 'Other', 'Other', 0, "
                  "'CREATE VIRTUAL TABLE Other USING missing_module')"_s);
        book->run(u"PRAGMA writable_schema = OFF"_s);
        QVERIFY(Database().open(book->path()).ok());
        // A file that was never stamped is read as the first layout and brought up to date.
        book->run(u"PRAGMA user_version = 0"_s);
        Database db;
        QVERIFY(db.open(book->path()).ok());
        QCOMPARE(book->scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
    }

    // The identity behind exported UIDs: made once, kept at every opening, made again only when
    // another program dropped it.
    void theBookKeepsOneIdentity()
    {
        const auto identity = [this] {
            return book->scalar(u"SELECT group_concat(Uuid) FROM Vardelin_Book"_s).toString();
        };
        const QString made = identity();
        QVERIFY(!QUuid::fromString(made).isNull());
        QCOMPARE(BookIdentity::read(book->db()).value(), QUuid::fromString(made));
        QVERIFY(Database().open(book->path()).ok());
        QCOMPARE(identity(), made);
        book->run(u"DROP TABLE Vardelin_Book"_s);
        book->run(u"PRAGMA user_version = 5"_s);
        QVERIFY(Database().open(book->path()).ok());
        QCOMPARE(book->scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
        const QString migrated = identity();
        QVERIFY(!QUuid::fromString(migrated).isNull() && migrated != made);
        book->run(u"DROP TABLE Vardelin_Book"_s);
        QVERIFY(Database().open(book->path()).ok());
        QVERIFY(!QUuid::fromString(identity()).isNull());
        book->run(u"DELETE FROM Vardelin_Book"_s);
        QVERIFY(!BookIdentity::read(book->db()).ok());
    }

    void migrationRunsWhollyOrNotAtAll()
    {
        // The steps below are numbered from a file of the first layout.
        book->run(u"PRAGMA user_version = 1"_s);
        Database& db = book->db();
        int ran = 0;
        const auto addColumn = [&ran](const QString& sql) {
            return [&ran, sql](const Database& on) {
                ++ran;
                return on.exec(sql);
            };
        };
        const Schema::Migration toTwo{2, addColumn(u"ALTER TABLE Vardelin_Type ADD COLUMN A"_s)};
        const Schema::Migration toThree{3, addColumn(u"ALTER TABLE Vardelin_Type ADD COLUMN B"_s)};
        const Schema::Migration broken{3, addColumn(u"ALTER TABLE Missing ADD COLUMN B"_s)};
        const auto columns = [&] {
            return sql(u"SELECT group_concat(name) FROM pragma_table_info('Vardelin_Type')"_s);
        };

        const QString stamp = sql(u"PRAGMA user_version"_s);
        const auto unchanged = [&] {
            return columns() == u"ID,PID,Number,Name"_s && sql(u"PRAGMA user_version"_s) == stamp;
        };

        const std::vector<Schema::Migration> failing{toTwo, broken};
        QVERIFY(
            Schema::migrateAndVerify(db, 1, failing).error().description.contains(u"Missing"_s));
        QCOMPARE(ran, 2);
        QVERIFY(unchanged());

        // A foreign file is not migrated: the check comes before the commit.
        book->run(u"ALTER TABLE Vardelin_Login RENAME COLUMN Dock TO Layout"_s);
        const std::vector<Schema::Migration> steps{toTwo, toThree};
        QCOMPARE(Schema::migrateAndVerify(db, 1, steps).error().number, SqliteCode::NotADatabase);
        QVERIFY(unchanged());
        book->run(u"ALTER TABLE Vardelin_Login RENAME COLUMN Layout TO Dock"_s);

        ran = 0;
        QVERIFY(Schema::migrateAndVerify(db, 2, steps).ok()); // only the step beyond the file's
        QCOMPARE(ran, 1);
        QCOMPARE(columns(), u"ID,PID,Number,Name,B"_s);
        QCOMPARE(sql(u"PRAGMA user_version"_s), u"3"_s);
        ran = 0;
        QVERIFY(Schema::migrateAndVerify(db, 3, steps).ok());
        QCOMPARE(ran, 0);
    }

    void readOneTellsNoRowFromFailure()
    {
        Database& db = book->db();
        auto found = db.readOne(u"SELECT Name FROM Vardelin_Login WHERE ID = ?"_s, {1});
        QVERIFY(found.ok() && found.value() && found.value()->value(0) == u"admin"_s);
        found = db.readOne(u"SELECT Name FROM Vardelin_Login WHERE ID = ?"_s, {2});
        QVERIFY(found.ok() && !found.value());
        replaceByFailingView(u"Vardelin_Login"_s, u"1 AS ID, 'admin' AS Name"_s);
        found = db.readOne(u"SELECT Name FROM Vardelin_Login WHERE ID = ?"_s, {1});
        QVERIFY(!found.ok() && found.error().description.contains(u"integer overflow"_s));
    }

    void failedReadsOfTheReadersAreErrors_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns");
        QTest::addColumn<bool>("drop"); // drop the table, or put a view there that fails to step
        for (bool drop : {true, false}) {
            const char* how = drop ? "dropped" : "failing";
            QTest::addRow("options, %s", how)
                << u"Vardelin_System"_s
                << u"1 AS ID, 0 AS IsLogin, 0 AS IsAllUser, 0 AS IsExpanded, 0 AS IsZip, "
                   "0 AS IsMax, 0 AS IsTop"_s
                << drop;
            QTest::addRow("profile, %s", how)
                << u"Vardelin_Login"_s << u"1 AS ID, 'Blue' AS Skin, '' AS Dock"_s << drop;
            QTest::addRow("password suffix, %s", how)
                << u"Vardelin_Type"_s << u"1 AS ID, -1 AS PID, 5 AS Number"_s << drop;
        }
    }

    void failedReadsOfTheReadersAreErrors()
    {
        QFETCH(QString, table);
        QFETCH(QString, columns);
        QFETCH(bool, drop);
        if (drop)
            book->run(u"DROP TABLE "_s + table);
        else
            replaceByFailingView(table, columns);
        const Database& db = book->db();
        QVERIFY(!SystemOptions::read(db).ok() == (table == u"Vardelin_System"_s));
        QVERIFY(!UserProfile::read(db, 1).ok() == (table == u"Vardelin_Login"_s));
        QVERIFY(!PasswordSuffix::read(db).ok() == (table == u"Vardelin_Type"_s));
    }

    void damagedFileIsNoticedOnceAndNeverWritten_data()
    {
        QTest::addColumn<bool>("stepped"); // read on SQLite's own handle, as the list is
        QTest::addColumn<bool>("telling"); // the notice tells the user
        QTest::newRow("query") << false << true;
        QTest::newRow("statement on the handle") << true << true;
        QTest::newRow("query, not told (start-up)") << false << false;
    }

    void damagedFileIsNoticedOnceAndNeverWritten()
    {
        QFETCH(bool, stepped);
        QFETCH(bool, telling);
        damageAContactPage();
        const QByteArray damaged = contentsOf(book->path());
        Database db;
        int notices = 0;
        db.setDamageNotice([&] { return ++notices > 0 && telling; });
        QVERIFY(db.open(book->path()).ok());
        QVERIFY(!db.isDamaged());
        const auto readAll = [&]() -> Status {
            const QString all = u"SELECT Name, Remark FROM Vardelin_Contact WHERE Remark <> ''"_s;
            if (!stepped) {
                auto row = db.readOne(all + u" AND Name = 'row3000.'"_s);
                return row ? Status() : Status(row.error());
            }
            auto statement = SqliteStatement::prepare(db, all, {});
            if (!statement)
                return statement.error();
            while (statement.value().step()) {
            }
            return statement.value().error();
        };

        const Status found = readAll();
        QCOMPARE(found.error().number, SqliteCode::Corrupt);
        // Told in the notice, the error box stays away.
        QCOMPARE(found.error().told, telling);
        QVERIFY(db.isDamaged());
        QCOMPARE(notices, 1);

        // Every way of writing is refused in words of the program's own.
        const Status update = db.exec(u"UPDATE Vardelin_Login SET Skin = 'Blue' WHERE ID = 1"_s);
        QCOMPARE(update.error().number, DbError::damaged().number);
        QCOMPARE(update.error().description, DbError::damaged().description);
        QCOMPARE(update.error().told, telling);
        QCOMPARE(db.query(u"INSERT INTO Vardelin_Type (PID, Name) VALUES (1, 'x')"_s)
                     .error()
                     .description,
                 DbError::damaged().description);
        bool worked = false;
        QCOMPARE(db.transaction([&] {
                       worked = true;
                       return Status();
                   })
                     .error()
                     .description,
                 DbError::damaged().description);
        QVERIFY(!worked);
        QCOMPARE(db.transaction([] { return Status(); }).error().told, telling);
        // What is still readable can be read; a second failure is not noticed again.
        QVERIFY(UserProfile::read(db, 1).ok());
        QCOMPARE(readAll().error().number, SqliteCode::Corrupt);
        QCOMPARE(readAll().error().told, telling);
        QCOMPARE(notices, 1);
        QCOMPARE(contentsOf(book->path()), damaged);
    }

    void sqliteCodesAreToldInChinese_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("cause");
        QTest::newRow("busy") << 5 << 5 << u"正被其他程序使用"_s;
        QTest::newRow("busy, snapshot") << (5 | 2 << 8) << 5 << u"正被其他程序使用"_s;
        QTest::newRow("locked") << 6 << 6 << u"正被其他程序使用"_s;
        QTest::newRow("read-only") << 8 << 8 << u"只读"_s;
        QTest::newRow("read-only, moved") << (8 | 4 << 8) << 8 << u"只读"_s;
        QTest::newRow("I/O error") << 10 << 10 << u"磁盘错误"_s;
        QTest::newRow("I/O error, write") << (10 | 3 << 8) << 10 << u"磁盘错误"_s;
        QTest::newRow("corrupt") << 11 << 11 << u"损坏"_s;
        QTest::newRow("corrupt index") << (11 | 3 << 8) << 11 << u"损坏"_s;
        QTest::newRow("full") << 13 << 13 << u"磁盘已满"_s;
        QTest::newRow("cannot open") << 14 << 14 << u"无法打开"_s;
        QTest::newRow("cannot open, folder") << (14 | 5 << 8) << 14 << u"无法打开"_s;
        QTest::newRow("not a database") << 26 << 26 << u"损坏"_s;
        QTest::newRow("no permission") << 3 << 3 << u"权限"_s;
        QTest::newRow("too big") << 18 << 18 << u"太大"_s;
        // A fault of the program's own SQL, or a trigger's refusal: the words come from there.
        QTest::newRow("SQL error") << 1 << 1 << u"数据库操作失败：driver words"_s;
        QTest::newRow("trigger") << (19 | 7 << 8) << 19 << u"数据库操作失败：driver words"_s;
    }

    void sqliteCodesAreToldInChinese()
    {
        QFETCH(int, code);
        QFETCH(int, number);
        QFETCH(QString, cause);
        const DbError error = DbError::fromSqlite(code, u"driver words"_s);
        QCOMPARE(error.number, number);
        QVERIFY2(error.description.contains(cause), qPrintable(error.description));
        QCOMPARE(error.description.contains(u"driver words"_s), number == 1 || number == 19);
    }

    void failuresKeepSqliteCodeAtEveryStep_data()
    {
        QTest::addColumn<bool>("atCommit"); // or at the statement
        QTest::addColumn<int>("number");
        QTest::newRow("disk full") << false << SqliteCode::Full;
        QTest::newRow("another program reading at the commit") << true << SqliteCode::Busy;
    }

    void failuresKeepSqliteCodeAtEveryStep()
    {
        QFETCH(bool, atCommit);
        QFETCH(int, number);
        Database db;
        QVERIFY(db.open(book->path()).ok());
        if (atCommit) {
            // A read transaction of the other connection keeps the commit from its lock.
            book->run(u"BEGIN"_s);
            QCOMPARE(sql(u"SELECT count(*) FROM Vardelin_Contact"_s), u"0"_s);
        } else {
            // A file that may not grow: SQLite's own full disk.
            const QString pages = sql(u"PRAGMA page_count"_s);
            QVERIFY(db.exec(u"PRAGMA max_page_count = %1"_s.arg(pages.toInt() + 2)).ok());
        }
        const Status added = db.transaction([&db] {
            return db.exec(u"INSERT INTO Vardelin_Contact (Name, Remark) VALUES ('张', ?)"_s,
                           {QString(u'x').repeated(64 * 1024)});
        });
        if (atCommit)
            book->run(u"ROLLBACK"_s);
        QCOMPARE(added.error().number, number);
        QCOMPARE(added.error().description, DbError::fromSqlite(number, {}).description);
        QCOMPARE(sql(u"SELECT count(*) FROM Vardelin_Contact"_s), u"0"_s);
        // Nothing of the failed transaction stays open.
        QVERIFY(db.transaction([&db] {
                      return db.exec(u"UPDATE Vardelin_Type SET Name = 'x'"_s);
                  }).ok());
    }

    void awkwardFolderNameWorks()
    {
        const QString folder = book->folder() + u"/我的  通讯录 #2 ?mode=ro%20"_s;
        const QString path = folder + u"/DB.xml"_s;
        Database db;
        QVERIFY(QDir().mkdir(folder) && Database::create(path).ok() && db.open(path).ok());
        QVERIFY(db.exec(u"UPDATE Vardelin_Type SET Name = 'x'"_s).ok());
        QCOMPARE(QDir(book->folder()).entryList(QDir::Files), QStringList{u"DB.xml"_s});
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"DB.xml"_s});
    }

    void lockedFileFailsAsBusy()
    {
        book->run(u"BEGIN EXCLUSIVE"_s);
        Database other;
        QCOMPARE(other.open(book->path()).error().number, SqliteCode::Busy);
        book->run(u"ROLLBACK"_s);
        QVERIFY(other.open(book->path()).ok());
    }

    void filesOfAnEarlierLayoutAreMovedLastUnchanged()
    {
        // The order databases were made with before Files became the last column.
        book->run(u"PRAGMA user_version = 1"_s);
        book->run(u"DROP TABLE Vardelin_Files"_s);
        book->run(u"CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, CID "
                  "INTEGER, Type TEXT, Name TEXT, Files BLOB, Ext TEXT, \"UpDate\" TEXT, "
                  "Size INTEGER)"_s);
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
        // A second opening finds nothing to do.
        const QByteArray upgraded = contentsOf(book->path());
        QVERIFY(book->db().open(book->path()).ok());
        QCOMPARE(contentsOf(book->path()), upgraded);
    }

    void filesLayoutThatCannotBeChangedLeavesTheFileUntouched()
    {
        book->run(u"PRAGMA user_version = 1"_s);
        book->run(u"DROP TABLE Vardelin_Files"_s);
        book->run(u"CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, CID "
                  "INTEGER, Type TEXT, Name TEXT, Files BLOB, Ext TEXT, \"UpDate\" TEXT, "
                  "Size INTEGER)"_s);
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (1, 'P', 'x')"_s);
        // Another program is reading: the rebuild cannot commit.
        book->run(u"BEGIN"_s);
        QCOMPARE(sql(u"SELECT count(*) FROM Vardelin_Files"_s), u"1"_s);
        const QByteArray before = contentsOf(book->path());
        Database other;
        const Status opened = other.open(book->path());
        QVERIFY(!opened.ok());
        QVERIFY(!opened.error().description.isEmpty());
        QVERIFY(!other.isOpen());
        book->run(u"ROLLBACK"_s);
        QCOMPARE(contentsOf(book->path()), before);
        QCOMPARE(sql(u"SELECT group_concat(name, ' ') FROM pragma_table_info('Vardelin_Files')"_s),
                 u"ID CID Type Name Files Ext UpDate Size"_s);
    }

    void transactionRollsBackOrCommits()
    {
        Database& db = book->db();
        const QString add = u"INSERT INTO Vardelin_Contact (Name) VALUES ('张')"_s;
        QVERIFY(!db.transaction([&] { return db.exec(add) ? Status(DbError()) : Status(); }).ok());
        QCOMPARE(sql(u"SELECT count(*) FROM Vardelin_Contact"_s), u"0"_s);
        QVERIFY(db.transaction([&] { return db.exec(add); }).ok());
        // Reopening drops whatever a transaction left uncommitted.
        QVERIFY(db.open(book->path()).ok());
        QCOMPARE(sql(u"SELECT count(*) FROM Vardelin_Contact"_s), u"1"_s);
    }

    void valuesComeBackUnchanged()
    {
        const QString text = u"O'Brien \\ 100%_ \t\r\n\x01"_s + QChar(0) + u"张三 𠀀"_s + QChar(0);
        const qint64 contact = book->addContact({{u"Name"_s, text}});
        QCOMPARE(sql(u"SELECT Name FROM Vardelin_Contact WHERE ID = ?"_s, {contact}), text);
        book->run(u"INSERT INTO Vardelin_Type (ID, PID, Number) VALUES (5000000000, 1, 1)"_s);
        book->addContact({{u"TID"_s, qint64(5000000000)}});
        QCOMPARE(sql(u"SELECT max(TID) FROM Vardelin_Contact"_s), u"5000000000"_s);
        QCOMPARE(book->addGroup(1, 1, u"x"_s), 5000000001);
    }

    void passwordSuffixIsTheRootNumberIn16Bits()
    {
        book->addGroup(1, 5, u"朋友"_s);
        book->run(u"UPDATE Vardelin_Type SET Number = 70000 WHERE PID = -1"_s);
        auto suffix = PasswordSuffix::read(book->db());
        QVERIFY(suffix.ok() && suffix.value() == 4464);
        book->run(u"DELETE FROM Vardelin_Type WHERE PID = -1"_s);
        suffix = PasswordSuffix::read(book->db());
        QVERIFY(suffix.ok() && !suffix.value());
    }

    void optionsAreReadIndependently_data()
    {
        QTest::addColumn<int>("on");
        for (int i = -1; i < options.size(); ++i)
            QTest::newRow(i < 0 ? "no row" : qPrintable(options[i])) << i;
    }

    void optionsAreReadIndependently()
    {
        QFETCH(int, on);
        // Without its row every option is off, whatever the deleted row said.
        for (int i = 0; i < options.size(); ++i)
            book->setOption(options[i], on < 0 || i == on);
        book->run(u"DELETE FROM Vardelin_System WHERE ? < 0"_s, {on});
        const auto read = SystemOptions::read(book->db());
        QVERIFY(read.ok());
        const SystemOptions& o = read.value();
        const QList<bool> flags{o.isLogin, o.isAllUser, o.isExpanded, o.isZip, o.isMax, o.isTop};
        QCOMPARE(flags.indexOf(true), on);
        QCOMPARE(flags.count(true), on < 0 ? 0 : 1);
    }

    void yesNoReadsEveryStoredForm()
    {
        const QList<std::pair<QVariant, bool>> forms{
            {0, false}, {1, true}, {-1, true}, {u"true"_s, true}, {u"false"_s, false}, {{}, false}};
        for (const auto& [value, expected] : forms)
            QVERIFY2(yesNo(value) == expected, qPrintable(value.toString()));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseFile)
#include "tst_database.moc"
