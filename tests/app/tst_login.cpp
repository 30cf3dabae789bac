// SPDX-License-Identifier: GPL-3.0-or-later
// The login dialog on its own, and the start-up that runs it: who gets in, what each
// refusal says, and that leaving the login starts nothing and writes nothing.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/Program.h"
#include "app/frmLogin.h"
#include "db/InitialData.h"
#include "db/Scramble.h"
#include "db/Session.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString noSuchUser = QStringLiteral("没有此用户名,请重新再试！");
const QString wrongPassword = QStringLiteral("输入的密码有误,请重新再试！");

struct LoginBox {
    explicit LoginBox(frmLogin& dialog)
        : dialog(dialog)
    {
    }
    frmLogin& dialog;

    QLineEdit* name() const { return dialog.findChild<QLineEdit*>(QStringLiteral("txtUserName")); }
    QLineEdit* password() const
    {
        return dialog.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
    }
    QString message() const { return dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text(); }
    void clickOk() const
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    }
    void enter(const QString& user, const QString& pass) const
    {
        // QTest types Latin-1 only; the names here are Chinese.
        name()->setText(user);
        password()->setText(pass);
        clickOk();
    }
};

// The file's bytes and the folder's names: what "nothing written" is checked against.
QByteArray fingerprint(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(file.readAll());
    hash.addData(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files).join(u'|').toUtf8());
    return hash.result();
}

} // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The dialog.
    void opensWithAdminProposedAndReadsTheSuffix();
    void rightPasswordOpensTheAccount();
    void unknownNameIsToldAndBothBoxesKeepTheirText();
    void wrongPasswordEmptiesAndFocusesThePasswordBox();
    void quoteInTheNameFindsNothingAndBreaksNothing();
    void accountWithoutPasswordIsRefused();
    void changedSuffixTurnsTheOldPasswordAway();
    void failedLookupEndsTheDialogWithTheError();
    void cancelEscapeAndCloseBoxLeaveWithoutAccount();

    // The start-up around it.
    void withoutLoginOptionNoDialogIsShown();
    void leavingTheLoginEndsWithNothingWritten_data();
    void leavingTheLoginEndsWithNothingWritten();
    void realModalLoginCanBeCancelled();
    void userSeesOnlyTheirContactsWithTheirSkinAndLayout();
    void wrongThenRightPasswordStartsUp();
    void failedLookupShowsTheErrorBoxAndStartsNothing();

    // The program's own start-up and run.
    void programLeftAtTheLoginEndsWithoutWindowOrWrite();
    void programLoggedInRunsUntilTheWindowCloses();

private:
    qint64 addAccount(const QString& name, const QString& password, const QString& skin = {},
                      const QString& dock = {});

    std::unique_ptr<TestDatabase> m_data;
};

void TestLogin::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
}

void TestLogin::cleanup()
{
    m_data.reset();
}

qint64 TestLogin::addAccount(const QString& name, const QString& password, const QString& skin,
                             const QString& dock)
{
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) "
                               "VALUES (?, ?, ?, ?)"),
                {name, Scramble::storedPassword(password, InitialData::rootNumber), skin, dock});
    return m_data->scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
}

void TestLogin::opensWithAdminProposedAndReadsTheSuffix()
{
    m_data->run(QStringLiteral("UPDATE Vardelin_Type SET Number = 77 WHERE ID = 1"));
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    QCOMPARE(session.passSuffix, qint16(77));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("登录"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
             QStringLiteral("瓦德林通讯录"));
    QCOMPARE(box.name()->text(), QStringLiteral("admin"));
    QVERIFY(box.password()->text().isEmpty());
    QCOMPARE(box.password()->echoMode(), QLineEdit::Password);
    QVERIFY(box.message().isEmpty());
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(),
             QStringLiteral("确定(&O)"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("取消(&C)"));
    QStringList captions;
    for (const QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("lblLabels"))) {
        captions << label->text();
        QVERIFY(label->buddy());
    }
    QCOMPARE(captions, (QStringList{QStringLiteral("用户名称(&U):"), QStringLiteral("密码(&P):")}));

    // Without a root row the suffix keeps the value it had.
    m_data->run(QStringLiteral("UPDATE Vardelin_Type SET PID = 5 WHERE ID = 1"));
    session.passSuffix = 12;
    QVERIFY(dialog.load());
    QCOMPARE(session.passSuffix, qint16(12));
}

