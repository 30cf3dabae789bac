// SPDX-License-Identifier: GPL-3.0-or-later
// The address book file: made, opened, migrated, refused, read and written, and its failures told
// in the program's own words. Rows tagged "server…" run on a database of the test program's own
// PostgreSQL server instead of a file.
#include "PgServer.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "app/UserProfile.h"
#include "db/BookIdentity.h"
#include "db/ChangeFeed.h"
#include "db/PasswordSuffix.h"
#include "db/Schema.h"
#include "db/Scramble.h"
#include "db/SqlDialect.h"
#include "db/SqliteStatement.h"
#include "db/SyncTables.h"
#include "db/SystemOptions.h"
#include "db/WidthMigration.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlError>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;

class TestDatabaseFile : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    QString sql(const QString& q, QVariantList v = {}) { return book->scalar(q, v).toString(); }
    QStringList rows(const QString& q) { return TestDatabase::rowsOf(book->db(), q); }
    // What opening must leave as it was: the file's bytes, or the server database's tables,
    // columns, triggers and stamp.
    QByteArray snapshot()
    {
        if (book->db().backend() == Backend::File)
            return TestFiles::read(book->path());
        return (rows(SqlDialect::schemaNamesQuery(Backend::Server) + u" ORDER BY 1"_s) +
                rows(u"SELECT table_name, column_name FROM information_schema.columns WHERE "
                     "table_schema = current_schema() ORDER BY 1, 2"_s) +
                rows(SqlDialect::layoutQuery(Backend::Server)))
            .join(u'|')
            .toUtf8();
    }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
    }
    void cleanup() { book.reset(); }

    void aNewBookHoldsItsFirstRows_data() { TestDatabase::addBackendRows(); }
    void aNewBookHoldsItsFirstRows()
    {
        QCOMPARE(sql(SqlDialect::layoutQuery(book->db().backend())).toInt(), Schema::version);
        const QString groups = u"SELECT ID, PID, Name FROM Vardelin_Type ORDER BY ID"_s;
        QCOMPARE(rows(groups), QStringList{u"1,-1,全部分组"_s});
        QCOMPARE(rows(u"SELECT ID, IsLogin FROM Vardelin_System"_s), QStringList{u"1,0"_s});
        QCOMPARE(rows(u"SELECT ID, Name FROM Vardelin_Login"_s), QStringList{u"1,admin"_s});
        QVERIFY(Scramble::matches(sql(u"SELECT Pass FROM Vardelin_Login"_s), u"admin"_s,
                                  qint16(sql(u"SELECT Number FROM Vardelin_Type"_s).toInt())));
        // Listable: every contact field but the identifiers and the photo, and the group's name.
        QStringList listable{u"T.Name"_s};
        for (const Schema::Column& column : Schema::tables()[1].columns) {
            if (!QStringList{u"ID"_s, u"UID"_s, u"TID"_s, u"Photo"_s}.contains(column.name))
                listable << u"C."_s + column.name;
        }
        listable.sort();
        QStringList aliases = rows(u"SELECT Name FROM Vardelin_Alias"_s);
        aliases.sort();
        QCOMPARE(aliases, listable);
        // New rows take the IDs after the first ones.
        QCOMPARE(book->addGroup(1, 1, u"客户"_s), 2);
        QCOMPARE(book->addContact({{u"Name"_s, u"张三"_s}}), 1);
        // An address book is never written over another.
        const QByteArray before = snapshot();
        QVERIFY(!Database::create(book->path()).ok());
        QCOMPARE(snapshot(), before);
        QCOMPARE(rows(groups), (QStringList{u"1,-1,全部分组"_s, u"2,1,客户"_s}));
    }

    // Server URLs in libpq's form; the password stays with libpq's own sources.
    void serverAddressesAreReadAsLibpqReadsThem_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("read"); // host|port|user|dbname|options; empty: refused
        const QString wait = u"connect_timeout=10;keepalives_idle=10;keepalives_interval=3;"
                             "keepalives_count=3;tcp_user_timeout=10000"_s;
        QTest::newRow("whole") << u"postgresql://anna@db.office:5433/通讯录"_s
                               << u"db.office|5433|anna|通讯录|"_s + wait;
        QTest::newRow("short scheme, defaults") << u"postgres:///book"_s << u"|-1||book|"_s + wait;
        QTest::newRow("socket folder as a query item")
            << u"postgresql:///book?host=/run/my%20pg&user=anna&port=6000"_s
            << u"/run/my pg|6000|anna|book|"_s + wait;
        QTest::newRow("socket folder encoded as the host")
            << u"postgresql://%2Frun%2Fpg/book"_s << u"/run/pg|-1||book|"_s + wait;
        QTest::newRow("options passed on, the password left out")
            << u"postgresql://anna:secret@h/book?sslmode=require&connect_timeout=3&password=x&"
               "keepalives_idle=60&keepalives_interval=3&keepalives_count=3&tcp_user_timeout=0"_s
            << u"h|-1|anna|book|sslmode=require;connect_timeout=3;keepalives_idle=60;"
               "keepalives_interval=3;keepalives_count=3;tcp_user_timeout=0"_s;
        QTest::newRow("dbname as a query item")
            << u"postgresql://h?dbname=book"_s << u"h|-1||book|"_s + wait;
        QTest::newRow("no database") << u"postgresql://anna@h/"_s << QString();
        QTest::newRow("a file") << u"/home/anna/DB.xml"_s << QString();
    }
    void serverAddressesAreReadAsLibpqReadsThem()
    {
        QFETCH(QString, url);
        QFETCH(QString, read);
        const auto address = SqlDialect::serverAddress(url);
        QCOMPARE(SqlDialect::backendOf(url) == Backend::Server, !url.startsWith(u'/'));
        QCOMPARE(address.has_value(), !read.isEmpty());
        if (address)
            QCOMPARE(QStringList({address->host, QString::number(address->port), address->user,
                                  address->databaseName, address->options})
                         .join(u'|'),
                     read);
    }

    // A server's SQLSTATE is told as the nearest of the file's codes, in the program's words.
    void serverErrorsAreToldAsTheNearestFileError_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("told");
        const auto row = [](const char* state, int number, const char16_t* told) {
            QTest::newRow(state) << QString::fromLatin1(state) << number
                                 << QString::fromUtf16(told);
        };
        row("08006", SqliteCode::CantOpen, u"无法连接数据库服务器");
        row("57P01", SqliteCode::CantOpen, u"连接已断开");
        row("3D000", SqliteCode::CantOpen, u"无法连接");
        row("28P01", SqliteCode::Permission, u"拒绝了访问");
        row("42501", SqliteCode::Permission, u"拒绝了访问");
        row("40P01", SqliteCode::Busy, u"正被其他用户修改");
        row("55P03", SqliteCode::Busy, u"正被其他用户修改");
        row("53100", SqliteCode::Full, u"磁盘已满");
        row("53200", SqliteCode::NoMemory, u"内存不足");
        row("25006", SqliteCode::ReadOnly, u"只读");
        row("54000", SqliteCode::TooBig, u"太大");
        row("23505", 19, u"数据库操作失败：server words");
        row("42601", SqliteCode::Error, u"数据库操作失败：server words");
    }
    void serverErrorsAreToldAsTheNearestFileError()
    {
        QFETCH(QString, state);
        QFETCH(int, number);
        QFETCH(QString, told);
        const DbError error = SqlDialect::serverError(
            QSqlError(u"driver"_s, u"server words"_s, QSqlError::StatementError, state));
        QCOMPARE(error.number, number);
        QVERIFY2(error.description.contains(told), qPrintable(error.description));
    }

    // A server that cannot be reached, or a database it does not have, is told at once.
    // Commands of the file's alone are refused on a server.
    void unreachableServersAreTold_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("server") << u"server"_s;
    }
    void unreachableServersAreTold()
    {
        const QString missing = book->path().replace(QRegularExpression(u"book\\d+"_s), u"none"_s);
        Database db;
        for (const QString& url :
             {missing, u"postgresql:///book?host=/nonexistent&connect_timeout=2"_s}) {
            const DbError error = db.open(url).error();
            QCOMPARE(error.number, SqliteCode::CantOpen);
            QVERIFY2(error.description.contains(u"无法连接数据库服务器"_s),
                     qPrintable(error.description));
            QVERIFY(!db.isOpen());
        }
        QVERIFY(db.open(book->path()).ok()); // the next opening connects again
    }

    // No file is made by accident; a name SQLite would read as options is a name.
    void noOtherFileIsMade()
    {
        QVERIFY(!Database::create(book->folder() + u"/missing/DB.xml"_s).ok());
        QCOMPARE(Database().open(book->folder() + u"/missing.xml"_s).error().number,
                 SqliteCode::CantOpen);
        QCOMPARE(QDir(book->folder()).entryList(QDir::Files), QStringList{u"DB.xml"_s});
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
        // A server database: the same checks, its own stamp, names folded to lower case.
        QTest::newRow("server: missing table")
            << u"DROP TABLE Vardelin_Login"_s << u"缺少数据表“Vardelin_Login”"_s << foreign;
        QTest::newRow("server: view for a table")
            << u"ALTER TABLE Vardelin_Files RENAME TO Old|CREATE VIEW "
               "Vardelin_Files AS SELECT * FROM Old"_s
            << u"Vardelin_Files"_s << foreign;
        QTest::newRow("server: later version")
            << u"UPDATE Vardelin_Layout SET Layout = %1"_s.arg(Schema::version + 1)
            << DbError::newerProgram().description << foreign;
        for (const Schema::Table& table : Schema::tables()) {
            for (const Schema::Column& column : {table.columns.front(), table.columns.back()})
                QTest::addRow("server: %s.%s", qPrintable(table.name), qPrintable(column.name))
                    << u"ALTER TABLE %1 RENAME COLUMN %2 TO Gone"_s.arg(
                           table.name, SqlDialect::columnName(Backend::Server, column.name))
                    << u"数据库文件的数据表“%1”缺少字段“%2”"_s.arg(table.name, column.name)
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
        const QByteArray before = snapshot();
        Database db;
        const Status opened = db.open(path);
        QCOMPARE(opened.error().number, number);
        QVERIFY2(opened.error().description.contains(told), qPrintable(opened.error().description));
        QVERIFY(!db.isOpen() && !QFile::exists(path + u"-journal"_s));
        QCOMPARE(snapshot(), before);
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
    void theBookKeepsOneIdentity_data() { TestDatabase::addBackendRows(); }
    void theBookKeepsOneIdentity()
    {
        const Backend backend = book->db().backend();
        const auto identity = [this] {
            return BookIdentity::read(book->db()).value();
        };
        const QUuid made = identity();
        QVERIFY(Database().open(book->path()).ok() && !made.isNull() && identity() == made);
        // A server's layouts start at the last file layout.
        const QList<int> stamps =
            backend == Backend::File ? QList<int>{5, Schema::version} : QList<int>{Schema::version};
        for (const int stamp : stamps) {
            book->run(u"DROP TABLE Vardelin_Book"_s);
            for (const QString& statement : SqlDialect::stampLayout(backend, stamp))
                book->run(statement);
            QVERIFY(Database().open(book->path()).ok());
            QVERIFY(!identity().isNull() && identity() != made);
        }
        // The sync's state comes with layout 8, and again when another program dropped it.
        for (const int stamp : {7, Schema::version}) {
            book->run(u"DROP TABLE Vardelin_Sync"_s);
            book->run(
                SqlDialect::dropTrigger(backend, u"Sync_AccountDeleted"_s, u"Vardelin_Login"_s));
            for (const QString& statement : SqlDialect::stampLayout(backend, stamp))
                book->run(statement);
            QVERIFY(Database().open(book->path()).ok());
            const QStringList names = rows(SqlDialect::schemaNamesQuery(backend));
            for (const QString& name : SyncTables::names())
                QVERIFY2(names.contains(name.toLower()), qPrintable(name));
            QCOMPARE(sql(SqlDialect::layoutQuery(backend)).toInt(), Schema::version);
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
        const QByteArray damaged = TestFiles::read(book->path());

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
        QCOMPARE(TestFiles::read(book->path()), damaged);
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

    // A write transaction holds the book's write lock from its start: another program's waits,
    // is told the book is busy and runs nothing. A transaction that fails leaves nothing.
    void writersWaitForTheOneBeforeAndFailuresLeaveNothing_data()
    {
        TestDatabase::addBackendRows();
    }
    void writersWaitForTheOneBeforeAndFailuresLeaveNothing()
    {
        const Database& mine = book->db();
        Database other;
        QVERIFY(other.open(book->path()).ok());
        QVERIFY(TestDatabase::waitBriefly(other));
        const QString names = u"SELECT Name FROM Vardelin_Type ORDER BY ID"_s;
        const Status stopped = mine.transaction([&] {
            book->run(u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 1, '半')"_s);
            return Status(DbError{SqliteCode::Error, u"stopped"_s});
        });
        QCOMPARE(stopped.error().description, u"stopped"_s);
        QCOMPARE(rows(names), QStringList{u"全部分组"_s});
        bool ran = false;
        Status second;
        QVERIFY(mine.writeTransaction([&] {
            second = other.writeTransaction([&] { return ran = true, Status(); });
            return mine.exec(u"UPDATE Vardelin_Type SET Name = '我的'"_s);
        }));
        QCOMPARE(second.error().number, SqliteCode::Busy);
        QVERIFY(!ran);
        QVERIFY(other.writeTransaction([&] {
            return other.exec(u"UPDATE Vardelin_Type SET "
                              "Name = Name || '2'"_s);
        }));
        QCOMPARE(rows(names), QStringList{u"我的2"_s});
    }

    // The server gone in the middle of a save, between two statements or before the commit:
    // the save is told as a lost connection and leaves nothing; so is each command until the
    // server is back, and the next one then connects again and listens again.
    void aServerGoneInTheMiddleOfASaveLeavesNothing_data()
    {
        QTest::addColumn<bool>("beforeCommit");
        QTest::newRow("server, between two statements") << false;
        QTest::newRow("server, before the commit") << true;
    }
    void aServerGoneInTheMiddleOfASaveLeavesNothing()
    {
        QFETCH(bool, beforeCommit);
        Database& db = book->db();
        ChangeFeed feed(db);
        QSignalSpy told(&feed, &ChangeFeed::changed);
        const QString add = u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 1, ?)"_s;
        const Status cut = db.writeTransaction([&] {
            const Status first = db.exec(add, {u"半"_s});
            PgServer::instance().stop();
            return !first || beforeCommit ? first : db.exec(add, {u"另一半"_s});
        });
        QCOMPARE(cut.error().number, SqliteCode::CantOpen);
        QVERIFY2(cut.error().description.contains(u"连接已断开"_s),
                 qPrintable(cut.error().description));
        QCOMPARE(db.exec(u"SELECT 1"_s).error().number, SqliteCode::CantOpen);
        QVERIFY2(PgServer::instance().restart(), qPrintable(PgServer::instance().error()));
        QCOMPARE(rows(u"SELECT Name FROM Vardelin_Type"_s), QStringList{u"全部分组"_s});
        QVERIFY(feed.listening());
        QVERIFY(db.transaction([&] { return db.exec(add, {u"整"_s}); }));
        // What colleagues did meanwhile is read again.
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(0).toStringList(), QStringList{ChangeFeed::reconnectedPayload});
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

    void valuesComeBackUnchangedAndTheSuffixIsTheRootNumberIn16Bits_data()
    {
        TestDatabase::addBackendRows();
    }
    void valuesComeBackUnchangedAndTheSuffixIsTheRootNumberIn16Bits()
    {
        QCOMPARE(book->db().backend(), TestDatabase::backendOfRow());
        QString text = u"O'Brien \\ 100%_ \t\r\n\x01"_s + QChar(0) + u"张三 𠀀"_s + QChar(0);
        const QString insert = u"INSERT INTO Vardelin_Type VALUES (5000000000, 1, 5, ?)"_s;
        if (book->db().backend() == Backend::Server) { // its text cannot hold U+0000: told
            const DbError refused = book->db().exec(insert, {text}).error();
            QVERIFY2(refused.description.contains(u"空字符"_s), qPrintable(refused.description));
            text.remove(QChar(0));
        }
        book->run(insert, {text});
        QCOMPARE(sql(u"SELECT Name FROM Vardelin_Type WHERE ID = 5000000000"_s), text);
        // Every byte of a picture; the largest and smallest integers.
        QByteArray bytes;
        for (int i = 0; i < 512; ++i)
            bytes += char(i % 256);
        const qint64 id = book->addContact({{u"Photo"_s, bytes},
                                            {u"UID"_s, std::numeric_limits<qint64>::max()},
                                            {u"TID"_s, std::numeric_limits<qint64>::min()}});
        QCOMPARE(book->scalar(u"SELECT Photo FROM Vardelin_Contact WHERE ID = ?"_s, {id}), bytes);
        QCOMPARE(sql(u"SELECT UID FROM Vardelin_Contact"_s), u"9223372036854775807"_s);
        QCOMPARE(sql(u"SELECT TID FROM Vardelin_Contact"_s), u"-9223372036854775808"_s);
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
