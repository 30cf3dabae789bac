// SPDX-License-Identifier: GPL-3.0-or-later
// Times opening a card whose contact carries 20 stored pictures of about 2 MB, 20 files and 50
// history records, and adding and saving back one large file against `cp` of the same file,
// with the peak memory each move needs above what the program held before it.
#include "BenchPrompter.h"
#include "BenchSupport.h"

#include "card/FileAttachments.h"
#include "card/PicturesPage.h"
#include "card/StoredPictures.h"
#include "card/frmCard.h"
#include "db/Database.h"
#include "db/Session.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>

#include <sys/resource.h>

namespace {

// A value of /proc/self/status in KiB.
qint64 statusKiB(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        Bench::fail(QStringLiteral("cannot read /proc/self/status"));
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(key + ':')))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    Bench::fail(QStringLiteral("no ") + QString::fromLatin1(key) + QStringLiteral(" in status"));
}

// Sets the peak (VmHWM) back to what is resident now, so the next peak is the next move's.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
        Bench::fail(QStringLiteral("cannot reset the peak through /proc/self/clear_refs"));
}

// Runs work and gives its wall time and the peak it reached above the resident size before.
// The CPU time, user and system, this process (or its finished children) used so far.
double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Measured {
    double ms = 0;
    // Of this process for the program's own moves, of the child for cp: a busy machine
    // stretches wall times, far less the CPU time each side needs.
    double cpuMs = 0;
    double peakAboveMiB = 0;
};
Measured measure(const std::function<void()>& work)
{
    resetPeak();
    const qint64 before = statusKiB("VmRSS");
    const double selfBefore = cpuMs(RUSAGE_SELF);
    const double childrenBefore = cpuMs(RUSAGE_CHILDREN);
    Measured measured;
    measured.ms = Bench::elapsedMs(work);
    measured.cpuMs = cpuMs(RUSAGE_SELF) - selfBefore + (cpuMs(RUSAGE_CHILDREN) - childrenBefore);
    measured.peakAboveMiB = double(statusKiB("VmHWM") - before) / 1024;
    return measured;
}

void writeLargeFile(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Bench::fail(QStringLiteral("cannot write ") + path);
    QRandomGenerator random(42);
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (qint64 done = 0; done < bytes; done += chunk.size()) {
        random.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        file.write(chunk.constData(), qMin<qint64>(chunk.size(), bytes - done));
    }
}

void copyWithCp(const QString& from, const QString& to)
{
    if (QProcess::execute(QStringLiteral("cp"), {from, to}) != 0)
        Bench::fail(QStringLiteral("cp failed"));
}

bool sameBytes(const QString& one, const QString& other)
{
    QFile a(one);
    QFile b(other);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    while (!a.atEnd()) {
        if (a.read(1 << 20) != b.read(1 << 20))
            return false;
    }
    return true;
}

// The least SQLite itself does to store the file: one insert with the whole file bound as the
// value, straight from a memory map of it, on a database opened as the program opens it.
void insertWholeFile(const Database& db, qint64 contact, const QString& source)
{
    QFile file(source);
    uchar* mapped = file.open(QIODevice::ReadOnly) ? file.map(0, file.size()) : nullptr;
    if (!mapped)
        Bench::fail(QStringLiteral("cannot map ") + source);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size());
    if (!db.exec(QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name, Files) "
                                "VALUES (?, 'F', 'floor', ?)"),
                 {contact, bytes}))
        Bench::fail(QStringLiteral("the plain insert failed"));
}

// The least SQLite itself does to give the file back: one select of the value, written out.
void selectWholeFile(const Database& db, const QString& target)
{
    auto found = db.query(QStringLiteral("SELECT Files FROM Vardelin_Files WHERE Name = 'floor'"));
    if (!found || !found.value().next())
        Bench::fail(QStringLiteral("the plain select failed"));
    QFile out(target);
    const QByteArray bytes = found.value().value(0).toByteArray();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        Bench::fail(QStringLiteral("cannot write ") + target);
}

