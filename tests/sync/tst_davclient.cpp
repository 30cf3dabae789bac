// SPDX-License-Identifier: GPL-3.0-or-later
// The CardDAV client against a real server: discovery, listing, fetching and the conditional
// writes that keep two clients from overwriting each other.
#include "RadicaleServer.h"
#include "sync/DavClient.h"
#include "sync/HttpModule.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDavClient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_server.error().isEmpty(), qPrintable(m_server.error())); }

private:
    QUrl cardUrl(const QString& name) const { return m_server.addressBook().resolved(QUrl(name)); }
    static QByteArray card(const QString& uid, const QString& name)
    {
        return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:%2;;;;\r\n"
                              "END:VCARD\r\n")
            .arg(uid, name)
            .toUtf8();
    }

    RadicaleServer m_server;
    int m_written = 0;

private slots:
    void discoveryFindsTheBooksByName()
    {
        QVERIFY(m_server.addAddressBook(u"work"_s, u"工作"_s));
        DavClient client(m_server.user(), m_server.password());
        auto books = client.discover(m_server.root());
        QVERIFY2(books.ok(), qPrintable(books.error().description));
        QStringList names;
        for (const AddressBookInfo& book : books.value())
            names << book.displayName + u'=' + book.url.path();
        names.sort();
        QCOMPARE(names, (QStringList{u"工作=/alice/work/"_s, u"联系人=/alice/contacts/"_s}));
    }

    void conditionalWrites_data()
    {
        QTest::addColumn<QString>("verb");
        QTest::addColumn<bool>("staleEtag");
        QTest::addColumn<bool>("conflict");
        QTest::addColumn<int>("cardsLeft");
        QTest::newRow("change of the version read") << "PUT" << false << false << 1;
        QTest::newRow("change of an older version: 412") << "PUT" << true << true << 1;
        QTest::newRow("new card where one exists: 412") << "NEW" << false << true << 1;
        QTest::newRow("delete of the version read") << "DELETE" << false << false << 0;
        QTest::newRow("delete of an older version: 412") << "DELETE" << true << true << 1;
    }

    void conditionalWrites()
    {
        QFETCH(QString, verb);
        QFETCH(bool, staleEtag);
        QFETCH(bool, conflict);
        QFETCH(int, cardsLeft);
        DavClient client(m_server.user(), m_server.password());
        const QUrl url = cardUrl(u"w-%1.vcf"_s.arg(++m_written));
        auto first = client.put(url, card(url.fileName(), u"张三"_s), {});
        QVERIFY2(first.ok() && !first.value().conflict, "a new card is written");
        QVERIFY(!first.value().etag.isEmpty());
        QString etag = first.value().etag;
        if (staleEtag) {
            auto second = client.put(url, card(url.fileName(), u"李四"_s), etag);
            QVERIFY(second.ok() && !second.value().conflict);
        }
        Result<WriteOutcome> outcome = verb == u"DELETE"
                                           ? client.remove(url, etag)
                                           : client.put(url, card(url.fileName(), u"王五"_s),
                                                        verb == u"NEW" ? QString() : etag);
        QVERIFY2(outcome.ok(), qPrintable(outcome.error().description));
        QCOMPARE(outcome.value().conflict, conflict);
        auto listing = client.list(m_server.addressBook(), {});
        QVERIFY(listing.ok());
        const auto here =
            std::count_if(listing.value().present.begin(), listing.value().present.end(),
                          [&](const CardEtag& entry) { return entry.href == url.path(); });
        QCOMPARE(int(here), cardsLeft);
    }

    void syncReportGivesOnlyChanges()
    {
        DavClient client(m_server.user(), m_server.password());
        const QUrl kept = cardUrl(u"kept.vcf"_s);
        const QUrl gone = cardUrl(u"gone.vcf"_s);
        QVERIFY(client.put(kept, card(u"kept"_s, u"甲"_s), {}).ok());
        auto goneWrite = client.put(gone, card(u"gone"_s, u"乙"_s), {});
        QVERIFY(goneWrite.ok());
        auto full = client.list(m_server.addressBook(), {});
        QVERIFY(full.ok() && full.value().complete && !full.value().syncToken.isEmpty());
        // The CTag stays while nothing changes and moves with every change.
        const auto ctag = client.ctag(m_server.addressBook());
        QVERIFY(ctag.ok() && !ctag.value().isEmpty());
        QCOMPARE(client.ctag(m_server.addressBook()).value(), ctag.value());
        // The listing of servers without the report says the same.
        auto byPropfind = client.listByPropfind(m_server.addressBook());
        QVERIFY(byPropfind.ok() && byPropfind.value().complete);
        const auto sorted = [](QList<CardEtag> cards) {
            QStringList lines;
            for (const CardEtag& card : cards)
                lines << card.href + u' ' + card.etag;
            lines.sort();
            return lines;
        };
        QCOMPARE(sorted(byPropfind.value().present), sorted(full.value().present));
        QVERIFY(sorted(full.value().present).contains(gone.path() + u' ' + goneWrite.value().etag));
        QVERIFY(client.remove(gone, goneWrite.value().etag).ok());
        const QUrl added = cardUrl(u"新.vcf"_s);
        QVERIFY(client.put(added, card(u"new"_s, u"丙"_s), {}).ok());

        QVERIFY(client.ctag(m_server.addressBook()).value() != ctag.value());
        auto delta = client.list(m_server.addressBook(), full.value().syncToken);
        QVERIFY2(delta.ok(), qPrintable(delta.error().description));
        QVERIFY(!delta.value().complete);
        QCOMPARE(delta.value().removed, QStringList{gone.path()});
        QCOMPARE(delta.value().present.size(), 1);
        QCOMPARE(delta.value().present.front().href, u"/alice/contacts/新.vcf"_s);

        // A token the server never gave: everything again.
        auto unknown = client.list(m_server.addressBook(), u"http://radicale.org/ns/sync/x"_s);
        QVERIFY(unknown.ok() && unknown.value().complete);

        auto fetched = client.fetch(m_server.addressBook(), {delta.value().present.front().href,
                                                             u"/alice/contacts/none.vcf"_s});
        QVERIFY2(fetched.ok(), qPrintable(fetched.error().description));
        QCOMPARE(fetched.value().size(), 1);
        QVERIFY(fetched.value().front().text.contains("FN:丙"));
        QCOMPARE(fetched.value().front().etag, delta.value().present.front().etag);
    }

    void serverRefusalsAreToldWithTheirStatus_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("path"); // a card is written there; a folder is listed
        QTest::addColumn<QString>("told");
        QTest::newRow("wrong password")
            << u"wrong"_s << u"alice/contacts/"_s
            << u"读取服务器上的名片列表失败：用户名或密码不对（HTTP 401）。"_s;
        QTest::newRow("another user's address book")
            << u"secret"_s << u"bob/contacts/x.vcf"_s
            << u"上传名片失败：服务器不允许这个操作（HTTP 403）。"_s;
        QTest::newRow("no such address book")
            << u"secret"_s << u"alice/none/"_s
            << u"读取服务器上的名片列表失败：服务器上没有这个地址（HTTP 404）。"_s;
    }

    void serverRefusalsAreToldWithTheirStatus()
    {
        QFETCH(QString, password);
        QFETCH(QString, path);
        QFETCH(QString, told);
        DavClient client(m_server.user(), password);
        const QUrl url = m_server.root().resolved(QUrl(path));
        const DbError error = path.endsWith(u'/')
                                  ? client.list(url, {}).error()
                                  : client.put(url, card(u"x"_s, u"张三"_s), {}).error();
        QCOMPARE(error.description, told);
        QCOMPARE(u"（HTTP %1）。"_s.arg(error.number),
                 told.right(told.size() - told.indexOf(u'（')));
    }

    // The vCard version an address book takes and its CTag, asked of Radicale (which names no
    // version) and of a server that speaks Digest authentication only (and answers no CTag).
    void takesOnlyVersion4WhenTheBookSaysSo_data()
    {
        QTest::addColumn<QString>("versions"); // the Digest server's; empty: Radicale
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("answer"); // "true", "false" or the error's number
        QTest::addColumn<QString>("ctag");   // "kept", "none" (the Digest server has none)
        QTest::newRow("Radicale names none: 3.0")
            << QString() << u"secret"_s << u"false"_s << u"kept"_s;
        QTest::newRow("Digest, 4.0 only") << u"4.0"_s << u"secret"_s << u"true"_s << u"none"_s;
        QTest::newRow("Digest, 3.0 and 4.0")
            << u"3.0,4.0"_s << u"secret"_s << u"false"_s << u"none"_s;
        QTest::newRow("Digest, a wrong password") << u"4.0"_s << u"wrong"_s << u"401"_s << u"401"_s;
    }

    void takesOnlyVersion4WhenTheBookSaysSo()
    {
        QFETCH(QString, versions);
        QFETCH(QString, password);
        QFETCH(QString, answer);
        QFETCH(QString, ctag);
        QUrl book = m_server.addressBook();
        QProcess digest;
        if (!versions.isEmpty()) {
            digest.start(u"/usr/bin/python3"_s, {QStringLiteral(DIGEST_DAV), versions});
            QVERIFY(digest.waitForReadyRead(10000));
            book = QUrl(u"http://127.0.0.1:%1/alice/contacts/"_s.arg(
                QString::fromLatin1(digest.readLine().trimmed())));
        }
        DavClient client(u"alice"_s, password);
        auto only4 = client.takesOnlyVersion4(book);
        QCOMPARE(only4.ok() ? QVariant(only4.value()).toString()
                            : QString::number(only4.error().number),
                 answer);
        auto kept = client.ctag(book);
        QCOMPARE(kept.ok() ? (kept.value().isEmpty() ? u"none"_s : u"kept"_s)
                           : QString::number(kept.error().number),
                 ctag);
    }

    void silentServerIsGivenUp()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        DavClient client(m_server.user(), m_server.password());
        client.setTimeout(1000);
        auto listing =
            client.list(QUrl(u"http://127.0.0.1:%1/book/"_s.arg(silent.serverPort())), {});
        QVERIFY(!listing.ok());
        QCOMPARE(listing.error().description, u"服务器 1 秒没有回答，同步已停止。"_s);
        QCOMPARE(listing.error().number, SyncErrorCode::TimedOut);
    }

    // The HTTP module beside the executable in a build folder (where every sync of these tests
    // loads it); installed, in the program's own library folder under the same prefix.
    void theHttpModuleIsFoundBuiltAndInstalled()
    {
        const QDir built(QCoreApplication::applicationDirPath());
        QCOMPARE(HttpModule::path(built.path()), built.filePath(u"libvardelin_http.so"_s));
        QTemporaryDir prefix;
        QCOMPARE(HttpModule::path(prefix.filePath(u"bin"_s)),
                 prefix.filePath(QStringLiteral(INSTALLED_HTTP_MODULE)));
    }

    void anUntrustedCertificateIsRefusedUnlessAccepted()
    {
        RadicaleServer tls(RadicaleServer::Transport::Https);
        QVERIFY2(tls.error().isEmpty(), qPrintable(tls.error()));
        QCOMPARE(QSslCertificate::fromPath(tls.certificateFile()).size(), 1);
        const QString fingerprint = tls.certificateFingerprint();
        QCOMPARE(fingerprint.size(), 32 * 3 - 1); // "AB:CD:…"
        QStringList asked;
        // Refused when declined, and when nobody is asked; accepted and kept: tst_syncpage.
        for (const bool askSomeone : {true, false}) {
            DavClient client(tls.user(), tls.password());
            if (askSomeone)
                client.setCertificateQuestion([&asked](const ServerCertificate& certificate) {
                    asked << certificate.fingerprint;
                    return false;
                });
            auto refused = client.list(tls.addressBook(), {});
            QVERIFY(!refused.ok());
            QCOMPARE(refused.error().description, u"服务器的安全证书不受信任，没有连接。"_s);
        }
        QCOMPARE(asked, QStringList{fingerprint});
    }
};

QTEST_GUILESS_MAIN(TestDavClient)
#include "tst_davclient.moc"
