// SPDX-License-Identifier: GPL-3.0-or-later
// Times a CSV import end to end: the file read and decoded, every row linked onto the contact's
// columns and written in one transaction into a fresh address book; prints one Markdown row.
#include "admin/ContactImport.h"
#include "admin/CsvTable.h"
#include "contacts/SearchIndex.h"
#include "db/ContactFields.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// Every column a file can fill, with values of the kinds a real address list has.
ImportTable generatedTable(int rows, QList<ImportLink>& links)
{
    ImportTable table;
    for (const ContactField& field : ContactFields::all) {
        if (field.kind != ContactField::Kind::Text && field.kind != ContactField::Kind::Date)
            continue;
        if (field.name == QLatin1StringView("Py"))
            continue;
        const QString column(field.name);
        table.columns.append(u"列" + column);
        links.append({column, u"列" + column});
    }
    for (int i = 0; i < rows; ++i) {
        QStringList row;
        for (qsizetype c = 0; c < table.columns.size(); ++c) {
            const QString& column = links.at(c).column;
            if (column == u"Name")
                row.append(QStringLiteral("王%1伟").arg(i));
            else if (column == u"Birthday" || column == u"MemorialDay" || column == u"AddDate")
                row.append(QStringLiteral("1980-%1-%2")
                               .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                               .arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
            else if (c % 5 == 1)
                row.append(QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')));
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    constexpr int rows = 30000;
    constexpr int runs = 3;
    constexpr double targetMs = 1500;

    QList<ImportLink> links;
    const QString csvPath = dir.filePath(QStringLiteral("contacts.csv"));
    if (Status written = CsvTable::writeFile(csvPath, generatedTable(rows, links)); !written) {
        std::fprintf(stderr, "bench_import: cannot write the CSV file\n");
        return 1;
    }

    double best = 1e18;
    for (int run = 0; run < runs; ++run) {
        const QString dbPath = dir.filePath(QStringLiteral("import-%1.db").arg(run));
        Database db;
        if (!Database::create(dbPath).ok() || !db.open(dbPath).ok()) {
            std::fprintf(stderr, "bench_import: cannot create the address book\n");
            return 1;
        }
        qsizetype reported = 0;
        QElapsedTimer timer;
        timer.start();
        auto table = CsvTable::readFile(csvPath);
        auto added =
            table ? ContactImport::importTable(db, table.value(), links, {1, QDate::currentDate()},
                                               [&](qsizetype done, qsizetype) { reported = done; })
                  : Result<qsizetype>(table.error());
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!added || added.value() != rows || reported != rows) {
            std::fprintf(
                stderr, "bench_import: the import failed: %s\n",
                qPrintable(added ? QStringLiteral("wrong count") : added.error().description));
            return 1;
        }
        best = std::min(best, ms);
        if (run + 1 == runs) {
            // The search table's share: its pinyin and digits computed again for every row.
            db.exec(QStringLiteral("UPDATE Vardelin_Search SET Spelling = NULL"));
            timer.restart();
            if (!db.transaction([&db] { return SearchIndex::refresh(db); })) {
                std::fprintf(stderr, "bench_import: the search table was not filled\n");
                return 1;
            }
            std::printf("| of which the search table's pinyin and digits | %d | %.1f | — | — |\n",
                        rows, timer.nsecsElapsed() / 1e6);
        }
    }
    std::printf("| CSV import end to end (read, link, one transaction), %zu columns | %d | %.1f | "
                "%.0f | %.2f× |\n",
                size_t(links.size()), rows, best, targetMs, best / targetMs);
    return 0;
}
