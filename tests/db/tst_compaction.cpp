// SPDX-License-Identifier: GPL-3.0-or-later
// Compacting the address book: space given back, and a held file left alone.
#include "TestDatabase.h"

#include "db/Compaction.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCompaction : public QObject {
    Q_OBJECT

private slots:
    void compactingGivesBackTheSpaceOfDeletedRows()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        const QByteArray photo(64 * 1024, 'x');
        QVERIFY(book.db().transaction([&]() -> Status {
            for (int i = 0; i < 100; ++i)
                book.addContact({{u"Name"_s, u"联系人%1"_s.arg(i)}, {u"Photo"_s, photo}});
            return {};
        }));
        const qint64 kept = book.addContact({{u"Name"_s, u"留下"_s}, {u"Photo"_s, photo}});
        book.run(u"DELETE FROM Vardelin_Contact WHERE ID <> ?"_s, {kept});
        const qint64 before = QFileInfo(book.path()).size();
        QVERIFY(before > 6 * 1024 * 1024);

        auto compacted = Compaction::run(book.db());
        QVERIFY(compacted.ok());
        QCOMPARE(compacted.value(), Compaction::Outcome::Compacted);
        const qint64 after = QFileInfo(book.path()).size();
        QVERIFY2(after < before / 10, qPrintable(u"%1 -> %2"_s.arg(before).arg(after)));
        QCOMPARE(book.scalar(u"SELECT length(Photo) FROM Vardelin_Contact WHERE ID = ?"_s, {kept})
                     .toInt(),
                 photo.size());
        // The connection goes on as before, waiting for locks again.
        book.run(u"UPDATE Vardelin_Contact SET Name = '改名' WHERE ID = ?"_s, {kept});
    }

    void aHeldFileIsSkippedAtOnceAndLosesNothing()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        for (int i = 0; i < 10; ++i)
            book.addContact({{u"Name"_s, u"张三"_s}, {u"Photo"_s, QByteArray(32 * 1024, 'x')}});
        book.run(u"DELETE FROM Vardelin_Contact"_s);
        const qint64 before = QFileInfo(book.path()).size();
        {
            // Another program in the middle of writing the file.
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            other.setDatabaseName(book.path());
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(u"BEGIN IMMEDIATE"_s));
            QVERIFY(hold.exec(
                u"INSERT INTO Vardelin_Contact (Name, TID, UID) VALUES ('李四', 1, 1)"_s));

            QElapsedTimer waited;
            waited.start();
            auto compacted = Compaction::run(book.db());
            QVERIFY(compacted.ok());
            QCOMPARE(compacted.value(), Compaction::Outcome::SkippedLocked);
            QVERIFY(waited.elapsed() < Database::busyTimeoutMs);

            QVERIFY(hold.exec(u"COMMIT"_s));
        }
        QSqlDatabase::removeDatabase(u"other"_s);
        QCOMPARE(QFileInfo(book.path()).size(), before);
        QCOMPARE(book.scalar(u"SELECT Name FROM Vardelin_Contact"_s).toString(), u"李四"_s);
        QCOMPARE(Compaction::run(book.db()).value(), Compaction::Outcome::Compacted);
    }
};

QTEST_GUILESS_MAIN(TestCompaction)
#include "tst_compaction.moc"
