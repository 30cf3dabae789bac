// SPDX-License-Identifier: GPL-3.0-or-later
// Times starts of the program in child processes: up to the first paint of the contact list,
// and with a login up to the first paint of the login dialog and from its OK to the list.
#include "BenchSupport.h"

#include "app/Main.h"
#include "app/Program.h"
#include "app/frmLogin.h"
#include "db/Database.h"
#include "ui/FontConfigWarmUp.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

const QString childFlag = QStringLiteral("--child");
// The program with the login: --login-child <database> <name> <password>.
const QString loginChildFlag = QStringLiteral("--login-child");
// An empty table in a bare main window: what any Qt program pays before its first paint.
const QString bareChildFlag = QStringLiteral("--bare-child");
const QString paintedTag = QStringLiteral("painted");
const QString loginPaintedTag = QStringLiteral("login-painted");

// The account bench data gives contacts to besides the administrator, with its password.
const QString benchUserName = QStringLiteral("小王");
const QString benchUserPassword = QStringLiteral("123456");
constexpr qint64 benchUserId = 2;

double msSince(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Runs done once, at the first Paint event a widget receives.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* widget, std::function<void()> done)
        : m_done(std::move(done))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_done) {
            // Cleared first: done may start the paints of other widgets.
            auto done = std::move(m_done);
            m_done = nullptr;
            done();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_done;
};

QString phase(const char* name, double ms)
{
    return QString::fromLatin1(name) + u'=' + QString::number(ms, 'f', 1) + u' ';
}

// One line, flushed at once: the parent stops its clock when it arrives.
void report(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Reports the first paint of the main window's list with the phases so far, then ends.
void watchList(Main& window, const QElapsedTimer& sinceMain, const QString& phases,
               std::function<QString()> extra = {})
{
    auto* list = window.findChild<QTableView*>(QStringLiteral("ListView"));
    if (!list)
        Bench::fail(QStringLiteral("the main window has no ListView"));
    const QString startedUp = phases + phase("startup", msSince(sinceMain));
    auto* watcher = new FirstPaint(list->viewport(), [=, &sinceMain] {
        const int rows = list->model() ? list->model()->rowCount() : 0;
        report(paintedTag +
               QStringLiteral(" rows=%1 rss_kib=%2 ")
                   .arg(rows)
                   .arg(Bench::peakRssMiB() * 1024, 0, 'f', 0) +
               startedUp + (extra ? extra() : QString()) + phase("paint", msSince(sinceMain)));
        QCoreApplication::exit(0);
    });
    watcher->setParent(&window);
}

// The program as main.cpp runs it, with the first paint of its list reported.
int runChild(int argc, char* argv[], const QString& path)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    Program::prepare(app);
    const QString phases = phase("app", msSince(sinceMain));
    Program::Watch watch;
    watch.windowShowing = [&](Main& window) {
        watchList(window, sinceMain, phases);
    };
    return Program::run(path, watch);
}

// The same with a login: the dialog's first paint is reported at once; then the name and
// password are in, OK is pressed and the time from the press to the list's first paint goes
// into the last line.
int runLoginChild(int argc, char* argv[], const QString& path, const QString& name,
                  const QString& password)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    Program::prepare(app);
    const QString phases = phase("app", msSince(sinceMain));
    QElapsedTimer sinceOk;
    Program::Watch watch;
    watch.loginShowing = [&](frmLogin& login) {
        login.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(name);
        login.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(password);
        auto* ok = login.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        auto* watcher = new FirstPaint(&login, [&, ok] {
            report(loginPaintedTag + u' ' + phase("login", msSince(sinceMain)));
            // Pressed once the dialog is up, as a user's press would come.
            QTimer::singleShot(0, ok, [&sinceOk, ok] {
                sinceOk.start();
                ok->click();
            });
        });
        watcher->setParent(&login);
    };
    watch.windowShowing = [&](Main& window) {
        watchList(window, sinceMain, phases, [&] { return phase("ok", msSince(sinceOk)); });
    };
    return Program::run(path, watch);
}

int runBareChild(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    const QString phases = phase("app", msSince(sinceMain));
    QMainWindow window;
    window.resize(1100, 720);
    auto* table = new QTableView(&window);
    window.setCentralWidget(table);
    FirstPaint watcher(table->viewport(), [&] {
        report(paintedTag +
               QStringLiteral(" rows=0 rss_kib=%1 ").arg(Bench::peakRssMiB() * 1024, 0, 'f', 0) +
               phases + phase("startup", msSince(sinceMain)) + phase("paint", msSince(sinceMain)));
        QCoreApplication::exit(0);
    });
    window.show();
    return QApplication::exec();
}

struct Launch {
    double wallMs = 0;      // to the list's first paint
    double loginWallMs = 0; // to the login dialog's first paint, when there is one
    QString report;
};

// Starts the child and waits for its last line; the times run from start() to each line.
Launch launchOnce(const QStringList& childArgs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), childArgs);
    Launch launch;
    QByteArray output;
    while (launch.report.isEmpty() && child.waitForReadyRead(60000)) {
        output += child.readAllStandardOutput();
        for (qsizetype end = output.indexOf('\n'); end >= 0; end = output.indexOf('\n')) {
            const QString line = QString::fromUtf8(output.left(end));
            output.remove(0, end + 1);
            if (line.startsWith(loginPaintedTag)) {
                launch.loginWallMs = msSince(timer);
            } else if (line.startsWith(paintedTag)) {
                launch.wallMs = msSince(timer);
                launch.report = line;
            }
        }
    }
    if (launch.report.isEmpty())
        Bench::fail(QStringLiteral("the child never painted its list: ") +
                    QString::fromUtf8(output));
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
    double loginWallMs = 0;
    double okMs = 0; // from the press of OK to the list's first paint, child's clock
    double peakMiB = 0;
    QString phases; // medians of the child's own clock, for reading where the time goes
};

