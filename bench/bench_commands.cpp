// SPDX-License-Identifier: GPL-3.0-or-later
// Times deleting and moving a thousand ticked rows of a full contact list:
// the database's transaction and the list's update together.
#include "BenchSupport.h"

#include "contacts/ContactCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"
#include "db/Database.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <numeric>

namespace {

constexpr int ticked = 1000;

qint64 scalar(const Database& db, const QString& sql)
{
    auto result = db.query(sql);
    if (!result || !result.value().next())
        Bench::fail(QStringLiteral("cannot run ") + sql);
    return result.value().value(0).toLongLong();
}

// Gives one contact in ten a file and a history record, so that a delete
// has their rows to remove as the program's own data would.
void addAttachments(const Database& db)
{
    const Status added = db.transaction([&]() -> Status {
        if (Status files = db.exec(QStringLiteral(
                "INSERT INTO Vardelin_Files (CID, Type, Name, Files, Ext, \"UpDate\", Size) "
                "SELECT ID, 'F', 'note', zeroblob(512), 'txt', '2024-01-01', 512 "
                "FROM Vardelin_Contact WHERE ID % 10 = 3"));
            !files)
            return files;
        return db.exec(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, Remark) "
                                      "SELECT ID, '2024-01-01', 'met' FROM Vardelin_Contact "
                                      "WHERE ID % 10 = 3"));
    });
    if (!added)
        Bench::fail(QStringLiteral("cannot add attachments: ") + added.error().description);
}

// Unticks everything and ticks count rows picked at random.
void tickRandomRows(ContactTableModel& model, QRandomGenerator& random, int count)
{
    model.setAllChecked(false);
    std::vector<int> rows(model.rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    std::shuffle(rows.begin(), rows.end(), random);
    for (int i = 0; i < count && i < int(rows.size()); ++i)
        model.setData(model.index(rows[i], 0), Qt::Checked, Qt::CheckStateRole);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bench::Arguments options = Bench::databaseArguments(
        QStringLiteral("bench_commands"),
        QStringLiteral("works on a copy; bench_makedata writes the database"));
    if (options.runs <= 0)
        options.runs = 7;

    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("DB.xml"));
    if (!folder.isValid() || !QFile::copy(options.path, copy))
        Bench::fail(QStringLiteral("cannot copy the database"));
    Database db;
    if (Status opened = db.open(copy); !opened)
        Bench::fail(QStringLiteral("cannot open: ") + opened.error().description);
    addAttachments(db);
    const qint64 n = scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact"));
    const qint64 target = scalar(db, QStringLiteral("SELECT max(ID) FROM Vardelin_Type"));

    auto rows = ContactListLoader::load(db, ContactListFilter{});
    if (!rows)
        Bench::fail(QStringLiteral("cannot load the list: ") + rows.error().description);
    ContactListView view;
    view.resize(1000, 700);
    view.showRows(std::move(rows).value(), {}, {});
    ContactTableModel& model = *view.contacts();
    QRandomGenerator random(20240101);

    std::vector<double> deleteMs;
    std::vector<double> moveMs;
    std::vector<double> listMs;
    for (int run = 0; run <= options.runs; ++run) {
        tickRandomRows(model, random, ticked);
        const int before = model.rowCount();
        double listPart = 0;
        const double deleted = Bench::elapsedMs([&] {
            const std::vector<qint64> ids = model.checkedIds();
            if (Status done = ContactCommands::deleteContacts(db, ids); !done)
                Bench::fail(QStringLiteral("delete failed: ") + done.error().description);
            listPart = Bench::elapsedMs([&] { view.removeContacts(ids); });
        });
        if (model.rowCount() != before - ticked)
            Bench::fail(QStringLiteral("the list lost a different number of rows"));

        tickRandomRows(model, random, ticked);
        const double moved = Bench::elapsedMs([&] {
            const std::vector<qint64> ids = model.checkedIds();
            auto done = ContactCommands::moveContacts(db, ids, target);
            if (!done || !done.value())
                Bench::fail(QStringLiteral("move failed"));
        });
        if (run == 0)
            continue; // the warm-up
        deleteMs.push_back(deleted);
        listMs.push_back(listPart);
        moveMs.push_back(moved);
    }
    if (scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")) !=
        n - qint64(ticked) * (options.runs + 1))
        Bench::fail(QStringLiteral("the database lost a different number of rows"));

    Bench::printRow(QStringLiteral("delete 1000 ticked rows: transaction and list update"), n,
                    Bench::median(deleteMs));
    Bench::printRow(QStringLiteral("  of which the list update (ContactListView::removeContacts)"),
                    n, Bench::median(listMs));
    Bench::printRow(QStringLiteral("move 1000 ticked rows: transaction"), n, Bench::median(moveMs));
    return 0;
}
