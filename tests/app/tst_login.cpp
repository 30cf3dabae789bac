// SPDX-License-Identifier: GPL-3.0-or-later
// The login dialog and the start-up that runs it, by the paths a user takes: in, refused, a
// failed read, and leaving, which starts nothing and writes nothing. Which name and password
// open which account is the core's table (tst_logincheck).
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

using namespace Qt::StringLiterals;

namespace {

const QString noSuchUser = u"没有此用户名,请重新再试！"_s;
const QString wrongPassword = u"输入的密码有误,请重新再试！"_s;
const QString adminPassword = QString::fromUtf16(InitialData::adminPassword);

QLineEdit* box(QWidget& login, const char* name)
{
    return login.findChild<QLineEdit*>(QString::fromLatin1(name));
}
QString message(QWidget& login)
{
    return login.findChild<QLabel*>(u"Label1"_s)->text();
}
void click(QWidget& login, const char* button)
{
    QTest::mouseClick(login.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}
// QTest types Latin-1 only; the names here are Chinese.
void enter(frmLogin& login, const QString& user, const QString& pass)
{
    box(login, "txtUserName")->setText(user);
    box(login, "txtPassword")->setText(pass);
    click(login, "cmdOK");
}

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

    void opensOnTheAdministratorWithTheBooksSuffix();
    void refusalsAreToldInTheDialog();
    void failedLookupEndsWithTheErrorBox();
    void withoutLoginOptionNoDialogIsShown();
    void leavingTheLoginEndsWithNothingWritten();
    void userSeesOnlyTheirContactsWithTheirSkinAndLayout();
    void programLeftAtTheLoginEndsWithoutWindowOrWrite();
    void programLoggedInRunsUntilTheWindowCloses();

private:
    qint64 addAccount(const QString& name, const QString& password, const QString& skin,
                      const QString& dock = {});
    QString dockOf(int id) const
    {
        return m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString();
    }

    std::unique_ptr<TestDatabase> m_data;
};

void TestLogin::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_data->setOption(u"IsLogin"_s, true);
}

void TestLogin::cleanup()
{
    m_data.reset();
}

qint64 TestLogin::addAccount(const QString& name, const QString& password, const QString& skin,
                             const QString& dock)
{
    m_data->run(u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, ?, ?, ?)"_s,
                {name, Scramble::storedPassword(password, InitialData::rootNumber), skin, dock});
    return m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
}

void TestLogin::opensOnTheAdministratorWithTheBooksSuffix()
{
    m_data->run(u"UPDATE Vardelin_Type SET Number = 77 WHERE ID = 1"_s);
    Session session;
    frmLogin dialog(m_data->db(), session);
    QVERIFY(dialog.load());
    QCOMPARE(session.passSuffix, qint16(77));
    QCOMPARE(box(dialog, "txtUserName")->text(), u"admin"_s);
    QCOMPARE(box(dialog, "txtPassword")->echoMode(), QLineEdit::Password);
    // The password scrambled with the old suffix no longer opens.
    enter(dialog, u"admin"_s, adminPassword);
    QCOMPARE(message(dialog), wrongPassword);
    // Without a root row the suffix keeps the value it had.
    m_data->run(u"UPDATE Vardelin_Type SET PID = 5 WHERE ID = 1"_s);
    session.passSuffix = 12;
    QVERIFY(dialog.load());
    QCOMPARE(session.passSuffix, qint16(12));
}

void TestLogin::refusalsAreToldInTheDialog()
{
    addAccount(u"小王"_s, u"123"_s, u"Black"_s);
    Session session;
    frmLogin dialog(m_data->db(), session);
    QVERIFY(dialog.load());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);

    enter(dialog, u"nobody"_s, u"secret"_s);
    QCOMPARE(message(dialog), noSuchUser);
    QCOMPARE(box(dialog, "txtPassword")->text(), u"secret"_s);

    // A wrong password empties its box and puts the cursor there; its account reaches nothing.
    box(dialog, "txtUserName")->setFocus();
    enter(dialog, u"小王"_s, u"12"_s);
    QCOMPARE(message(dialog), wrongPassword);
    QVERIFY(box(dialog, "txtPassword")->text().isEmpty());
    QCOMPARE(box(dialog, "txtUserName")->text(), u"小王"_s);
    QTRY_VERIFY(box(dialog, "txtPassword")->hasFocus());
    QVERIFY(dialog.isVisible() && !dialog.account() && !dialog.failure());
    QCOMPARE(session.currentUserId, Session::administratorId);
    QVERIFY(session.skinName.isEmpty());
}

void TestLogin::failedLookupEndsWithTheErrorBox()
{
    RunningMain main;
    main.prompter.expectMessage();
    main.window->setLoginShow([this](frmLogin& login) {
        m_data->run(u"ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"_s);
        enter(login, u"admin"_s, u"admin"_s);
        // Not a wrong name: the read failed.
        [&] {
            QVERIFY(login.failure() && message(login).isEmpty());
        }();
        return login.result();
    });
    QVERIFY(!main.start(m_data->path()));
    QVERIFY(!main.window->endedAtLogin());
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(main.prompter.shown().first().title.startsWith(u"错误"_s));
    QCOMPARE(main.prompter.shown().first().icon, Prompter::Icon::Critical);
}