Series summarise(const std::vector<Launch>& launches)
{
    std::vector<double> wall;
    std::vector<double> loginWall;
    std::vector<double> ok;
    std::vector<double> peak;
    for (const Launch& launch : launches) {
        wall.push_back(launch.wallMs);
        loginWall.push_back(launch.loginWallMs);
        ok.push_back(reported(launch.report, QStringLiteral("ok")));
        peak.push_back(reported(launch.report, QStringLiteral("rss_kib")) / 1024);
    }
    Series series{
        Bench::median(wall), Bench::median(loginWall), Bench::median(ok), Bench::median(peak), {}};
    for (const char* name : {"app", "startup", "ok", "paint"}) {
        std::vector<double> at;
        for (const Launch& launch : launches)
            at.push_back(reported(launch.report, QString::fromLatin1(name)));
        series.phases += QString::fromLatin1(name) + u'=' +
                         QString::number(Bench::median(at), 'f', 1) + QStringLiteral(" ");
    }
    return series;
}

// One series per kind of child, launched in turn within each run so that the machine's
// changing load falls alike on the figures compared with each other.
std::vector<Series> launchSeries(const std::vector<QStringList>& kinds, int runs)
{
    for (const QStringList& childArgs : kinds)
        launchOnce(childArgs); // warms the file cache and the font cache
    std::vector<std::vector<Launch>> launches(kinds.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t kind = 0; kind < kinds.size(); ++kind)
            launches[kind].push_back(launchOnce(kinds[kind]));
    }
    std::vector<Series> series;
    for (const std::vector<Launch>& ofKind : launches)
        series.push_back(summarise(ofKind));
    return series;
}

void runOrFail(const Database& db, const QString& sql, const QVariantList& values = {})
{
    if (Status done = db.exec(sql, values); !done)
        Bench::fail(sql + QStringLiteral(": ") + done.error().description);
}

// The start-up option the child reads; returns the value it had.
bool setTopOption(const QString& path, bool on)
{
    Database db;
    if (Status opened = db.open(path); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    auto was = db.query(QStringLiteral("SELECT IsTop FROM Vardelin_System WHERE ID = 1"));
    const bool wasOn = was && was.value().next() && was.value().value(0).toInt() != 0;
    runOrFail(db, QStringLiteral("UPDATE Vardelin_System SET IsTop = ? WHERE ID = 1"),
              {on ? 1 : 0});
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

// A copy of the book in which every contact belongs to the bench account and a login is
// asked for; removed by the caller.
QString loginCopy(const QString& path)
{
    const QString copy = path + QStringLiteral(".login");
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        Bench::fail(QStringLiteral("cannot copy ") + path + QStringLiteral(" to ") + copy);
    Database db;
    if (Status opened = db.open(copy); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    runOrFail(db, QStringLiteral("UPDATE Vardelin_Contact SET UID = ?"), {benchUserId});
    runOrFail(db, QStringLiteral("UPDATE Vardelin_System SET IsLogin = 1 WHERE ID = 1"));
    return copy;
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
    ::sync(); // a file still being written back would slow the first launches

    const qint64 n = contactCount(path);
    const QString copy = loginCopy(path);
    const QStringList programArgs{childFlag, path};
    const QStringList loginArgs{loginChildFlag, copy, benchUserName, benchUserPassword};

    const bool topWas = setTopOption(path, true);
    setTopOption(copy, true);
    const std::vector<Series> topOn = launchSeries({{bareChildFlag}, programArgs, loginArgs}, runs);
    setTopOption(path, false);
    setTopOption(copy, false);
    const std::vector<Series> topOff = launchSeries({programArgs, loginArgs}, runs);
    setTopOption(path, topWas);
    QFile::remove(copy);
    const Series& bare = topOn[0];
    const Series& withTop = topOn[1];
    const Series& loginWithTop = topOn[2];
    const Series& withoutTop = topOff[0];
    const Series& loginWithoutTop = topOff[1];

    QTextStream err(stderr);
    err << "bench_launch: child clock, ms since main(): bare " << bare.phases << "| Top 500 on "
        << withTop.phases << "| Top 500 off " << withoutTop.phases << "| login, Top 500 on "
        << loginWithTop.phases << "| login, Top 500 off " << loginWithoutTop.phases << '\n';
    Bench::printRow(QStringLiteral("launch to first list paint, Top 500 on"), n, withTop.wallMs,
                    bare.wallMs);
    Bench::printRow(QStringLiteral("launch to first list paint, Top 500 off"), n, withoutTop.wallMs,
                    bare.wallMs);
    Bench::printRow(QStringLiteral("launch to the login dialog's first paint (floor: bare window)"),
                    n, loginWithoutTop.loginWallMs, bare.wallMs);
    Bench::printRow(QStringLiteral("login OK to first list paint, all contacts the user's, "
                                   "Top 500 on (floor: launch without login, Top 500 on)"),
                    n, loginWithTop.okMs, withTop.wallMs);
    Bench::printRow(QStringLiteral("login OK to first list paint, all contacts the user's, "
                                   "Top 500 off (floor: launch without login, Top 500 off)"),
                    n, loginWithoutTop.okMs, withoutTop.wallMs);
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
    if (mode == loginChildFlag && argc > 4)
        return runLoginChild(argc, argv, QString::fromLocal8Bit(argv[2]),
                             QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    if (mode == bareChildFlag)
        return runBareChild(argc, argv);
    return runParent(argc, argv);
}
