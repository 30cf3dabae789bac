// SPDX-License-Identifier: GPL-3.0-or-later
// Times a start of the program up to the first paint of its contact list, in a child process.
#include "BenchSupport.h"

#include "app/Main.h"
#include "db/Database.h"
#include "db/Session.h"
#include "ui/ChineseFont.h"
#include "ui/QtPrompter.h"
#include "ui/QtTranslations.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QStringList>
#include <QTableView>
#include <QTextStream>

#include <cstdio>

namespace {

const QString childFlag = QStringLiteral("--child");
// An empty table in a bare main window: what any Qt program pays before its first paint.
const QString bareChildFlag = QStringLiteral("--bare-child");
const QString paintedTag = QStringLiteral("painted");

// Reports the first paint of a view's viewport, then ends the child.
class FirstPaint : public QObject {
public:
    FirstPaint(QTableView* view, const QElapsedTimer& sinceMain, QString phases)
        : m_view(view)
        , m_sinceMain(sinceMain)
        , m_phases(std::move(phases))
    {
        view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_reported)
            return QObject::eventFilter(watched, event);
        m_reported = true;
        const int rows = m_view->model() ? m_view->model()->rowCount() : 0;
        // One line, flushed at once: the parent stops its clock when it arrives.
        std::printf("%s rows=%d rss_kib=%.0f %s paint=%.1f\n", qPrintable(paintedTag), rows,
                    Bench::peakRssMiB() * 1024, qPrintable(m_phases), msSinceMain());
        std::fflush(stdout);
        QCoreApplication::exit(0);
        return false;
    }

private:
    double msSinceMain() const { return double(m_sinceMain.nsecsElapsed()) / 1e6; }

    QTableView* m_view;
    const QElapsedTimer& m_sinceMain;
    QString m_phases;
    bool m_reported = false;
};

QString phase(const char* name, const QElapsedTimer& sinceMain)
{
    return QString::fromLatin1(name) + u'=' +
           QString::number(double(sinceMain.nsecsElapsed()) / 1e6, 'f', 1) + u' ';
}

// The start-up of main.cpp, step for step, with the first paint reported.
int runChild(int argc, char* argv[], const QString& path)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("瓦德林通讯录"));
    QApplication::setApplicationVersion(QStringLiteral("3.1"));
    preferSimplifiedChineseFont();
    QtTranslations::install(app);
    QString phases = phase("app", sinceMain);

    Database db;
    Session session;
    QtPrompter prompter;
    Main window(db, session, prompter);
    phases += phase("window", sinceMain);
    if (!window.startUp(path))
        return 1;
    phases += phase("startup", sinceMain);
    auto* list = window.findChild<QTableView*>(QStringLiteral("ListView"));
    if (!list)
        Bench::fail(QStringLiteral("the main window has no ListView"));
    FirstPaint watcher(list, sinceMain, phases);
    window.show();
    return QApplication::exec();
}

int runBareChild(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QString phases = phase("app", sinceMain);
    QMainWindow window;
    window.resize(1100, 720);
    auto* table = new QTableView(&window);
    window.setCentralWidget(table);
    phases += phase("window", sinceMain);
    FirstPaint watcher(table, sinceMain, phases);
    window.show();
    return QApplication::exec();
}

struct Launch {
    double wallMs = 0;
    QString report;
};

// Starts the child and waits for its line; the time runs from start() to the line.
Launch launchOnce(const QStringList& childArgs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), childArgs);
    Launch launch;
    QByteArray output;
    while (launch.report.isEmpty() && child.waitForReadyRead(30000)) {
        output += child.readAllStandardOutput();
        const qsizetype end = output.indexOf('\n');
        if (end >= 0 && output.startsWith(paintedTag.toLatin1())) {
            launch.wallMs = double(timer.nsecsElapsed()) / 1e6;
            launch.report = QString::fromUtf8(output.left(end));
        }
    }
    if (launch.report.isEmpty())
        Bench::fail(QStringLiteral("the child never painted: ") + QString::fromUtf8(output));
    child.waitForFinished(60000);
    return launch;
}

