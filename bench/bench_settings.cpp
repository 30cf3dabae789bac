// SPDX-License-Identifier: GPL-3.0-or-later
// Times the settings window: opening it (built, loaded, shown and painted) beside a bare Qt
// dialog of the same pages and rows, and confirming it with every column row (44 in a new
// address book) beside the list rebuild that follows a confirm.
//
// usage: bench_settings <database> [--runs n] [--compact]
// --compact also times the compaction that closing with IsZip on runs, on a copy of the file.
// The confirm writes back the values it loaded, so the file keeps its settings.
#include "BenchPrompter.h"
#include "BenchSupport.h"

#include "admin/ColumnSettings.h"
#include "admin/frmSystem.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"
#include "db/Compaction.h"
#include "db/Database.h"
#include "db/Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTextStream>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

// The least a dialog of the same shape costs: five pages, six boxes, a list of the
// accounts and a checkable list of the column rows, all from memory.
std::unique_ptr<QDialog> bareDialog(const std::vector<ColumnSetting>& columns)
{
    auto dialog = std::make_unique<QDialog>();
    auto* tabs = new QTabWidget(dialog.get());
    auto* options = new QWidget;
    auto* optionsLayout = new QVBoxLayout(options);
    for (int i = 0; i < 6; ++i)
        optionsLayout->addWidget(new QCheckBox(QStringLiteral("选项"), options));
    tabs->addTab(options, QStringLiteral("基本选项"));
    auto* accounts = new QTreeWidget;
    new QTreeWidgetItem(accounts, {QStringLiteral("admin"), QStringLiteral("Silver")});
    tabs->addTab(accounts, QStringLiteral("用户设置"));
    auto* list = new QTreeWidget;
    list->setColumnCount(3);
    for (const ColumnSetting& column : columns) {
        auto* row = new QTreeWidgetItem(
            list, {column.caption, QString::number(column.width), QString::number(column.seq)});
        row->setCheckState(0, column.shown ? Qt::Checked : Qt::Unchecked);
    }
    tabs->addTab(list, QStringLiteral("自 定 义"));
    tabs->addTab(new QWidget, QStringLiteral("导入导出"));
    tabs->addTab(new QWidget, QStringLiteral("修改密码"));
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addWidget(tabs);
    layout->addWidget(new QPushButton(QStringLiteral("确定(&O)"), dialog.get()));
    dialog->resize(460, 420);
    return dialog;
}

Status rebuildList(const Database& db, ContactListView& view, bool top)
{
    ContactListFilter filter;
    filter.top = top;
    auto rows = ContactListLoader::load(db, filter);
    if (!rows)
        return rows.error();
    view.showRows(std::move(rows).value(), {}, {});
    return {};
}

void measureOpening(Database& db, Session& session, Prompter& prompter, int runs, qint64 n)
{
    auto columns = ColumnSettings::read(db);
    if (!columns)
        Bench::fail(QStringLiteral("cannot read the columns: ") + columns.error().description);
    std::vector<double> oursMs;
    std::vector<double> floorMs;
    for (int run = 0; run <= runs; ++run) {
        std::unique_ptr<frmSystem> window;
        const double ours = Bench::elapsedMs([&] {
            window = std::make_unique<frmSystem>(db, session, prompter, [] { return Status{}; });
            if (Status loaded = window->load(); !loaded)
                Bench::fail(QStringLiteral("cannot load: ") + loaded.error().description);
            window->show();
            QCoreApplication::processEvents();
            window->repaint(); // painted now, not whenever the platform gets to it
        });
        window.reset();
        std::unique_ptr<QDialog> bare;
        const double floor = Bench::elapsedMs([&] {
            bare = bareDialog(columns.value());
            bare->show();
            QCoreApplication::processEvents();
            bare->repaint();
        });
        bare.reset();
        if (run > 0) {
            oursMs.push_back(ours);
            floorMs.push_back(floor);
        }
    }
    Bench::printRow(
        QStringLiteral("settings window: open, load, show (%1 column rows; target 60 ms)")
            .arg(columns.value().size()),
        n, Bench::median(oursMs), Bench::median(floorMs));
}

