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

using namespace Qt::StringLiterals;

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
    void init();

    void sizeIsKilobytesRoundedHalfToEven_data();
    void sizeIsKilobytesRoundedHalfToEven();
    void sizeUsesTheLocaleDecimalPoint();
    void extensionComesFromTheFileNameOnly_data();
    void extensionComesFromTheFileNameOnly();

    void filesComeBackByteForByte_data();
    void filesComeBackByteForByte();
    void listIsNewestFirstLeavesPicturesOutAndRemovesTheGivenRows();
    void progressIsToldAndCanStopAnAddWithNoRowLeft();
    void fileTooLargeForTheDatabaseLeavesNoRow();
    void unreadableOrVanishedFileLeavesNoRow();
    void failedOrStoppedSaveKeepsTheFileThatWasThere();
    void saveOfADeletedRowSaysSoAndWritesNothing();
    void earlierColumnOrderStillWorks();

private:
    // Adds a file of these bytes to contact 1 (or the given one) and returns its row.
    qint64 add(const QByteArray& bytes, const QString& name = u"in"_s, qint64 contact = 1,
               QDate day = {2026, 1, 1});
    QString path(const QString& name) const { return m_data->folder() + u'/' + name; }
    int rows() { return m_data->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(); }
    QStringList listed(qint64 contact)
    {
        QStringList names;
        const auto rows = FileAttachments::list(m_data->db(), contact);
        for (const auto& row : rows.value())
            names << row.name;
        return names;
    }

    std::unique_ptr<TestDatabase> m_data;
};

void TestFileAttachments::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
}

qint64 TestFileAttachments::add(const QByteArray& bytes, const QString& name, qint64 contact,
                                QDate day)
{
    const QString source = writeFile(path(u"source.bin"_s), bytes);
    auto added = FileAttachments::add(m_data->db(), {contact, name, source, day});
    if (!added || added.value().moved != BlobStream::Moved::All)
        qFatal("cannot add the test file");
    return added.value().id;
}

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
    const auto row = [](const char* name, const QString& path, const QString& ext) {
        QTest::newRow(name) << path << ext << path.mid(path.lastIndexOf(u'/') + 1);
    };
    row("plain", u"/home/u/报告.docx"_s, u".docx"_s);
    row("two dots", u"/tmp/a.tar.gz"_s, u".gz"_s);
    row("none", u"/tmp/Makefile"_s, QString());
    row("dot only in a folder", u"/tmp/x.d/README"_s, QString());
    row("dots in folder and name", u"/tmp/v1.2/notes.txt"_s, u".txt"_s);
    row("hidden file", u"/home/u/.profile"_s, QString());
    row("hidden with extension", u"/home/u/.config.bak"_s, u".bak"_s);
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
    const qint64 contact = m_data->addContact({{u"Name"_s, u"张三"_s}});
    QVERIFY(QDir(m_data->folder()).mkpath(u"x.d"_s));
    const QByteArray bytes = randomBytes(length, quint32(length));
    const QString source = writeFile(path(relative), bytes);
    // Streaming big values changes the connection's cache and map sizes only while it runs.
    const QVariant cache = m_data->scalar(u"PRAGMA cache_size"_s);
    const QVariant map = m_data->scalar(u"PRAGMA mmap_size"_s);

    const QString name = u"O'Neil 的文件"_s;
    auto added = FileAttachments::add(m_data->db(), {contact, name, source, QDate(2026, 3, 9)});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
    QCOMPARE(added.value().moved, BlobStream::Moved::All);
    QCOMPARE(m_data->scalar(u"PRAGMA cache_size"_s), cache);

    auto rows = FileAttachments::list(m_data->db(), contact);
    QVERIFY(rows.ok());
    QCOMPARE(rows.value().size(), std::size_t(1));
    const FileAttachments::Row& row = rows.value().front();
    QCOMPARE(row.id, added.value().id);
    QCOMPARE(row.name, name);
    QCOMPARE(row.upDate, u"2026-03-09"_s);
    QCOMPARE(row.size, qint64(length));
    QCOMPARE(row.ext, ext);
    // The extension is stored, an empty one as empty text; a zero-byte file is an empty value.
    QCOMPARE(m_data
                 ->scalar(u"SELECT Type || '|' || Ext || '|' || (Files IS NULL) "
                          "FROM Vardelin_Files"_s)
                 .toString(),
             u"F|"_s + ext + u"|0"_s);
    QCOMPARE(m_data->scalar(u"SELECT Files FROM Vardelin_Files"_s).toByteArray(), bytes);

    const QString target = path(u"back out"_s);
    auto saved = FileAttachments::saveTo(m_data->db(), row.id, target);
    QVERIFY2(saved.ok(), qPrintable(saved.error().description));
    QCOMPARE(saved.value(), FileAttachments::SaveOutcome::Saved);
    QCOMPARE(fileBytes(target), bytes);
    QCOMPARE(m_data->scalar(u"PRAGMA mmap_size"_s), map);
}

