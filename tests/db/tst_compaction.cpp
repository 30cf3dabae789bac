// SPDX-License-Identifier: GPL-3.0-or-later
// Compacting the address book: a held file left alone at once, else the space given back.
#include "TestDatabase.h"

#include "db/Compaction.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCompaction : public QObject {
    Q_OBJECT

private slots:
    void aHeldFileIsSkippedElseTheSpaceOfDeletedRowsIsGivenBack()
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

        Database other; // another program in the middle of writing the file
        QVERIFY(other.open(book.path()) && other.exec(u"BEGIN IMMEDIATE"_s));
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(Compaction::run(book.db()).value(), Compaction::Outcome::SkippedLocked);
        QVERIFY(waited.elapsed() < Database::busyTimeoutMs);
        QCOMPARE(QFileInfo(book.path()).size(), before);
        QVERIFY(other.exec(u"COMMIT"_s));

        QCOMPARE(Compaction::run(book.db()).value(), Compaction::Outcome::Compacted);
        const qint64 after = QFileInfo(book.path()).size();
        QVERIFY2(after < before / 10, qPrintable(u"%1 -> %2"_s.arg(before).arg(after)));
        QCOMPARE(book.scalar(u"SELECT length(Photo) FROM Vardelin_Contact WHERE ID = ?"_s, {kept})
                     .toInt(),
                 photo.size());
        // The connection waits for locks again.
        QCOMPARE(book.scalar(u"PRAGMA busy_timeout"_s).toInt(), Database::busyTimeoutMs);
    }
};

QTEST_GUILESS_MAIN(TestCompaction)
#include "tst_compaction.moc"
