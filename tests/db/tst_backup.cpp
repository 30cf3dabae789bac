// SPDX-License-Identifier: GPL-3.0-or-later
// Backups of the address book: taken while the file is in use, rotated, and put back only
// when the chosen file is sound, never leaving the current file half replaced.
#include "TestDatabase.h"

#include "db/Backup.h"
#include "db/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate today(2026, 12, 6);

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList namesIn(const QString& path)
{
    Database copy;
    if (!copy.openReadOnly(path))
        return {u"(cannot open)"_s};
    QStringList names;
    auto rows = copy.query(u"SELECT Name FROM Vardelin_Contact ORDER BY ID"_s);
    while (rows && rows.value().next())
        names << rows.value().value(0).toString();
    return names;
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({u"*.partial"_s, u"*.restoring"_s}, QDir::Files);
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> fixture;

private slots:
    void init()
    {
        QVERIFY(fixture.emplace().ok());
        fixture->addContact({{u"Name"_s, u"张三"_s}});
    }

    void aBackupTakenDuringAnotherTransactionHoldsTheLastCommit()
    {
        TestDatabase& book = *fixture;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            other.setDatabaseName(book.path());
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(u"BEGIN IMMEDIATE"_s));
            QVERIFY(hold.exec(
                u"INSERT INTO Vardelin_Contact (Name, TID, UID) VALUES ('李四', 1, 1)"_s));

            auto made = Backup::daily(book.db(), today);
            QVERIFY2(made.ok(), qPrintable(made.error().description));
            QCOMPARE(made.value(), QDir(book.folder()).filePath(u"备份/DB-2026-12-06.xml"_s));
            QVERIFY(Backup::check(made.value()).ok());
            QCOMPARE(namesIn(made.value()), QStringList{u"张三"_s});

            // The other program's transaction went on undisturbed.
            QVERIFY(hold.exec(u"COMMIT"_s));
        }
        QSqlDatabase::removeDatabase(u"other"_s);
        QCOMPARE(namesIn(book.path()), (QStringList{u"张三"_s, u"李四"_s}));
        QVERIFY(leftovers(Backup::folderOf(book.path())).isEmpty());
    }

    void onlyTheNewestTenDaysAreKeptAndOthersFilesAreLeftAlone()
    {
        TestDatabase& book = *fixture;
        const QString folder = Backup::folderOf(book.path());
        QVERIFY(QDir().mkpath(folder));
        const QStringList notOurs{u"DB-损坏-20261101-080000.xml"_s, u"DB.xml"_s,
                                  u"other-2026-01-01.xml"_s, u"DB-2026-1-1.xml"_s};
        for (const QString& name : notOurs)
            writeFile(QDir(folder).filePath(name), "x");
        for (int day = 0; day < 12; ++day)
            QVERIFY(Backup::daily(book.db(), today.addDays(day - 11)).ok());
        // Once more the same day: replaced, not added.
        book.addContact({{u"Name"_s, u"晚上"_s}});
        QVERIFY(Backup::daily(book.db(), today).ok());

        const QStringList kept = Backup::dailyCopies(book.path());
        QCOMPARE(kept.size(), Backup::keptDays);
        QCOMPARE(QFileInfo(kept.first()).fileName(), u"DB-2026-11-27.xml"_s);
        QCOMPARE(Backup::newest(book.path()).value_or(QString()),
                 QDir(folder).filePath(u"DB-2026-12-06.xml"_s));
        QCOMPARE(namesIn(*Backup::newest(book.path())), (QStringList{u"张三"_s, u"晚上"_s}));
        for (const QString& name : notOurs)
            QVERIFY2(QFile::exists(QDir(folder).filePath(name)), qPrintable(name));
    }

    void aBadFileIsRefusedAndTheCurrentOneUntouched_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"text", "foreign", "newer", "damaged", "itself"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void aBadFileIsRefusedAndTheCurrentOneUntouched()
    {
        QFETCH(QString, kind);
        TestDatabase& book = *fixture;
        QString chosen = QDir(book.folder()).filePath(u"chosen.xml"_s);
        if (kind == u"text"_s) {
            writeFile(chosen, QByteArray("not an address book\n").repeated(300));
        } else if (kind == u"foreign"_s) {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"foreign"_s);
            other.setDatabaseName(chosen);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(u"CREATE TABLE Vardelin_Type (ID INTEGER)"_s));
            other.close();
            other = {};
            QSqlDatabase::removeDatabase(u"foreign"_s);
        } else if (kind == u"newer"_s || kind == u"damaged"_s) {
            for (int i = 0; i < 2000; ++i)
                book.addContact({{u"Name"_s, u"联系人%1."_s.arg(i)}});
            QVERIFY(Backup::copyTo(book.db(), chosen).ok());
            QFile file(chosen);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (kind == u"newer"_s) {
                // user_version lies at byte 60 of the header, big-endian.
                QVERIFY(file.seek(60));
                file.write(QByteArray::fromHex("00000063"));
            } else {
                // A page in the middle of the contacts, past the tables' definitions.
                const qint64 at = file.readAll().indexOf("联系人1500.");
                QVERIFY(at > 4096);
                QVERIFY(file.seek(at - at % 4096));
                file.write(QByteArray(64, '\xff'));
            }
        } else {
            chosen = book.path();
        }
        const QByteArray before = contentsOf(book.path());

        const Status restored = Backup::restore(book.db(), chosen, today);
        QVERIFY(!restored.ok());
        QVERIFY(!restored.error().description.isEmpty());
        QCOMPARE(contentsOf(book.path()), before);
        QVERIFY(!QFileInfo::exists(Backup::folderOf(book.path())));
        QVERIFY(leftovers(book.folder()).isEmpty());
        // Still the open, writable address book.
        book.addContact({{u"Name"_s, u"李四"_s}});
    }

    void aRestorePutsTheBackupInPlaceAfterKeepingTheCurrentFile()
    {
        TestDatabase& book = *fixture;
        const QString chosen = QDir(book.folder()).filePath(u"我的 备份.xml"_s);
        QVERIFY(Backup::copyTo(book.db(), chosen).ok());
        book.addContact({{u"Name"_s, u"李四"_s}});

        const Status restored = Backup::restore(book.db(), chosen, today);
        QVERIFY2(restored.ok(), qPrintable(restored.error().description));
        QVERIFY(book.db().isOpen());
        QCOMPARE(book.scalar(u"SELECT group_concat(Name) FROM Vardelin_Contact"_s).toString(),
                 u"张三"_s);
        QCOMPARE(namesIn(*Backup::newest(book.path())), (QStringList{u"张三"_s, u"李四"_s}));
        QCOMPARE(namesIn(chosen), QStringList{u"张三"_s});
        QVERIFY(leftovers(book.folder()).isEmpty());
        book.addContact({{u"Name"_s, u"王五"_s}});
    }

    void anInterruptedRestoreLeavesTheOldFileOpen()
    {
        TestDatabase& book = *fixture;
        const QString chosen = QDir(book.folder()).filePath(u"chosen.xml"_s);
        QVERIFY(Backup::copyTo(book.db(), chosen).ok());
        book.addContact({{u"Name"_s, u"李四"_s}});
        const QByteArray before = contentsOf(book.path());

        // The rename refused (a full disk, a file system gone read-only).
        const Status refused = Backup::restore(
            book.db(), chosen, today, [](const QString&, const QString&) { return false; });
        QVERIFY(!refused.ok());
        QCOMPARE(contentsOf(book.path()), before);
        QVERIFY(book.db().isOpen());
        QVERIFY(leftovers(book.folder()).isEmpty());

        // No folder for the copy of the current file: nothing is replaced.
        QVERIFY(QDir(Backup::folderOf(book.path())).removeRecursively());
        writeFile(Backup::folderOf(book.path()), "a file where the folder belongs");
        QVERIFY(!Backup::restore(book.db(), chosen, today).ok());
        QCOMPARE(contentsOf(book.path()), before);
        QVERIFY(leftovers(book.folder()).isEmpty());
        book.addContact({{u"Name"_s, u"王五"_s}});
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