void TestLogin::withoutLoginOptionNoDialogIsShown()
{
    m_data->setOption(u"IsLogin"_s, false);
    RunningMain main;
    int shown = 0;
    main.window->setLoginShow([&](frmLogin&) { return ++shown, int(QDialog::Rejected); });
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(shown, 0);
    QCOMPARE(main.session.currentUserId, Session::administratorId);
}

void TestLogin::leavingTheLoginEndsWithNothingWritten()
{
    const QByteArray before = fingerprint(m_data->path());
    {
        RunningMain main;
        main.window->setLoginShow([](frmLogin& login) {
            login.show();
            enter(login, u"admin"_s, u"wrong"_s);
            click(login, "cmdCancel");
            return login.result();
        });
        QVERIFY(!main.start(m_data->path()));
        QVERIFY(main.window->endedAtLogin());
        QVERIFY(!main.window->isVisible());
        // Whatever closes the window afterwards writes no layout.
        main.window->close();
        main.window.reset();
        QVERIFY(main.prompter.shown().isEmpty());
    }
    QCOMPARE(fingerprint(m_data->path()), before);
}

void TestLogin::userSeesOnlyTheirContactsWithTheirSkinAndLayout()
{
    m_data->setDisplayedColumns({u"C.Name"_s});
    for (const auto& [name, user] :
         {std::pair{u"管理员的"_s, 1}, {u"小王的一"_s, 2}, {u"小王的二"_s, 2}, {u"小李的"_s, 3}})
        m_data->addContact({{u"Name"_s, name}, {u"UID"_s, user}});

    // A layout with the history pane hidden, as the window itself writes it.
    QString layout;
    {
        m_data->setOption(u"IsLogin"_s, false);
        RunningMain admin;
        QVERIFY(admin.start(m_data->path()));
        admin.find<QDockWidget>(u"Pane2"_s)->hide();
        layout = admin.window->dockState();
        admin.window.reset(); // destroyed without closing: the administrator's row stays as is
        m_data->setOption(u"IsLogin"_s, true);
    }
    QCOMPARE(addAccount(u"小王"_s, u"wang"_s, u"Black"_s, layout), 2);
    QCOMPARE(addAccount(u"小李"_s, u"li"_s, u"Blue"_s), 3);

    RunningMain main;
    QStringList messages;
    main.window->setLoginShow([&](frmLogin& login) {
        enter(login, u"小王"_s, u"nope"_s);
        messages << message(login);
        enter(login, u"小王"_s, u"wang"_s);
        return login.result();
    });
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(messages, QStringList{wrongPassword});
    QCOMPARE(main.session.currentUserId, 2);
    QCOMPARE(main.session.passSuffix, InitialData::rootNumber);
    QCOMPARE(Skin::current(), u"Black"_s);
    QCOMPARE(main.find<QComboBox>(u"Combo_Skin"_s)->currentText(), u"Black"_s);
    QVERIFY(main.find<QDockWidget>(u"Pane2"_s)->isHidden());
    QVERIFY(!main.find<QDockWidget>(u"Pane1"_s)->isHidden());
    QStringList names = main.names();
    names.sort();
    QCOMPARE(names, (QStringList{u"小王的一"_s, u"小王的二"_s}));

    // Closing saves the layout into the user's own row, not the administrator's.
    main.find<QDockWidget>(u"Pane2"_s)->show();
    main.window->close();
    QVERIFY(dockOf(1).isEmpty());
    QVERIFY(dockOf(2) != layout);
    QVERIFY(main.prompter.scriptDone());
}

void TestLogin::programLeftAtTheLoginEndsWithoutWindowOrWrite()
{
    const QByteArray before = fingerprint(m_data->path());
    bool windowShown = false;
    QString seen;
    Program::Watch watch;
    watch.loginShowing = [&](frmLogin& login) {
        QTimer::singleShot(0, &login, [&] {
            // The real modal dialog, on screen.
            if (QApplication::activeModalWidget() == &login)
                seen = login.windowTitle();
            click(login, "cmdCancel");
        });
    };
    watch.windowShowing = [&](Main&) {
        windowShown = true;
    };
    QCOMPARE(Program::run(m_data->path(), watch), 0);
    QCOMPARE(seen, u"登录"_s);
    QVERIFY(!windowShown);
    QCOMPARE(fingerprint(m_data->path()), before);
}

void TestLogin::programLoggedInRunsUntilTheWindowCloses()
{
    int loginsShown = 0;
    bool windowShown = false;
    Program::Watch watch;
    watch.loginShowing = [&](frmLogin& login) {
        ++loginsShown;
        QTimer::singleShot(0, &login, [&login] { enter(login, u"admin"_s, adminPassword); });
    };
    watch.windowShowing = [&](Main& window) {
        windowShown = true;
        QTimer::singleShot(0, &window, &QWidget::close);
    };
    QCOMPARE(Program::run(m_data->path(), watch), 0);
    QCOMPARE(loginsShown, 1);
    QVERIFY(windowShown);
    // The window was shown and closed: its layout went into the account's row.
    QVERIFY(!dockOf(1).isEmpty());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
