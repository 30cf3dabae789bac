// SPDX-License-Identifier: GPL-3.0-or-later
// Times the day's backup taken at close against copying the file with the system's copy.
#include "BenchSupport.h"

#include "db/Backup.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_backup"),
        QStringLiteral("bench_makedata writes the database; its folder gains 备份/"));
    const int runs = args.runs > 0 ? args.runs : 5;
    Database db;
    Bench::open(db, args.path);
    const qint64 contacts =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    const QString copied = QDir(Backup::folderOf(args.path)).filePath(QStringLiteral("cp.xml"));
    const Bench::Medians medians = Bench::compare(
        runs,
        [&db] {
            if (auto made = Backup::daily(db, QDate(2026, 12, 6)); !made)
                Bench::fail(made.error().description);
        },
        [&args, &copied] {
            std::filesystem::copy_file(QFile::encodeName(args.path).toStdString(),
                                       QFile::encodeName(copied).toStdString(),
                                       std::filesystem::copy_options::overwrite_existing);
        });
    QFile::remove(copied);
    Bench::printRow(QStringLiteral("day's backup at close (%1 MB) vs `cp`")
                        .arg(QFileInfo(args.path).size() / (1024 * 1024)),
                    contacts, medians.ours, medians.floor);
    return 0;
}