void measureConfirm(Database& db, Session& session, Prompter& prompter, int runs, qint64 n,
                    bool top)
{
    ContactListView view;
    session.options.isTop = top;
    if (Status built = rebuildList(db, view, top); !built)
        Bench::fail(QStringLiteral("cannot build the list: ") + built.error().description);
    std::vector<double> writeMs;
    std::vector<double> confirmMs;
    std::vector<double> listMs;
    for (int run = 0; run <= runs; ++run) {
        for (bool withList : {false, true}) {
            frmSystem window(db, session, prompter, [&]() -> Status {
                return withList ? rebuildList(db, view, top) : Status{};
            });
            if (Status loaded = window.load(); !loaded)
                Bench::fail(QStringLiteral("cannot load: ") + loaded.error().description);
            auto* ok = window.findChild<QPushButton*>(QStringLiteral("Button_OK"));
            const double ms = Bench::elapsedMs([&] { ok->click(); });
            if (window.result() != QDialog::Accepted)
                Bench::fail(QStringLiteral("the confirm did not close the window"));
            if (run > 0)
                (withList ? confirmMs : writeMs).push_back(ms);
        }
        const double listing = Bench::elapsedMs([&] {
            if (Status built = rebuildList(db, view, top); !built)
                Bench::fail(built.error().description);
        });
        if (run > 0)
            listMs.push_back(listing);
    }
    const QString rows = QString::number(view.model()->rowCount());
    const QString cap = top ? QStringLiteral("Top 500 on") : QStringLiteral("Top 500 off");
    Bench::printRow(
        QStringLiteral("settings window: confirm, writes only, %1 (target 50 ms)").arg(cap), n,
        Bench::median(writeMs));
    Bench::printRow(QStringLiteral("settings window: confirm with the list rebuild vs the "
                                   "rebuild alone (%1 rows, %2; target +50 ms)")
                        .arg(rows, cap),
                    n, Bench::median(confirmMs), Bench::median(listMs));
}

// Compacting runs once per close, so it is timed once, on a copy of the file with a tenth of
// its contacts deleted.
void measureCompaction(const QString& path, qint64 n)
{
    const auto timed = [](const Database& on) {
        Result<Compaction::Outcome> outcome = Compaction::Outcome::SkippedLocked;
        const double ms = Bench::elapsedMs([&] { outcome = Compaction::run(on); });
        if (!outcome)
            Bench::fail(QStringLiteral("the compaction failed: ") + outcome.error().description);
        if (outcome.value() != Compaction::Outcome::Compacted)
            Bench::fail(QStringLiteral("the compaction was skipped: the file is held"));
        return ms;
    };
    const qint64 size = QFileInfo(path).size() / (1024 * 1024);
    const QString copyPath = path + QStringLiteral(".compact");
    QFile::remove(copyPath);
    if (!QFile::copy(path, copyPath))
        Bench::fail(QStringLiteral("cannot copy the file to ") + copyPath);
    {
        Database copy;
        if (Status opened = copy.open(copyPath); !opened)
            Bench::fail(opened.error().description);
        if (Status deleted =
                copy.exec(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID % 10 = 0"));
            !deleted)
            Bench::fail(deleted.error().description);
        const double ms = timed(copy);
        Bench::printRow(QStringLiteral("closing with IsZip, a tenth deleted: VACUUM of a %1 MB "
                                       "file to %2 MB (one run)")
                            .arg(size)
                            .arg(QFileInfo(copyPath).size() / (1024 * 1024)),
                        n, ms);
    }
    QFile::remove(copyPath);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_settings"), QStringLiteral("bench_makedata writes the database"));
    const QString path = args.path;
    int runs = args.runs;

    Database db;
    Bench::open(db, path);
    auto count = db.query(QStringLiteral("SELECT count(*) FROM Vardelin_Contact"));
    if (!count || !count.value().next())
        Bench::fail(QStringLiteral("cannot count the contacts"));
    const qint64 n = count.value().value(0).toLongLong();
    count.value().finish(); // an open statement would keep VACUUM from running
    if (runs <= 0)
        runs = n > 20000 ? 7 : 11;

    Session session;
    auto options = SystemOptions::read(db);
    if (!options)
        Bench::fail(options.error().description);
    session.options = options.value();
    session.options.isAllUser = true;
    BenchPrompter prompter;
    measureOpening(db, session, prompter, runs, n);
    for (bool top : {true, false})
        measureConfirm(db, session, prompter, runs, n, top);
    if (args.flags.contains(QStringLiteral("--compact")))
        measureCompaction(path, n);
    QTextStream(stderr) << "bench_settings: " << runs << " runs\n";
    return 0;
}
