// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDatabase.h"

#include "db/PasswordSuffix.h"
#include "db/Schema.h"
#include "db/Scramble.h"
#include "db/SystemOptions.h"

#include <QDir>
#include <QFile>
#include <QTest>

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

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void newBook()
    {
        // Existing address books use these names as they are, misspellings included.
        QCOMPARE(
            sql(u"SELECT group_concat(name || '(' || (SELECT group_concat(name, ' ') FROM "
                "pragma_table_info(m.name)) || ')', ' ') FROM (SELECT name FROM sqlite_master "
                "WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY 1) m"_s),
            u"Vardelin_Alias(ID Name Alias Width Seq IsDisplay) Vardelin_Contact(ID UID TID "
            "Name Py Sex Tel1 Tel2 Tel3 Moblie1 Moblie2 Moblie3 Address CompanyName Deptment "
            "Post OfficePhone1 OfficePhone2 CompanyAddress QQ1 QQ2 MSN Mail1 Mail2 Web ZipCode "
            "Office Job Related1 Related2 Custom1 Custom2 Custom3 Custom4 Grade NickName Title "
            "Hobby Specialty Remark Birthday MemorialDay Member Spouse SpouseTel AddDate Photo) "
            "Vardelin_Files(ID CID Type Name Ext UpDate Size Files) Vardelin_History(ID CID "
            "LxDate NextDate Remark IsRemind) Vardelin_Login(ID Name Pass Skin Dock) "
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
        const auto changedBook = [](const QString& change) {
            TestDatabase changed;
            changed.run(change);
            return contentsOf(changed.path());
        };
        QTest::newRow("text") << QByteArray("姓名,电话\n张三,13800138000\n").repeated(300);
        QTest::newRow("missing table") << changedBook(u"DROP TABLE Vardelin_Login"_s);
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