void TestFileAttachments::listIsNewestFirstLeavesPicturesOutAndRemovesTheGivenRows()
{
    const QDate day(2026, 5, 1);
    QList<qint64> ids;
    for (const auto& [name, date] :
         {std::pair{u"old"_s, day}, std::pair{u"newest"_s, day.addDays(30)},
          std::pair{u"middle"_s, day.addDays(2)},
          std::pair{u"middle, added later"_s, day.addDays(2)}})
        ids << add("abc", name, 7, date);
    add("abc", u"other contact"_s, 8, day);
    m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (7, 'P', 'pic')"_s);
    QCOMPARE(listed(7),
             QStringList({u"newest"_s, u"middle, added later"_s, u"middle"_s, u"old"_s}));

    QVERIFY(FileAttachments::remove(m_data->db(), {ids[0], ids[2]}).ok());
    QCOMPARE(listed(7), QStringList({u"newest"_s, u"middle, added later"_s}));
    QCOMPARE(rows(), 4);
}

void TestFileAttachments::progressIsToldAndCanStopAnAddWithNoRowLeft()
{
    const qint64 length = BlobStream::chunkBytes * 3;
    const QString source = writeFile(path(u"three.bin"_s), randomBytes(length, 3));
    QList<qint64> told;
    auto stopAfterTwo = [&told](qint64 done, qint64 total) {
        told << done;
        return total == length && told.size() < 2;
    };
    auto added =
        FileAttachments::add(m_data->db(), {1, u"x"_s, source, QDate(2026, 1, 1)}, stopAfterTwo);
    QVERIFY(added.ok());
    QCOMPARE(added.value().moved, BlobStream::Moved::Stopped);
    QCOMPARE(told, QList<qint64>({BlobStream::chunkBytes, BlobStream::chunkBytes * 2}));
    QCOMPARE(rows(), 0);

    told.clear();
    auto whole = FileAttachments::add(m_data->db(), {1, u"x"_s, source, QDate(2026, 1, 1)},
                                      [&told](qint64 done, qint64) {
                                          told << done;
                                          return true;
                                      });
    QVERIFY(whole.ok());
    QCOMPARE(told.last(), length);
    QCOMPARE(rows(), 1);
}

void TestFileAttachments::fileTooLargeForTheDatabaseLeavesNoRow()
{
    const LengthLimit limit(m_data->db(), 200 * 1024);
    QCOMPARE(BlobStream::largestValue(m_data->db()).value(), qint64(200 * 1024));
    const QString big = writeFile(path(u"big.bin"_s), QByteArray(300 * 1024, 'x'));
    auto refused = FileAttachments::add(m_data->db(), {1, u"big"_s, big, QDate(2026, 1, 1)});
    QVERIFY(!refused.ok());
    QCOMPARE(refused.error().number, FileAttachments::tooLargeNumber);
    QVERIFY2(refused.error().description.contains(u"big.bin"_s),
             qPrintable(refused.error().description));
    QCOMPARE(rows(), 0);
    // One that fits is still taken.
    add(QByteArray(100 * 1024, 'y'));
    QCOMPARE(rows(), 1);
}

