// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of creating, opening and writing the address book file.
#include "TestDatabase.h"

#include "db/InitialData.h"
#include "db/Schema.h"
#include "db/Scramble.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

// Runs statements on a file through a plain connection of the test's own,
// for files the program would not write itself.
bool runOnFile(const QString& path, const QStringList& statements)
{
    static int counter = 0;
    const QString name = u"raw-"_s + QString::number(++counter);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            ok = ok && query.exec(statement);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QStringList columnsOf(TestDatabase& book, const QString& table)
{
    auto info = book.db().query(u"SELECT name FROM pragma_table_info(?) ORDER BY cid"_s, {table});
    QStringList names;
    if (!info)
        return names;
    while (info.value().next())
        names << info.value().value(0).toString();
    return names;
}

qint64 countRows(TestDatabase& book, const QString& table)
{
    // The table name comes from the test's own literals.
    return book.scalar(u"SELECT count(*) FROM "_s + table).toLongLong();
}

} // namespace

class TestDatabaseFile : public QObject {
    Q_OBJECT

private slots:
    void newBookHasExactlyTheSevenTables();
    void newBookTablesHaveExactlyTheirFields_data();
    void newBookTablesHaveExactlyTheirFields();
    void newBookIsStampedWithTheSchemaVersion();
    void newBookHasOnlyTheRootGroup();
    void newBookHasOneOptionsRowWithoutLogin();
    void newBookAdministratorHasTheFirstPassword();
    void newBookHasAColumnRowForEveryTextAndDateField();

    void createRefusesAnExistingFileAndLeavesItAlone_data();
    void createRefusesAnExistingFileAndLeavesItAlone();
    void failedCreateLeavesNoFile();

    void openOfMissingFileFailsAndCreatesNothing();
    void openRefusesGarbageWithoutTouchingIt_data();
    void openRefusesGarbageWithoutTouchingIt();
    void openRefusesFileThatIsNotAnAddressBook_data();
    void openRefusesFileThatIsNotAnAddressBook();
    void openAfterARefusalStillWorks();
    void unusualFolderNamesWork_data();
    void unusualFolderNamesWork();
    void lockedFileFailsAsBusyInsteadOfWaiting();

    void transactionRollsBackEveryWriteWhenWorkFails_data();
    void transactionRollsBackEveryWriteWhenWorkFails();
    void transactionCommitsWhenWorkSucceeds();

    void textRoundTripsUnchanged_data();
    void textRoundTripsUnchanged();
    void identifiersAbove32767Work_data();
    void identifiersAbove32767Work();
};

void TestDatabaseFile::newBookHasExactlyTheSevenTables()
{
    TestDatabase book;
    QVERIFY(book.ok());
    auto tables = book.db().query(u"SELECT name FROM sqlite_master WHERE type = 'table' "
                                  "AND name NOT LIKE 'sqlite!_%' ESCAPE '!' ORDER BY name"_s);
    QVERIFY(tables.ok());
    QStringList names;
    while (tables.value().next())
        names << tables.value().value(0).toString();
    QCOMPARE(names, QStringList({u"Vardelin_Alias"_s, u"Vardelin_Contact"_s, u"Vardelin_Files"_s,
                                 u"Vardelin_History"_s, u"Vardelin_Login"_s, u"Vardelin_System"_s,
                                 u"Vardelin_Type"_s}));
}

