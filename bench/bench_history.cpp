// SPDX-License-Identifier: GPL-3.0-or-later
// Times opening an edit card whose contact has 50 history records, the card's history list on
// its own and the main window's history pane, each against the least its reading costs.
#include "BenchPrompter.h"
#include "BenchSupport.h"
#include "CardOpening.h"

#include "card/frmCard.h"
#include "db/Database.h"
#include "db/Session.h"
#include "history/HistoryListModel.h"
#include "history/HistoryPage.h"
#include "history/HistoryRecords.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>
#include <QTreeView>

namespace {

constexpr int recordsPerContact = 50;

// Gives the contact exactly recordsPerContact records of a few lines each.
void fillHistory(const Database& db, qint64 contactId)
{
    const Status filled = db.transaction([&]() -> Status {
        if (Status cleared =
                db.exec(QStringLiteral("DELETE FROM Vardelin_History WHERE CID = ?"), {contactId});
            !cleared)
            return cleared;
        for (int i = 0; i < recordsPerContact; ++i) {
            const QDate day = QDate(2015, 1, 1).addDays(i * 37 % 3000);
            HistoryInput input{
                contactId, day, day.addDays(14),
                QStringLiteral("第%1次联系：电话沟通报价，约定下次面谈。").arg(i + 1).repeated(3),
                i % 2 == 0};
            if (Status added = db.exec(
                    QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, "
                                   "NextDate, Remark, IsRemind) VALUES (?, ?, ?, ?, ?)"),
                    {input.contactId, input.lxDate.toString(Qt::ISODate),
                     input.nextDate.toString(Qt::ISODate), input.remark, input.remind ? 1 : 0});
                !added)
                return added;
        }
        return {};
    });
    if (!filled)
        Bench::fail(QStringLiteral("cannot write the records: ") + filled.error().description);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_history"), QStringLiteral("bench_makedata writes the database"));
    const QString path = args.path;
    const int runs = args.runs > 0 ? args.runs : 11;

    Database db;
    Bench::open(db, path);
    const qint64 n =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    const qint64 contactId =
        Bench::scalar(
            db, QStringLiteral("SELECT ID FROM Vardelin_Contact ORDER BY ID LIMIT 1 OFFSET ?"),
            {n / 3})
            .toLongLong();
    fillHistory(db, contactId);

    BenchPrompter prompter{false};
    const CardRequest request{true, contactId, 0, false};
    const double openMs =
        Bench::medianCardOpenMs(db, prompter, request, runs, [](frmCard& card) {
            const auto* list = card.findChild<QTreeView*>(QStringLiteral("ListLx"));
            if (card.loadError() || !list || list->model()->rowCount() != recordsPerContact)
                Bench::fail(QStringLiteral("the card did not list the contact's records"));
        });
    Bench::printRow(QStringLiteral("card: open an edit card with %1 history records (target 80 ms)")
                        .arg(recordsPerContact),
                    n, openMs, 80.0);

    SqliteReader reader(path);
    const QString cardSql =
        QStringLiteral("SELECT ID, CID, LxDate, NextDate, Remark, IsRemind FROM "
                       "Vardelin_History WHERE CID = ? ORDER BY LxDate DESC, ID DESC");
    HistoryPage page(db, prompter, contactId, true);
    const Bench::Medians list = Bench::compare(
        runs,
        [&] {
            if (Status listed = page.GJHistory(); !listed)
                Bench::fail(QStringLiteral("GJHistory failed"));
        },
        [&] { reader.readAll(cardSql, {contactId}); });
    Bench::printRow(
        QStringLiteral("history: GJHistory, %1 records into ListLx").arg(recordsPerContact), n,
        list.ours, list.floor);

    const QString paneSql =
        QStringLiteral("SELECT ID, CID, LxDate, NextDate, Remark, IsRemind FROM "
                       "Vardelin_History WHERE CID = ? ORDER BY ID");
    qsizetype paneChars = 0;
    const Bench::Medians pane = Bench::compare(
        runs,
        [&] {
            auto records = HistoryRecords::forPane(db, contactId);
            if (!records)
                Bench::fail(QStringLiteral("forPane failed"));
            paneChars += HistoryRecords::paneText(records.value()).size();
        },
        [&] { reader.readAll(paneSql, {contactId}); });
    Bench::printRow(QStringLiteral("history: pane text of %1 records").arg(recordsPerContact), n,
                    pane.ours, pane.floor);

    QTextStream(stderr) << "bench_history: contact " << contactId << ", " << runs << " runs, "
                        << paneChars << " pane characters\n";
    return 0;
}
