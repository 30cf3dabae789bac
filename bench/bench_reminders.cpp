// SPDX-License-Identifier: GPL-3.0-or-later
// Times the start-up reminder's due list over a generated address book with 2,000 history
// records (a quarter flagged and due) and 1,000 lunar birthdays, against a bare scan of the
// contacts' two date columns and the records' next-contact dates.
#include "BenchSupport.h"

#include "db/Database.h"
#include "history/Reminders.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int records = 2000;
constexpr int lunarContacts = 1000;

void addRecordsAndMarks(const Database& db, QDate today)
{
    const Status filled = db.transaction([&]() -> Status {
        for (const char* sql :
             {"DELETE FROM Vardelin_History", "DELETE FROM Vardelin_LunarBirthday"}) {
            if (Status cleared = db.exec(QString::fromLatin1(sql)); !cleared)
                return cleared;
        }
        for (int i = 0; i < records; ++i) {
            const QString next = today.addDays(i % 40 - 10).toString(Qt::ISODate);
            if (Status added = db.exec(
                    QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                                   "IsRemind) SELECT ID, '2026-01-01', ?, '回访', ? FROM "
                                   "Vardelin_Contact ORDER BY ID LIMIT 1 OFFSET ?"),
                    {next, i % 2, i * 37});
                !added)
                return added;
        }
        return db.exec(QStringLiteral("INSERT INTO Vardelin_LunarBirthday (CID) SELECT ID FROM "
                                      "Vardelin_Contact WHERE Birthday IS NOT NULL ORDER BY ID "
                                      "LIMIT ?"),
                       {lunarContacts});
    });
    if (!filled)
        Bench::fail(QStringLiteral("cannot write the records: ") + filled.error().description);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_reminders"), QStringLiteral("bench_makedata writes the database"));
    const int runs = args.runs > 0 ? args.runs : 11;
    const QDate today = QDate::currentDate();

    Database db;
    Bench::open(db, args.path);
    addRecordsAndMarks(db, today);
    const qint64 n =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();

    SqliteReader reader(args.path);
    size_t items = 0;
    const Bench::Medians due = Bench::compare(
        runs,
        [&] {
            auto found = Reminders::due(db, 1, today);
            if (!found)
                Bench::fail(QStringLiteral("due failed: ") + found.error().description);
            items = found.value().followUps.size() + found.value().days.size();
        },
        [&] {
            reader.readAll(QStringLiteral("SELECT ID, Birthday, MemorialDay FROM Vardelin_Contact"),
                           {});
            reader.readAll(QStringLiteral("SELECT CID, NextDate FROM Vardelin_History"), {});
        });
    Bench::printRow(QStringLiteral("reminders: due list at start-up (administrator)"), n, due.ours,
                    due.floor);
    QTextStream(stderr) << "bench_reminders: " << items << " due items, " << runs << " runs\n";
    return 0;
}
