// SPDX-License-Identifier: GPL-3.0-or-later
// Times an address book kept on a PostgreSQL server: one of the benchmark's own, started on this
// machine as the tests start theirs (tests/support/PgServer) and reached through a Unix socket.
// Copying a book with its files in (--copy) against pg_dump | psql of the same database; the
// whole list against the same statement read through libpq; searches; opening a card; a
// colleague's change on the screen.
#include "BenchPrompter.h"
#include "BenchSupport.h"
#include "CardOpening.h"
#include "ColleagueChange.h"
#include "PgServer.h"

#include "card/frmCard.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ListColumns.h"
#include "db/BookCopy.h"
#include "db/Database.h"
#include "db/ServerRows.h"
#include "db/Session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <libpq-fe.h>

namespace {

constexpr int fileMiB = 10;

// Reads every row of a statement through libpq with nothing in between: the least any program
// pays for them on this server.
class PqReader {
public:
    explicit PqReader(const QString& url)
        : m_connection(PQconnectdb(url.toUtf8().constData()))
    {
        if (PQstatus(m_connection) != CONNECTION_OK)
            Bench::fail(QStringLiteral("libpq: ") +
                        QString::fromUtf8(PQerrorMessage(m_connection)));
    }
    ~PqReader() { PQfinish(m_connection); }
    PqReader(const PqReader&) = delete;
    PqReader& operator=(const PqReader&) = delete;

    qint64 readAll(const ContactListStatement& statement)
    {
        std::vector<QByteArray> texts;
        for (const QVariant& value : statement.values)
            texts.push_back(value.toString().toUtf8());
        std::vector<const char*> values;
        for (const QByteArray& text : texts)
            values.push_back(text.constData());
        PGresult* result =
            PQexecParams(m_connection, ServerRows::numbered(statement.sql).toUtf8().constData(),
                         int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
        if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            const QString error = QString::fromUtf8(PQresultErrorMessage(result));
            PQclear(result);
            Bench::fail(QStringLiteral("libpq: ") + error);
        }
        const int rows = PQntuples(result);
        const int columns = PQnfields(result);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column)
                m_bytesRead += quint64(PQgetlength(result, row, column)) +
                               quint64(*PQgetvalue(result, row, column) != 0);
        }
        PQclear(result);
        return rows;
    }

    quint64 bytesRead() const { return m_bytesRead; }

private:
    PGconn* m_connection;
    quint64 m_bytesRead = 0;
};

// Adds files of fileMiB each, of random bytes as a compressed picture or document holds, to the
// book until they make up mebibytes.
void addFiles(const QString& path, int mebibytes)
{
    Database db;
    Bench::open(db, path);
    const qint64 contact =
        Bench::scalar(db, QStringLiteral("SELECT min(ID) FROM Vardelin_Contact")).toLongLong();
    QByteArray bytes(fileMiB * 1024 * 1024, Qt::Uninitialized);
    for (int file = 0; file * fileMiB < mebibytes; ++file) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              bytes.size() / 4);
        const Status added = db.exec(
            QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name, Ext, \"UpDate\", Size, "
                           "Files) VALUES (?, '文档', ?, 'pdf', '2026-12-07', ?, ?)"),
            {contact, QStringLiteral("报告%1").arg(file), bytes.size(), bytes});
        if (!added)
            Bench::fail(QStringLiteral("cannot add a file: ") + added.error().description);
    }
}

double copyToServerMs(const QString& from, const QString& url)
{
    QElapsedTimer clock;
    clock.start();
    const auto copied = BookCopy::copy(from, url);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!copied)
        Bench::fail(QStringLiteral("--copy failed: ") + copied.error().description);
    return ms;
}

// The floor of a copy: PostgreSQL's own dump of the database, read into an empty one.
double dumpAndRestoreMs(const QString& from, const QString& to)
{
    QProcess shell;
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-o"), QStringLiteral("pipefail"), QStringLiteral("-c"),
                 QStringLiteral("pg_dump --no-owner \"$1\" | psql -q -v ON_ERROR_STOP=1 \"$2\" "
                                ">/dev/null"),
                 QStringLiteral("dump"), from, to});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        Bench::fail(QStringLiteral("pg_dump | psql failed"));
    return double(clock.nsecsElapsed()) / 1e6;
}

