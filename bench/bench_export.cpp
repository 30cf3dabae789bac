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

#include <sys/resource.h>

namespace {

using ContactExport::Format;

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return t.tv_sec * 1e3 + t.tv_usec / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Medians of the wall and the CPU time of an export, which runs on this thread alone; on a
// busy machine the wall time is mostly the wait for a core, the CPU time the work itself.
Bench::Medians exportMs(const Database& db, const QString& path, Format format, int runs)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        const double cpuBefore = cpuMs();
        wall.push_back(Bench::elapsedMs([&] {
            if (!ContactExport::writeFile(db, 1, path, format))
                Bench::fail(QStringLiteral("the export to %1 failed").arg(path));
        }));
        cpu.push_back(cpuMs() - cpuBefore);
    }
    return {Bench::median(wall), Bench::median(cpu)};
}

void printExport(const QString& what, qint64 contacts, const Bench::Medians& times,
                 std::optional<double> targetMs)
{
    Bench::printRow(what + QStringLiteral(", wall"), contacts, times.ours, targetMs);
    Bench::printRow(what + QStringLiteral(", CPU time"), contacts, times.floor, targetMs);
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
    printExport(QStringLiteral("export to .xlsx (target 3 s)"), contacts,
                exportMs(db, xlsx, Format::Xlsx, runs), 3000);
    const QString csv = dir.filePath(QStringLiteral("export.csv"));
    printExport(QStringLiteral("export to CSV (target 1 s)"), contacts,
                exportMs(db, csv, Format::Csv, runs), 1000);
    const QString vcf = dir.filePath(QStringLiteral("export.vcf"));
    printExport(QStringLiteral("export to vCard, photos included"), contacts,
                exportMs(db, vcf, Format::VCard, runs), std::nullopt);

    int moves = 0;
    const double pause = longestPauseMs(args.path, xlsx, Format::Xlsx, moves);
    Bench::printRow(QStringLiteral("longest pause of the window during an .xlsx export "
                                   "(target 100 ms)"),
                    contacts, pause, 100);
    fprintf(stderr, "bench_export: bar moved %d times; files %lld, %lld, %lld bytes\n", moves,
            QFileInfo(xlsx).size(), QFileInfo(csv).size(), QFileInfo(vcf).size());
    return 0;
}