std::unique_ptr<Database> freshDatabase(const QString& path)
{
    QFile::remove(path);
    if (Status made = Database::create(path); !made)
        Bench::fail(QStringLiteral("cannot create: ") + made.error().description);
    auto db = std::make_unique<Database>();
    if (Status opened = db->open(path); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    return db;
}

// Gives the files table the column order of databases made before Files moved to the end.
void useEarlierFilesLayout(const Database& db)
{
    for (const char* statement :
         {"DROP TABLE Vardelin_Files",
          "CREATE TABLE Vardelin_Files (ID INTEGER PRIMARY KEY AUTOINCREMENT, CID INTEGER, "
          "Type TEXT, Name TEXT, Files BLOB, Ext TEXT, \"UpDate\" TEXT, Size INTEGER)",
          "CREATE INDEX Files_CID ON Vardelin_Files (CID)"}) {
        if (!db.exec(QString::fromLatin1(statement)))
            Bench::fail(QStringLiteral("cannot make the earlier layout"));
    }
}

qint64 addContact(const Database& db)
{
    auto added = db.query(QStringLiteral("INSERT INTO Vardelin_Contact (UID, TID, Name) "
                                         "VALUES (1, 1, '张三')"));
    if (!added)
        Bench::fail(QStringLiteral("cannot add the contact"));
    return added.value().lastInsertId().toLongLong();
}

void benchLargeFile(const QString& folder, qint64 megabytes, int runs)
{
    const qint64 bytes = megabytes * 1024 * 1024;
    const QString source = folder + QStringLiteral("/large.bin");
    const QString database = folder + QStringLiteral("/files.db");
    const QString savedBack = folder + QStringLiteral("/saved-back.bin");
    const QString copied = folder + QStringLiteral("/copied.bin");
    writeLargeFile(source, bytes);
    copyWithCp(source, copied); // both sides start from a warm cache
    QFile::remove(copied);

    std::vector<double> addMs, saveMs, cpMs, addCpu, saveCpu, cpCpu, insertMs, selectMs;
    double addPeak = 0, savePeak = 0;
    for (int run = 0; run <= runs; ++run) {
        auto db = freshDatabase(database);
        const qint64 contact = addContact(*db);
        Result<FileAttachments::Added> added = DbError{};
        const Measured adding = measure([&] {
            added = FileAttachments::add(
                *db, {contact, QStringLiteral("large.bin"), source, QDate::currentDate()},
                [](qint64, qint64) { return true; });
        });
        if (!added || added.value().moved != BlobStream::Moved::All)
            Bench::fail(QStringLiteral("the add failed: ") + added.error().description);

        const Measured copying = measure([&] { copyWithCp(source, copied); });
        QFile::remove(copied);

        Result<FileAttachments::SaveOutcome> saved = DbError{};
        const Measured saving = measure([&] {
            saved = FileAttachments::saveTo(*db, added.value().id, savedBack,
                                            [](qint64, qint64) { return true; });
        });
        if (!saved || saved.value() != FileAttachments::SaveOutcome::Saved ||
            !sameBytes(source, savedBack))
            Bench::fail(QStringLiteral("the save did not give the file back"));
        QFile::remove(savedBack);
        db.reset();
        QFile::remove(database);

        db = freshDatabase(database);
        const qint64 floorContact = addContact(*db);
        const double inserting =
            Bench::elapsedMs([&] { insertWholeFile(*db, floorContact, source); });
        const double selecting = Bench::elapsedMs([&] { selectWholeFile(*db, savedBack); });
        QFile::remove(savedBack);
        db.reset();
        QFile::remove(database);
        if (run == 0)
            continue; // the warm-up
        insertMs.push_back(inserting);
        selectMs.push_back(selecting);
        addMs.push_back(adding.ms);
        saveMs.push_back(saving.ms);
        cpMs.push_back(copying.ms);
        addCpu.push_back(adding.cpuMs);
        saveCpu.push_back(saving.cpuMs);
        cpCpu.push_back(copying.cpuMs);
        addPeak = qMax(addPeak, adding.peakAboveMiB);
        savePeak = qMax(savePeak, saving.peakAboveMiB);
    }
    QFile::remove(source);
    const double cp = Bench::median(cpMs);
    Bench::printRow(QStringLiteral("files: add a %1 MB file vs cp (target ratio 2)").arg(megabytes),
                    megabytes, Bench::median(addMs), cp);
    Bench::printRow(
        QStringLiteral("files: save back a %1 MB file vs cp (target ratio 2)").arg(megabytes),
        megabytes, Bench::median(saveMs), cp);
    Bench::printRow(QStringLiteral("files: add a %1 MB file vs SQLite alone (one bound insert "
                                   "of the mapped file)")
                        .arg(megabytes),
                    megabytes, Bench::median(addMs), Bench::median(insertMs));
    Bench::printRow(QStringLiteral("files: save back a %1 MB file vs SQLite alone (one select, "
                                   "one write)")
                        .arg(megabytes),
                    megabytes, Bench::median(saveMs), Bench::median(selectMs));
    Bench::printRow(QStringLiteral("files: SQLite alone, insert vs cp"), megabytes,
                    Bench::median(insertMs), cp);
    const double cpCpuMs = Bench::median(cpCpu);
    Bench::printRow(QStringLiteral("files: add a %1 MB file vs cp, CPU time (ms)").arg(megabytes),
                    megabytes, Bench::median(addCpu), cpCpuMs);
    Bench::printRow(
        QStringLiteral("files: save back a %1 MB file vs cp, CPU time (ms)").arg(megabytes),
        megabytes, Bench::median(saveCpu), cpCpuMs);
    Bench::printRow(QStringLiteral("files: peak MiB above idle while adding a %1 MB file "
                                   "(target under %2)")
                        .arg(megabytes)
                        .arg(megabytes * 1.5),
                    megabytes, addPeak);
    Bench::printRow(QStringLiteral("files: peak MiB above idle while saving a %1 MB file "
                                   "(target under %2)")
                        .arg(megabytes)
                        .arg(megabytes * 1.5),
                    megabytes, savePeak);
}

// A noisy picture, so that it is as large as a photograph and decodes like one.
QByteArray pictureOfAbout(qint64 bytes)
{
    QImage image(1100, 800, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    for (int quality = 100; quality > 10; quality -= 5) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", quality);
        if (jpeg.size() <= bytes)
            return jpeg;
    }
    Bench::fail(QStringLiteral("cannot make the test picture"));
}

void fillContact(const Database& db, qint64 contact, const QString& folder)
{
    const QByteArray picture = pictureOfAbout(2 * 1024 * 1024);
    for (int i = 0; i < 20; ++i) {
        if (!StoredPictures::add(db, contact, QStringLiteral("图片 %1").arg(i + 1), picture))
            Bench::fail(QStringLiteral("cannot add a picture"));
    }
    const QString file = folder + QStringLiteral("/attachment.bin");
    writeLargeFile(file, 2 * 1024 * 1024);
    for (int i = 0; i < 20; ++i) {
        if (!FileAttachments::add(db, {contact, QStringLiteral("文件 %1.bin").arg(i + 1), file,
                                       QDate(2026, 1, 1).addDays(i)}))
            Bench::fail(QStringLiteral("cannot add a file"));
    }
    QFile::remove(file);
    for (int i = 0; i < 50; ++i) {
        const QString day = QDate(2025, 1, 1).addDays(i * 5).toString(QStringLiteral("yyyy-MM-dd"));
        if (!db.exec(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                                    "IsRemind) VALUES (?, ?, ?, ?, ?)"),
                     {contact, day, day,
                      QStringLiteral("第 %1 次联系，谈了合同的细节。").arg(i + 1), i % 2}))
            Bench::fail(QStringLiteral("cannot add a history record"));
    }
    QTextStream(stderr) << "bench_attachments: pictures of " << picture.size() / 1024 << " KiB\n";
}

