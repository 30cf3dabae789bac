// SPDX-License-Identifier: GPL-3.0-or-later
// Times the CSV and vCard readers and writers on generated contacts, the file's share of an
// import or export; prints one Markdown row per measurement.
#include "admin/CsvTable.h"
#include "admin/VCard.h"
#include "db/ContactFields.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int runs = 3;

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
    return 0;
}
