// SPDX-License-Identifier: GPL-3.0-or-later
// Attached files: the size and extension shown, bytes in and out unchanged, and every failure
// leaving the database and the user's files as they were.
#include "TestDatabase.h"
#include "TestFiles.h"

#include "card/FileAttachments.h"
#include "card/StoredPictures.h"
#include "contacts/ContactCommands.h"
#include "db/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Saved = FileAttachments::SaveOutcome;

namespace {

QByteArray randomBytes(qsizetype length, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(length, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

struct LengthLimit {
    sqlite3* handle;
    int old;
    LengthLimit(const Database& db, int length)
        : handle(SqliteStatement::handleOf(db))
        , old(sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, length))
    {
    }
    ~LengthLimit() { sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, old); }
};

// While this lives, a write past the given length fails (EFBIG) as a full disk fails it.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit lowered = old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

} // namespace

class TestFileAttachments : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    QString path(const QString& name) const { return book->folder() + u'/' + name; }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return file.fileName();
    }
    Result<FileAttachments::Added> add(const QString& source, qint64 contact = 1,
                                       const QString& name = u"x"_s, QDate day = {2026, 1, 1},
                                       BlobStream::Progress told = {})
    {
        return FileAttachments::add(book->db(), {contact, name, source, day}, std::move(told));
    }
    qint64 stored(const QByteArray& bytes, qint64 contact = 1, const QString& name = u"in"_s,
                  QDate day = {2026, 1, 1})
    {
        auto added = add(write(u"source.bin"_s, bytes), contact, name, day);
        if (!added || added.value().moved != BlobStream::Moved::All)
            qFatal("cannot add the test file");
        return added.value().id;
    }
    int rows() { return book->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(); }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
    }

    void sizeIsKilobytesRoundedHalfToEven_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1000 bytes") << qint64(1000) << u"C"_s << u"0.98"_s;
        QTest::newRow("German decimal point") << qint64(1000) << u"de_DE"_s << u"0,98"_s;
        QTest::newRow("one and a half") << qint64(1536) << u"C"_s << u"1.5"_s;
        // 128 bytes are 0.125 KB and 384 are 0.375: exact halves go to the even digit.
        QTest::newRow("half down to even") << qint64(128) << u"C"_s << u"0.12"_s;
        QTest::newRow("half up to even") << qint64(384) << u"C"_s << u"0.38"_s;
        QTest::newRow("just above a half") << qint64(6) << u"C"_s << u"0.01"_s;
        QTest::newRow("up into the next whole") << qint64(3071) << u"C"_s << u"3"_s;
        QTest::newRow("largest stored") << qint64(1000000000) << u"C"_s << u"976562.5"_s;
    }
    void sizeIsKilobytesRoundedHalfToEven()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        QCOMPARE(FileAttachments::sizeText(bytes, QLocale(locale)), shown);
    }

    void filesComeBackByteForByte_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<QString>("ext");
        QTest::newRow("empty") << u"empty.bin"_s << qsizetype(0) << u".bin"_s;
        QTest::newRow("hidden, with extension") << u".config.bak"_s << qsizetype(3) << u".bak"_s;
        QTest::newRow("hidden, without") << u".profile"_s << qsizetype(3) << u""_s;
        QTest::newRow("dotted folder, no extension") << u"x.d/README"_s << qsizetype(1024) << u""_s;
        QTest::newRow("several chunks")
            << u"big.iso"_s << qsizetype(BlobStream::chunkBytes * 2 + 7) << u".iso"_s;
        QTest::newRow("server: empty") << u"empty.bin"_s << qsizetype(0) << u".bin"_s;
        QTest::newRow("server: several chunks")
            << u"big.iso"_s << qsizetype(BlobStream::chunkBytes * 2 + 7) << u".iso"_s;
    }
    void filesComeBackByteForByte()
    {
        QFETCH(QString, relative);
        QFETCH(qsizetype, length);
        QFETCH(QString, ext);
        QVERIFY(QDir(book->folder()).mkpath(u"x.d"_s));
        const QByteArray bytes = randomBytes(length, quint32(length));
        auto added = add(write(relative, bytes), 1, u"O'Neil 的文件"_s, {2026, 3, 9});
        QVERIFY2(added.ok(), qPrintable(added.error().description));
        const auto rows = FileAttachments::list(book->db(), 1);
        QCOMPARE(rows.value().size(), std::size_t(1));
        const FileAttachments::Row& row = rows.value().front();
        QCOMPARE(
            u"%1|%2|%3|%4|%5"_s.arg(row.id).arg(row.name, row.upDate).arg(row.size).arg(row.ext),
            u"%1|O'Neil 的文件|2026-03-09|%2|%3"_s.arg(added.value().id).arg(length).arg(ext));
        QCOMPARE(book->scalar(u"SELECT Type || '|' || Ext || '|' || length(Files) "
                              "FROM Vardelin_Files"_s),
                 u"F|%1|%2"_s.arg(ext).arg(length));
        QCOMPARE(book->scalar(u"SELECT Files FROM Vardelin_Files"_s).toByteArray(), bytes);
        QCOMPARE(FileAttachments::saveTo(book->db(), row.id, path(u"back out"_s)).value(),
                 Saved::Saved);
        QCOMPARE(TestFiles::read(path(u"back out"_s)), bytes);
    }

    void progressIsToldAndCanStopAnAddWithNoRowLeft_data() { TestDatabase::addBackendRows(); }
    void progressIsToldAndCanStopAnAddWithNoRowLeft()
    {
        const qint64 length = BlobStream::chunkBytes * 3;
        const QString source = write(u"three.bin"_s, randomBytes(length, 3));
        QList<qint64> told;
        auto stopped =
            add(source, 1, u"x"_s, {2026, 1, 1}, [&told, length](qint64 done, qint64 total) {
                told << done;
                return total == length && told.size() < 2;
            });
        QCOMPARE(stopped.value().moved, BlobStream::Moved::Stopped);
        QCOMPARE(told, QList<qint64>({BlobStream::chunkBytes, BlobStream::chunkBytes * 2}));
        QCOMPARE(rows(), 0);
        // The next add in the same session takes none of the stopped one's chunks.
        const QByteArray after = randomBytes(BlobStream::chunkBytes + 5, 4);
        const qint64 id = stored(after);
        QCOMPARE(
            book->scalar(u"SELECT Files FROM Vardelin_Files WHERE ID = ?"_s, {id}).toByteArray(),
            after);
    }

    // The server's connection cut between two chunks of an add: the add is told as "错误14",
    // nothing of it is left, and the next add connects again and goes through.
    void aConnectionCutMidAddLeavesNothing_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("server") << u"server"_s;
    }
    void aConnectionCutMidAddLeavesNothing()
    {
        const QVariant session = book->scalar(u"SELECT pg_backend_pid()"_s);
        Database colleague;
        QVERIFY(colleague.open(book->path()));
        const QString source = write(u"three.bin"_s, randomBytes(BlobStream::chunkBytes * 3, 5));
        auto cut = add(source, 1, u"x"_s, {2026, 1, 1}, [&](qint64, qint64) {
            // Waits for the session to end, so that the next chunk meets a closed connection.
            return bool(colleague.exec(u"SELECT pg_terminate_backend(CAST(? AS integer), 5000)"_s,
                                       {session}));
        });
        QVERIFY(!cut);
        QCOMPARE(cut.error().number, SqliteCode::CantOpen);
        QCOMPARE(rows(), 0);
        stored(randomBytes(BlobStream::chunkBytes + 5, 6));
        QCOMPARE(rows(), 1);
    }

    void fileTooLargeUnreadableOrVanishedLeavesNoRow()
    {
        {
            const LengthLimit limit(book->db(), 200 * 1024);
            QCOMPARE(BlobStream::largestValue(book->db()).value(), qint64(200 * 1024));
            auto refused = add(write(u"big.bin"_s, QByteArray(300 * 1024, 'x')));
            QCOMPARE(refused.error().number, FileAttachments::tooLargeNumber);
            QVERIFY(refused.error().description.contains(u"big.bin"_s));
            QCOMPARE(rows(), 0);
            stored(QByteArray(100 * 1024, 'y')); // one that fits is still taken
        }
        for (const QString& source : {path(u"gone.txt"_s), book->folder(), u"/dev/zero"_s})
            QCOMPARE(add(source).error().number, BlobStream::fileErrorNumber);
        QCOMPARE(rows(), 1);
    }

    // A file or picture added to a contact that another program deletes, before the add or in a
    // transaction still open: nothing is written for a contact already gone, and one being
    // deleted holds the add until it ends (here the add gives up, told the book is busy), so no
    // row is ever left without its contact.
    void aFileOrPictureIsNeverLeftWithoutItsContact_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("deletionOpen");
        for (const char* backend : {"file", "server"}) {
            for (const bool picture : {false, true}) {
                const char* kind = picture ? "picture" : "file";
                QTest::addRow("%s, %s, contact already deleted", backend, kind) << picture << false;
                QTest::addRow("%s, %s, contact being deleted", backend, kind) << picture << true;
            }
        }
    }
    void aFileOrPictureIsNeverLeftWithoutItsContact()
    {
        QFETCH(bool, picture);
        QFETCH(bool, deletionOpen);
        Database other;
        QVERIFY(other.open(book->path()));
        if (deletionOpen) {
            QVERIFY(TestDatabase::waitBriefly(book->db()));
            QVERIFY(TestDatabase::beginWrite(other));
            QVERIFY(other.exec(u"DELETE FROM Vardelin_Contact WHERE ID = 1"_s));
        } else {
            QVERIFY(ContactCommands::deleteContacts(other, {1}));
        }
        if (picture) {
            auto added = StoredPictures::add(book->db(), 1, u"照片"_s, "picture bytes");
            if (deletionOpen)
                QCOMPARE(added.error().number, SqliteCode::Busy);
            else
                QCOMPARE(added.value(), std::nullopt);
        } else {
            auto added = add(write(u"a.txt"_s, "file bytes"));
            if (deletionOpen)
                QCOMPARE(added.error().number, SqliteCode::Busy);
            else
                QVERIFY(added.value().contactVanished);
        }
        if (deletionOpen)
            QVERIFY(other.exec(u"COMMIT"_s));
        QCOMPARE(rows(), 0);
    }

    void failedOrStoppedSaveKeepsTheFileThatWasThere_data() { TestDatabase::addBackendRows(); }
    void failedOrStoppedSaveKeepsTheFileThatWasThere()
    {
        const qint64 id = stored(randomBytes(BlobStream::chunkBytes + 300 * 1024, 11));
        const QByteArray before("the user's own file, which must survive");
        const QString target = write(u"target.bin"_s, before);
        Result<Saved> saved = Saved::Saved;
        {
            // The first chunk is written, the second one fails part way.
            const FileSizeLimit limit(BlobStream::chunkBytes + 100 * 1024);
            saved = FileAttachments::saveTo(book->db(), id, target);
        }
        QCOMPARE(saved.error().number, BlobStream::fileErrorNumber);
        QVERIFY(saved.error().description.contains(u"target.bin"_s));
        QCOMPARE(TestFiles::read(target), before);
        saved =
            FileAttachments::saveTo(book->db(), id, target, [](qint64, qint64) { return false; });
        QCOMPARE(saved.value(), Saved::Stopped);
        QCOMPARE(TestFiles::read(target), before);
        QCOMPARE(QDir(book->folder()).entryList({u"target*"_s}, QDir::Files | QDir::Hidden),
                 QStringList{u"target.bin"_s});
        auto nowhere = FileAttachments::saveTo(book->db(), id, path(u"no such folder/x.bin"_s));
        QCOMPARE(nowhere.error().number, BlobStream::fileErrorNumber);
        book->run(u"UPDATE Vardelin_Files SET Type = 'P' WHERE ID = ?"_s, {id});
        QCOMPARE(FileAttachments::saveTo(book->db(), id, path(u"out"_s)).value(),
                 Saved::RowVanished);
    }
};

QTEST_GUILESS_MAIN(TestFileAttachments)
#include "tst_fileattachments.moc"
