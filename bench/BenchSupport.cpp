// SPDX-License-Identifier: GPL-3.0-or-later
// Timing, memory and table helpers shared by the benchmark programs.
#include "BenchSupport.h"

#include "db/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTextStream>

#include <sqlite3.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// BENCH_CLOCK=cpu: the process's CPU time instead of the wall clock, for a machine whose other
// work would otherwise decide the figures.
bool cpuClock()
{
    static const bool cpu = qEnvironmentVariable("BENCH_CLOCK") == QLatin1StringView("cpu");
    return cpu;
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

double Bench::elapsedMs(const std::function<void()>& work)
{
    if (cpuClock()) {
        const double start = cpuMs();
        work();
        return cpuMs() - start;
    }
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double Bench::median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1)
        return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2;
}

double Bench::peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024; // ru_maxrss is in KiB on Linux
}

Bench::Medians Bench::compare(int runs, const std::function<void()>& ours,
                              const std::function<void()>& floor,
                              const std::function<void()>& afterOurs)
{
    std::vector<double> oursMs;
    std::vector<double> floorMs;
    for (int run = 0; run <= runs; ++run) {
        const double oursTime = elapsedMs(ours);
        if (afterOurs)
            afterOurs();
        const double floorTime = elapsedMs(floor);
        if (run == 0)
            continue; // the warm-up
        oursMs.push_back(oursTime);
        floorMs.push_back(floorTime);
    }
    return {median(oursMs), median(floorMs)};
}

void Bench::printRow(const QString& measurement, qint64 n, double ours, std::optional<double> floor)
{
    const QString dash = QStringLiteral("—");
    const QString floorCell = floor ? QString::number(*floor, 'f', 1) : dash;
    const QString ratioCell =
        floor && *floor > 0 ? QString::number(ours / *floor, 'f', 2) + u'×' : dash;
    QTextStream out(stdout);
    out << "| " << measurement << " | " << n << " | " << QString::number(ours, 'f', 1) << " | "
        << floorCell << " | " << ratioCell << " |\n";
    out.flush();
}

void Bench::fail(const QString& message)
{
    QTextStream(stderr) << message << '\n';
    std::exit(1);
}

SqliteReader::SqliteReader(const QString& path)
{
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        failWithError(QStringLiteral("cannot open ") + path);
}

SqliteReader::~SqliteReader()
{
    sqlite3_close(m_db);
}

qint64 SqliteReader::readAll(const QString& sql, const QVariantList& values)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) !=
        SQLITE_OK)
        failWithError(QStringLiteral("cannot prepare ") + sql);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        if (value.typeId() == QMetaType::QString) {
            const QByteArray utf8 = value.toString().toUtf8();
            sqlite3_bind_text(statement, i + 1, utf8.constData(), int(utf8.size()),
                              SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(statement, i + 1, value.toLongLong());
        }
    }
    const int columnCount = sqlite3_column_count(statement);
    qint64 rows = 0;
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int column = 0; column < columnCount; ++column) {
            if (sqlite3_column_text(statement, column))
                m_bytesRead += quint64(sqlite3_column_bytes(statement, column));
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    if (stepped != SQLITE_DONE)
        failWithError(QStringLiteral("cannot read ") + sql);
    return rows;
}

void SqliteReader::failWithError(const QString& what) const
{
    Bench::fail(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db)));
}

Bench::Arguments Bench::databaseArguments(const QString& program, const QString& note)
{
    const QStringList args = QCoreApplication::arguments();
    Arguments parsed;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            parsed.runs = std::max(1, args[++i].toInt());
        else if (args[i].startsWith(QStringLiteral("--")))
            parsed.flags << args[i];
        else
            parsed.path = args[i];
    }
    if (parsed.path.isEmpty() || !QFileInfo(parsed.path).isFile())
        fail(QStringLiteral("usage: ") + program + QStringLiteral(" <database> [--runs n]  (") +
             note + u')');
    // A freshly generated file still being written back would slow whatever runs first.
    ::sync();
    return parsed;
}

void Bench::open(Database& db, const QString& path)
{
    if (Status opened = db.open(path); !opened)
        fail(QStringLiteral("cannot open: ") + opened.error().description);
}

QVariant Bench::scalar(const Database& db, const QString& sql, const QVariantList& values)
{
    auto result = db.query(sql, values);
    if (!result || !result.value().next())
        fail(QStringLiteral("cannot run ") + sql);
    return result.value().value(0);
}
