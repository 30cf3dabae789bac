// SPDX-License-Identifier: GPL-3.0-or-later
// Times finding the duplicate contacts of the whole address book, for the administrator and for
// one account, against stepping the same rows through SQLite alone.
#include "BenchSupport.h"

#include "contacts/DuplicateFinder.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QTextStream>

#include <ctime>

namespace {

std::size_t members(const std::vector<DuplicateGroup>& groups)
{
    std::size_t count = 0;
    for (const DuplicateGroup& group : groups)
        count += group.size();
    return count;
}

void measure(const Database& db, SqliteReader& reader, qint64 userId, int runs, qint64 n)
{
    const QString floorSql =
        QStringLiteral("SELECT C.ID, C.Name, C.CompanyName, C.Tel1, C.Tel2, C.Tel3, C.Moblie1, "
                       "C.Moblie2, C.Moblie3 FROM Vardelin_Contact C JOIN Vardelin_Type T ON "
                       "T.ID = C.TID") +
        (userId == 1 ? QString() : QStringLiteral(" WHERE C.UID = ?")) +
        QStringLiteral(" ORDER BY C.ID");
    const QVariantList floorValues = userId == 1 ? QVariantList{} : QVariantList{userId};
    std::vector<DuplicateGroup> found;
    std::vector<double> cpuMs;
    const Bench::Medians medians = Bench::compare(
        runs,
        [&] {
            const std::clock_t started = std::clock();
            auto groups = DuplicateFinder::find(db, userId);
            cpuMs.push_back(1000.0 * double(std::clock() - started) / CLOCKS_PER_SEC);
            if (!groups)
                Bench::fail(QStringLiteral("finding failed: ") + groups.error().description);
            found = std::move(groups).value();
        },
        [&] { reader.readAll(floorSql, floorValues); });
    const QString who = userId == 1 ? QStringLiteral("administrator, all contacts")
                                    : QStringLiteral("account %1, its own").arg(userId);
    Bench::printRow(QStringLiteral("duplicates: find every group (%1; %2 groups of %3 contacts; "
                                   "target 1000 ms)")
                        .arg(who)
                        .arg(found.size())
                        .arg(members(found)),
                    n, medians.ours, medians.floor);
    // The machine's other work slows the clock on the wall, not the time the finding itself takes.
    Bench::printRow(QStringLiteral("duplicates: the same, CPU time of the finding (%1)").arg(who),
                    n, Bench::median(cpuMs));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_duplicates"), QStringLiteral("bench_makedata writes the database"));
    const int runs = args.runs > 0 ? args.runs : 7;

    Database db;
    Bench::open(db, args.path);
    SqliteReader reader(args.path);
    const qint64 n =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    measure(db, reader, 1, runs, n);
    measure(db, reader, 2, runs, n);
    QTextStream(stderr) << "bench_duplicates: " << runs << " runs, peak RSS " << Bench::peakRssMiB()
                        << " MiB\n";
    return 0;
}