void timeTheList(const Database& db, const QString& url, qint64 n, int runs)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        Bench::fail(QStringLiteral("cannot read the columns: ") + columns.error().description);
    const ContactListFilter everyone;
    const ContactListStatement statement = ContactListQuery::build(columns.value(), everyone);
    PqReader libpq(url);
    qint64 rowsRead = 0;
    const Bench::Medians list = Bench::compare(
        runs,
        [&] {
            auto rows = ContactListLoader::load(db, columns.value(), everyone);
            if (!rows)
                Bench::fail(QStringLiteral("the list failed: ") + rows.error().description);
            rowsRead = qint64(rows.value().ids.size());
        },
        [&] { libpq.readAll(statement); });
    if (rowsRead != n)
        Bench::fail(QStringLiteral("the list read %1 rows of %2").arg(rowsRead).arg(n));
    Bench::printRow(QStringLiteral("server: the whole list, every row read (floor: the same "
                                   "statement through libpq; target 1.5x)"),
                    n, list.ours, list.floor);
}

void timeSearches(const Database& db, qint64 n, int runs)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        Bench::fail(QStringLiteral("cannot read the columns: ") + columns.error().description);
    QStringList figures;
    double slowest = 0;
    for (const QString& keyword :
         {QStringLiteral("王"), QStringLiteral("Wang"), QStringLiteral("wang"),
          QStringLiteral("zs"), QStringLiteral("139-5678"), QStringLiteral("王小明")}) {
        ContactListFilter filter;
        filter.keyword = keyword;
        std::vector<double> samples;
        for (int run = 0; run <= runs; ++run) {
            const double ms = Bench::elapsedMs([&] {
                if (!ContactListLoader::load(db, columns.value(), filter))
                    Bench::fail(QStringLiteral("the search for %1 failed").arg(keyword));
            });
            if (run > 0) // the first warms the server's caches
                samples.push_back(ms);
        }
        const double median = Bench::median(samples);
        slowest = std::max(slowest, median);
        figures << QStringLiteral("%1 %2").arg(keyword).arg(median, 0, 'f', 1);
    }
    Bench::printRow(QStringLiteral("server: search, every row found read, slowest of 王 / Wang / "
                                   "wang / zs / 139-5678 / 王小明 (target 100 ms)"),
                    n, slowest);
    QTextStream(stderr) << "bench_server: searches (ms) " << figures.join(QStringLiteral(", "))
                        << '\n';
}

void timeTheCard(Database& db, qint64 n, int runs)
{
    const qint64 contactId =
        Bench::scalar(
            db, QStringLiteral("SELECT ID FROM Vardelin_Contact ORDER BY ID LIMIT 1 OFFSET ?"),
            {n / 2})
            .toLongLong();
    BenchPrompter prompter{true};
    const CardRequest request{true, contactId, 0, false};
    const double openMs = Bench::medianCardOpenMs(db, prompter, request, runs, [](frmCard& card) {
        if (card.loadError())
            Bench::fail(QStringLiteral("the card did not load its contact"));
    });
    Bench::printRow(QStringLiteral("server: open an edit card (target 50 ms)"), n, openMs);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_server"),
        QStringLiteral("bench_makedata writes the database; --files-mb N adds N MiB of files "
                       "before the copy (default 1024)"));
    int filesMiB = 1024;
    for (const QString& flag : args.flags) {
        if (flag.startsWith(QStringLiteral("--files-mb=")))
            filesMiB = flag.section(u'=', 1).toInt();
    }
    const int runs = args.runs > 0 ? args.runs : 7;

    PgServer& server = PgServer::instance();
    if (!server.ok())
        Bench::fail(QStringLiteral("no PostgreSQL server: ") + server.error());
    QTemporaryDir folder;
    const QString book = folder.filePath(QStringLiteral("contacts.db"));
    if (!QFile::copy(args.path, book))
        Bench::fail(QStringLiteral("cannot copy ") + args.path);
    addFiles(book, filesMiB);

    const QString url = server.createDatabase();
    const double copyMs = copyToServerMs(book, url);
    const double dumpMs = dumpAndRestoreMs(url, server.createDatabase());

    Database db;
    Bench::open(db, url);
    const qint64 n =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    Bench::printRow(QStringLiteral("server: --copy of the book with %1 MiB of files into an "
                                   "empty database (floor: pg_dump | psql of it; target 2x)")
                        .arg(filesMiB),
                    n, copyMs, dumpMs);
    timeTheList(db, url, n, runs);
    timeSearches(db, n, runs);
    timeTheCard(db, n, runs);
    db.close();
    Bench::printRow(QStringLiteral("server: a colleague's rename on screen, from its commit to "
                                   "the paint of the list (target 2 s)"),
                    n, Bench::median(ColleagueChange::timesMs(url, runs)));
    QTextStream(stderr) << "bench_server: PostgreSQL on a Unix socket, " << runs << " runs\n";
    return 0;
}