void TestLogin::rightPasswordOpensTheAccount()
{
    const qint64 id = addAccount(QStringLiteral("小王"), QStringLiteral("123"),
                                 QStringLiteral("Black"), QStringLiteral("layout"));
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    box.enter(QStringLiteral("小王"), QStringLiteral("123"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.account());
    QCOMPARE(dialog.account()->id, id);
    QCOMPARE(dialog.account()->dock, QStringLiteral("layout"));
    QCOMPARE(session.currentUserId, id);
    QCOMPARE(session.skinName, QStringLiteral("Black"));
    QVERIFY(!dialog.failure());
}

void TestLogin::unknownNameIsToldAndBothBoxesKeepTheirText()
{
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    box.enter(QStringLiteral("nobody"), QStringLiteral("secret"));
    QCOMPARE(box.message(), noSuchUser);
    QCOMPARE(box.name()->text(), QStringLiteral("nobody"));
    QCOMPARE(box.password()->text(), QStringLiteral("secret"));
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.account());
    QCOMPARE(session.currentUserId, Session::administratorId);
}

void TestLogin::wrongPasswordEmptiesAndFocusesThePasswordBox()
{
    addAccount(QStringLiteral("小王"), QStringLiteral("123"), QStringLiteral("Black"));
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    box.name()->setFocus();
    box.enter(QStringLiteral("小王"), QStringLiteral("12"));
    QCOMPARE(box.message(), wrongPassword);
    QVERIFY(box.password()->text().isEmpty());
    QCOMPARE(box.name()->text(), QStringLiteral("小王"));
    QTRY_VERIFY(box.password()->hasFocus());
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.account());
    // The refused account's values do not reach the session.
    QCOMPARE(session.currentUserId, Session::administratorId);
    QVERIFY(session.skinName.isEmpty());

    // A later attempt replaces the message.
    box.enter(QStringLiteral("小张"), QStringLiteral("123"));
    QCOMPARE(box.message(), noSuchUser);
}

void TestLogin::quoteInTheNameFindsNothingAndBreaksNothing()
{
    addAccount(QStringLiteral("O'Brien"), QStringLiteral("pw"));
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    box.enter(QStringLiteral("admin' OR '1'='1"), QStringLiteral("x"));
    QCOMPARE(box.message(), noSuchUser);
    QVERIFY(!dialog.failure());
    box.enter(QStringLiteral("'"), QStringLiteral("x"));
    QCOMPARE(box.message(), noSuchUser);
    // A quote that belongs to the name is just a character of it.
    box.enter(QStringLiteral("O'Brien"), QStringLiteral("pw"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.account());
}

void TestLogin::accountWithoutPasswordIsRefused()
{
    m_data->run(QStringLiteral("UPDATE Vardelin_Login SET Pass = NULL WHERE ID = 1"));
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    for (const QString& typed :
         {QString(), QString::number(InitialData::rootNumber), QStringLiteral("admin")}) {
        box.enter(QStringLiteral("admin"), typed);
        QCOMPARE(box.message(), wrongPassword);
        QVERIFY(!dialog.account());
    }
}

void TestLogin::changedSuffixTurnsTheOldPasswordAway()
{
    m_data->run(QStringLiteral("UPDATE Vardelin_Type SET Number = ? WHERE ID = 1"),
                {InitialData::rootNumber + 1});
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    box.enter(QStringLiteral("admin"), QString::fromUtf16(InitialData::adminPassword));
    QCOMPARE(box.message(), wrongPassword);
    QVERIFY(!dialog.account());
}

void TestLogin::failedLookupEndsTheDialogWithTheError()
{
    Session session;
    frmLogin dialog(m_data->db(), session);
    LoginBox box(dialog);
    QVERIFY(dialog.load());
    m_data->run(QStringLiteral("ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"));
    box.enter(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY(dialog.failure());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(box.message().isEmpty()); // not a wrong name: the read failed
    QVERIFY(!dialog.account());
}

void TestLogin::cancelEscapeAndCloseBoxLeaveWithoutAccount()
{
    Session session;
    for (int way = 0; way < 3; ++way) {
        frmLogin dialog(m_data->db(), session);
        QVERIFY(dialog.load());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (way == 0)
            QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY2(!dialog.isVisible(), qPrintable(QString::number(way)));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.account());
        QVERIFY(!dialog.failure());
    }
}

void TestLogin::withoutLoginOptionNoDialogIsShown()
{
    RunningMain main;
    int shown = 0;
    main.window->setLoginShow([&](frmLogin&) {
        ++shown;
        return int(QDialog::Rejected);
    });
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(shown, 0);
    QCOMPARE(main.session.currentUserId, Session::administratorId);
    QVERIFY(main.prompter.scriptDone());
}

void TestLogin::leavingTheLoginEndsWithNothingWritten_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("cancel") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("wrong password, then cancel") << 2;
}