std::vector<double> timeCardOpens(Database& db, qint64 contact, int runs)
{
    Session session;
    BenchPrompter prompter{true};
    std::vector<double> openMs;
    for (int run = 0; run <= runs; ++run) {
        std::unique_ptr<frmCard> card;
        const double ms = Bench::elapsedMs([&] {
            card = std::make_unique<frmCard>(db, session, prompter,
                                             CardRequest{true, contact, 0, false});
            card->show();
            QCoreApplication::processEvents();
        });
        if (card->loadError() ||
            card->findChild<QListWidget*>(QStringLiteral("ListBox"))->count() != 20)
            Bench::fail(QStringLiteral("the card did not list its pictures"));
        if (run > 0)
            openMs.push_back(ms);
    }
    return openMs;
}

void benchCard(const QString& folder, int runs, bool earlierLayout)
{
    const QString path = folder + QStringLiteral("/card.db");
    auto db = freshDatabase(path);
    if (earlierLayout) {
        useEarlierFilesLayout(*db);
        Bench::printRow(QStringLiteral("card: the same open with Files before Ext, UpDate and Size "
                                       "(a database before its upgrade at open)"),
                        40, [&] {
                            const qint64 contact = addContact(*db);
                            fillContact(*db, contact, folder);
                            return Bench::median(timeCardOpens(*db, contact, runs));
                        }());
        db.reset();
        QFile::remove(path);
        return;
    }
    const qint64 contact = addContact(*db);
    fillContact(*db, contact, folder);

    Bench::printRow(QStringLiteral("card: open with 20 pictures of 2 MB, 20 files of 2 MB, "
                                   "50 records (target 80 ms)"),
                    40, Bench::median(timeCardOpens(*db, contact, runs)));

    Session session;
    BenchPrompter prompter{true};
    frmCard card(*db, session, prompter, CardRequest{true, contact, 0, false});
    card.show();
    auto* list = card.findChild<QListWidget*>(QStringLiteral("ListBox"));
    auto* page = card.findChild<PicturesPage*>(QStringLiteral("PagePictures"));
    std::vector<double> showMs;
    for (int run = 0; run <= runs; ++run) {
        const double ms = Bench::elapsedMs([&] {
            list->setCurrentRow(run % list->count());
            QCoreApplication::processEvents();
        });
        if (page->shownImage().isNull())
            Bench::fail(QStringLiteral("the picture was not shown"));
        if (run > 0)
            showMs.push_back(ms);
    }
    Bench::printRow(QStringLiteral("card: show one stored 2 MB picture (decode and scale)"), 1,
                    Bench::median(showMs));

    db.reset();
    QFile::remove(path);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString folder = QStringLiteral("/tmp/vardelin-bench-attachments");
    int runs = 0;
    qint64 megabytes = 200;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = args[++i].toInt();
        else if (args[i] == QStringLiteral("--megabytes") && i + 1 < args.size())
            megabytes = args[++i].toLongLong();
        else
            folder = args[i];
    }
    if (megabytes <= 0)
        Bench::fail(QStringLiteral("usage: bench_attachments [folder] [--runs n] [--megabytes m]"));
    QDir().mkpath(folder);
    benchLargeFile(folder, megabytes, runs > 0 ? runs : 3);
    benchCard(folder, runs > 0 ? runs : 11, false);
    benchCard(folder, runs > 0 ? runs : 11, true);
    QDir().rmdir(folder); // only when every file made in it is gone
    return 0;
}
