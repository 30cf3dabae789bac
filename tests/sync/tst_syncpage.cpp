// SPDX-License-Identifier: GPL-3.0-or-later
// Page "同步" by the paths a user takes: set up the server and sync now, choose per field in a
// conflict, and a refused password. The sync's rules are tst_syncengine's.
#include "RadicaleServer.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/TimedSync.h"
#include "db/Session.h"
#include "sync/DavClient.h"
#include "sync/KeychainPasswordStore.h"
#include "sync/SyncConflictDialog.h"
#include "sync/SyncPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A secret store that keeps passwords in memory, or, not running, keeps none.
class MemoryPasswords final : public PasswordStore {
public:
    std::optional<QString> read(const QString& key) override
    {
        return running && kept.contains(key) ? std::optional(kept.value(key)) : std::nullopt;
    }
    bool write(const QString& key, const QString& password) override
    {
        if (running)
            kept.insert(key, password);
        return running;
    }
    bool running = true;
    QHash<QString, QString> kept;
};

} // namespace

class TestSyncPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_server.error().isEmpty(), qPrintable(m_server.error())); }

private:
    template <typename T> T* find(const char* name)
    {
        return m_page->findChild<T*>(QString::fromLatin1(name));
    }
    void type(const char* box, const QString& text) { find<QLineEdit>(box)->setText(text); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void setUp(const QString& password)
    {
        type("Text_Server", m_server.root().toString());
        type("Text_User", u"alice"_s);
        type("Text_Password", password);
        click("Button_Find");
    }

    // The one card changed on the server by another client (010-1 to 010-3) and here (010-2).
    void changeTelOnBothSides()
    {
        DavClient other(u"alice"_s, u"secret"_s);
        auto listing = other.list(m_server.addressBook(), {});
        QVERIFY(listing.ok() && listing.value().present.size() == 1);
        const CardEtag card = listing.value().present.front();
        auto fetched = other.fetch(m_server.addressBook(), {card.href});
        QVERIFY(fetched.ok());
        QUrl url = m_server.addressBook();
        url.setPath(card.href);
        QByteArray text = fetched.value().front().text;
        QVERIFY(other.put(url, text.replace("010-1", "010-3"), card.etag).ok());
        m_book->run(u"UPDATE Vardelin_Contact SET Tel1 = '010-2'"_s);
    }

    RadicaleServer m_server;
    std::unique_ptr<TestDatabase> m_book;
    Session m_session;
    ScriptedPrompter m_prompter;
    MemoryPasswords m_passwords;
    std::unique_ptr<SyncPage> m_page;

private slots:
    void init()
    {
        m_passwords.running = true;
        // Each test starts on an empty address book of the server, found first by discovery.
        QDir(m_server.storageFolder()).removeRecursively();
        QVERIFY(m_server.addAddressBook(u"contacts"_s, u"联系人"_s));
        m_book = std::make_unique<TestDatabase>();
        QVERIFY(m_book->ok());
        m_book->addContact({{u"Name"_s, u"张三"_s}, {u"Tel1"_s, u"010-1"_s}});
        m_page = std::make_unique<SyncPage>(m_book->db(), m_session, m_prompter, m_passwords);
        QVERIFY(m_page->load().ok());
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    }

    void cleanup()
    {
        QVERIFY2(m_prompter.scriptDone(), qPrintable(m_prompter.faults().join(u'\n')));
        m_page.reset();
    }

    void setUpAndSyncNow()
    {
        setUp(u"secret"_s);
        QCOMPARE(find<QComboBox>("Combo_Book")->currentText(), u"联系人"_s);
        m_prompter.expectMessage(u"同步完成。本地：新增 0，修改 0，删除 0；服务器：新增 1，修改 "
                                 u"0，删除 0；冲突：已解决 0，"
                                 "待处理 0；删改并存而保留 0。"_s);
        QSignalSpy synced(m_page.get(), &SyncPage::synced);
        click("Button_SyncNow");
        QCOMPARE(synced.count(), 1);
        QCOMPARE(m_book->scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt(), 1);
        QCOMPARE(m_book
                     ->scalar(u"SELECT Server || ' ' || UserName || ' ' || Book FROM "
                              "Vardelin_SyncAccount WHERE Account = 1"_s)
                     .toString(),
                 m_server.root().toString() + u" alice "_s + m_server.addressBook().toString());
        // The password is in the secret store, not in the address book.
        QCOMPARE(m_passwords.kept.value(u"alice@"_s + m_server.root().toString()), u"secret"_s);
        QCOMPARE(m_book
                     ->scalar(u"SELECT count(*) FROM Vardelin_SyncAccount WHERE Server || UserName "
                              "|| Book || ifnull(SyncToken, '') LIKE '%secret%'"_s)
                     .toInt(),
                 0);
        QCOMPARE(find<QPlainTextEdit>("Text_Log")->toPlainText(), u"上传新增：张三"_s);
        // Opened again, the page shows what was set, the password read from the store.
        SyncPage again(m_book->db(), m_session, m_prompter, m_passwords);
        QVERIFY(again.load().ok());
        QCOMPARE(again.findChild<QLineEdit*>(u"Text_Password"_s)->text(), u"secret"_s);
    }

    void aConflictIsSettledPerFieldInItsDialog()
    {
        setUp(u"secret"_s);
        m_prompter.expectMessage();
        click("Button_SyncNow");
        changeTelOnBothSides();

        m_prompter.answerDialog = [](QDialog& dialog) {
            auto& conflict = dynamic_cast<SyncConflictDialog&>(dialog);
            [&] {
                QVERIFY(conflict.choice(u"Tel1"_s) != nullptr);
            }();
            conflict.choice(u"Tel1"_s)->setCurrentIndex(1);
            return int(QDialog::Accepted);
        };
        m_prompter.expectMessage();
        click("Button_SyncNow");
        QCOMPARE(m_prompter.dialogs, QStringList{u"SyncConflictDialog"_s});
        QVERIFY(m_prompter.shown().back().text.contains(u"冲突：已解决 1"_s));
        QCOMPARE(m_book->scalar(u"SELECT Tel1 FROM Vardelin_Contact"_s).toString(), u"010-3"_s);
    }

    // Sync at start-up and every 30 minutes, set on the page: the sync runs beside the window and
    // leaves a conflict for "立即同步" instead of asking over the user's work.
    void aTimedSyncRunsInTheBackground()
    {
        setUp(u"secret"_s);
        find<QCheckBox>("Check_SyncAtStart")->setChecked(true);
        find<QSpinBox>("Spin_SyncMinutes")->setValue(30);
        QVERIFY(m_page->save());
        QCOMPARE(m_book
                     ->scalar(u"SELECT AtStart || ' ' || EveryMinutes FROM "
                              "Vardelin_SyncAccount"_s)
                     .toString(),
                 u"1 30"_s);
        TimedSync timed(m_book->db(), m_session, m_passwords);
        QSignalSpy finished(&timed, &TimedSync::finished);
        const auto syncAtStart = [&] {
            timed.start(true);
            QVERIFY(timed.running());
            QVERIFY(finished.wait(30000));
            QVERIFY(!timed.running());
        };
        syncAtStart();
        QCOMPARE(finished.takeFirst().at(0).toString().left(33),
                 u"定时同步完成。本地：新增 0，修改 0，删除 0；服务器：新增 1"_s);
        QCOMPARE(m_book->scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt(), 1);

        changeTelOnBothSides();
        m_prompter.dialogs.clear();
        syncAtStart();
        QVERIFY(finished.takeFirst().at(0).toString().contains(u"待处理 1"_s));
        QVERIFY(m_prompter.dialogs.isEmpty());
        QCOMPARE(m_book->scalar(u"SELECT Tel1 FROM Vardelin_Contact"_s).toString(), u"010-2"_s);
    }

    void aRefusedPasswordIsToldWithItsStatus()
    {
        m_prompter.expectMessage(u"查找服务器上的通讯录失败：用户名或密码不对（HTTP 401）。"_s);
        setUp(u"wrong"_s);
        QCOMPARE(m_prompter.shown().back().title, u"错误401"_s);
        QCOMPARE(find<QComboBox>("Combo_Book")->count(), 0);
    }

    // No session bus, so no secret store (and the desktop's is never touched by the test): nothing
    // is kept, not even in a plain-text file instead, and the password is typed again next time.
    void withoutASecretStoreThePasswordIsNotKept()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        KeychainPasswordStore desktop;
        QVERIFY(!desktop.write(u"alice@http://127.0.0.1/"_s, u"secret"_s));
        QVERIFY(!desktop.read(u"alice@http://127.0.0.1/"_s));
    }

    // Without a store the password is asked for at the first sync of each opening; a cancelled
    // question syncs nothing.
    void aPasswordNoStoreKeepsIsAskedFor()
    {
        m_passwords.running = false;
        const auto reopen = [this] {
            m_page = std::make_unique<SyncPage>(m_book->db(), m_session, m_prompter, m_passwords);
            QVERIFY(m_page->load().ok());
        };
        reopen();
        type("Text_Server", m_server.root().toString());
        type("Text_User", u"alice"_s);
        m_prompter.expectInput(u"secret"_s, u"alice 在服务器上的密码："_s);
        click("Button_Find");
        QVERIFY(find<QComboBox>("Combo_Book")->count() > 0);
        m_prompter.expectMessage(); // the summary: the password typed once serves the page
        click("Button_SyncNow");
        reopen();
        m_prompter.expectInput(u"secret"_s);
        m_prompter.expectMessage();
        click("Button_SyncNow");
        reopen();
        m_prompter.expectInput(QString());
        click("Button_SyncNow");
        QCOMPARE(m_book->scalar(u"SELECT count(*) FROM Vardelin_Sync"_s).toInt(), 1);
    }

    // A server whose certificate the system does not trust: asked once, with its fingerprint.
    void aCertificateAcceptedOnceIsKept()
    {
        RadicaleServer tls(RadicaleServer::Transport::Https);
        QVERIFY2(tls.error().isEmpty(), qPrintable(tls.error()));
        const QString fingerprint = tls.certificateFingerprint();
        type("Text_Server", tls.root().toString());
        type("Text_User", u"alice"_s);
        type("Text_Password", u"secret"_s);
        m_prompter.expectQuestion(true);
        click("Button_Find");
        QVERIFY(m_prompter.shown().back().text.contains(fingerprint));
        QCOMPARE(find<QComboBox>("Combo_Book")->currentText(), u"联系人"_s);
        m_prompter.expectMessage();
        click("Button_SyncNow");
        QCOMPARE(m_book->scalar(u"SELECT Certificate FROM Vardelin_SyncAccount"_s).toString(),
                 fingerprint);
        // Opened again: the certificate is used without a question.
        SyncPage again(m_book->db(), m_session, m_prompter, m_passwords);
        QVERIFY(again.load().ok());
        QTest::mouseClick(again.findChild<QPushButton*>(u"Button_Find"_s), Qt::LeftButton);
        QCOMPARE(again.findChild<QComboBox*>(u"Combo_Book"_s)->currentText(), u"联系人"_s);
    }
};

QTEST_MAIN(TestSyncPage)
#include "tst_syncpage.moc"