void TestLogin::leavingTheLoginEndsWithNothingWritten()
{
    QFETCH(int, way);
    m_data->setOption(QStringLiteral("IsLogin"), true);
    const QByteArray before = fingerprint(m_data->path());
    {
        RunningMain main;
        main.window->setLoginShow([way](frmLogin& login) {
            login.show();
            LoginBox box(login);
            if (way == 2)
                box.enter(QStringLiteral("admin"), QStringLiteral("wrong"));
            if (way == 1)
                login.close();
            else
                QTest::mouseClick(login.findChild<QPushButton*>(QStringLiteral("cmdCancel")),
                                  Qt::LeftButton);
            return login.result();
        });
        QVERIFY(!main.start(m_data->path()));
        QVERIFY(main.window->endedAtLogin());
        QVERIFY(!main.window->isVisible());
        // Whatever closes the window afterwards writes no layout.
        main.window->close();
        main.window.reset();
        QVERIFY(main.prompter.shown().isEmpty());
        QVERIFY(main.prompter.scriptDone());
    }
    QCOMPARE(fingerprint(m_data->path()), before);
    QVERIFY(m_data->scalar(QStringLiteral("SELECT Dock FROM Vardelin_Login WHERE ID = 1"))
                .toString()
                .isEmpty());
}

void TestLogin::realModalLoginCanBeCancelled()
{
    m_data->setOption(QStringLiteral("IsLogin"), true);
    RunningMain main;
    QString seen;
    QTimer::singleShot(0, main.window.get(), [&] {
        auto* login = qobject_cast<frmLogin*>(QApplication::activeModalWidget());
        if (!login)
            return;
        seen = login->windowTitle();
        login->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    QVERIFY(!main.start(m_data->path()));
    QCOMPARE(seen, QStringLiteral("登录"));
    QVERIFY(main.window->endedAtLogin());
    QVERIFY(main.prompter.scriptDone());
}

void TestLogin::userSeesOnlyTheirContactsWithTheirSkinAndLayout()
{
    m_data->setDisplayedColumns({QStringLiteral("C.Name")});
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("管理员的")}});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("小王的一")}, {QStringLiteral("UID"), 2}});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("小王的二")}, {QStringLiteral("UID"), 2}});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("小李的")}, {QStringLiteral("UID"), 3}});

    // A layout with the history pane hidden, as the window itself writes it.
    QString layout;
    {
        RunningMain admin;
        QVERIFY(admin.start(m_data->path()));
        admin.find<QDockWidget>(QStringLiteral("Pane2"))->hide();
        layout = admin.window->dockState();
        admin.window.reset(); // destroyed without closing: the administrator's row stays as is
    }
    QCOMPARE(
        addAccount(QStringLiteral("小王"), QStringLiteral("wang"), QStringLiteral("Black"), layout),
        2);
    QCOMPARE(addAccount(QStringLiteral("小李"), QStringLiteral("li"), QStringLiteral("Blue")), 3);
    m_data->setOption(QStringLiteral("IsLogin"), true);

    RunningMain main;
    main.window->setLoginShow([](frmLogin& login) {
        LoginBox(login).enter(QStringLiteral("小王"), QStringLiteral("wang"));
        return login.result();
    });
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.session.currentUserId, 2);
    QCOMPARE(main.session.skinName, QStringLiteral("Black"));
    QCOMPARE(Skin::current(), QStringLiteral("Black"));
    QCOMPARE(main.find<QComboBox>(QStringLiteral("Combo_Skin"))->currentText(),
             QStringLiteral("Black"));
    QVERIFY(main.find<QDockWidget>(QStringLiteral("Pane2"))->isHidden());
    QVERIFY(!main.find<QDockWidget>(QStringLiteral("Pane1"))->isHidden());

    QStringList names = main.names();
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("小王的一"), QStringLiteral("小王的二")}));

    // Closing saves the layout into the user's own row, not the administrator's.
    main.find<QDockWidget>(QStringLiteral("Pane2"))->show();
    main.window->close();
    QVERIFY(m_data->scalar(QStringLiteral("SELECT Dock FROM Vardelin_Login WHERE ID = 1"))
                .toString()
                .isEmpty());
    QVERIFY(
        m_data->scalar(QStringLiteral("SELECT Dock FROM Vardelin_Login WHERE ID = 2")).toString() !=
        layout);
    QVERIFY(main.prompter.scriptDone());
}

