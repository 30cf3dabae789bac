// SPDX-License-Identifier: GPL-3.0-or-later
// Two-way sync against a real server: two address books of this program ("here" and a second
// device) and the server between them, with changes, deletes, conflicts, a 412 found in the
// middle and a sync cut off halfway.
#include "RadicaleServer.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "admin/VCard.h"
#include "db/BookIdentity.h"
#include "db/PictureBag.h"
#include "sync/DavClient.h"
#include "sync/SyncEngine.h"
#include "sync/SyncSettings.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray photo = "\x89PNG\r\n\x1a\n-not-really-a-picture-" + QByteArray(300, 'p');

// One copy of the program with its own address book and sync token.
struct Device {
    explicit Device(Backend backend)
        : book(backend)
    {
    }
    TestDatabase book;
    QString token;
    SyncScope scope{1, true, {}, 1, QDate(2026, 12, 7)};

    Result<SyncSummary> sync(DavClient& client, const QUrl& url, const SyncResolver& resolver = {},
                             const SyncProgress& progress = {})
    {
        auto summary = SyncEngine::run(book.db(), client, url, token, scope, resolver, progress);
        if (summary)
            token = summary.value().syncToken;
        return summary;
    }
    QString field(const QString& name, const QString& column)
    {
        return book.scalar(u"SELECT %1 FROM Vardelin_Contact WHERE Name = ?"_s.arg(column), {name})
            .toString();
    }
    void set(const QString& name, const QString& column, const QString& value)
    {
        book.run(u"UPDATE Vardelin_Contact SET %1 = ? WHERE Name = ?"_s.arg(column), {value, name});
    }
    int contacts() { return book.scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(); }
};

// vdirsyncer, another program's client, syncing the same address book into a folder.
class VdirSyncer {
public:
    explicit VdirSyncer(const QUrl& book)
    {
        const QByteArray config = u"[general]\nstatus_path = \"%1/status/\"\n"
                                  "[pair book]\na = \"local\"\nb = \"remote\"\n"
                                  "collections = null\nconflict_resolution = \"b wins\"\n"
                                  "[storage local]\ntype = \"filesystem\"\npath = \"%2/\"\n"
                                  "fileext = \".vcf\"\n[storage remote]\ntype = \"carddav\"\n"
                                  "url = \"%3\"\nusername = \"alice\"\npassword = \"secret\"\n"_s
                                      .arg(m_dir.path(), folder(), book.toString())
                                      .toUtf8();
        QDir().mkpath(folder());
        QFile file(m_dir.filePath(u"config"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(config) == config.size());
    }
    QString folder() const { return m_dir.filePath(u"cards"_s); }
    // discover then sync; the output when either fails, else empty.
    QString sync()
    {
        const QString program = QStandardPaths::findExecutable(u"vdirsyncer"_s);
        if (program.isEmpty())
            return u"vdirsyncer is not installed (Debian package vdirsyncer)"_s;
        for (const QString& command : {u"discover"_s, u"sync"_s}) {
            QProcess run;
            run.setProcessChannelMode(QProcess::MergedChannels);
            run.start(program, {u"-c"_s, m_dir.filePath(u"config"_s), command});
            if (!run.waitForFinished(60000) || run.exitCode() != 0)
                return QString::fromUtf8(run.readAll());
        }
        return {};
    }
    // One line per card as Python's vobject reads it (read_cards.py).
    QString readWithVobject() const
    {
        QProcess run;
        run.start(u"/usr/bin/python3"_s, {QStringLiteral(READ_CARDS), folder()});
        run.waitForFinished(60000);
        return QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError())
            .trimmed();
    }

private:
    QTemporaryDir m_dir;
};

QString counts(const SyncSummary& s)
{
    const auto n = [](int count) {
        return QString::number(count);
    };
    return u"here +%1 ~%2 -%3 there +%4 ~%5 -%6 conflicts %7/%8 kept %9"_s.arg(
        n(s.addedHere), n(s.changedHere), n(s.deletedHere), n(s.addedThere), n(s.changedThere),
        n(s.deletedThere), n(s.conflictsResolved), n(s.conflictsOpen), n(s.keptBack));
}

} // namespace

class TestSyncEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_server.error().isEmpty(), qPrintable(m_server.error())); }

