// SPDX-License-Identifier: GPL-3.0-or-later
// Times the sync with an address-book server (a local Radicale started here): the first upload
// against vdirsyncer uploading the same cards to the same server in the same run, then, with
// every contact of the generated book on the server, a sync with nothing changed and a sync
// after 10 changes on each side.
//
// usage: bench_sync <database> [--runs n] [--upload=n]
//   --upload=n  the cards of the first-upload comparison (default 1000): the server looks
//               through the whole address book for each new card's UID, so an upload costs it
//               time in proportion to the square of the count whichever client sends it;
//               0 leaves the comparison out.
#include "BenchSupport.h"
#include "RadicaleServer.h"

#include "db/BookIdentity.h"
#include "db/Database.h"
#include "sync/DavClient.h"
#include "sync/LocalCards.h"
#include "sync/SyncEngine.h"
#include "sync/SyncState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const QString user = QStringLiteral("alice");
const QString password = QStringLiteral("secret");

SyncScope everyone()
{
    return SyncScope{1, true, {}, 1, QDate::currentDate()};
}

// The card each contact goes up as: what the sync writes, with the UID it gives.
QList<std::pair<QString, QByteArray>> cardsOf(const Database& db, const QList<qint64>& ids)
{
    const QUuid book = BookIdentity::read(db).value();
    QList<std::pair<QString, QByteArray>> cards;
    for (qint64 id : ids) {
        auto card = LocalCards::read(db, id);
        if (!card || !card.value())
            Bench::fail(QStringLiteral("cannot read contact %1").arg(id));
        VCardContact contact = *card.value();
        contact.uid = BookIdentity::contactUid(book, id);
        cards.append(
            {contact.uid.section(u':', -1) + QStringLiteral(".vcf"), VCard::write(contact)});
    }
    return cards;
}

QList<qint64> contactIds(const Database& db, int limit)
{
    auto rows =
        db.query(QStringLiteral("SELECT ID FROM Vardelin_Contact ORDER BY ID LIMIT ?"), {limit});
    if (!rows)
        Bench::fail(rows.error().description);
    QList<qint64> ids;
    while (rows.value().next())
        ids << rows.value().value(0).toLongLong();
    return ids;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        Bench::fail(QStringLiteral("cannot write %1").arg(path));
}

// A sync's wall time, and the part of it spent waiting for the server's answers (each request
// from its sending to the answer's last byte, our reading done meanwhile left out).
struct SyncTime {
    SyncSummary summary;
    double ms = 0;
    double serverMs = 0;
    QStringList requests; // "PROPFIND 301.2", …
};

SyncTime timedSync(const Database& db, const QUrl& book, QString& token,
                   int timeoutMs = DavClient::timeoutMs)
{
    DavClient client(user, password);
    client.setTimeout(timeoutMs);
    Result<SyncSummary> summary = DbError{};
    SyncTime time;
    time.ms = Bench::elapsedMs(
        [&] { summary = SyncEngine::run(db, client, book, token, everyone(), {}); });
    if (!summary)
        Bench::fail(QStringLiteral("sync: ") + summary.error().description);
    token = summary.value().syncToken;
    time.summary = summary.value();
    for (const DavClient::SentRequest& request : client.sent()) {
        time.serverMs += request.milliseconds;
        time.requests << QString::fromLatin1(request.verb) + u' ' +
                             QString::number(request.milliseconds, 'f', 1);
    }
    return time;
}

// Medians of the syncs' wall time and server share, and what the median run sent.
void printSyncs(const QString& measurement, qint64 n, const std::vector<SyncTime>& syncs,
                std::optional<double> floor = std::nullopt)
{
    std::vector<double> walls;
    std::vector<double> servers;
    for (const SyncTime& sync : syncs) {
        walls.push_back(sync.ms);
        servers.push_back(sync.serverMs);
    }
    Bench::printRow(measurement, n, Bench::median(walls), floor);
    const double middle = Bench::median(walls);
    const auto median = std::min_element(syncs.begin(), syncs.end(), [&](auto& a, auto& b) {
        return std::abs(a.ms - middle) < std::abs(b.ms - middle);
    });
    std::printf("  waiting for the server: median %.1f ms; the median run sent %s\n",
                Bench::median(servers), qPrintable(median->requests.join(QStringLiteral(", "))));
}

