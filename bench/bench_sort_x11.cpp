// SPDX-License-Identifier: GPL-3.0-or-later
// Times header clicks in the built program on an X server, as a user meets them: the list's
// header clicked through XTEST, the clock stopped at the first change of the list's pixels that
// the X server reports (DAMAGE). Every shown column, on the whole list (Top 500 off).
#include "BenchSupport.h"
#include "XInput.h"
#include "XProgram.h"
#include "XServer.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int defaultSeries = 5;
// A click slower than this is taken as lost.
constexpr int repaintTimeoutMs = 10000;

struct Figures {
    std::vector<Bench::HeaderSection> columns;
    std::vector<double> wallMs;
    // The program's and the X server's CPU time over the same span.
    std::vector<double> cpuMs;
};

// Medians per column over series, each series every column in turn, after one untimed series.
// One column after another: each click ranks its column anew.
Figures clickMedians(const Bench::Child& child, const Bench::XServer& server, int series)
{
    QProcess program;
    const Bench::ProgramLayout layout = Bench::startReporting(program, child);
    if (layout.columns.size() < 2)
        Bench::fail(QStringLiteral("the program's list shows fewer than two columns"));
    Bench::XInput input;
    if (!input.open(server.display()))
        Bench::fail(input.failure());
    // The rest of a long list comes after the first frame.
    input.settle(500, 30000);

    const Bench::SeriesMedians timed = Bench::seriesMedians(
        layout.columns.size(), series, input, {program.processId(), server.processId()},
        // The hover's repaint comes before the clock starts.
        [&](std::size_t c) { input.moveTo(layout.columns[c].centre); },
        [&](std::size_t c) {
            return input.clickToRepaint(layout.columns[c].centre, layout.list, repaintTimeoutMs);
        },
        [&](std::size_t c) {
            return QStringLiteral("clicking ").append(layout.columns[c].caption);
        });
    Bench::stopProgram(program);
    const Figures medians{layout.columns, timed.wallMs, timed.cpuMs};
    return medians;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_sort_x11"),
        QStringLiteral("Header clicks in the program on an Xvfb server; skips when none can "
                       "start. --runs sets the number of series."));
    const int series = args.runs > 0 ? args.runs : defaultSeries;
    QTextStream err(stderr);

    Bench::XServer server;
    if (!server.start()) {
        err << "bench_sort_x11: skipped, no X server: " << server.failure() << '\n';
        return 0;
    }
    QTemporaryDir folder;
    const auto [copy, n] = Bench::copyOfBook(args.path, folder);
    const Bench::Child program = Bench::reportingProgram(server, folder, copy);
    Bench::setTopOption(copy, false);
    const Figures medians = clickMedians(program, server, series);
    const double target = n > 100000 ? 90 : 30;
    for (std::size_t c = 0; c < medians.columns.size(); ++c) {
        const QString label = QStringLiteral("header click on %1, click to repaint on X, all rows")
                                  .arg(medians.columns[c].caption);
        Bench::printRow(label + QStringLiteral(" (target)"), n, medians.wallMs[c], target);
        Bench::printRow(label + QStringLiteral(", CPU time of program and X server (target)"), n,
                        medians.cpuMs[c], target);
    }
    err << "bench_sort_x11: Xvfb " << server.display() << ", medians of " << series
        << " series; target " << target << " ms\n";
    return 0;
}
