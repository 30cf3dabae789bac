// SPDX-License-Identifier: GPL-3.0-or-later
// Attached files: the size and extension shown, bytes in and out unchanged, and every failure
// leaving the database and the user's files as they were.
#include "TestDatabase.h"

#include "card/FileAttachments.h"
#include "db/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

// The texts a test expects, in order.
QStringList texts(std::initializer_list<QStringView> items)
{
    QStringList out;
    for (const QStringView item : items)
        out << item.toString();
    return out;
}

QByteArray randomBytes(qsizetype length, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(length, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Lowers the longest value the connection takes, and puts it back.
class LengthLimit {
public:
    LengthLimit(const Database& db, int length)
        : m_handle(SqliteStatement::handleOf(db))
        , m_old(sqlite3_limit(m_handle, SQLITE_LIMIT_LENGTH, length))
    {
    }
    ~LengthLimit() { sqlite3_limit(m_handle, SQLITE_LIMIT_LENGTH, m_old); }

private:
    sqlite3* m_handle;
    int m_old;
};

// Files this process writes cannot grow beyond the given length while this lives: a write past
// it fails (EFBIG) the way a full disk fails it, without filling a disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TestFileAttachments : public QObject {
    Q_OBJECT

private slots:
    void sizeIsKilobytesRoundedHalfToEven_data();
    void sizeIsKilobytesRoundedHalfToEven();
    void sizeUsesTheLocaleDecimalPoint();
    void extensionComesFromTheFileNameOnly_data();
    void extensionComesFromTheFileNameOnly();

    void filesComeBackByteForByte_data();
    void filesComeBackByteForByte();
    void listIsNewestFirstAndLeavesPicturesOut();
    void progressIsToldAndCanStopAnAddWithNoRowLeft();
    void fileTooLargeForTheDatabaseLeavesNoRow();
    void unreadableOrVanishedFileLeavesNoRow();
    void failedSaveKeepsTheFileThatWasThere();
    void stoppedSaveKeepsTheFileThatWasThere();
    void saveOfADeletedRowSaysSoAndWritesNothing();
    void removeDeletesTheGivenRowsOnly();
    void earlierColumnOrderStillWorks();
    void connectionSettingsArePutBack();
};

void TestFileAttachments::sizeIsKilobytesRoundedHalfToEven_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << qint64(0) << QStringLiteral("0");
    QTest::newRow("1000 bytes") << qint64(1000) << QStringLiteral("0.98");
    QTest::newRow("one kilobyte") << qint64(1024) << QStringLiteral("1");
    QTest::newRow("one and a half") << qint64(1536) << QStringLiteral("1.5");
    // 128 bytes are 0.125 KB and 384 are 0.375: exact halves go to the even digit.
    QTest::newRow("half down to even") << qint64(128) << QStringLiteral("0.12");
    QTest::newRow("half up to even") << qint64(384) << QStringLiteral("0.38");
    QTest::newRow("just below a half") << qint64(5) << QStringLiteral("0");
    QTest::newRow("just above a half") << qint64(6) << QStringLiteral("0.01");
    QTest::newRow("rounds up into the next whole") << qint64(1024 * 3 - 1) << QStringLiteral("3");
    QTest::newRow("no grouping") << qint64(200) * 1024 * 1024 << QStringLiteral("204800");
    QTest::newRow("largest stored") << qint64(1000000000) << QStringLiteral("976562.5");
}

void TestFileAttachments::sizeIsKilobytesRoundedHalfToEven()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, shown);
    QCOMPARE(FileAttachments::sizeText(bytes, QLocale::c()), shown);
}

void TestFileAttachments::sizeUsesTheLocaleDecimalPoint()
{
    QCOMPARE(FileAttachments::sizeText(1000, QLocale(QLocale::German)), QStringLiteral("0,98"));
    QCOMPARE(FileAttachments::sizeText(1000, QLocale(QLocale::Chinese, QLocale::China)),
             QStringLiteral("0.98"));
}

void TestFileAttachments::extensionComesFromTheFileNameOnly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("plain") << "/home/u/报告.docx"
                           << ".docx"
                           << "报告.docx";
    QTest::newRow("two dots") << "/tmp/a.tar.gz"
                              << ".gz"
                              << "a.tar.gz";
    QTest::newRow("none") << "/tmp/Makefile"
                          << ""
                          << "Makefile";
    QTest::newRow("dot only in a folder") << "/tmp/x.d/README"
                                          << ""
                                          << "README";
    QTest::newRow("dots in folder and name") << "/tmp/v1.2/notes.txt"
                                             << ".txt"
                                             << "notes.txt";
    QTest::newRow("hidden file") << "/home/u/.profile"
                                 << ""
                                 << ".profile";
    QTest::newRow("hidden with extension") << "/home/u/.config.bak"
                                           << ".bak"
                                           << ".config.bak";
}

