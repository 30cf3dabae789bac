// SPDX-License-Identifier: GPL-3.0-or-later
// Times the CSV and vCard readers and writers on generated contacts, the file's share of an
// import or export, and workbook imports end to end; prints one Markdown row per measurement.
#include "admin/ContactImport.h"
#include "admin/CsvTable.h"
#include "admin/VCard.h"
#include "admin/WorkbookReader.h"
#include "db/ContactFields.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

ImportTable generatedTable(int rows)
{
    ImportTable table;
    for (const ContactField& field : ContactFields::all)
        if (field.kind != ContactField::Kind::Binary)
            table.columns.append(QString(field.name));
    table.rows.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        QStringList row;
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            if (c == 3)
                row.append(QStringLiteral("王%1伟").arg(i));
            else if (c % 5 == 1)
                row.append(QStringLiteral("0086138%1").arg(i, 8, 10, QLatin1Char('0')));
            else if (c % 7 == 2)
                row.append(QStringLiteral("广东省深圳市南山区科技园, \"%1\"号").arg(i));
            else if (c % 3 == 0)
                row.append(QString());
            else
                row.append(QStringLiteral("值%1").arg(c));
        }
        table.rows.append(std::move(row));
    }
    return table;
}

// The best of a few runs, in milliseconds.
double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e18;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const char* what, int rows, double ms, double targetMs)
{
    if (targetMs > 0)
        std::printf("| %s | %d | %.1f | %.0f | %.2f× |\n", what, rows, ms, targetMs, ms / targetMs);
    else
        std::printf("| %s | %d | %.1f | — | — |\n", what, rows, ms);
}

// CPU seconds of this process and its waited-for children (the helper) so far, in ms: on a
// loaded machine the wall time measures the queue for the cores as much as the work.
double cpuMs()
{
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        ms += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    return ms;
}

// A workbook of twelve columns made by bench/make_workbook.py (phones and QQ stored as
// numbers, birthdays as dates), read through the helper as the page reads it when the file is
// chosen, linked column by column and imported in one transaction into a fresh address book.
bool timeWorkbookImport(const QTemporaryDir& dir, const QString& suffix, int rows, int runs)
{
    const QString path = dir.filePath(QStringLiteral("contacts") + suffix);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(MAKE_WORKBOOK), QString::number(rows), path});
    if (!python.waitForFinished(300000) || python.exitCode() != 0) {
        std::fprintf(stderr, "bench_importfiles: make_workbook.py failed\n");
        return false;
    }
    const QList<ImportLink> links{{QStringLiteral("Name"), QStringLiteral("姓名")},
                                  {QStringLiteral("Sex"), QStringLiteral("性别")},
                                  {QStringLiteral("Moblie1"), QStringLiteral("手机")},
                                  {QStringLiteral("Tel1"), QStringLiteral("电话")},
                                  {QStringLiteral("CompanyName"), QStringLiteral("单位")},
                                  {QStringLiteral("Deptment"), QStringLiteral("部门")},
                                  {QStringLiteral("Post"), QStringLiteral("职务")},
                                  {QStringLiteral("Address"), QStringLiteral("地址")},
                                  {QStringLiteral("Mail1"), QStringLiteral("邮箱")},
                                  {QStringLiteral("QQ1"), QStringLiteral("QQ")},
                                  {QStringLiteral("Birthday"), QStringLiteral("生日")},
                                  {QStringLiteral("Remark"), QStringLiteral("备注")}};
    std::vector<double> reading;
    double best = 1e18;
    double bestCpu = 1e18;
    for (int run = 0; run < runs; ++run) {
        const QString dbPath = dir.filePath(QStringLiteral("book%1-%2.db").arg(suffix).arg(run));
        Database db;
        if (!Database::create(dbPath).ok() || !db.open(dbPath).ok())
            return false;
        const double cpuBefore = cpuMs();
        QElapsedTimer timer;
        timer.start();
        auto table = WorkbookReader::readFile(path);
        const double readMs = timer.nsecsElapsed() / 1e6;
        auto added =
            table ? ContactImport::importTable(db, table.value(), links, {1, QDate::currentDate()})
                  : Result<qsizetype>(table.error());
        const double ms = timer.nsecsElapsed() / 1e6;
        bestCpu = std::min(bestCpu, cpuMs() - cpuBefore);
        if (!added || added.value() != rows) {
            std::fprintf(
                stderr, "bench_importfiles: the %s import failed: %s\n", qPrintable(suffix),
                qPrintable(added ? QStringLiteral("wrong count") : added.error().description));
            return false;
        }
        if (ms < best) {
            best = ms;
            reading = {readMs};
        }
    }
    const QByteArray what =
        (suffix == u".xls" ? QByteArray("Excel .xls") : QByteArray("Excel .xlsx")) +
        " import end to end (read by the helper, link, one transaction), 12 columns";
    report(what.constData(), rows, best, 1500);
    report("of which reading the workbook (helper process and its stream)", rows, reading.front(),
           0);
    report("CPU time of the whole import (program and helper)", rows, bestCpu, 1500);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int runs = 3;
    // --workbooks measures the two workbook imports alone (for profiling them).
    const bool workbooksOnly = app.arguments().contains(QStringLiteral("--workbooks"));

    for (const QString& suffix : {QStringLiteral(".xls"), QStringLiteral(".xlsx")})
        if (workbooksOnly && !timeWorkbookImport(dir, suffix, 30000, runs))
            return 1;
    if (workbooksOnly)
        return 0;

    const ImportTable big = generatedTable(100000);
    const QString exportPath = dir.filePath(QStringLiteral("export.csv"));
    report("CSV writer to a file (share of the CSV export)", 100000,
           bestOf(runs, [&] { CsvTable::writeFile(exportPath, big); }), 1000);

    report("of which formatting in memory (`CsvTable::toBytes`)", 100000,
           bestOf(runs, [&] { CsvTable::toBytes(big); }), 0);

    ImportTable table = big;
    table.rows.resize(30000);
    const QByteArray utf8 = CsvTable::toBytes(table);
    report("CSV reader, UTF-8 with BOM (share of the import)", 30000,
           bestOf(runs, [&] { CsvTable::fromBytes(utf8); }), 1500);
    QStringEncoder gbk("GB18030");
    const QByteArray gbkBytes = gbk(QString::fromUtf8(utf8.mid(3)));
    report("CSV reader, GBK (detector and conversion)", 30000,
           bestOf(runs, [&] { CsvTable::fromBytes(gbkBytes); }), 1500);

    QList<VCardContact> cards;
    for (const QStringList& row : table.rows) {
        VCardContact card;
        for (qsizetype c = 0; c < table.columns.size(); ++c)
            card.columns[table.columns[c]] = row[c];
        cards.append(std::move(card));
    }
    QByteArray vcf;
    report("vCard writer", 30000, bestOf(runs, [&] { vcf = VCard::toBytes(cards); }), 0);
    report("vCard reader", 30000, bestOf(runs, [&] { VCard::parse(vcf); }), 0);

    for (const QString& suffix : {QStringLiteral(".xls"), QStringLiteral(".xlsx")})
        if (!timeWorkbookImport(dir, suffix, 30000, runs))
            return 1;
    return 0;
}