// The field names are the file's layout: existing address books use them as
// they are, misspellings included.
void TestDatabaseFile::newBookTablesHaveExactlyTheirFields_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("fields");

    QTest::newRow("Vardelin_Type") << u"Vardelin_Type"_s << u"ID PID Number Name"_s;
    QTest::newRow("Vardelin_Contact")
        << u"Vardelin_Contact"_s
        << u"ID UID TID Name Py Sex Tel1 Tel2 Tel3 Moblie1 Moblie2 Moblie3 Address CompanyName "
           "Deptment Post OfficePhone1 OfficePhone2 CompanyAddress QQ1 QQ2 MSN Mail1 Mail2 Web "
           "ZipCode Office Job Related1 Related2 Custom1 Custom2 Custom3 Custom4 Grade NickName "
           "Title Hobby Specialty Remark Birthday MemorialDay Member Spouse SpouseTel AddDate "
           "Photo"_s;
    QTest::newRow("Vardelin_Files")
        << u"Vardelin_Files"_s << u"ID CID Type Name Files Ext UpDate Size"_s;
    QTest::newRow("Vardelin_History")
        << u"Vardelin_History"_s << u"ID CID LxDate NextDate Remark IsRemind"_s;
    QTest::newRow("Vardelin_Alias")
        << u"Vardelin_Alias"_s << u"ID Name Alias Width Seq IsDisplay"_s;
    QTest::newRow("Vardelin_Login") << u"Vardelin_Login"_s << u"ID Name Pass Skin Dock"_s;
    QTest::newRow("Vardelin_System")
        << u"Vardelin_System"_s << u"ID IsLogin IsAllUser IsExpanded IsZip IsMax IsTop"_s;
}

void TestDatabaseFile::newBookTablesHaveExactlyTheirFields()
{
    QFETCH(QString, table);
    QFETCH(QString, fields);
    TestDatabase book;
    QVERIFY(book.ok());
    QCOMPARE(columnsOf(book, table), fields.split(u' '));
    // ID is the integer key of every table, so new rows get a fresh one.
    QCOMPARE(
        book.scalar(u"SELECT pk FROM pragma_table_info(?) WHERE name = 'ID'"_s, {table}).toInt(),
        1);
}