// The value of "name=value" in a child's line.
double reported(const QString& report, const QString& name)
{
    const QStringList fields = report.split(u' ', Qt::SkipEmptyParts);
    for (const QString& field : fields) {
        if (field.startsWith(name + u'='))
            return field.mid(name.size() + 1).toDouble();
    }
    return 0;
}

struct Series {
    double wallMs = 0;
    double peakMiB = 0;
    QString phases; // medians of the child's own clock, for reading where the time goes
};

Series launchSeries(const QStringList& childArgs, int runs)
{
    launchOnce(childArgs); // warms the file cache and the font cache
    std::vector<double> wall;
    std::vector<double> peak;
    std::vector<Launch> launches;
    for (int run = 0; run < runs; ++run) {
        launches.push_back(launchOnce(childArgs));
        wall.push_back(launches.back().wallMs);
        peak.push_back(reported(launches.back().report, QStringLiteral("rss_kib")) / 1024);
    }
    Series series{Bench::median(wall), Bench::median(peak), {}};
    for (const char* name : {"app", "window", "startup", "paint"}) {
        std::vector<double> at;
        for (const Launch& launch : launches)
            at.push_back(reported(launch.report, QString::fromLatin1(name)));
        series.phases += QString::fromLatin1(name) + u'=' +
                         QString::number(Bench::median(at), 'f', 1) + QStringLiteral(" ");
    }
    return series;
}

// The start-up option the child reads; returns the value it had.
bool setTopOption(const QString& path, bool on)
{
    Database db;
    if (Status opened = db.open(path); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    auto was = db.query(QStringLiteral("SELECT IsTop FROM Vardelin_System WHERE ID = 1"));
    const bool wasOn = was && was.value().next() && was.value().value(0).toInt() != 0;
    if (!db.exec(QStringLiteral("UPDATE Vardelin_System SET IsTop = ? WHERE ID = 1"), {on ? 1 : 0}))
        Bench::fail(QStringLiteral("cannot set the Top 500 option"));
    return wasOn;
}

qint64 contactCount(const QString& path)
{
    Database db;
    if (Status opened = db.open(path); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    auto count = db.query(QStringLiteral("SELECT count(*) FROM Vardelin_Contact"));
    return count && count.value().next() ? count.value().value(0).toLongLong() : 0;
}

int runParent(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString path;
    int runs = 11;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = args[++i].toInt();
        else
            path = args[i];
    }
    if (path.isEmpty() || !QFileInfo(path).isFile() || runs < 1)
        Bench::fail(QStringLiteral("usage: bench_launch <database> [--runs n]"));
    path = QFileInfo(path).absoluteFilePath();

    const qint64 n = contactCount(path);
    const Series bare = launchSeries({bareChildFlag}, runs);
    const bool topWas = setTopOption(path, true);
    const Series withTop = launchSeries({childFlag, path}, runs);
    setTopOption(path, false);
    const Series withoutTop = launchSeries({childFlag, path}, runs);
    setTopOption(path, topWas);

    QTextStream err(stderr);
    err << "bench_launch: child clock, ms since main(): bare " << bare.phases << "| Top 500 on "
        << withTop.phases << "| Top 500 off " << withoutTop.phases << '\n';
    Bench::printRow(QStringLiteral("launch to first list paint, Top 500 on"), n, withTop.wallMs,
                    bare.wallMs);
    Bench::printRow(QStringLiteral("launch to first list paint, Top 500 off"), n, withoutTop.wallMs,
                    bare.wallMs);
    err << "bench_launch: peak RSS " << QString::number(bare.peakMiB, 'f', 1)
        << " MiB for the bare window, " << QString::number(withTop.peakMiB, 'f', 1)
        << " MiB for the program with Top 500 on\n";
    Bench::printRow(QStringLiteral("peak memory (MiB), program showing all rows"), n,
                    withoutTop.peakMiB);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == childFlag && argc > 2)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (mode == bareChildFlag)
        return runBareChild(argc, argv);
    return runParent(argc, argv);
}
