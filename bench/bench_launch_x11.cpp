// SPDX-License-Identifier: GPL-3.0-or-later
// Times starts of the built program on an X server, as a user meets them: to the first frame drawn
// with rows in it, beside a bare Qt window started the same way.
#include "BenchSupport.h"

#include "db/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int defaultRuns = 11;
constexpr int childTimeoutMs = 60000;

// Bench::fail ends the program with exit(), past every destructor: the server is ended here then.
pid_t serverPid = 0;
void endServerAtExit()
{
    if (serverPid > 0)
        ::kill(serverPid, SIGTERM);
}

// An X server of our own on a display no other program holds; stopped with the object.
class XServer {
public:
    bool start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            m_failure = QStringLiteral("Xvfb is not installed");
            return false;
        }
        for (int display = 90; display < 110; ++display) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
            const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(display);
            if (QFileInfo::exists(socket) || QFileInfo::exists(lock))
                continue;
            m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                                  QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            serverPid = pid_t(m_server.processId());
            if (waitForSocket(socket)) {
                m_display = QStringLiteral(":%1").arg(display);
                return true;
            }
            stop();
        }
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("no display between :90 and :109 could be started");
        return false;
    }

    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
        serverPid = 0;
    }

    ~XServer() { stop(); }

    QString display() const { return m_display; }
    QString failure() const { return m_failure; }

private:
    // The server takes its socket once it accepts clients.
    bool waitForSocket(const QString& socket)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (m_server.state() == QProcess::NotRunning) {
                m_failure = QStringLiteral("Xvfb ended at once");
                return false;
            }
            if (QFileInfo::exists(socket))
                return true;
            QThread::msleep(20);
        }
        m_failure = QStringLiteral("Xvfb never opened its socket");
        return false;
    }

    QProcess m_server;
    QString m_display;
    QString m_failure;
};

struct Child {
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

// Milliseconds from the start of the child's process to its first line on standard output.
double launchOnce(const Child& child)
{
    QProcess process;
    process.setProcessEnvironment(child.environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(child.program, child.arguments);
    QByteArray output;
    while (!output.contains('\n') && process.waitForReadyRead(childTimeoutMs))
        output += process.readAllStandardOutput();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!output.contains('\n'))
        Bench::fail(child.program + QStringLiteral(" never reported its first frame"));
    if (!process.waitForFinished(childTimeoutMs))
        process.kill();
    return ms;
}

// Medians of runs launches of each child, taken in turn so that the machine's load falls alike
// on the figures compared.
std::vector<double> launchMedians(const std::vector<Child>& children, int runs)
{
    for (const Child& child : children)
        launchOnce(child); // warms the file and font caches
    std::vector<std::vector<double>> samples(children.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t at = 0; at < children.size(); ++at)
            samples[at].push_back(launchOnce(children[at]));
    }
    std::vector<double> medians;
    for (const std::vector<double>& ofChild : samples)
        medians.push_back(Bench::median(ofChild));
    return medians;
}

void setTopOption(const QString& path, bool on)
{
    Database db;
    Bench::open(db, path);
    if (Status done = db.exec(QStringLiteral("UPDATE Vardelin_System SET IsTop = ? WHERE ID = 1"),
                              {on ? 1 : 0});
        !done)
        Bench::fail(QStringLiteral("cannot set IsTop: ") + done.error().description);
}

QString builtProgram(const QString& name)
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    if (!QFileInfo(path).isExecutable())
        Bench::fail(path + QStringLiteral(" is not built"));
    return path;
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

    XServer server;
    std::atexit(endServerAtExit);
    if (!server.start()) {
        err << "bench_launch_x11: skipped, no X server: " << server.failure() << '\n';
        return 0;
    }

    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("contacts.db"));
    if (!folder.isValid() || !QFile::copy(args.path, copy))
        Bench::fail(QStringLiteral("cannot copy ") + args.path);
    Database counted;
    Bench::open(counted, copy);
    const qint64 n = Bench::scalar(counted, QStringLiteral("SELECT count(*) FROM Vardelin_Contact"))
                         .toLongLong();
    counted.close();
    ::sync(); // a file still being written back would slow the first launches

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), server.display());
    environment.insert(QStringLiteral("VARDELIN_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    // Qt warns on every start without one; the temporary folder is private to us.
    if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR")))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    const Child program{builtProgram(QStringLiteral("vardelin")),
                        {QStringLiteral("--database"), copy},
                        environment};
    // bench_launch's bare window: a main window with an empty table, reporting its first paint.
    const Child bare{builtProgram(QStringLiteral("bench_launch")),
                     {QStringLiteral("--bare-child")},
                     environment};

    setTopOption(copy, true);
    const std::vector<double> topOn = launchMedians({bare, program}, runs);
    setTopOption(copy, false);
    const std::vector<double> topOff = launchMedians({bare, program}, runs);

    Bench::printRow(QStringLiteral("launch on X to first frame with rows, Top 500 on "
                                   "(floor: bare Qt window on X)"),
                    n, topOn[1], topOn[0]);
    Bench::printRow(QStringLiteral("launch on X to first frame with rows, Top 500 off "
                                   "(floor: bare Qt window on X)"),
                    n, topOff[1], topOff[0]);
    err << "bench_launch_x11: Xvfb " << server.display() << ", " << runs
        << " runs; targets 1.3x with Top 500 on, 2x off\n";
    return 0;
}