void TestDatabaseFile::newBookIsStampedWithTheSchemaVersion()
{
    TestDatabase book;
    QVERIFY(book.ok());
    QVERIFY(Schema::version > 0);
    QCOMPARE(book.scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
}

void TestDatabaseFile::newBookHasOnlyTheRootGroup()
{
    TestDatabase book;
    QVERIFY(book.ok());
    QCOMPARE(countRows(book, u"Vardelin_Type"_s), 1);
    auto root = book.db().query(u"SELECT ID, PID, Name FROM Vardelin_Type"_s);
    QVERIFY(root.ok());
    QVERIFY(root.value().next());
    QCOMPARE(root.value().value(0).toLongLong(), 1);
    QCOMPARE(root.value().value(1).toLongLong(), -1);
    QCOMPARE(root.value().value(2).toString(), u"全部分组"_s);
    QCOMPARE(countRows(book, u"Vardelin_Contact"_s), 0);
}

void TestDatabaseFile::newBookHasOneOptionsRowWithoutLogin()
{
    TestDatabase book;
    QVERIFY(book.ok());
    QCOMPARE(countRows(book, u"Vardelin_System"_s), 1);
    QCOMPARE(book.scalar(u"SELECT ID FROM Vardelin_System"_s).toLongLong(), 1);
    QCOMPARE(book.scalar(u"SELECT IsLogin FROM Vardelin_System"_s).toInt(), 0);
}

void TestDatabaseFile::newBookAdministratorHasTheFirstPassword()
{
    TestDatabase book;
    QVERIFY(book.ok());
    QCOMPARE(countRows(book, u"Vardelin_Login"_s), 1);
    auto admin = book.db().query(u"SELECT ID, Name, Pass FROM Vardelin_Login"_s);
    QVERIFY(admin.ok());
    QVERIFY(admin.value().next());
    QCOMPARE(admin.value().value(0).toLongLong(), 1);
    QCOMPARE(admin.value().value(1).toString(), u"admin"_s);
    const QString stored = admin.value().value(2).toString();

    // Passwords are checked under the root group's Number as the program reads it.
    const auto suffix =
        qint16(book.scalar(u"SELECT Number FROM Vardelin_Type WHERE ID = 1"_s).toInt());
    const QString password = QString::fromUtf16(InitialData::adminPassword);
    QVERIFY(stored != password);
    QVERIFY(Scramble::matches(stored, password, suffix));
    QVERIFY(!Scramble::matches(stored, password + u'x', suffix));
    QVERIFY(!Scramble::matches(stored, password, qint16(suffix + 1)));
}

void TestDatabaseFile::newBookHasAColumnRowForEveryTextAndDateField()
{
    TestDatabase book;
    QVERIFY(book.ok());
    // Every contact field but the identifiers and the photo, and the group's name.
    QStringList expected{u"T.Name"_s};
    const QStringList notListed{u"ID"_s, u"UID"_s, u"TID"_s, u"Photo"_s};
    for (const QString& field : columnsOf(book, u"Vardelin_Contact"_s)) {
        if (!notListed.contains(field))
            expected << u"C."_s + field;
    }
    expected.sort();

    auto rows = book.db().query(u"SELECT Name, Alias, Width, Seq, IsDisplay FROM Vardelin_Alias "
                                "ORDER BY Name"_s);
    QVERIFY(rows.ok());
    QStringList names;
    QSet<int> seqs;
    QStringList displayed;
    while (rows.value().next()) {
        const QSqlQuery& q = rows.value();
        names << q.value(0).toString();
        QVERIFY2(!q.value(1).toString().isEmpty(), qPrintable(q.value(0).toString()));
        QVERIFY(q.value(2).toInt() > 0);
        seqs.insert(q.value(3).toInt());
        if (q.value(4).toInt() != 0)
            displayed << q.value(0).toString();
    }
    QCOMPARE(names, expected);
    // The list is ordered by Seq, so no two columns share a place.
    QCOMPARE(seqs.size(), names.size());
    QVERIFY(!displayed.isEmpty());
    QVERIFY(displayed.size() < names.size());
    QVERIFY(displayed.contains(u"C.Name"_s));
}

void TestDatabaseFile::createRefusesAnExistingFileAndLeavesItAlone_data()
{
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<bool>("anAddressBook");

    QTest::newRow("an address book") << QByteArray() << true;
    QTest::newRow("a text file") << QByteArray("姓名,电话\n张三,13800138000\n") << false;
    QTest::newRow("an empty file") << QByteArray() << false;
}

void TestDatabaseFile::createRefusesAnExistingFileAndLeavesItAlone()
{
    QFETCH(QByteArray, existing);
    QFETCH(bool, anAddressBook);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"DB.xml"_s);
    if (anAddressBook) {
        QVERIFY(Database::create(path).ok());
        QVERIFY(runOnFile(path, {u"INSERT INTO Vardelin_Type (PID, Number, Name) "
                                 "VALUES (1, 1, '朋友')"_s}));
    } else {
        QVERIFY(writeFile(path, existing));
    }
    const QByteArray before = contentsOf(path);
    const QStringList entriesBefore = entriesOf(dir.path());

    QVERIFY(!Database::create(path).ok());
    QCOMPARE(contentsOf(path), before);
    QCOMPARE(entriesOf(dir.path()), entriesBefore);
}

void TestDatabaseFile::failedCreateLeavesNoFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"missing folder/DB.xml"_s);
    const Status created = Database::create(path);
    QVERIFY(!created.ok());
    QVERIFY(!created.error().description.isEmpty());
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(entriesOf(dir.path()), QStringList());
}

void TestDatabaseFile::openOfMissingFileFailsAndCreatesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"DB.xml"_s);
    Database db;
    const Status opened = db.open(path);
    QVERIFY(!opened.ok());
    QCOMPARE(opened.error().number, 14);
    QVERIFY(!db.isOpen());
    QCOMPARE(entriesOf(dir.path()), QStringList());
}

void TestDatabaseFile::openRefusesGarbageWithoutTouchingIt_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("4096 random bytes") << randomBytes(4096, 1);
    QTest::newRow("100 random bytes") << randomBytes(100, 2);
    QTest::newRow("64 KiB random bytes") << randomBytes(65536, 3);
    QTest::newRow("a text file") << QByteArray("姓名,电话\r\n张三,13800138000\r\n");
    QTest::newRow("a long text file")
        << QByteArray("<?xml version=\"1.0\"?>\n<book/>\n").repeated(200);
}

