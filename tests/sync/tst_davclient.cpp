// SPDX-License-Identifier: GPL-3.0-or-later
// The CardDAV client against a real server: discovery, listing, fetching and the conditional
// writes that keep two clients from overwriting each other.
#include "RadicaleServer.h"
#include "sync/DavClient.h"

#include <QSslCertificate>
#include <QTcpServer>
#include <QTest>

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
        QVERIFY(m_server.addAddressBook(QStringLiteral("work"), QStringLiteral("工作")));
        DavClient client(m_server.user(), m_server.password());
        auto books = client.discover(m_server.root());
        QVERIFY2(books.ok(), qPrintable(books.error().description));
        QStringList names;
        for (const AddressBookInfo& book : books.value())
            names << book.displayName + u'=' + book.url.path();
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("工作=/alice/work/"),
                                     QStringLiteral("联系人=/alice/contacts/")}));
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
        const QUrl url = cardUrl(QStringLiteral("w-%1.vcf").arg(++m_written));
        auto first = client.put(url, card(url.fileName(), QStringLiteral("张三")), {});
        QVERIFY2(first.ok() && !first.value().conflict, "a new card is written");
        QVERIFY(!first.value().etag.isEmpty());
        QString etag = first.value().etag;
        if (staleEtag) {
            auto second = client.put(url, card(url.fileName(), QStringLiteral("李四")), etag);
            QVERIFY(second.ok() && !second.value().conflict);
        }
        Result<WriteOutcome> outcome =
            verb == u"DELETE" ? client.remove(url, etag)
                              : client.put(url, card(url.fileName(), QStringLiteral("王五")),
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
        const QUrl kept = cardUrl(QStringLiteral("kept.vcf"));
        const QUrl gone = cardUrl(QStringLiteral("gone.vcf"));
        QVERIFY(client.put(kept, card(QStringLiteral("kept"), QStringLiteral("甲")), {}).ok());
        auto goneWrite = client.put(gone, card(QStringLiteral("gone"), QStringLiteral("乙")), {});
        QVERIFY(goneWrite.ok());
        auto full = client.list(m_server.addressBook(), {});
        QVERIFY(full.ok() && full.value().complete && !full.value().syncToken.isEmpty());
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
        const QUrl added = cardUrl(QStringLiteral("新.vcf"));
        QVERIFY(client.put(added, card(QStringLiteral("new"), QStringLiteral("丙")), {}).ok());

        auto delta = client.list(m_server.addressBook(), full.value().syncToken);
        QVERIFY2(delta.ok(), qPrintable(delta.error().description));
        QVERIFY(!delta.value().complete);
        QCOMPARE(delta.value().removed, QStringList{gone.path()});
        QCOMPARE(delta.value().present.size(), 1);
        QCOMPARE(delta.value().present.front().href, QStringLiteral("/alice/contacts/新.vcf"));

        // A token the server never gave: everything again.
        auto unknown =
            client.list(m_server.addressBook(), QStringLiteral("http://radicale.org/ns/sync/x"));
        QVERIFY(unknown.ok() && unknown.value().complete);

        auto fetched =
            client.fetch(m_server.addressBook(), {delta.value().present.front().href,
                                                  QStringLiteral("/alice/contacts/none.vcf")});
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
            << u"wrong"_qs << u"alice/contacts/"_qs
            << u"读取服务器上的名片列表失败：用户名或密码不对（HTTP 401）。"_qs;
        QTest::newRow("another user's address book")
            << u"secret"_qs << u"bob/contacts/x.vcf"_qs
            << u"上传名片失败：服务器不允许这个操作（HTTP 403）。"_qs;
        QTest::newRow("no such address book")
            << u"secret"_qs << u"alice/none/"_qs
            << u"读取服务器上的名片列表失败：服务器上没有这个地址（HTTP 404）。"_qs;
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
                                  : client.put(url, card(u"x"_qs, u"张三"_qs), {}).error();
        QCOMPARE(error.description, told);
        QCOMPARE(u"（HTTP %1）。"_qs.arg(error.number),
                 told.right(told.size() - told.indexOf(u'（')));
    }

    void silentServerIsGivenUp()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        DavClient client(m_server.user(), m_server.password());
        client.setTimeout(1000);
        auto listing = client.list(
            QUrl(QStringLiteral("http://127.0.0.1:%1/book/").arg(silent.serverPort())), {});
        QVERIFY(!listing.ok());
        QCOMPARE(listing.error().description, QStringLiteral("服务器 1 秒没有回答，同步已停止。"));
        QCOMPARE(listing.error().number, SyncErrorCode::TimedOut);
    }

    void anUntrustedCertificateIsUsedOnlyWhenAccepted()
    {
        RadicaleServer tls(RadicaleServer::Transport::Https);
        QVERIFY2(tls.error().isEmpty(), qPrintable(tls.error()));
        const auto certificates = QSslCertificate::fromPath(tls.certificateFile());
        QCOMPARE(certificates.size(), 1);
        const QString fingerprint = DavClient::certificateFingerprint(certificates.front());
        QCOMPARE(fingerprint.size(), 32 * 3 - 1); // "AB:CD:…"
        QStringList asked;
        const auto answer = [&asked](bool accept) {
            return [&asked, accept](const QSslCertificate& certificate) {
                asked << DavClient::certificateFingerprint(certificate);
                return accept;
            };
        };
        // Refused when declined, and when nobody is asked.
        for (const bool askSomeone : {true, false}) {
            DavClient client(tls.user(), tls.password());
            if (askSomeone)
                client.setCertificateQuestion(answer(false));
            auto refused = client.list(tls.addressBook(), {});
            QVERIFY(!refused.ok());
            QCOMPARE(refused.error().description, u"服务器的安全证书不受信任，没有连接。"_qs);
        }
        QCOMPARE(asked, QStringList{fingerprint});
        // Accepted once, for the client's life; remembered by the caller, never asked again.
        DavClient accepting(tls.user(), tls.password());
        accepting.setCertificateQuestion(answer(true));
        QVERIFY(accepting.list(tls.addressBook(), {}).ok());
        QVERIFY(accepting.list(tls.addressBook(), {}).ok());
        QCOMPARE(accepting.trustedCertificate(), fingerprint);
        DavClient remembering(tls.user(), tls.password());
        remembering.trustCertificate(fingerprint);
        QVERIFY(remembering.list(tls.addressBook(), {}).ok());
        QCOMPARE(asked, (QStringList{fingerprint, fingerprint}));
    }
};

QTEST_GUILESS_MAIN(TestDavClient)
#include "tst_davclient.moc"
