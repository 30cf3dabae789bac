// SPDX-License-Identifier: GPL-3.0-or-later
// The login dialog and the start-up that runs it, by the paths a user takes: in, refused, a
// failed read, and leaving, which starts nothing and writes nothing. Which name and password
// open which account is the core's table (tst_logincheck).
#include "RunningMain.h"
#include "TestDatabase.h"

#include "app/DockLayout.h"
#include "app/Program.h"
#include "app/frmLogin.h"
#include "db/InitialData.h"
#include "db/Scramble.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString adminPassword = QString::fromUtf16(InitialData::adminPassword);

QLineEdit* box(QWidget& login, const char* name)
{
    return login.findChild<QLineEdit*>(QString::fromLatin1(name));
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
    const QByteArray names = QFileInfo(path).dir().entryList(QDir::Files).join(u'|').toUtf8();
    return (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()) + names;
}

// Shows every event the watched object (the application: every object's) receives to seen.
class EventWatch : public QObject {
public:
    EventWatch(QObject& watched, std::function<void(QObject*, QEvent*)> seen)
        : m_seen(std::move(seen))
    {
        watched.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        m_seen(watched, event);
        return false;
    }

private:
    std::function<void(QObject*, QEvent*)> m_seen;
};

} // namespace

class TestLogin : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_data;

    qint64 addAccount(const QString& name, const QString& password, qint16 suffix,
                      const QString& dock = {})
    {
        m_data->run(u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, ?, ?, ?)"_s,
                    {name, Scramble::storedPassword(password, suffix), u"Black"_s, dock});
        return m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
    }
    QString dockOf(int id) const
    {
        return m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString();
    }

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>();
        QVERIFY(m_data->ok());
        m_data->setOption(u"IsLogin"_s, true);
    }
    void cleanup() { m_data.reset(); }

    void theDialogTellsEachRefusal()
    {
        addAccount(u"小王"_s, u"123"_s, InitialData::rootNumber);
        Session session;
        frmLogin dialog(m_data->db(), session);
        QVERIFY(dialog.load());
        QCOMPARE(box(dialog, "txtUserName")->text(), u"admin"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);

        enter(dialog, u"nobody"_s, u"secret"_s);
        QCOMPARE(dialog.findChild<QLabel*>(u"Label1"_s)->text(), u"没有此用户名,请重新再试！"_s);
        // A wrong password empties its box and puts the cursor there; its account reaches nothing.
        box(dialog, "txtUserName")->setFocus();
        enter(dialog, u"小王"_s, u"12"_s);
        QCOMPARE(dialog.findChild<QLabel*>(u"Label1"_s)->text(), u"输入的密码有误,请重新再试！"_s);
        QVERIFY(box(dialog, "txtPassword")->text().isEmpty());
        QTRY_VERIFY(box(dialog, "txtPassword")->hasFocus());
        QVERIFY(dialog.isVisible() && !dialog.account());
        QCOMPARE(session.currentUserId, Session::administratorId);

        // Without a root row the suffix keeps the value it had.
        m_data->run(u"UPDATE Vardelin_Type SET PID = 5 WHERE ID = 1"_s);
        session.passSuffix = 12;
        QVERIFY(dialog.load());
        QCOMPARE(session.passSuffix, qint16(12));
    }

    void failedLookupEndsWithTheErrorBox()
    {
        RunningMain main;
        main.prompter.expectMessage();
        main.window->setLoginShow([this](frmLogin& login) {
            m_data->run(u"ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"_s);
            enter(login, u"admin"_s, u"admin"_s);
            return login.result();
        });
        QVERIFY(!main.start(m_data->path()));
        QVERIFY(!main.window->endedAtLogin());
        QVERIFY(main.prompter.scriptDone());
        QVERIFY(main.prompter.shown().first().title.startsWith(u"错误"_s));
    }

    void userSeesOnlyTheirContactsWithTheirSkinAndLayout()
    {
        m_data->setDisplayedColumns({u"C.Name"_s});
        for (const auto& [name, user] : {std::pair{u"管理员的"_s, 1}, {u"小王的"_s, 2}})
            m_data->addContact({{u"Name"_s, name}, {u"UID"_s, user}});
        using DockLayout::Area;
        const QString layout =
            DockLayout::write({{{u"Pane1"_s, Area::Left, false, true, 220, {}},
                                {u"Pane2"_s, Area::Left, false, false, 200, {}}}});
        // Passwords are checked against the book's own suffix, the root group's number.
        m_data->run(u"UPDATE Vardelin_Type SET Number = 77 WHERE ID = 1"_s);
        QCOMPARE(addAccount(u"小王"_s, u"wang"_s, 77, layout), 2);

        RunningMain main;
        main.window->setLoginShow([](frmLogin& login) {
            enter(login, u"小王"_s, u"wang"_s);
            return login.result();
        });
        QVERIFY(main.start(m_data->path()));
        QCOMPARE(main.find<QComboBox>(u"Combo_Skin"_s)->currentText(), u"Black"_s);
        QVERIFY(main.find<QDockWidget>(u"Pane2"_s)->isHidden());
        QCOMPARE(main.names(), QStringList{u"小王的"_s});
        // Closing saves the layout into the user's own row, not the administrator's.
        main.find<QDockWidget>(u"Pane2"_s)->show();
        main.window->close();
        QVERIFY(dockOf(1).isEmpty());
        QVERIFY(dockOf(2) != layout);
        QVERIFY(main.prompter.scriptDone());
    }

    void programLeftAtTheLoginEndsWithoutWindowOrWrite()
    {
        const QByteArray before = fingerprint(m_data->path());
        bool windowShown = false, modal = false;
        Program::Watch watch;
        watch.loginShowing = [&](frmLogin& login) {
            QTimer::singleShot(0, &login, [&] {
                modal = QApplication::activeModalWidget() == &login; // the real dialog, on screen
                click(login, "cmdCancel");
            });
        };
        watch.windowShowing = [&](Main&) {
            windowShown = true;
        };
        QCOMPARE(Program::run(m_data->path(), watch), 0);
        QVERIFY(modal && !windowShown);
        QCOMPARE(fingerprint(m_data->path()), before);
    }

    // Without a login the window is made in the colours it was last shown in and styled once,
    // as often as a start in the default colours; after a login the account decides, so none are
    // handed on.
    void aStartInTheRememberedColoursStylesTheWindowOnce()
    {
        m_data->setOption(u"IsLogin"_s, false);
        int listStyled = 0;
        const auto count = [&](QObject* watched, QEvent* event) {
            if (event->type() == QEvent::PaletteChange && watched->objectName() == u"ListView"_s)
                ++listStyled;
        };
        EventWatch styling(*qApp, count);
        // How often the list was recoloured before the window showed, and the colours it closed
        // in, for an account in these colours and the ones main() remembered.
        const auto start = [&](const QString& account, const QString& remembered) {
            m_data->run(u"UPDATE Vardelin_Login SET Skin = ? WHERE ID = 1"_s, {account});
            Skin::apply(remembered);
            listStyled = 0;
            Program::Watch watch;
            std::pair<int, QString> seen{-1, {}};
            watch.closedIn = [&](const QString&, const QString& shown) {
                seen.second = shown;
            };
            watch.windowShowing = [&](Main& window) {
                seen.first = listStyled;
                QTimer::singleShot(0, &window, &QWidget::close);
            };
            return Program::run(m_data->path(), watch) == 0 ? seen : std::pair<int, QString>();
        };
        const QString silver(Skin::defaultName);
        QCOMPARE(start(silver, silver), std::pair(0, silver));
        QCOMPARE(start(u"Black"_s, u"Black"_s), std::pair(0, u"Black"_s));
        // Remembered wrong (another computer changed it), the account's colours still win.
        const auto restyled = start(u"Blue"_s, u"Black"_s);
        QVERIFY(restyled.first > 0);
        QCOMPARE(restyled.second, u"Blue"_s);
        Skin::apply(silver);
    }

    void programLoggedInRunsUntilTheWindowCloses()
    {
        Program::Watch watch;
        QString closedIn = u"none"_s;
        watch.closedIn = [&](const QString&, const QString& colour) {
            closedIn = colour;
        };
        watch.loginShowing = [&](frmLogin& login) {
            QTimer::singleShot(0, &login, [&login] { enter(login, u"admin"_s, adminPassword); });
        };
        watch.windowShowing = [&](Main& window) {
            QTimer::singleShot(0, &window, &QWidget::close);
        };
        QCOMPARE(Program::run(m_data->path(), watch), 0);
        // The window was shown and closed: its layout went into the account's row.
        QVERIFY(!dockOf(1).isEmpty());
        QVERIFY(closedIn.isEmpty());
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