// vdirsyncer uploading the cards of a folder to the address book: its sync, timed (the
// discovery before it is not).
double vdirsyncerUpload(const QString& folder, const QUrl& book, const QString& work)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("vdirsyncer"));
    if (program.isEmpty())
        Bench::fail(QStringLiteral("vdirsyncer is not installed (Debian package vdirsyncer)"));
    const QString config =
        QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n[pair book]\na = \"local\"\n"
                       "b = \"remote\"\ncollections = null\n[storage local]\ntype = "
                       "\"filesystem\"\npath = \"%2/\"\nfileext = \".vcf\"\n[storage remote]\n"
                       "type = \"carddav\"\nurl = \"%3\"\nusername = \"%4\"\npassword = \"%5\"\n")
            .arg(work, folder, book.toString(), user, password);
    writeFile(work + QStringLiteral("/config"), config.toUtf8());
    const auto run = [&](const QString& command) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, {QStringLiteral("-c"), work + QStringLiteral("/config"), command});
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            Bench::fail(QStringLiteral("vdirsyncer %1: ").arg(command) +
                        QString::fromUtf8(process.readAll()));
    };
    run(QStringLiteral("discover"));
    return Bench::elapsedMs([&] { run(QStringLiteral("sync")); });
}

void firstUpload(const QString& path, int count, RadicaleServer& server, const QString& work)
{
    // Ours: a copy of the book cut to the first count contacts.
    const QString copy = work + QStringLiteral("/upload.db");
    QFile::copy(path, copy);
    Database db;
    Bench::open(db, copy);
    if (Status cut = db.exec(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID NOT IN "
                                            "(SELECT ID FROM Vardelin_Contact ORDER BY ID "
                                            "LIMIT ?)"),
                             {count});
        !cut)
        Bench::fail(cut.error().description);
    server.addAddressBook(QStringLiteral("ours"), QStringLiteral("ours"));
    server.addAddressBook(QStringLiteral("theirs"), QStringLiteral("theirs"));
    const QUrl ours = server.root().resolved(QUrl(QStringLiteral("alice/ours/")));
    const QUrl theirs = server.root().resolved(QUrl(QStringLiteral("alice/theirs/")));

    const QString folder = work + QStringLiteral("/cards");
    QDir().mkpath(folder);
    for (const auto& [name, text] : cardsOf(db, contactIds(db, count)))
        writeFile(folder + u'/' + name, text);
    QString token;
    const double oursMs = timedSync(db, ours, token).ms;
    const double theirsMs = vdirsyncerUpload(folder, theirs, work);
    Bench::printRow(QStringLiteral("sync: first upload (floor: vdirsyncer)"), count, oursMs,
                    theirsMs);
}

// Every contact of the book on the server, written there as files the way the sync would
// upload them, and one sync to record them: the state after a first upload, without the
// server's hours of looking for each new card's UID.
void seedServer(const Database& db, const RadicaleServer& server, int count)
{
    for (const auto& [name, text] : cardsOf(db, contactIds(db, count)))
        writeFile(server.storageFolder() + u'/' + name, text);
}