private:
    QUrl m_url;
    RadicaleServer m_server;
    int m_books = 0;
    DavClient m_client{u"alice"_s, u"secret"_s};
    std::unique_ptr<Device> m_here;
    std::unique_ptr<Device> m_phone;

    int cardsOnServer() const
    {
        return int(QDir(m_server.storageFolder() + u"/../"_s + m_url.path().section(u'/', -2, -2))
                       .entryList({u"*.vcf"_s}, QDir::Files)
                       .size());
    }
    // Both devices synced with a first contact, 张三, in the group 朋友.
    void shareOneContact()
    {
        const qint64 friends = m_here->book.addGroup(1, 1, u"朋友"_s);
        m_here->book.addContact({{u"Name"_s, u"张三"_s},
                                 {u"Tel1"_s, u"010-1"_s},
                                 {u"Mail1"_s, u"z@a.cn"_s},
                                 {u"TID"_s, friends}});
        QVERIFY(m_here->sync(m_client, m_url).ok());
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(m_phone->field(u"张三"_s, u"Tel1"_s), u"010-1"_s);
    }

private slots:
    void init()
    {
        const QString name = u"book%1"_s.arg(++m_books);
        QVERIFY(m_server.addAddressBook(name, name));
        m_url = m_server.root().resolved(QUrl(u"alice/%1/"_s.arg(name)));
        m_here = std::make_unique<Device>(TestDatabase::backendOfRow());
        m_phone = std::make_unique<Device>(Backend::File);
        QVERIFY(m_here->book.ok() && m_phone->book.ok());
    }

    // The program's network module gone (a broken install): the sync says which file is missing
    // and changes nothing on either side.
    void withoutItsHttpModuleNothingIsWritten()
    {
        m_here->book.addContact({{u"Name"_s, u"张三"_s}});
        const QString missing = QDir(QDir::tempPath()).filePath(u"nowhere/libvardelin_http.so"_s);
        DavClient unloaded(u"alice"_s, u"secret"_s, missing);
        auto sync = m_here->sync(unloaded, m_url);
        QVERIFY(!sync.ok());
        QCOMPARE(sync.error().number, SyncErrorCode::NoHttpModule);
        QVERIFY2(sync.error().description.contains(missing), qPrintable(sync.error().description));
        QCOMPARE(m_here->book.scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt(), 0);
        QCOMPARE(m_here->book.scalar(u"SELECT count(*) FROM Vardelin_SyncAccount"_s).toInt(), 0);
        QCOMPARE(cardsOnServer(), 0);
    }

    void changesTravelBothWays()
    {
        const qint64 friends = m_here->book.addGroup(1, 1, u"朋友"_s);
        m_here->book.addContact({{u"Name"_s, u"张三"_s},
                                 {u"Moblie1"_s, u"13800138000"_s},
                                 {u"Custom1"_s, u"自定义值"_s},
                                 {u"TID"_s, friends},
                                 {u"Photo"_s, PictureBag::ofPicture(photo)}});
        m_here->book.addContact({{u"Name"_s, u"李四"_s}, {u"Remark"_s, u"第一行\r\n第二行"_s}});
        auto first = m_here->sync(m_client, m_url);
        QVERIFY2(first.ok(), qPrintable(first.error().description));
        QCOMPARE(counts(first.value()), u"here +0 ~0 -0 there +2 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(cardsOnServer(), 2);

        // The second device gets both, its group made, the photo and our own fields whole.
        auto arrived = m_phone->sync(m_client, m_url);
        QVERIFY2(arrived.ok(), qPrintable(arrived.error().description));
        QCOMPARE(arrived.value().addedHere, 2);
        QCOMPARE(m_phone->field(u"张三"_s, u"Custom1"_s), u"自定义值"_s);
        QCOMPARE(m_phone->field(u"李四"_s, u"Remark"_s), u"第一行\r\n第二行"_s);
        QCOMPARE(m_phone->book.scalar(u"SELECT T.Name FROM Vardelin_Contact C JOIN Vardelin_Type T "
                                      "ON T.ID = C.TID WHERE C.Name = '张三'"_s),
                 u"朋友"_s);
        QCOMPARE(
            PictureBag::pictureOf(
                m_phone->book.scalar(u"SELECT Photo FROM Vardelin_Contact WHERE Name = '张三'"_s)
                    .toByteArray()),
            photo);
        // Nothing changed: nothing written on either side; once the server's CTag is known as
        // that of a sync which wrote nothing there, it alone tells it, and no report is asked.
        const QString nothing = u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s;
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()), nothing);
        DavClient counted(u"alice"_s, u"secret"_s);
        QCOMPARE(counts(m_here->sync(counted, m_url).value()), nothing);
        QStringList asked;
        for (const DavClient::SentRequest& request : counted.sent())
            asked << QString::fromLatin1(request.verb);
        QCOMPARE(asked, (QStringList{u"PROPFIND"_s, u"PROPFIND"_s})); // the version, the CTag

        // A change and a new contact on the second device; a delete here.
        m_phone->set(u"张三"_s, u"Moblie1"_s, u"13900139000"_s);
        m_phone->book.addContact({{u"Name"_s, u"王五"_s}});
        m_here->book.run(u"DELETE FROM Vardelin_Contact WHERE Name = '李四'"_s);
        QCOMPARE(counts(m_phone->sync(m_client, m_url).value()),
                 u"here +0 ~0 -0 there +1 ~1 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()),
                 u"here +1 ~1 -0 there +0 ~0 -1 conflicts 0/0 kept 0"_s);
        QCOMPARE(m_here->field(u"张三"_s, u"Moblie1"_s), u"13900139000"_s);
        QCOMPARE(counts(m_phone->sync(m_client, m_url).value()),
                 u"here +0 ~0 -1 there +0 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(m_here->contacts(), 2);
        QCOMPARE(m_phone->contacts(), 2);
        QCOMPARE(cardsOnServer(), 2);
    }

    // A phone's worth of contacts: the first upload, a sync with nothing to do, then a few
    // changes and a delete on each side.
    void aThousandContacts()
    {
        const auto name = [](int i) {
            return u"联系人%1"_s.arg(i, 4, 10, QChar(u'0'));
        };
        QVERIFY(m_here->book.db().transaction([&]() -> Status {
            for (int i = 0; i < 1000; ++i)
                m_here->book.addContact({{u"Name"_s, name(i)}, {u"Tel1"_s, u"010-%1"_s.arg(i)}});
            return {};
        }));
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()),
                 u"here +0 ~0 -0 there +1000 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(cardsOnServer(), 1000);
        QCOMPARE(m_phone->sync(m_client, m_url).value().addedHere, 1000);
        const QString none = u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s;
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()), none);

        for (int i = 0; i < 3; ++i) {
            m_here->set(name(i), u"Tel1"_s, u"020-%1"_s.arg(i));
            m_phone->set(name(500 + i), u"Tel1"_s, u"021-%1"_s.arg(i));
        }
        m_here->book.run(u"DELETE FROM Vardelin_Contact WHERE Name = ?"_s, {name(999)});
        m_phone->book.run(u"DELETE FROM Vardelin_Contact WHERE Name = ?"_s, {name(998)});
        QCOMPARE(counts(m_phone->sync(m_client, m_url).value()),
                 u"here +0 ~0 -0 there +0 ~3 -1 conflicts 0/0 kept 0"_s);
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()),
                 u"here +0 ~3 -1 there +0 ~3 -1 conflicts 0/0 kept 0"_s);
        QCOMPARE(counts(m_phone->sync(m_client, m_url).value()),
                 u"here +0 ~3 -1 there +0 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()), none);
        QCOMPARE(m_here->field(name(501), u"Tel1"_s), u"021-1"_s);
        QCOMPARE(m_phone->field(name(1), u"Tel1"_s), u"020-1"_s);
        QCOMPARE(m_here->contacts(), 998);
        QCOMPARE(m_phone->contacts(), 998);
        QCOMPARE(cardsOnServer(), 998);
    }

    void onlyTheContactsTakingPartGoUp_data()
    {
        QTest::addColumn<qint64>("account");
        QTest::addColumn<bool>("ticked"); // only the group 朋友 takes part
        QTest::addColumn<QString>("uploaded");
        QTest::newRow("administrator, all groups")
            << qint64(1) << false << u"张三,李四,王五,赵六"_s;
        QTest::newRow("administrator, one group and its subgroup")
            << qint64(1) << true << u"张三,王五,赵六"_s;
        QTest::newRow("another account, all groups") << qint64(2) << false << u"王五"_s;
    }

    void onlyTheContactsTakingPartGoUp()
    {
        QFETCH(qint64, account);
        QFETCH(bool, ticked);
        QFETCH(QString, uploaded);
        const qint64 friends = m_here->book.addGroup(1, 1, u"朋友"_s);
        m_here->book.addContact({{u"Name"_s, u"张三"_s}, {u"TID"_s, friends}});
        m_here->book.addContact({{u"Name"_s, u"李四"_s}});
        m_here->book.addContact({{u"Name"_s, u"王五"_s}, {u"TID"_s, friends}, {u"UID"_s, 2}});
        const qint64 classmates = m_here->book.addGroup(friends, 1, u"同学"_s);
        m_here->book.addContact({{u"Name"_s, u"赵六"_s}, {u"TID"_s, classmates}});
        m_here->scope.accountId = account;
        m_here->scope.everyOwner = account == 1;
        m_here->scope.groupIds = ticked ? QList<qint64>{friends} : QList<qint64>{};
        QVERIFY(m_here->sync(m_client, m_url).ok());
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(m_phone->book
                     .scalar(u"SELECT group_concat(Name) FROM (SELECT Name FROM "
                             "Vardelin_Contact ORDER BY Name)"_s)
                     .toString(),
                 uploaded);
    }

    // This side's digest is kept only by a sync that wrote nothing here, the server's CTag only
    // by one that wrote nothing there: a change, then the same field set back, is a change to
    // send and to take, though each side's contents are what they were before. Here: a book in a
    // file and one on a PostgreSQL server.
    void aValueSetBackAfterTheServersChangeIsSent_data() { TestDatabase::addBackendRows(); }
    void aValueSetBackAfterTheServersChangeIsSent()
    {
        shareOneContact();
        const QString nothing = u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s;
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()), nothing); // the digest kept
        m_phone->set(u"张三"_s, u"Tel1"_s, u"010-9"_s);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()),
                 u"here +0 ~1 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s);
        m_here->set(u"张三"_s, u"Tel1"_s, u"010-1"_s);
        QCOMPARE(counts(m_here->sync(m_client, m_url).value()),
                 u"here +0 ~0 -0 there +0 ~1 -0 conflicts 0/0 kept 0"_s);
        // The server's cards, and so its CTag, are as before the phone wrote its change.
        QCOMPARE(counts(m_phone->sync(m_client, m_url).value()),
                 u"here +0 ~1 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(m_phone->field(u"张三"_s, u"Tel1"_s), u"010-1"_s);
    }

    void bothSidesChanged_data()
    {
        QTest::addColumn<QString>("hereTel");
        QTest::addColumn<QString>("phoneTel");
        QTest::addColumn<QString>("phoneMail");
        QTest::addColumn<QStringList>("takeServer"); // empty with "declined": no choice made
        QTest::addColumn<QString>("telAfter");
        QTest::addColumn<QString>("summary");
        QTest::newRow("same field, the server's value chosen")
            << u"010-2"_s << u"010-3"_s << u"z@a.cn"_s << QStringList{u"Tel1"_s} << u"010-3"_s
            << u"here +0 ~0 -0 there +0 ~0 -0 conflicts 1/0 kept 0"_s;
        QTest::newRow("same field, this side's value chosen")
            << u"010-2"_s << u"010-3"_s << u"z@a.cn"_s << QStringList{} << u"010-2"_s
            << u"here +0 ~0 -0 there +0 ~0 -0 conflicts 1/0 kept 0"_s;
        QTest::newRow("different fields: both kept, nobody asked")
            << u"010-2"_s << u"010-1"_s << u"new@a.cn"_s << QStringList{u"asked"_s} << u"010-2"_s
            << u"here +0 ~1 -0 there +0 ~1 -0 conflicts 0/0 kept 0"_s;
        QTest::newRow("declined: nothing overwritten")
            << u"010-2"_s << u"010-3"_s << u"z@a.cn"_s << QStringList{u"declined"_s} << u"010-2"_s
            << u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/1 kept 0"_s;
    }

    void bothSidesChanged()
    {
        QFETCH(QString, hereTel);
        QFETCH(QString, phoneTel);
        QFETCH(QString, phoneMail);
        QFETCH(QStringList, takeServer);
        QFETCH(QString, telAfter);
        QFETCH(QString, summary);
        shareOneContact();
        m_phone->set(u"张三"_s, u"Tel1"_s, phoneTel);
        m_phone->set(u"张三"_s, u"Mail1"_s, phoneMail);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        m_here->set(u"张三"_s, u"Tel1"_s, hereTel);

        QStringList asked;
        const SyncResolver resolver =
            [&](const SyncConflict& conflict) -> std::optional<QSet<QString>> {
            asked << conflict.columns;
            if (takeServer == QStringList{u"declined"_s})
                return std::nullopt;
            return QSet<QString>(takeServer.begin(), takeServer.end());
        };
        auto settled = m_here->sync(m_client, m_url, resolver);
        QVERIFY2(settled.ok(), qPrintable(settled.error().description));
        QCOMPARE(counts(settled.value()), summary);
        QCOMPARE(asked,
                 takeServer == QStringList{u"asked"_s} ? QStringList{} : QStringList{u"Tel1"_s});
        QCOMPARE(m_here->field(u"张三"_s, u"Tel1"_s), telAfter);
        QCOMPARE(m_here->field(u"张三"_s, u"Mail1"_s), phoneMail);
        // The other side ends with the same card, or, with the choice put off, keeps its own.
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        const bool declined = takeServer == QStringList{u"declined"_s};
        QCOMPARE(m_phone->field(u"张三"_s, u"Tel1"_s), declined ? phoneTel : telAfter);
    }

    // Another program saves a change to the contact while the sync waits for the user's choice:
    // the sync writes nothing over it and leaves the card for the next sync, which merges the
    // change with the server's copy instead of losing it.
    void aChangeSavedWhileTheSyncAsksIsKept_data() { TestDatabase::addBackendRows(); }
    void aChangeSavedWhileTheSyncAsksIsKept()
    {
        shareOneContact();
        m_phone->set(u"张三"_s, u"Tel1"_s, u"010-3"_s);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        m_here->set(u"张三"_s, u"Tel1"_s, u"010-2"_s);
        const SyncResolver savingMeanwhile = [&](const SyncConflict&) {
            m_here->set(u"张三"_s, u"Mail1"_s, u"late@a.cn"_s);
            return std::optional<QSet<QString>>({u"Tel1"_s});
        };
        auto left = m_here->sync(m_client, m_url, savingMeanwhile);
        QVERIFY2(left.ok(), qPrintable(left.error().description));
        QCOMPARE(counts(left.value()), u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/1 kept 0"_s);
        QVERIFY(left.value().log.join(u' ').contains(u"本地刚有修改，留待下次处理：张三"_s));
        QCOMPARE(m_here->field(u"张三"_s, u"Mail1"_s), u"late@a.cn"_s);
        const SyncResolver takingServer = [](const SyncConflict&) {
            return std::optional<QSet<QString>>({u"Tel1"_s});
        };
        QVERIFY(m_here->sync(m_client, m_url, takingServer).ok());
        QCOMPARE(m_here->field(u"张三"_s, u"Tel1"_s) + m_here->field(u"张三"_s, u"Mail1"_s),
                 u"010-3late@a.cn"_s);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(m_phone->field(u"张三"_s, u"Mail1"_s), u"late@a.cn"_s);
    }

    void deletedOnOneSideChangedOnTheOther_data()
    {
        QTest::addColumn<bool>("deletedHere");
        QTest::newRow("deleted here, changed there: restored here") << true;
        QTest::newRow("deleted there, changed here: sent back") << false;
    }

    void deletedOnOneSideChangedOnTheOther()
    {
        QFETCH(bool, deletedHere);
        shareOneContact();
        Device& deleting = deletedHere ? *m_here : *m_phone;
        Device& changing = deletedHere ? *m_phone : *m_here;
        deleting.book.run(u"DELETE FROM Vardelin_Contact"_s);
        changing.set(u"张三"_s, u"Tel1"_s, u"010-9"_s);
        // The deleting side syncs first when the delete is there, so the server has it.
        Device& first = deletedHere ? changing : deleting;
        Device& second = deletedHere ? deleting : changing;
        QVERIFY(first.sync(m_client, m_url).ok());
        auto kept = second.sync(m_client, m_url);
        QVERIFY2(kept.ok(), qPrintable(kept.error().description));
        QCOMPARE(kept.value().keptBack, 1);
        QVERIFY(deleting.sync(m_client, m_url).ok());
        QCOMPARE(deleting.field(u"张三"_s, u"Tel1"_s), u"010-9"_s);
        QCOMPARE(changing.contacts(), 1);
        QCOMPARE(cardsOnServer(), 1);
    }

    // A phone's program that writes the card anew without the properties it does not know.
    void fieldsAProgramDropsAreKept()
    {
        m_here->book.addContact({{u"Name"_s, u"张三"_s},
                                 {u"Tel1"_s, u"010-1"_s},
                                 {u"Custom1"_s, u"自定义值"_s},
                                 {u"QQ1"_s, u"10001"_s}});
        QVERIFY(m_here->sync(m_client, m_url).ok());
        auto listing = m_client.list(m_url, {});
        QVERIFY(listing.ok() && listing.value().present.size() == 1);
        const CardEtag card = listing.value().present.front();
        auto fetched = m_client.fetch(m_url, {card.href});
        QVERIFY(fetched.ok());
        QByteArrayList rewritten;
        for (const QByteArray& line : fetched.value().front().text.split('\n'))
            if (!line.startsWith("X-VARDELIN-"))
                rewritten << line;
        QUrl url = m_url;
        url.setPath(card.href);
        QVERIFY(m_client.put(url, rewritten.join('\n').replace("010-1", "010-2"), card.etag).ok());
        auto synced = m_here->sync(m_client, m_url);
        QVERIFY2(synced.ok(), qPrintable(synced.error().description));
        QCOMPARE(m_here->field(u"张三"_s, u"Tel1"_s), u"010-2"_s);
        QCOMPARE(m_here->field(u"张三"_s, u"Custom1"_s), u"自定义值"_s);
        QCOMPARE(m_here->field(u"张三"_s, u"QQ1"_s), u"10001"_s);
    }

    void aChangeMeanwhileIsA412NotAnOverwrite()
    {
        shareOneContact();
        m_here->set(u"张三"_s, u"Tel1"_s, u"010-2"_s);
        // Another client changes the card after this sync has listed the server's cards.
        bool changedThere = false;
        const SyncProgress meanwhile = [&](qsizetype, qsizetype) {
            if (std::exchange(changedThere, true))
                return;
            m_phone->set(u"张三"_s, u"Tel1"_s, u"010-3"_s);
            DavClient other(u"alice"_s, u"secret"_s);
            QVERIFY(m_phone->sync(other, m_url).ok());
        };
        QStringList asked;
        auto summary = m_here->sync(
            m_client, m_url,
            [&](const SyncConflict& conflict) -> std::optional<QSet<QString>> {
                asked << conflict.columns;
                return std::nullopt;
            },
            meanwhile);
        QVERIFY2(summary.ok(), qPrintable(summary.error().description));
        QVERIFY(changedThere);
        QCOMPARE(asked, QStringList{u"Tel1"_s});
        QCOMPARE(summary.value().conflictsOpen, 1);
        QCOMPARE(m_here->field(u"张三"_s, u"Tel1"_s), u"010-2"_s);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(m_phone->field(u"张三"_s, u"Tel1"_s), u"010-3"_s);
    }

    void aSyncCutOffIsFinishedWithoutDoubles()
    {
        for (int i = 0; i < 20; ++i)
            m_here->book.addContact({{u"Name"_s, u"联系人%1"_s.arg(i)}});
        DavClient cut(u"alice"_s, u"secret"_s);
        std::optional<Result<SyncSummary>> meanwhile; // a second sync while this one runs
        auto stopped = m_here->sync(cut, m_url, {}, [&](qsizetype done, qsizetype) {
            if (done == 5)
                meanwhile = m_here->sync(m_client, m_url);
            if (done == 10)
                cut.cancel();
        });
        QVERIFY(meanwhile && !meanwhile->ok());
        QCOMPARE(meanwhile->error().number, SyncErrorCode::Busy);
        QVERIFY(!stopped.ok());
        QCOMPARE(stopped.error().description, u"同步已取消。"_s);
        QVERIFY(cardsOnServer() >= 10 && cardsOnServer() < 20);
        // Killed after an upload, before its state was written: that card is found again by its
        // UID.
        m_here->book.run(u"DELETE FROM Vardelin_Sync WHERE rowid = (SELECT max(rowid) FROM "
                         "Vardelin_Sync)"_s);
        auto finished = m_here->sync(m_client, m_url);
        QVERIFY2(finished.ok(), qPrintable(finished.error().description));
        QCOMPARE(cardsOnServer(), 20);
        QCOMPARE(m_here->contacts(), 20);
        QCOMPARE(m_here->book.scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt(), 20);
        QVERIFY(m_phone->sync(m_client, m_url).ok());
        QCOMPARE(m_phone->contacts(), 20);
    }

    // The user exported the book as a vCard file once and imported it on the phone.
    void aCardExportedBeforeIsNotDoubled()
    {
        const qint64 id =
            m_here->book.addContact({{u"Name"_s, u"张三"_s}, {u"Tel1"_s, u"010-1"_s}});
        VCardContact exported;
        exported.uid = BookIdentity::contactUid(BookIdentity::read(m_here->book.db()).value(), id);
        exported.columns = {{u"Name"_s, u"张三"_s}, {u"Tel1"_s, u"010-1"_s}};
        QVERIFY(m_client
                    .put(m_url.resolved(QUrl(u"imported-on-the-phone.vcf"_s)),
                         VCard::write(exported), {})
                    .ok());
        auto synced = m_here->sync(m_client, m_url);
        QVERIFY2(synced.ok(), qPrintable(synced.error().description));
        QCOMPARE(counts(synced.value()), u"here +0 ~0 -0 there +0 ~0 -0 conflicts 0/0 kept 0"_s);
        QCOMPARE(m_here->contacts(), 1);
        QCOMPARE(cardsOnServer(), 1);
    }

    void anotherClientReadsWhatWeUploaded()
    {
        const qint64 friends = m_here->book.addGroup(1, 1, u"朋友"_s);
        m_here->book.addContact({{u"Name"_s, u"张三"_s},
                                 {u"Moblie1"_s, u"13800138000"_s},
                                 {u"OfficePhone1"_s, u"010-6"_s},
                                 {u"Mail1"_s, u"z@a.cn"_s},
                                 {u"Custom1"_s, u"甲,乙;丙"_s},
                                 {u"TID"_s, friends},
                                 {u"Photo"_s, PictureBag::ofPicture(photo)}});
        m_here->book.addContact({{u"Name"_s, u"李四"_s}});
        QVERIFY(m_here->sync(m_client, m_url).ok());
        VdirSyncer other(m_url);
        const QString failed = other.sync();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(
            other.readWithVobject(),
            u"张三|010-6/WORK+VOICE,13800138000/CELL+VOICE|z@a.cn|朋友|%1|甲,乙;丙\n李四|||||"_s
                .arg(photo.size()));
    }

    void aCardAnotherProgramWroteKeepsWhatWeCannotShow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("mobiles"); // as it came, as changed here
        QTest::addColumn<QString>("group");       // the group it is filed under; empty: not checked
        QTest::addColumn<QByteArrayList>("kept"); // on the server's copy after the change
        QTest::newRow("Evolution, vCard 3.0")
            << u"John_Doe_EVOLUTION.vcf"_s << u"Mr. John Richter, James Doe Sr."_s
            << QStringList{u"905-666-1234"_s, u"905-666-9999"_s} << u"VIP"_s
            << QByteArrayList{"TEL;TYPE=CELL,VOICE:905-666-9999",
                              "X-EVOLUTION-MANAGER:Big Blue",
                              "X-AIM;TYPE=HOME",
                              "X-EVOLUTION-ANNIVERSARY:1980-03-22",
                              "UID:477343c8e6bf375a9bac1f96a5000837",
                              "\nNICKNAME:Johny"};
        // A card that came as 4.0 goes back as 4.0.
        QTest::newRow("the example of RFC 6350, vCard 4.0")
            << u"rfc6350-example.vcf"_s << u"Simon Perreault"_s
            << QStringList{u"+1-418-262-6501"_s, u"+1-418-262-9999"_s} << QString()
            << QByteArrayList{
                   "\nVERSION:4.0",
                   "\nTEL;TYPE=\"cell,voice\":+1-418-262-9999",
                   "\nGENDER:M",
                   "\nANNIVERSARY:20090808T1430-0500",
                   "\nLANG;PREF=2:en",
                   "\nKEY;TYPE=work;VALUE=uri:http://www.viagenie.ca/simon.perreault/simon.asc"};
    }

    void aCardAnotherProgramWroteKeepsWhatWeCannotShow()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QFETCH(QStringList, mobiles);
        QFETCH(QString, group);
        QFETCH(QByteArrayList, kept);
        VdirSyncer other(m_url);
        // The example has no UID, which the server requires.
        QByteArray bytes = TestFiles::read(QStringLiteral(VCARD_DATA "/") + file);
        if (!bytes.contains("\nUID:"))
            bytes.replace("VERSION:4.0\n", "VERSION:4.0\nUID:rfc6350-example\n");
        TestFiles::write(other.folder() + u"/card.vcf"_s, bytes);
        QString failed = other.sync();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        auto arrived = m_here->sync(m_client, m_url);
        QVERIFY2(arrived.ok(), qPrintable(arrived.error().description));
        QCOMPARE(arrived.value().addedHere, 1);
        QCOMPARE(m_here->field(name, u"Moblie1"_s), mobiles[0]);
        if (!group.isEmpty())
            QCOMPARE(m_here->book.scalar(u"SELECT T.Name FROM Vardelin_Contact C JOIN "
                                         "Vardelin_Type T ON T.ID = C.TID"_s),
                     group);
        // Changed here and sent back: the other program's properties are still on it.
        m_here->set(name, u"Moblie1"_s, mobiles[1]);
        auto sent = m_here->sync(m_client, m_url);
        QVERIFY2(sent.ok() && sent.value().changedThere == 1, "the change goes up");
        QVERIFY(other.sync().isEmpty());
        QFile card(other.folder() + u"/card.vcf"_s);
        QVERIFY(card.open(QIODevice::ReadOnly));
        const QByteArray text = card.readAll();
        for (const QByteArray& line : kept)
            QVERIFY2(text.contains(line), line.constData());
    }

    // An address book that takes vCard 4.0 only, as a server speaking Digest authentication in
    // front of Radicale says: every card goes up as 4.0, the new and the changed.
    void aBookTakingOnlyVersion4GetsVersion4()
    {
        QProcess digest;
        digest.start(u"/usr/bin/python3"_s,
                     {QStringLiteral(DIGEST_DAV), u"4.0"_s, m_server.root().toString()});
        QVERIFY(digest.waitForReadyRead(10000));
        QUrl url = m_url;
        url.setPort(digest.readLine().trimmed().toInt());
        m_here->book.addContact({{u"Name"_s, u"张三"_s}, {u"Moblie1"_s, u"13800138000"_s}});
        const QString folder =
            m_server.storageFolder() + u"/../"_s + m_url.path().section(u'/', -2, -2);
        const auto onServer = [&] {
            const QStringList files = QDir(folder).entryList({u"*.vcf"_s}, QDir::Files);
            return files.size() == 1 ? TestFiles::read(folder + u'/' + files.front())
                                     : QByteArray();
        };
        for (const char* mobile : {"13800138000", "13900139000"}) {
            m_here->set(u"张三"_s, u"Moblie1"_s, QString::fromLatin1(mobile));
            auto synced = m_here->sync(m_client, url);
            QVERIFY2(synced.ok(), qPrintable(synced.error().description));
            QCOMPARE(synced.value().addedThere + synced.value().changedThere, 1);
            QVERIFY2(onServer().contains("VERSION:4.0") && onServer().contains(mobile),
                     onServer().constData());
        }
    }

    void anotherAddressBookStartsAfresh()
    {
        m_here->book.addContact({{u"Name"_s, u"张三"_s}});
        SyncSettings settings{u"http://h/"_s, u"alice"_s, m_url, {}, 1, {}, {}, false, 0};
        QVERIFY(settings.save(m_here->book.db(), 1).ok());
        QVERIFY(m_here->sync(m_client, m_url).ok());
        QVERIFY(SyncSettings::saveToken(m_here->book.db(), 1, m_here->token).ok());
        const auto stateRows = [this] {
            return m_here->book.scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt();
        };
        QCOMPARE(stateRows(), 1);
        settings = SyncSettings::read(m_here->book.db(), 1).value();
        settings.everyMinutes = 5;
        settings.trustedCertificate = u"AB:CD"_s;
        QVERIFY(settings.save(m_here->book.db(), 1).ok());
        QCOMPARE(stateRows(), 1);
        QCOMPARE(SyncSettings::read(m_here->book.db(), 1).value(), settings);
        settings.book = m_server.root().resolved(QUrl(u"alice/other/"_s));
        QVERIFY(settings.save(m_here->book.db(), 1).ok());
        QCOMPARE(stateRows(), 0);
        QVERIFY(SyncSettings::read(m_here->book.db(), 1).value().syncToken.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