void TestFileAttachments::extensionComesFromTheFileNameOnly()
{
    QFETCH(QString, path);
    QFETCH(QString, ext);
    QFETCH(QString, proposed);
    QCOMPARE(FileAttachments::extensionOf(path), ext);
    QCOMPARE(FileAttachments::proposedName(path), proposed);
}

void TestFileAttachments::filesComeBackByteForByte_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("ext");
    QTest::newRow("empty") << "empty.bin" << qsizetype(0) << ".bin";
    QTest::newRow("1000 bytes") << "k.dat" << qsizetype(1000) << ".dat";
    QTest::newRow("1024 bytes, no extension") << "KB" << qsizetype(1024) << "";
    QTest::newRow("dotted folder") << "x.d/README" << qsizetype(1024) << "";
    // More than one chunk, ending inside the third.
    QTest::newRow("several chunks")
        << "big.iso" << qsizetype(BlobStream::chunkBytes * 2 + 7) << ".iso";
}

void TestFileAttachments::filesComeBackByteForByte()
{
    QFETCH(QString, relative);
    QFETCH(qsizetype, length);
    QFETCH(QString, ext);
    TestDatabase data;
    QVERIFY(data.ok());
    const qint64 contact = data.addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
    QVERIFY(QDir(data.folder()).mkpath(QStringLiteral("x.d")));
    const QByteArray bytes = randomBytes(length, quint32(length));
    const QString source = writeFile(data.folder() + u'/' + relative, bytes);

    const QString name = QStringLiteral("O'Neil 的文件");
    auto added = FileAttachments::add(data.db(), {contact, name, source, QDate(2026, 3, 9)});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
    QCOMPARE(added.value().moved, BlobStream::Moved::All);

    auto rows = FileAttachments::list(data.db(), contact);
    QVERIFY(rows.ok());
    QCOMPARE(rows.value().size(), std::size_t(1));
    const FileAttachments::Row& row = rows.value().front();
    QCOMPARE(row.id, added.value().id);
    QCOMPARE(row.name, name);
    QCOMPARE(row.upDate, QStringLiteral("2026-03-09"));
    QCOMPARE(row.size, qint64(length));
    QCOMPARE(row.ext, ext);
    QCOMPARE(data.scalar(QStringLiteral("SELECT Type FROM Vardelin_Files")).toString(),
             QStringLiteral("F"));
    QCOMPARE(data.scalar(QStringLiteral("SELECT Files FROM Vardelin_Files")).toByteArray(), bytes);
    // A zero-byte file is an empty value, not a missing one.
    QVERIFY(!data.scalar(QStringLiteral("SELECT Files IS NULL FROM Vardelin_Files")).toBool());

    const QString target = data.folder() + QStringLiteral("/back out");
    auto saved = FileAttachments::saveTo(data.db(), row.id, target);
    QVERIFY2(saved.ok(), qPrintable(saved.error().description));
    QCOMPARE(saved.value(), FileAttachments::SaveOutcome::Saved);
    QCOMPARE(fileBytes(target), bytes);
    QCOMPARE(QFileInfo(target).size(), qint64(length));
}

void TestFileAttachments::listIsNewestFirstAndLeavesPicturesOut()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QString source = writeFile(data.folder() + QStringLiteral("/a.txt"), "abc");
    const QDate day(2026, 5, 1);
    for (const auto& [name, date] :
         {std::pair{"old", day}, std::pair{"newest", day.addDays(30)},
          std::pair{"middle", day.addDays(2)}, std::pair{"middle, added later", day.addDays(2)}}) {
        QVERIFY(FileAttachments::add(data.db(), {7, QString::fromUtf8(name), source, date}).ok());
    }
    QVERIFY(
        FileAttachments::add(data.db(), {8, QStringLiteral("other contact"), source, day}).ok());
    data.run(QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (7, 'P', 'pic')"));

    auto rows = FileAttachments::list(data.db(), 7);
    QVERIFY(rows.ok());
    QStringList names;
    for (const auto& row : rows.value())
        names << row.name;
    QCOMPARE(names, texts({u"newest", u"middle, added later", u"middle", u"old"}));
}