void TestFileAttachments::unreadableOrVanishedFileLeavesNoRow()
{
    for (const QString& source : {path(u"gone.txt"_s), m_data->folder(), u"/dev/zero"_s}) {
        auto added = FileAttachments::add(m_data->db(), {1, u"x"_s, source, QDate(2026, 1, 1)});
        QVERIFY2(!added.ok(), qPrintable(source));
        QCOMPARE(added.error().number, BlobStream::fileErrorNumber);
    }
    QCOMPARE(rows(), 0);
}

void TestFileAttachments::failedOrStoppedSaveKeepsTheFileThatWasThere()
{
    const qint64 id = add(randomBytes(BlobStream::chunkBytes + 300 * 1024, 11));
    const QByteArray before("the user's own file, which must survive");
    const QString target = writeFile(path(u"target.bin"_s), before);
    Result<FileAttachments::SaveOutcome> saved = FileAttachments::SaveOutcome::Saved;
    {
        // The first chunk is written, the second one fails part way.
        const FileSizeLimit limit(BlobStream::chunkBytes + 100 * 1024);
        saved = FileAttachments::saveTo(m_data->db(), id, target);
    }
    QVERIFY(!saved.ok());
    QCOMPARE(saved.error().number, BlobStream::fileErrorNumber);
    QVERIFY2(saved.error().description.contains(u"target.bin"_s),
             qPrintable(saved.error().description));
    QCOMPARE(fileBytes(target), before);

    // Stopped part way by the user.
    saved = FileAttachments::saveTo(m_data->db(), id, target, [](qint64, qint64) { return false; });
    QCOMPARE(saved.value(), FileAttachments::SaveOutcome::Stopped);
    QCOMPARE(fileBytes(target), before);
    // No temporary file is left beside it either: only the source and the target.
    QCOMPARE(QDir(m_data->folder()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // A folder the program cannot create files in.
    auto nowhere = FileAttachments::saveTo(m_data->db(), id, path(u"no such folder/x.bin"_s));
    QVERIFY(!nowhere.ok());
    QCOMPARE(nowhere.error().number, BlobStream::fileErrorNumber);
}

void TestFileAttachments::saveOfADeletedRowSaysSoAndWritesNothing()
{
    const qint64 id = add("bytes");
    m_data->run(u"DELETE FROM Vardelin_Files"_s);
    const QString target = path(u"out.bin"_s);
    QCOMPARE(FileAttachments::saveTo(m_data->db(), id, target).value(),
             FileAttachments::SaveOutcome::RowVanished);
    QVERIFY(!QFileInfo::exists(target));
    // A picture row is not a file to save.
    m_data->run(u"INSERT INTO Vardelin_Files (ID, CID, Type, Name, Files) "
                "VALUES (?, 1, 'P', 'pic', x'00')"_s,
                {id});
    QCOMPARE(FileAttachments::saveTo(m_data->db(), id, target).value(),
             FileAttachments::SaveOutcome::RowVanished);
}

void TestFileAttachments::earlierColumnOrderStillWorks()
{
    // Databases made before Files moved behind the other columns.
    m_data->run(u"DROP TABLE Vardelin_Files"_s);
    m_data->run(u"CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                "CID INTEGER, Type TEXT, Name TEXT, Files BLOB, Ext TEXT, "
                "\"UpDate\" TEXT, Size INTEGER)"_s);
    const QByteArray bytes = randomBytes(BlobStream::chunkBytes + 5, 9);
    const QString source = writeFile(path(u"old.pdf"_s), bytes);
    auto added = FileAttachments::add(m_data->db(), {3, u"旧"_s, source, QDate(2026, 4, 1)});
    QVERIFY2(added.ok(), qPrintable(added.error().description));
    auto rows = FileAttachments::list(m_data->db(), 3);
    QCOMPARE(rows.value().size(), std::size_t(1));
    QCOMPARE(rows.value().front().ext, u".pdf"_s);
    QCOMPARE(rows.value().front().size, qint64(bytes.size()));
    const QString target = path(u"back.pdf"_s);
    QCOMPARE(FileAttachments::saveTo(m_data->db(), added.value().id, target).value(),
             FileAttachments::SaveOutcome::Saved);
    QCOMPARE(fileBytes(target), bytes);
}

QTEST_GUILESS_MAIN(TestFileAttachments)
#include "tst_fileattachments.moc"