void TestLogin::wrongThenRightPasswordStartsUp()
{
    m_data->setOption(QStringLiteral("IsLogin"), true);
    RunningMain main;
    QStringList messages;
    main.window->setLoginShow([&](frmLogin& login) {
        LoginBox box(login);
        box.enter(QStringLiteral("admin"), QStringLiteral("nope"));
        messages << box.message();
        box.enter(QStringLiteral("admin"), QString::fromUtf16(InitialData::adminPassword));
        return login.result();
    });
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(messages, QStringList{wrongPassword});
    QCOMPARE(main.session.currentUserId, Session::administratorId);
    QCOMPARE(main.session.passSuffix, InitialData::rootNumber);
    QVERIFY(!main.window->endedAtLogin());
    QVERIFY(main.prompter.scriptDone());
}

void TestLogin::failedLookupShowsTheErrorBoxAndStartsNothing()
{
    m_data->setOption(QStringLiteral("IsLogin"), true);
    RunningMain main;
    main.prompter.expectMessage();
    main.window->setLoginShow([this](frmLogin& login) {
        m_data->run(QStringLiteral("ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"));
        LoginBox(login).enter(QStringLiteral("admin"), QStringLiteral("admin"));
        return login.result();
    });
    QVERIFY(!main.start(m_data->path()));
    QVERIFY(!main.window->endedAtLogin());
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(main.prompter.shown().first().title.startsWith(QStringLiteral("错误")));
    QCOMPARE(main.prompter.shown().first().icon, Prompter::Icon::Critical);
}

void TestLogin::programLeftAtTheLoginEndsWithoutWindowOrWrite()
{
    m_data->setOption(QStringLiteral("IsLogin"), true);
    const QByteArray before = fingerprint(m_data->path());
    bool windowShown = false;
    Program::Watch watch;
    watch.loginShowing = [](frmLogin& login) {
        QTimer::singleShot(0, &login, [&login] {
            login.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        });
    };
    watch.windowShowing = [&](Main&) {
        windowShown = true;
    };
    QCOMPARE(Program::run(m_data->path(), watch), 0);
    QVERIFY(!windowShown);
    QCOMPARE(fingerprint(m_data->path()), before);
}

void TestLogin::programLoggedInRunsUntilTheWindowCloses()
{
    m_data->setOption(QStringLiteral("IsLogin"), true);
    int loginsShown = 0;
    bool windowShown = false;
    Program::Watch watch;
    watch.loginShowing = [&](frmLogin& login) {
        ++loginsShown;
        QTimer::singleShot(0, &login, [&login] {
            login.findChild<QLineEdit*>(QStringLiteral("txtPassword"))
                ->setText(QString::fromUtf16(InitialData::adminPassword));
            login.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
    };
    watch.windowShowing = [&](Main& window) {
        windowShown = true;
        QTimer::singleShot(0, &window, &QWidget::close);
    };
    QCOMPARE(Program::run(m_data->path(), watch), 0);
    QCOMPARE(loginsShown, 1);
    QVERIFY(windowShown);
    // The window was shown and closed: its layout went into the account's row.
    QVERIFY(!m_data->scalar(QStringLiteral("SELECT Dock FROM Vardelin_Login WHERE ID = 1"))
                 .toString()
                 .isEmpty());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