void TestFileAttachments::progressIsToldAndCanStopAnAddWithNoRowLeft()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const qint64 length = BlobStream::chunkBytes * 3;
    const QString source =
        writeFile(data.folder() + QStringLiteral("/three.bin"), randomBytes(length, 3));
    QList<qint64> told;
    auto stopAfterTwo = [&told](qint64 done, qint64 total) {
        told << done;
        return total == length && told.size() < 2;
    };
    auto added = FileAttachments::add(
        data.db(), {1, QStringLiteral("x"), source, QDate(2026, 1, 1)}, stopAfterTwo);
    QVERIFY(added.ok());
    QCOMPARE(added.value().moved, BlobStream::Moved::Stopped);
    QCOMPARE(told, QList<qint64>({BlobStream::chunkBytes, BlobStream::chunkBytes * 2}));
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);

    told.clear();
    auto whole =
        FileAttachments::add(data.db(), {1, QStringLiteral("x"), source, QDate(2026, 1, 1)},
                             [&told](qint64 done, qint64) {
                                 told << done;
                                 return true;
                             });
    QVERIFY(whole.ok());
    QCOMPARE(told.last(), length);
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 1);
}

void TestFileAttachments::fileTooLargeForTheDatabaseLeavesNoRow()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const LengthLimit limit(data.db(), 200 * 1024);
    auto largest = BlobStream::largestValue(data.db());
    QVERIFY(largest.ok());
    QCOMPARE(largest.value(), qint64(200 * 1024));

    const QString big =
        writeFile(data.folder() + QStringLiteral("/big.bin"), QByteArray(300 * 1024, 'x'));
    auto refused =
        FileAttachments::add(data.db(), {1, QStringLiteral("big"), big, QDate(2026, 1, 1)});
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().number, FileAttachments::tooLargeNumber);
    QVERIFY2(refused.error().description.contains(QStringLiteral("big.bin")),
             qPrintable(refused.error().description));
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);

    // One that fits is still taken.
    const QString small =
        writeFile(data.folder() + QStringLiteral("/small.bin"), QByteArray(100 * 1024, 'y'));
    QVERIFY(FileAttachments::add(data.db(), {1, QStringLiteral("small"), small, QDate(2026, 1, 1)})
                .ok());
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 1);
}