void TestDatabaseFile::openRefusesGarbageWithoutTouchingIt()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"DB.xml"_s);
    QVERIFY(writeFile(path, contents));

    Database db;
    const Status opened = db.open(path);
    QVERIFY(!opened.ok());
    QVERIFY2(opened.error().number == 26 || opened.error().number == 11,
             qPrintable(QString::number(opened.error().number)));
    QVERIFY(!opened.error().description.isEmpty());
    QVERIFY(!db.isOpen());
    QCOMPARE(contentsOf(path), contents);
    QCOMPARE(entriesOf(dir.path()), QStringList{u"DB.xml"_s});
}

void TestDatabaseFile::openRefusesFileThatIsNotAnAddressBook_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("startFromABook");

    QTest::newRow("empty file") << QStringList() << false;
    QTest::newRow("another program's database")
        << QStringList{u"CREATE TABLE Notes (ID INTEGER PRIMARY KEY, Text TEXT)"_s} << false;
    const QStringList tables{u"Vardelin_Type"_s,    u"Vardelin_Contact"_s, u"Vardelin_Files"_s,
                             u"Vardelin_History"_s, u"Vardelin_Alias"_s,   u"Vardelin_Login"_s,
                             u"Vardelin_System"_s};
    for (const QString& table : tables) {
        QTest::addRow("without %s", qPrintable(table))
            << QStringList{u"DROP TABLE "_s + table} << true;
    }
    QTest::newRow("written by a later version")
        << QStringList{u"PRAGMA user_version = "_s + QString::number(Schema::version + 1)} << true;
}

void TestDatabaseFile::openRefusesFileThatIsNotAnAddressBook()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, startFromABook);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"DB.xml"_s);
    if (startFromABook)
        QVERIFY(Database::create(path).ok());
    else
        QVERIFY(writeFile(path, {}));
    QVERIFY(runOnFile(path, statements));
    const QByteArray before = contentsOf(path);

    Database db;
    const Status opened = db.open(path);
    QVERIFY(!opened.ok());
    QVERIFY(!opened.error().description.isEmpty());
    QVERIFY(!db.isOpen());
    QCOMPARE(contentsOf(path), before);
}

void TestDatabaseFile::openAfterARefusalStillWorks()
{
    TestDatabase book;
    QVERIFY(book.ok());
    const QString garbage = QDir(book.folder()).filePath(u"garbage.xml"_s);
    QVERIFY(writeFile(garbage, randomBytes(4096, 4)));

    Database db;
    QVERIFY(!db.open(garbage).ok());
    QVERIFY(db.open(book.path()).ok());
    QVERIFY(db.isOpen());
    auto root = db.query(u"SELECT Name FROM Vardelin_Type WHERE ID = 1"_s);
    QVERIFY(root.ok());
    QVERIFY(root.value().next());
    QCOMPARE(root.value().value(0).toString(), u"全部分组"_s);
}

void TestDatabaseFile::unusualFolderNamesWork_data()
{
    QTest::addColumn<QString>("folder");

    QTest::newRow("blanks") << u"my  address book"_s;
    QTest::newRow("hash") << u"book#1"_s;
    QTest::newRow("question mark") << u"why?mode=ro"_s;
    QTest::newRow("Chinese") << u"通讯录"_s;
    QTest::newRow("percent") << u"100%20full"_s;
    QTest::newRow("all together") << u"我的 通讯录 #2 ?"_s;
}

void TestDatabaseFile::unusualFolderNamesWork()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(folder));
    const QString path = QDir(dir.filePath(folder)).filePath(u"DB.xml"_s);

    QVERIFY(Database::create(path).ok());
    QVERIFY(QFileInfo(path).isFile());
    Database db;
    const Status opened = db.open(path);
    QVERIFY2(opened.ok(), qPrintable(opened.error().description));
    QVERIFY(db.exec(u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 1, ?)"_s, {folder})
                .ok());
    auto count = db.query(u"SELECT count(*) FROM Vardelin_Type"_s);
    QVERIFY(count.ok() && count.value().next());
    QCOMPARE(count.value().value(0).toInt(), 2);
    // Everything happened in the named folder, nowhere else.
    QCOMPARE(entriesOf(dir.path()), QStringList{folder});
    QCOMPARE(entriesOf(dir.filePath(folder)), QStringList{u"DB.xml"_s});
}

