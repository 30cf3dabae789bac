// SPDX-License-Identifier: GPL-3.0-or-later
// Times the export of every contact to .xlsx, CSV and vCard, and how long the window goes
// unpainted while an export runs beside it; prints one Markdown row per measurement.
#include "BenchSupport.h"

#include "admin/ContactExport.h"
#include "admin/ExportRunner.h"
#include "db/Database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

using ContactExport::Format;

double exportMs(const Database& db, const QString& path, Format format, int runs)
{
    std::vector<double> samples;
    for (int r = 0; r < runs; ++r)
        samples.push_back(Bench::elapsedMs([&] {
            if (!ContactExport::writeFile(db, 1, path, format))
                Bench::fail(QStringLiteral("the export to %1 failed").arg(path));
        }));
    return Bench::median(samples);
}

// The longest gap between two turns of the window's event loop during an export on the
// runner, with the bar's value changes counted alongside.
double longestPauseMs(const QString& dbPath, const QString& path, Format format, int& moves)
{
    QProgressBar bar;
    bar.show();
    moves = 0;
    QObject::connect(&bar, &QProgressBar::valueChanged, &bar, [&] { ++moves; });
    QElapsedTimer sinceTurn;
    double longest = 0;
    QTimer turn;
    turn.setInterval(5);
    QObject::connect(&turn, &QTimer::timeout, &bar, [&] {
        longest = std::max(longest, sinceTurn.nsecsElapsed() / 1e6);
        sinceTurn.restart();
    });
    sinceTurn.start();
    turn.start();
    if (!ExportRunner::run(dbPath, 1, path, format, bar))
        Bench::fail(QStringLiteral("the export on the runner failed"));
    return longest;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_export"), QStringLiteral("exports every contact of the database"));
    const int runs = args.runs > 0 ? args.runs : 3;
    Database db;
    Bench::open(db, args.path);
    const qint64 contacts =
        Bench::scalar(db, QStringLiteral("SELECT COUNT(*) FROM Vardelin_Contact")).toLongLong();
    QTemporaryDir dir;

    const QString xlsx = dir.filePath(QStringLiteral("export.xlsx"));
    Bench::printRow(QStringLiteral("export to .xlsx (target 3 s)"), contacts,
                    exportMs(db, xlsx, Format::Xlsx, runs), 3000);
    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    Bench::printRow(QStringLiteral("export to CSV (target 1 s)"), contacts,
                    exportMs(db, csv, Format::Csv, runs), 1000);
    const QString vcf = dir.filePath(QStringLiteral("export.vcf"));
    Bench::printRow(QStringLiteral("export to vCard, photos included"), contacts,
                    exportMs(db, vcf, Format::VCard, runs));

    int moves = 0;
    const double pause = longestPauseMs(args.path, xlsx, Format::Xlsx, moves);
    Bench::printRow(QStringLiteral("longest pause of the window during an .xlsx export "
                                   "(target 100 ms)"),
                    contacts, pause, 100);
    fprintf(stderr, "bench_export: bar moved %d times; files %lld, %lld, %lld bytes\n", moves,
            QFileInfo(xlsx).size(), QFileInfo(csv).size(), QFileInfo(vcf).size());
    return 0;
}