void TestFileAttachments::unreadableOrVanishedFileLeavesNoRow()
{
    TestDatabase data;
    QVERIFY(data.ok());
    for (const QString& path : QStringList{data.folder() + QStringLiteral("/gone.txt"),
                                           data.folder(), QStringLiteral("/dev/zero")}) {
        auto added =
            FileAttachments::add(data.db(), {1, QStringLiteral("x"), path, QDate(2026, 1, 1)});
        QVERIFY2(!added.ok(), qPrintable(path));
        QCOMPARE(added.error().number, BlobStream::fileErrorNumber);
    }
    QCOMPARE(data.scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
}

void TestFileAttachments::failedSaveKeepsTheFileThatWasThere()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QByteArray bytes = randomBytes(BlobStream::chunkBytes + 300 * 1024, 11);
    const QString source = writeFile(data.folder() + QStringLiteral("/in.bin"), bytes);
    auto added =
        FileAttachments::add(data.db(), {1, QStringLiteral("in.bin"), source, QDate(2026, 1, 1)});
    QVERIFY(added.ok());
    const QByteArray before("the user's own file, which must survive");
    const QString target = writeFile(data.folder() + QStringLiteral("/target.bin"), before);

    Result<FileAttachments::SaveOutcome> saved = FileAttachments::SaveOutcome::Saved;
    {
        // The first chunk is written, the second one fails part way.
        const FileSizeLimit limit(BlobStream::chunkBytes + 100 * 1024);
        saved = FileAttachments::saveTo(data.db(), added.value().id, target);
    }
    QVERIFY(!saved.ok());
    QCOMPARE(saved.error().number, BlobStream::fileErrorNumber);
    QVERIFY2(saved.error().description.contains(QStringLiteral("target.bin")),
             qPrintable(saved.error().description));
    QCOMPARE(fileBytes(target), before);
    // No temporary file is left beside it either.
    QCOMPARE(QDir(data.folder()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // A folder the program cannot create files in.
    auto nowhere = FileAttachments::saveTo(data.db(), added.value().id,
                                           data.folder() + QStringLiteral("/no such folder/x.bin"));
    QVERIFY(!nowhere.ok());
    QCOMPARE(nowhere.error().number, BlobStream::fileErrorNumber);
}

void TestFileAttachments::stoppedSaveKeepsTheFileThatWasThere()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QString source = writeFile(data.folder() + QStringLiteral("/in.bin"),
                                     randomBytes(BlobStream::chunkBytes * 2, 5));
    auto added =
        FileAttachments::add(data.db(), {1, QStringLiteral("in.bin"), source, QDate(2026, 1, 1)});
    QVERIFY(added.ok());
    const QString target = writeFile(data.folder() + QStringLiteral("/target.bin"), "old");
    auto saved = FileAttachments::saveTo(data.db(), added.value().id, target,
                                         [](qint64, qint64) { return false; });
    QVERIFY(saved.ok());
    QCOMPARE(saved.value(), FileAttachments::SaveOutcome::Stopped);
    QCOMPARE(fileBytes(target), QByteArray("old"));
    QCOMPARE(QDir(data.folder()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void TestFileAttachments::saveOfADeletedRowSaysSoAndWritesNothing()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QString source = writeFile(data.folder() + QStringLiteral("/in.bin"), "bytes");
    auto added =
        FileAttachments::add(data.db(), {1, QStringLiteral("in"), source, QDate(2026, 1, 1)});
    QVERIFY(added.ok());
    data.run(QStringLiteral("DELETE FROM Vardelin_Files"));
    const QString target = data.folder() + QStringLiteral("/out.bin");
    auto saved = FileAttachments::saveTo(data.db(), added.value().id, target);
    QVERIFY(saved.ok());
    QCOMPARE(saved.value(), FileAttachments::SaveOutcome::RowVanished);
    QVERIFY(!QFileInfo::exists(target));
    // A picture row is not a file to save.
    data.run(QStringLiteral("INSERT INTO Vardelin_Files (ID, CID, Type, Name, Files) "
                            "VALUES (?, 1, 'P', 'pic', x'00')"),
             {added.value().id});
    QCOMPARE(FileAttachments::saveTo(data.db(), added.value().id, target).value(),
             FileAttachments::SaveOutcome::RowVanished);
}

void TestFileAttachments::removeDeletesTheGivenRowsOnly()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QString source = writeFile(data.folder() + QStringLiteral("/in.bin"), "bytes");
    QList<qint64> ids;
    for (int i = 0; i < 4; ++i) {
        auto added =
            FileAttachments::add(data.db(), {1, QString::number(i), source, QDate(2026, 1, 1)});
        QVERIFY(added.ok());
        ids << added.value().id;
    }
    QVERIFY(FileAttachments::remove(data.db(), {ids[0], ids[2]}).ok());
    auto rows = FileAttachments::list(data.db(), 1);
    QVERIFY(rows.ok());
    QStringList names;
    for (const auto& row : rows.value())
        names << row.name;
    QCOMPARE(names, texts({u"3", u"1"}));
}

void TestFileAttachments::earlierColumnOrderStillWorks()
{
    TestDatabase data;
    QVERIFY(data.ok());
    // Databases made before Files moved behind the other columns.
    data.run(QStringLiteral("DROP TABLE Vardelin_Files"));
    data.run(QStringLiteral("CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                            "CID INTEGER, Type TEXT, Name TEXT, Files BLOB, Ext TEXT, "
                            "\"UpDate\" TEXT, Size INTEGER)"));
    const QByteArray bytes = randomBytes(BlobStream::chunkBytes + 5, 9);
    const QString source = writeFile(data.folder() + QStringLiteral("/old.pdf"), bytes);
    auto added =
        FileAttachments::add(data.db(), {3, QStringLiteral("旧"), source, QDate(2026, 4, 1)});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
    auto rows = FileAttachments::list(data.db(), 3);
    QVERIFY(rows.ok());
    QCOMPARE(rows.value().size(), std::size_t(1));
    QCOMPARE(rows.value().front().ext, QStringLiteral(".pdf"));
    QCOMPARE(rows.value().front().size, qint64(bytes.size()));
    const QString target = data.folder() + QStringLiteral("/back.pdf");
    QCOMPARE(FileAttachments::saveTo(data.db(), added.value().id, target).value(),
             FileAttachments::SaveOutcome::Saved);
    QCOMPARE(fileBytes(target), bytes);
}

void TestFileAttachments::connectionSettingsArePutBack()
{
    TestDatabase data;
    QVERIFY(data.ok());
    const QVariant cache = data.scalar(QStringLiteral("PRAGMA cache_size"));
    const QVariant map = data.scalar(QStringLiteral("PRAGMA mmap_size"));
    const QString source =
        writeFile(data.folder() + QStringLiteral("/in.bin"), randomBytes(300 * 1024, 2));
    auto added =
        FileAttachments::add(data.db(), {1, QStringLiteral("in"), source, QDate(2026, 1, 1)});
    QVERIFY(added.ok());
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA cache_size")), cache);
    QVERIFY(FileAttachments::saveTo(data.db(), added.value().id,
                                    data.folder() + QStringLiteral("/out.bin"))
                .ok());
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA mmap_size")), map);
}

QTEST_GUILESS_MAIN(TestFileAttachments)
#include "tst_fileattachments.moc"
