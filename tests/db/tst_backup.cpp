// SPDX-License-Identifier: GPL-3.0-or-later
// Backups of the address book: taken while the file is in use, rotated, and put back only
// when the chosen file is sound, never leaving the current file half replaced; and compacting it.
#include "TestDatabase.h"
#include "TestFiles.h"

#include "db/Backup.h"
#include "db/Compaction.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBackup : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    static inline const QDate today{2026, 12, 6};


    static QString namesIn(const QString& path)
    {
        Database copy;
        if (!copy.openReadOnly(path))
            return u"(cannot open)"_s;
        return copy.readOne(u"SELECT group_concat(Name) FROM Vardelin_Contact"_s)
            .value()
            ->value(0)
            .toString();
    }
    QString inBook(const QString& name) const { return QDir(book->folder()).filePath(name); }
    // Temporary files of a copy or a restore, beside the book or among the backups.
    bool noLeftovers() const
    {
        const QStringList temporary{u"*.partial"_s, u"*.restoring"_s};
        return (QDir(book->folder()).entryList(temporary, QDir::Files) +
                QDir(Backup::folderOf(book->path())).entryList(temporary, QDir::Files))
            .isEmpty();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}});
    }

    void whileAnotherProgramWritesBackupsHoldTheLastCommitAndCompactingWaitsNot()
    {
        book->run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                  "INSERT INTO Vardelin_Contact (UID, TID, Name, Photo) "
                  "SELECT 1, 1, i, randomblob(65536) FROM n"_s);
        book->run(u"DELETE FROM Vardelin_Contact WHERE Photo IS NOT NULL"_s);
        const qint64 before = QFileInfo(book->path()).size();
        Database other;
        QVERIFY(other.open(book->path()) && other.exec(u"BEGIN IMMEDIATE"_s));
        QVERIFY(
            other.exec(u"INSERT INTO Vardelin_Contact (Name, TID, UID) VALUES ('李四', 1, 1)"_s));
        auto made = Backup::daily(book->db(), today);
        QVERIFY2(made.ok(), qPrintable(made.error().description));
        QCOMPARE(made.value(), inBook(u"备份/DB-2026-12-06.xml"_s));
        QCOMPARE(namesIn(made.value()), u"张三"_s);
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(Compaction::run(book->db()).value(), Compaction::Outcome::SkippedLocked);
        QVERIFY(waited.elapsed() < Database::busyTimeoutMs);
        QCOMPARE(QFileInfo(book->path()).size(), before);
        QVERIFY(other.exec(u"COMMIT"_s)); // the other program went on undisturbed
        QCOMPARE(Compaction::run(book->db()).value(), Compaction::Outcome::Compacted);
        QVERIFY(QFileInfo(book->path()).size() < before / 10);
        QCOMPARE(namesIn(book->path()), u"张三,李四"_s);
        // The connection waits for locks again.
        QCOMPARE(book->scalar(u"PRAGMA busy_timeout"_s).toInt(), Database::busyTimeoutMs);
        QVERIFY(noLeftovers());
    }

    void onlyTheNewestTenDaysAreKeptAndOthersFilesAreLeftAlone()
    {
        const QDir folder(Backup::folderOf(book->path()));
        QVERIFY(folder.mkpath(u"."_s));
        const QStringList notOurs{u"DB-损坏-20261101-080000.xml"_s, u"DB-2026-1-1.xml"_s,
                                  u"other-2026-01-01.xml"_s};
        for (const QString& name : notOurs)
            QVERIFY(QFile(folder.filePath(name)).open(QIODevice::WriteOnly));
        for (int day = 0; day < 12; ++day)
            QVERIFY(Backup::daily(book->db(), today.addDays(day - 11)).ok());
        // Once more the same day: replaced, not added.
        book->addContact({{u"Name"_s, u"晚上"_s}});
        QVERIFY(Backup::daily(book->db(), today).ok());
        const QStringList kept = Backup::dailyCopies(book->path());
        QCOMPARE(kept.size(), Backup::keptDays);
        QCOMPARE(QFileInfo(kept.first()).fileName(), u"DB-2026-11-27.xml"_s);
        QCOMPARE(Backup::newest(book->path()).value_or(QString()),
                 folder.filePath(u"DB-2026-12-06.xml"_s));
        QCOMPARE(namesIn(*Backup::newest(book->path())), u"张三,晚上"_s);
        for (const QString& name : notOurs)
            QVERIFY2(folder.exists(name), qPrintable(name));
    }

    // A newer file stands for those tst_database refuses; a damaged one needs a page check.
    void aBadFileIsRefusedAndTheCurrentOneUntouched()
    {
        book->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
            "INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, 1, '联系人' || i || '.' FROM n"_s);
        const QString newer = inBook(u"newer.xml"_s), damaged = inBook(u"damaged.xml"_s);
        QVERIFY(Backup::copyTo(book->db(), newer).ok() && Backup::copyTo(book->db(), damaged).ok());
        book->run(u"ATTACH ? AS c"_s, {newer});
        book->run(u"PRAGMA c.user_version = 99"_s);
        book->run(u"DETACH c"_s);
        QFile file(damaged); // a page in the middle of the contacts, past the tables' definitions
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 at = file.readAll().indexOf("联系人1500.");
        QVERIFY(at > 4096 && file.seek(at - at % 4096) && file.write(QByteArray(64, '\xff')));
        file.close();
        const QByteArray before = TestFiles::read(book->path());
        for (const QString& chosen : {newer, damaged, book->path()}) {
            const Status restored = Backup::restore(book->db(), chosen, today);
            QVERIFY(!restored.ok() && !restored.error().description.isEmpty());
            QCOMPARE(TestFiles::read(book->path()), before);
            QVERIFY(!QFileInfo::exists(Backup::folderOf(book->path())) && noLeftovers());
        }
        book->addContact({{u"Name"_s, u"李四"_s}}); // still the open, writable address book
    }

    void aRestoreReplacesTheFileOnlyAfterKeepingTheCurrentOne()
    {
        const QString chosen = inBook(u"我的 备份.xml"_s);
        QVERIFY(Backup::copyTo(book->db(), chosen).ok());
        book->addContact({{u"Name"_s, u"李四"_s}});
        const QByteArray before = TestFiles::read(book->path());
        // The rename refused (a full disk, a file system gone read-only).
        const auto refuse = [](const QString&, const QString&) {
            return false;
        };
        QVERIFY(!Backup::restore(book->db(), chosen, today, refuse).ok());
        QCOMPARE(TestFiles::read(book->path()), before);
        QVERIFY(book->db().isOpen() && noLeftovers());
        // No folder for the copy of the current file: nothing is replaced.
        QVERIFY(QDir(Backup::folderOf(book->path())).removeRecursively());
        QVERIFY(QFile(Backup::folderOf(book->path())).open(QIODevice::WriteOnly));
        QVERIFY(!Backup::restore(book->db(), chosen, today).ok());
        QCOMPARE(TestFiles::read(book->path()), before);
        QVERIFY(noLeftovers() && QFile::remove(Backup::folderOf(book->path())));

        const Status restored = Backup::restore(book->db(), chosen, today);
        QVERIFY2(restored.ok(), qPrintable(restored.error().description));
        QCOMPARE(namesIn(book->path()), u"张三"_s);
        QCOMPARE(namesIn(*Backup::newest(book->path())), u"张三,李四"_s);
        QCOMPARE(namesIn(chosen), u"张三"_s);
        QVERIFY(noLeftovers());
        book->addContact({{u"Name"_s, u"王五"_s}});
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
