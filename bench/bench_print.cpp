// SPDX-License-Identifier: GPL-3.0-or-later
// Times printing to PDF: every listed contact as the list's table, and 1,000 address labels,
// with the longest pause of a window's event loop while the list is drawn.
#include "BenchSupport.h"

#include "contacts/ContactListLoader.h"
#include "contacts/ContactTableModel.h"
#include "db/Database.h"
#include "print/PrintPages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// The list's rows as the print command reads them: the model's shown text, row by row.
PrintTable listTable(const ContactTableModel& model)
{
    PrintTable table;
    for (int column = 0; column < int(model.columns().size()); ++column) {
        table.captions << model.headerData(column, Qt::Horizontal).toString();
        table.widths.push_back(model.columns()[std::size_t(column)].width);
    }
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < int(model.columns().size()); ++column)
            cells << model.index(row, column).data().toString();
        table.rows.push_back(std::move(cells));
    }
    return table;
}

PrintOutcome writePdf(const QString& path, const PrintOptions& options, const PrintTable& table,
                      const std::vector<PrintContact>& contacts, const PrintProgress& progress)
{
    QPdfWriter writer(path);
    writer.setResolution(300);
    return PrintPages::draw(writer, options, table, contacts, progress);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_print"), QStringLiteral("prints the database's contacts to PDF"));
    const int runs = args.runs > 0 ? args.runs : 3;
    Database db;
    Bench::open(db, args.path);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("print.pdf"));

    // The list: read as the window reads it, then drawn, the window's loop turned meanwhile.
    QProgressBar bar;
    bar.show();
    std::vector<double> list;
    double longestPause = 0;
    qint64 rows = 0;
    int pages = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer sinceTurn;
        QTimer turn;
        turn.setInterval(5);
        QObject::connect(&turn, &QTimer::timeout, &bar, [&] {
            longestPause = std::max(longestPause, sinceTurn.nsecsElapsed() / 1e6);
            sinceTurn.restart();
        });
        list.push_back(Bench::elapsedMs([&] {
            auto loaded = ContactListLoader::load(db, ContactListFilter{});
            if (!loaded)
                Bench::fail(QStringLiteral("reading the list failed"));
            ContactTableModel model;
            model.setRows(std::move(loaded).value(), {}, {});
            const PrintTable table = listTable(model);
            rows = qint64(table.rows.size());
            sinceTurn.start();
            turn.start();
            pages = writePdf(pdf, PrintOptions{}, table, {}, [&](int done, int total) {
                        bar.setMaximum(total);
                        bar.setValue(done);
                        QCoreApplication::processEvents();
                        return true;
                    }).pages;
            turn.stop();
        }));
    }
    Bench::printRow(QStringLiteral("the whole list to PDF, read to written (target 5 s)"), rows,
                    Bench::median(list), 5000);
    Bench::printRow(QStringLiteral("longest pause of the window while the list is drawn"), rows,
                    longestPause);
    fprintf(stderr, "bench_print: %d list pages, %lld bytes\n", pages, QFileInfo(pdf).size());

    // 1,000 labels of the first contacts, read whole.
    std::vector<qint64> ids;
    auto idRows =
        db.query(QStringLiteral("SELECT ID FROM Vardelin_Contact ORDER BY ID LIMIT 1000"));
    if (!idRows)
        Bench::fail(QStringLiteral("reading the IDs failed"));
    while (idRows.value().next())
        ids.push_back(idRows.value().value(0).toLongLong());
    PrintOptions labels;
    labels.kind = PrintKind::Labels;
    labels.labelSheet = 1; // 3×7
    std::vector<double> labelTimes;
    for (int r = 0; r < runs; ++r) {
        labelTimes.push_back(Bench::elapsedMs([&] {
            auto contacts = PrintContacts::load(db, ids);
            if (!contacts)
                Bench::fail(QStringLiteral("reading the contacts failed"));
            pages = writePdf(pdf, labels, {}, contacts.value(), {}).pages;
        }));
    }
    Bench::printRow(QStringLiteral("1,000 address labels (3×7) to PDF, read to written "
                                   "(target 3 s)"),
                    qint64(ids.size()), Bench::median(labelTimes), 3000);
    fprintf(stderr, "bench_print: %d label pages\n", pages);
    return 0;
}
