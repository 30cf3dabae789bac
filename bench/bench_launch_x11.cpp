// SPDX-License-Identifier: GPL-3.0-or-later
// Times starts of the built program on an X server, as a user meets them: to the first frame the
// X server shows (DAMAGE), with rows in it, beside a bare Qt window and the same first screen in
// plain Qt started the same way.
#include "BenchSupport.h"
#include "XInput.h"
#include "XServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int defaultRuns = 11;
constexpr int childTimeoutMs = 60000;

using Bench::Child;

// Milliseconds from the start of the child's process to the first frame the X server shows of
// it: its first DAMAGE rectangle. The child must also say that it painted its first frame (with
// rows, for the program), so that an early frame of something else is not taken for it.
double launchOnce(const Child& child, Bench::XInput& screen)
{
    // The last child's window has gone and the root has been drawn again where it was.
    screen.settle(50, 2000);
    QProcess process;
    process.setProcessEnvironment(child.environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(child.program, child.arguments);
    double firstFrameMs = -1;
    QByteArray output;
    while ((firstFrameMs < 0 || !output.contains('\n')) && clock.elapsed() < childTimeoutMs) {
        QRect area;
        if (firstFrameMs < 0 && screen.nextDamage(2, area))
            firstFrameMs = double(clock.nsecsElapsed()) / 1e6;
        if (process.waitForReadyRead(firstFrameMs < 0 ? 0 : 50))
            output += process.readAllStandardOutput();
        if (process.state() == QProcess::NotRunning && !output.contains('\n'))
            break;
    }
    if (firstFrameMs < 0 || !output.contains('\n'))
        Bench::fail(child.program + QStringLiteral(" never showed its first frame"));
    if (!process.waitForFinished(childTimeoutMs))
        process.kill();
    return firstFrameMs;
}

// Medians of runs launches of each child, taken in turn so that the machine's load falls alike
// on the figures compared.
std::vector<double> launchMedians(const std::vector<Child>& children, int runs,
                                  Bench::XInput& screen)
{
    for (const Child& child : children)
        launchOnce(child, screen); // warms the file and font caches
    std::vector<std::vector<double>> samples(children.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t at = 0; at < children.size(); ++at)
            samples[at].push_back(launchOnce(children[at], screen));
    }
    std::vector<double> medians;
    for (const std::vector<double>& ofChild : samples)
        medians.push_back(Bench::median(ofChild));
    return medians;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_launch_x11"),
        QStringLiteral("Starts the program on an Xvfb server; skips when none can start."));
    const int runs = args.runs > 0 ? args.runs : defaultRuns;
    QTextStream err(stderr);

    Bench::XServer server;
    if (!server.start()) {
        err << "bench_launch_x11: skipped, no X server: " << server.failure() << '\n';
        return 0;
    }

    QTemporaryDir folder;
    const auto [copy, n] = Bench::copyOfBook(args.path, folder);

    QProcessEnvironment environment = Bench::xEnvironment(server, folder);
    environment.insert(QStringLiteral("VARDELIN_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    const Child program{Bench::builtProgram(QStringLiteral("vardelin")),
                        {QStringLiteral("--database"), copy},
                        environment};
    // A main window with an empty table, linking Qt Widgets alone, reporting its first paint.
    const Child bare{Bench::builtProgram(QStringLiteral("bench_bare_window")), {}, environment};
    // The same first screen in plain Qt: what any program showing these rows must do.
    const Child plain{Bench::builtProgram(QStringLiteral("bench_plain_first_screen")),
                      {QStringLiteral("--database"), copy},
                      environment};

    Bench::XInput screen;
    if (!screen.open(server.display()))
        Bench::fail(screen.failure());
    Bench::setTopOption(copy, true);
    const std::vector<double> topOn = launchMedians({bare, program, plain}, runs, screen);
    Bench::setTopOption(copy, false);
    const std::vector<double> topOff = launchMedians({bare, program}, runs, screen);

    Bench::printRow(QStringLiteral("launch on X to first frame with rows, Top 500 on "
                                   "(floor: bare Qt window on X)"),
                    n, topOn[1], topOn[0]);
    Bench::printRow(QStringLiteral("the same first screen in plain Qt, Top 500 on "
                                   "(floor: bare Qt window on X)"),
                    n, topOn[2], topOn[0]);
    Bench::printRow(QStringLiteral("launch on X, Top 500 on "
                                   "(floor: the same first screen in plain Qt)"),
                    n, topOn[1], topOn[2]);
    Bench::printRow(QStringLiteral("launch on X to first frame with rows, Top 500 off "
                                   "(floor: bare Qt window on X)"),
                    n, topOff[1], topOff[0]);
    err << "bench_launch_x11: Xvfb " << server.display() << ", " << runs
        << " runs; targets 1.3x with Top 500 on, 2x off\n";
    return 0;
}
