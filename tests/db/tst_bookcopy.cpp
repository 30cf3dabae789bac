// SPDX-License-Identifier: GPL-3.0-or-later
// A whole address book copied from a file to a server database and back, compared field by
// field; targets that are not empty, and copies that fail, leave nothing behind.
#include "PgServer.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "db/Backup.h"
#include "db/BookCopy.h"
#include "db/BookIdentity.h"
#include "db/Schema.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Every row of every copied table, each value as text (blobs in hex), in ID order.
QStringList everyRow(const Database& db)
{
    QStringList tables{u"Vardelin_Search"_s, u"Vardelin_Remind"_s, u"Vardelin_LunarBirthday"_s,
                       u"Vardelin_Book"_s, u"Vardelin_Print"_s};
    for (const Schema::Table& table : Schema::tables())
        tables << table.name;
    QStringList rows;
    for (const QString& table : tables) {
        for (const QString& row :
             TestDatabase::rowsOf(db, u"SELECT * FROM %1 ORDER BY 1"_s.arg(table)))
            rows << table + u',' + row;
    }
    return rows;
}

QByteArray bytesOf(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) % 256);
    return bytes;
}

} // namespace

class TestBookCopy : public QObject {
    Q_OBJECT

    std::optional<TestDatabase> book;

private slots:
    void init()
    {
        QVERIFY2(PgServer::instance().ok(), qPrintable(PgServer::instance().error()));
        QVERIFY(book.emplace().ok());
        // Something in every table, pictures and a file among it, and a gap in the IDs.
        const qint64 group = book->addGroup(1, 3, u"客户"_s);
        const qint64 zhang = book->addContact({{u"Name"_s, u"张三"_s},
                                               {u"TID"_s, group},
                                               {u"Tel1"_s, u"138-0013-8000"_s},
                                               {u"Birthday"_s, u"2001-09-10"_s},
                                               {u"Photo"_s, bytesOf(20000, 1)}});
        const qint64 gone = book->addContact({{u"Name"_s, u"已删"_s}});
        book->addContact({{u"Name"_s, u"O'Brien \\ 100%_ \t\r\n"_s}, {u"Photo"_s, QByteArray()}});
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {gone});
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name, Files, Ext, \"UpDate\", Size) "
                  "VALUES (?, 'F', '合同.pdf', ?, '.pdf', '2026-12-07', 3000000), "
                  "(?, 'P', '照片', ?, NULL, NULL, NULL)"_s,
                  {zhang, bytesOf(3000000, 2), zhang, bytesOf(5000, 3)});
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                  "VALUES (?, '2026-12-01', '2026-12-20', '回访', 1)"_s,
                  {zhang});
        book->run(u"INSERT INTO Vardelin_LunarBirthday (CID) VALUES (?)"_s, {zhang});
        book->run(u"INSERT INTO Vardelin_Remind (UID, IsOff, SilencedOn) VALUES (1, 0, "
                  "'2026-12-07')"_s);
        book->run(u"UPDATE Vardelin_Print SET SenderAddress = '北京', OffsetX = 1.25"_s);
        book->run(u"UPDATE Vardelin_Search SET Spelling = 'zhangsan', Initials = 'zs', Digits = "
                  "'13800138000' WHERE ID = ?"_s,
                  {zhang});
    }
    void cleanup() { book.reset(); }

    void aBookGoesToAServerAndBackUnchanged()
    {
        const QStringList rows = everyRow(book->db());
        const QString server = PgServer::instance().createDatabase();
        const QString back = book->folder() + u"/回来.xml"_s;
        QList<qint64> told;
        const auto there = BookCopy::copy(book->path(), server, [&](qint64 done, qint64 total) {
            told = {done, total};
            return true;
        });
        QVERIFY2(there.ok(), qPrintable(there.error().description));
        QCOMPARE(there.value().blobs, 3); // the photo, the file and the picture, each checked
        QCOMPARE(told, QList<qint64>({there.value().rows, there.value().rows}));
        const auto again = BookCopy::copy(server, back);
        QVERIFY2(again.ok(), qPrintable(again.error().description));
        QCOMPARE(again.value().rows, there.value().rows);
        for (const QString& copy : {server, back}) {
            Database copied;
            QVERIFY(copied.open(copy).ok());
            QCOMPARE(everyRow(copied), rows);
            QCOMPARE(BookIdentity::read(copied).value(), BookIdentity::read(book->db()).value());
            // New rows go on after the copied IDs.
            QVERIFY(copied.exec(u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 9, "
                                "'新')"_s));
            auto id = copied.readOne(u"SELECT ID FROM Vardelin_Type WHERE Name = '新'"_s);
            QCOMPARE(id.value()->value(0).toLongLong(), 3);
        }
        PgServer::instance().dropDatabase(server);
    }

    // A target that is not empty is refused and left as it was; a copy that fails midway
    // leaves no file and an empty server database.
    void targetsOnlyEmptyAndFailuresLeaveNothing()
    {
        const QString server = PgServer::instance().createDatabase();
        Database serverBook;
        QVERIFY(serverBook.open(server).ok()); // a book of its own
        const QStringList held = everyRow(serverBook);
        QVERIFY(!Backup::restore(serverBook, book->path(), {2026, 12, 7}).ok()); // no file swap
        const QByteArray file = TestFiles::read(book->path());
        QVERIFY(!BookCopy::copy(server, book->path()).ok());
        QVERIFY(!BookCopy::copy(book->path(), server).ok());
        QCOMPARE(everyRow(serverBook), held);
        QCOMPARE(TestFiles::read(book->path()), file);

        // Text the server cannot hold stops the copy at its last table.
        book->run(u"UPDATE Vardelin_Print SET SenderAddress = ?"_s, {QVariant(u"a"_s + QChar(0))});
        const QString empty = PgServer::instance().createDatabase();
        const auto refused = BookCopy::copy(book->path(), empty);
        QVERIFY2(refused.error().description.contains(u"空字符"_s),
                 qPrintable(refused.error().description));
        Database left;
        QVERIFY(left.openReadOnly(empty).error().description.contains(u"缺少数据表"_s));
        const QString nowhere = book->folder() + u"/坏.xml"_s;
        QVERIFY(!BookCopy::copy(book->path() + u".missing"_s, nowhere).ok());
        QVERIFY(!QFile::exists(nowhere) && !QFile::exists(nowhere + u".partial"_s));
        // Stopped by its progress: told so, and nothing left either.
        const auto stopped =
            BookCopy::copy(server, nowhere, [](qint64 done, qint64) { return done < 5; });
        QVERIFY(stopped.ok() && stopped.value().stopped);
        QVERIFY(!QFile::exists(nowhere) && !QFile::exists(nowhere + u".partial"_s));
        PgServer::instance().dropDatabase(server);
        PgServer::instance().dropDatabase(empty);
    }

    // A backup restored into a server's book replaces every row there, IDs going on after the
    // backup's; one that fails or is stopped leaves the server's book as it was.
    void aServerBookIsReplacedByABackupOrLeftAsItWas()
    {
        const QString server = PgServer::instance().createDatabase();
        Database serverBook;
        QVERIFY(serverBook.open(server).ok());
        QVERIFY(serverBook.exec(u"INSERT INTO Vardelin_Contact (UID, TID, Name) VALUES (1, 1, "
                                "'旧的')"_s));
        const QStringList held = everyRow(serverBook);
        QVERIFY(!Backup::restore(serverBook, book->path(), {2026, 12, 7}).ok()); // no file swap
        const auto stopped = Backup::restoreIntoServer(
            serverBook, book->path(), [](qint64 done, qint64) { return done < 5; });
        QVERIFY(stopped.ok() && stopped.value().stopped);
        QCOMPARE(everyRow(serverBook), held);
        const QStringList rows = everyRow(book->db());
        const auto restored = Backup::restoreIntoServer(serverBook, book->path());
        QVERIFY2(restored.ok(), qPrintable(restored.error().description));
        QCOMPARE(everyRow(serverBook), rows);
        QVERIFY(serverBook.exec(u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (1, 9, "
                                "'新')"_s));
        QCOMPARE(TestDatabase::rowsOf(serverBook, u"SELECT ID FROM Vardelin_Type WHERE Name = "
                                                  "'新'"_s),
                 QStringList{u"3"_s});
        book->run(u"UPDATE Vardelin_Print SET SenderAddress = ?"_s, {QVariant(u"a"_s + QChar(0))});
        const QStringList before = everyRow(serverBook);
        QVERIFY(!Backup::restoreIntoServer(serverBook, book->path()).ok());
        QCOMPARE(everyRow(serverBook), before);
        serverBook.close();
        PgServer::instance().dropDatabase(server);
    }
};

QTEST_GUILESS_MAIN(TestBookCopy)
#include "tst_bookcopy.moc"