// Ten contacts changed here and ten others changed on the server by another client.
void changeTenEachSide(const Database& db, const QUrl& book, int round)
{
    const QString tel = QStringLiteral("0755-%1").arg(round);
    if (Status here = db.exec(QStringLiteral("UPDATE Vardelin_Contact SET Tel1 = ? WHERE ID IN "
                                             "(SELECT ID FROM Vardelin_Contact ORDER BY ID "
                                             "LIMIT 10 OFFSET ?)"),
                              {tel, 100 * round});
        !here)
        Bench::fail(here.error().description);
    // The cards of the other side taken from the sync's own state: a listing of 10,000 cards
    // keeps the server silent for longer than a client waits.
    auto state = SyncState::read(db, 1);
    if (!state)
        Bench::fail(state.error().description);
    QStringList all = state.value().keys();
    all.sort();
    QStringList hrefs;
    for (int i = 0; i < 10; ++i)
        hrefs << all.at((all.size() / 2 + 100 * round + i) % all.size());
    DavClient other(user, password);
    auto cards = other.fetch(book, hrefs);
    if (!cards)
        Bench::fail(cards.error().description);
    for (const FetchedCard& card : cards.value()) {
        QUrl url = book;
        url.setPath(card.href);
        // The multistatus's XML gives the card's lines ending in LF alone.
        QByteArray text = card.text;
        const QByteArray note = "NOTE:changed on the phone " + QByteArray::number(round) + '\n';
        text.replace("END:VCARD", QByteArray(note + "END:VCARD"));
        if (auto put = other.put(url, text, card.etag); !put || put.value().conflict)
            Bench::fail(QStringLiteral("cannot change %1 on the server").arg(card.href));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const Bench::Arguments arguments =
        Bench::databaseArguments(QStringLiteral("bench_sync"), QStringLiteral("[--upload=n]"));
    const int runs = arguments.runs > 0 ? arguments.runs : 5;
    int upload = 1000;
    for (const QString& flag : arguments.flags)
        if (flag.startsWith(QStringLiteral("--upload=")))
            upload = flag.section(u'=', 1).toInt();

    // Static: a failure's exit stops the server too.
    static RadicaleServer server;
    if (!server.error().isEmpty())
        Bench::fail(server.error());
    QTemporaryDir work;
    if (upload > 0)
        firstUpload(arguments.path, upload, server, work.path());

    const QString copy = work.filePath(QStringLiteral("book.db"));
    QFile::copy(arguments.path, copy);
    Database db;
    Bench::open(db, copy);
    const int count =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt();
    seedServer(db, server, count);
    const QUrl book = server.addressBook();
    // The server reads files it did not write into its cache at their first listing: minutes of
    // silence that an upload would have spread over its requests.
    DavClient warm(user, password);
    warm.setTimeout(3600 * 1000);
    const double warming = Bench::elapsedMs([&] {
        if (!warm.listByPropfind(book))
            Bench::fail(QStringLiteral("the seeded address book cannot be listed"));
    });
    std::printf("server's first listing of the seeded cards: %.0f ms\n", warming);
    QString token;
    // Takes the cards there for ours: the state after an upload. Untimed, and waited for as
    // long as the server's first sync report over them takes.
    std::printf("seeded sync: %.0f ms\n", timedSync(db, book, token, 3600 * 1000).ms);
    std::fflush(stdout); // the timed syncs start: a profiler watching the output may begin

    std::vector<SyncTime> unchanged;
    for (int run = 0; run < runs; ++run)
        unchanged.push_back(timedSync(db, book, token));
    // What any client pays at least: the server's answer to the question whether anything
    // changed (the address book's CTag), and, for comparison, to the sync report from the token.
    std::vector<double> ctag;
    std::vector<double> report;
    for (int run = 0; run < runs; ++run) {
        DavClient client(user, password);
        if (!client.takesOnlyVersion4(book)) // the password challenge passed, untimed
            Bench::fail(QStringLiteral("the version question failed"));
        ctag.push_back(Bench::elapsedMs([&] {
            if (!client.ctag(book))
                Bench::fail(QStringLiteral("the CTag question failed"));
        }));
        report.push_back(Bench::elapsedMs([&] {
            if (!client.list(book, token))
                Bench::fail(QStringLiteral("the sync report failed"));
        }));
    }
    printSyncs(QStringLiteral("sync: nothing changed (floor: the CTag question alone; target "
                              "300 ms)"),
               count, unchanged, Bench::median(ctag));
    std::printf("  the sync report from the token alone: median %.1f ms\n", Bench::median(report));
    std::vector<SyncTime> changed;
    for (int round = 1; round <= runs; ++round) {
        changeTenEachSide(db, book, round);
        changed.push_back(timedSync(db, book, token));
        const SyncSummary& done = changed.back().summary;
        if (done.changedHere != 10 || done.changedThere != 10)
            Bench::fail(
                QStringLiteral("10 changes each side, round %1: %2").arg(round).arg(done.text()));
    }
    printSyncs(QStringLiteral("sync: 10 changes each side (target 1000 ms)"), count, changed);
    return 0;
}