void TestDatabaseFile::lockedFileFailsAsBusyInsteadOfWaiting()
{
    TestDatabase book;
    QVERIFY(book.ok());
    const QString lockerName = u"locker"_s;
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase(u"QSQLITE"_s, lockerName);
        locker.setDatabaseName(book.path());
        QVERIFY(locker.open());
        QSqlQuery lock(locker);
        QVERIFY2(lock.exec(u"BEGIN EXCLUSIVE"_s), qPrintable(lock.lastError().text()));

        Database other;
        const Status opened = other.open(book.path());
        QVERIFY(!opened.ok());
        QCOMPARE(opened.error().number, 5);
        QVERIFY(!opened.error().description.isEmpty());
        // The connection that was already open meets the same lock on a read.
        auto read = book.db().query(u"SELECT count(*) FROM Vardelin_Type"_s);
        QVERIFY(!read.ok());
        QCOMPARE(read.error().number, 5);

        QVERIFY(lock.exec(u"ROLLBACK"_s));
        QVERIFY(other.open(book.path()).ok());
        locker.close();
    }
    QSqlDatabase::removeDatabase(lockerName);
}

void TestDatabaseFile::transactionRollsBackEveryWriteWhenWorkFails_data()
{
    QTest::addColumn<bool>("statementFails");

    QTest::newRow("work reports a failure") << false;
    QTest::newRow("a statement fails") << true;
}

void TestDatabaseFile::transactionRollsBackEveryWriteWhenWorkFails()
{
    QFETCH(bool, statementFails);
    TestDatabase book;
    QVERIFY(book.ok());
    const Database& db = book.db();
    const Status done = db.transaction([&]() -> Status {
        for (const QString& name : {u"朋友"_s, u"同事"_s}) {
            const Status added = db.exec(
                u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 1, ?)"_s, {name});
            if (!added)
                return added;
        }
        if (Status renamed = db.exec(u"UPDATE Vardelin_Type SET Name = '改名' WHERE ID = 1"_s);
            !renamed)
            return renamed;
        if (Status added =
                db.exec(u"INSERT INTO Vardelin_Contact (Name, TID) VALUES ('张三', 1)"_s);
            !added)
            return added;
        if (statementFails)
            return db.exec(u"INSERT INTO Vardelin_NoSuchTable (Name) VALUES ('x')"_s);
        return DbError{1, u"stopped by the test"_s};
    });
    QVERIFY(!done.ok());
    if (!statementFails)
        QCOMPARE(done.error().description, u"stopped by the test"_s);

    QCOMPARE(countRows(book, u"Vardelin_Type"_s), 1);
    QCOMPARE(countRows(book, u"Vardelin_Contact"_s), 0);
    QCOMPARE(book.scalar(u"SELECT Name FROM Vardelin_Type WHERE ID = 1"_s).toString(),
             u"全部分组"_s);

    // The connection is out of the failed transaction: a new one starts and
    // commits, and another connection sees only its write.
    QVERIFY(db.transaction([&] {
                  return db.exec(u"INSERT INTO Vardelin_Contact (Name, TID) VALUES ('李四', 1)"_s);
              }).ok());
    Database other;
    QVERIFY(other.open(book.path()).ok());
    auto names = other.query(u"SELECT group_concat(Name) FROM Vardelin_Contact"_s);
    QVERIFY(names.ok() && names.value().next());
    QCOMPARE(names.value().value(0).toString(), u"李四"_s);
}

void TestDatabaseFile::transactionCommitsWhenWorkSucceeds()
{
    TestDatabase book;
    QVERIFY(book.ok());
    const Database& db = book.db();
    const Status done = db.transaction([&]() -> Status {
        for (int i = 0; i < 3; ++i) {
            const Status added = db.exec(
                u"INSERT INTO Vardelin_Contact (Name, TID) VALUES (?, 1)"_s, {QString::number(i)});
            if (!added)
                return added;
        }
        return db.exec(u"UPDATE Vardelin_Type SET Name = '所有分组' WHERE ID = 1"_s);
    });
    QVERIFY(done.ok());

    Database other;
    QVERIFY(other.open(book.path()).ok());
    auto count = other.query(u"SELECT count(*) FROM Vardelin_Contact"_s);
    QVERIFY(count.ok() && count.value().next());
    QCOMPARE(count.value().value(0).toInt(), 3);
    auto root = other.query(u"SELECT Name FROM Vardelin_Type WHERE ID = 1"_s);
    QVERIFY(root.ok() && root.value().next());
    QCOMPARE(root.value().value(0).toString(), u"所有分组"_s);
}

