// SPDX-License-Identifier: GPL-3.0-or-later
// Times keyword searches in the built program on an X server, as a user meets them: the keyword
// typed into the search box and Enter pressed through XTEST, the clock stopped at the first
// change of the list's pixels that the X server reports (DAMAGE).
#include "BenchSupport.h"
#include "XInput.h"
#include "XProgram.h"
#include "XServer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int defaultSeries = 5;
// A search slower than this is taken as lost.
constexpr int repaintTimeoutMs = 10000;

struct Keyword {
    QString text;
    QString kind;
};

// Every kind the search tells apart; the last one matches no contact.
const std::vector<Keyword> keywords{
    {QStringLiteral("王"), QStringLiteral("Chinese")},
    {QStringLiteral("Wang"), QStringLiteral("Latin, literal and pinyin")},
    {QStringLiteral("wang"), QStringLiteral("pinyin")},
    {QStringLiteral("zs"), QStringLiteral("pinyin initials")},
    {QStringLiteral("139-5678"), QStringLiteral("number")},
    {QStringLiteral("王小明"), QStringLiteral("three characters")},
    {QStringLiteral("qqqq"), QStringLiteral("no hit")},
};

// Medians per keyword over series, each series every keyword in turn, after one untimed series
// (which also lets the program read what it keeps for searching).
Bench::SeriesMedians searchMedians(const Bench::Child& child, const Bench::XServer& server,
                                   int series)
{
    QProcess program;
    const Bench::ProgramLayout layout = Bench::startReporting(program, child);

    Bench::XInput input;
    if (!input.open(server.display()))
        Bench::fail(input.failure());
    // The rest of a long list comes after the first frame.
    input.settle(500, 30000);
    input.click(layout.searchBox);

    const Bench::SeriesMedians medians = Bench::seriesMedians(
        keywords.size(), series, input, {program.processId(), server.processId()},
        [&](std::size_t k) {
            input.selectAll();
            input.type(keywords[k].text);
        },
        [&](std::size_t) { return input.enterToRepaint(layout.list, repaintTimeoutMs); },
        [](std::size_t k) { return QStringLiteral("searching ").append(keywords[k].text); });
    Bench::stopProgram(program);
    return medians;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_search_x11"),
        QStringLiteral("Searches in the program on an Xvfb server; skips when none can start. "
                       "--runs sets the number of series."));
    const int series = args.runs > 0 ? args.runs : defaultSeries;
    QTextStream err(stderr);

    Bench::XServer server;
    if (!server.start()) {
        err << "bench_search_x11: skipped, no X server: " << server.failure() << '\n';
        return 0;
    }
    QTemporaryDir folder;
    const auto [copy, n] = Bench::copyOfBook(args.path, folder);
    const Bench::Child program = Bench::reportingProgram(server, folder, copy);
    const double target = n > 100000 ? 60 : 30;
    for (const bool top : {false, true}) {
        Bench::setTopOption(copy, top);
        const Bench::SeriesMedians medians = searchMedians(program, server, series);
        const QString topState = top ? QStringLiteral("on") : QStringLiteral("off");
        for (std::size_t k = 0; k < keywords.size(); ++k) {
            const QString label = QStringLiteral("search \"%1\" (%2), Enter to repaint on X, "
                                                 "Top 500 %3")
                                      .arg(keywords[k].text, keywords[k].kind, topState);
            Bench::printRow(label + QStringLiteral(" (target)"), n, medians.wallMs[k], target);
            Bench::printRow(label + QStringLiteral(", CPU time of program and X server (target)"),
                            n, medians.cpuMs[k], target);
        }
    }
    err << "bench_search_x11: Xvfb " << server.display() << ", medians of " << series
        << " series; target " << target << " ms\n";
    return 0;
}