void TestDatabaseFile::textRoundTripsUnchanged_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("single quote") << u"O'Brien"_s;
    QTest::newRow("two single quotes") << u"''"_s;
    QTest::newRow("backslash") << u"C:\\通讯录\\DB.xml"_s;
    QTest::newRow("percent and underscore") << u"100%_done"_s;
    QTest::newRow("statement text") << u"'); DROP TABLE Vardelin_Contact; --"_s;
    QTest::newRow("control characters") << u"a\tb\nc\rd\x01\x1b\x7f"_s;
    QTest::newRow("U+0000 inside") << QString(u"before"_s + QChar(0) + u"after"_s);
    QTest::newRow("U+0000 at both ends") << QString(QChar(0) + u"x"_s + QChar(0));
    QTest::newRow("only U+0000") << QString(2, QChar(0));
    QTest::newRow("Chinese") << u"张三，北京市海淀区"_s;
    QTest::newRow("outside the BMP") << u"𠀀 😀"_s;
    QTest::newRow("blanks kept") << u"  two  blanks  "_s;
}

void TestDatabaseFile::textRoundTripsUnchanged()
{
    QFETCH(QString, text);
    TestDatabase book;
    QVERIFY(book.ok());
    const qint64 id = book.addContact({{u"Name"_s, text}, {u"Remark"_s, text}});

    auto row = book.db().query(u"SELECT Name, Remark FROM Vardelin_Contact WHERE ID = ?"_s, {id});
    QVERIFY(row.ok() && row.value().next());
    const QString name = row.value().value(0).toString();
    QCOMPARE(name.size(), text.size());
    QCOMPARE(name, text);
    QCOMPARE(row.value().value(1).toString(), text);
    // A bound value also compares equal to what is stored.
    QCOMPARE(book.scalar(u"SELECT ID FROM Vardelin_Contact WHERE Name = ?"_s, {text}).toLongLong(),
             id);
}

void TestDatabaseFile::identifiersAbove32767Work_data()
{
    QTest::addColumn<qint64>("id");

    QTest::newRow("32768") << qint64(32768);
    QTest::newRow("40000") << qint64(40000);
    QTest::newRow("70000") << qint64(70000);
    QTest::newRow("above 32 bits") << qint64(5000000000);
}

void TestDatabaseFile::identifiersAbove32767Work()
{
    QFETCH(qint64, id);
    TestDatabase book;
    QVERIFY(book.ok());
    book.run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (?, 1, 1, '大编号')"_s,
             {id});
    book.run(u"INSERT INTO Vardelin_Contact (ID, UID, TID, Name) VALUES (?, ?, ?, '张三')"_s,
             {id + 1, id, id});

    auto row = book.db().query(
        u"SELECT C.ID, C.UID, C.TID, T.ID FROM Vardelin_Contact C JOIN Vardelin_Type T "
        "ON T.ID = C.TID WHERE C.ID = ? AND C.UID = ?"_s,
        {id + 1, id});
    QVERIFY(row.ok() && row.value().next());
    QCOMPARE(row.value().value(0).toLongLong(), id + 1);
    QCOMPARE(row.value().value(1).toLongLong(), id);
    QCOMPARE(row.value().value(2).toLongLong(), id);
    QCOMPARE(row.value().value(3).toLongLong(), id);

    // The next automatic identifier follows the largest one.
    const qint64 next = book.addGroup(1, 1, u"下一个"_s);
    QCOMPARE(next, id + 1);
}

QTEST_GUILESS_MAIN(TestDatabaseFile)
#include "tst_database.moc"
