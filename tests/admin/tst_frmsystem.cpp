// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window by the paths a user takes through it; the rules behind them (names,
// passwords, widths) are tst_accounts' and tst_settingssave's tables.
#include "PgServer.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "admin/Accounts.h"
#include "admin/PasswordPage.h"
#include "admin/frmAlias.h"
#include "admin/frmSystem.h"
#include "db/Backup.h"
#include "db/Scramble.h"
#include "db/Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct OpenWindow {
    ScriptedPrompter prompter;
    int rebuilds = 0;
    frmSystem window;

    OpenWindow(Database& db, Session& session)
        : window(db, session, prompter, [this]() -> Status { return ++rebuilds, Status{}; })
    {
        QVERIFY(window.load().ok());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template <typename T> T* find(const QString& name) { return window.findChild<T*>(name); }
    QTabWidget* tabs() { return find<QTabWidget>(u"TabC"_s); }
    QTreeWidgetItem* column(int row) { return find<QTreeWidget>(u"ListGird"_s)->topLevelItem(row); }
    void click(const QString& button)
    {
        QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
    }
    void select(const QString& name)
    {
        auto* list = find<QTreeWidget>(u"ListView"_s);
        list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
    }
    // On the box itself: a click beside its caption does not tick it.
    void tick(const QString& box)
    {
        auto* check = find<QCheckBox>(box);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    }
    void typePasswords(const QString& old, const QString& fresh)
    {
        tick(u"IsPassword"_s);
        find<QLineEdit>(u"Edit_YMM"_s)->setText(old);
        find<QLineEdit>(u"Edit_XMM"_s)->setText(fresh);
        find<QLineEdit>(u"Edit_QRM"_s)->setText(fresh);
    }
};

} // namespace

class TestFrmSystem : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
    qint16 m_suffix = 0;
    std::unique_ptr<OpenWindow> m_open;

    OpenWindow& show() { return *(m_open = std::make_unique<OpenWindow>(m_data->db(), m_session)); }
    QString stored(const QString& sql, const QVariantList& values = {})
    {
        return m_data->scalar(sql, values).toString();
    }
    bool passIs(qint64 id, const QString& plain)
    {
        const QString pass = stored(u"SELECT Pass FROM Vardelin_Login WHERE ID = ?"_s, {id});
        return Scramble::matches(pass, plain, m_suffix);
    }

private slots:
    void init()
    {
        m_open.reset();
        m_data = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
        QVERIFY2(m_data->ok(), qPrintable(m_data->error()));
        m_session = Session{};
        m_session.options.isAllUser = true;
        m_suffix =
            qint16(m_data->scalar(u"SELECT Number FROM Vardelin_Type WHERE ID = 1"_s).toInt());
        m_data->run(u"UPDATE Vardelin_Login SET Pass = ? WHERE ID = 1"_s,
                    {Scramble::storedPassword(u"admin"_s, m_suffix)});
    }
    void cleanup()
    {
        if (m_open)
            QVERIFY2(m_open->prompter.scriptDone(),
                     qPrintable(m_open->prompter.faults().join(u'\n')));
    }

    void aUserOtherThanTheAdministratorHasOnlyImportAndTheirOwnPassword()
    {
        Accounts::add(m_data->db(), u"职员"_s, m_suffix);
        m_session.currentUserId = 2;
        OpenWindow& open = show();
        for (int page : {0, 1, 2})
            QVERIFY(!open.tabs()->isTabEnabled(page));
        open.tabs()->setCurrentIndex(frmSystem::AccountsTab); // a switched-off page is not shown
        QCOMPARE(open.tabs()->currentIndex(), int(frmSystem::ImportTab));
        QVERIFY(!open.find<QPushButton>(u"Button_Restore"_s)->isEnabled());
        open.typePasswords(u"739"_s, u"mine"_s);
        open.click(u"Button_OK"_s);
        QVERIFY(passIs(2, u"mine"_s));
        QVERIFY(passIs(1, u"admin"_s));
    }

    // The page follows the option as this run started (stored on, started off), then its box;
    // one case of each refusal the page itself decides (the name rules are tst_accounts').
    void accountsAreAddedRenamedAndDeleted()
    {
        Accounts::add(m_data->db(), u"临时"_s, m_suffix);
        m_data->setOption(u"IsAllUser"_s, true);
        m_session.options.isAllUser = false;
        OpenWindow& open = show();
        QVERIFY(!open.tabs()->isTabEnabled(frmSystem::AccountsTab));
        open.tick(u"C_IsAllUser"_s);
        open.tick(u"C_IsAllUser"_s);
        open.tabs()->setCurrentIndex(frmSystem::AccountsTab);
        QCOMPARE(open.tabs()->currentIndex(), int(frmSystem::AccountsTab));
        open.prompter.expectMessage(u"没有选择需要修改的用户！"_s);
        open.click(u"Button_Edit"_s);
        open.prompter.expectMessage(u"没有选择需要删除的用户！"_s);
        open.click(u"Button_Del"_s);
        open.prompter.expectInput(u"张三"_s, u"输入新用户名称，密码默认为739！"_s);
        open.click(u"Button_Add"_s);
        open.prompter.expectInput(u"张三"_s);
        open.prompter.expectMessage(u"此用户已经存在，不能重复添加！"_s);
        open.click(u"Button_Add"_s);
        open.prompter.expectInput(QString()); // cancelled: nothing
        open.click(u"Button_Add"_s);
        open.select(u"张三"_s);
        open.prompter.expectInput(u"admin"_s, u"输入新用户名称！"_s);
        open.prompter.expectMessage(u"此用户名已被其他用户使用，不能重命名！"_s);
        open.click(u"Button_Edit"_s);
        open.select(u"张三"_s);
        open.prompter.expectInput(u"张三丰"_s);
        open.click(u"Button_Edit"_s);
        QCOMPARE(open.prompter.shown().last().defaultText, u"张三"_s);
        QVERIFY(passIs(3, u"739"_s));
        open.select(u"admin"_s);
        open.prompter.expectMessage(u"管理员用户不能删除！"_s);
        open.click(u"Button_Del"_s);
        open.select(u"张三丰"_s);
        open.prompter.expectQuestion(false, u"是否真要删除选中的用户？"_s);
        open.click(u"Button_Del"_s);
        open.prompter.expectQuestion(true);
        open.click(u"Button_Del"_s);
        // Deleted by another program while the window was open.
        open.select(u"临时"_s);
        m_data->run(u"DELETE FROM Vardelin_Login WHERE Name = '临时'"_s);
        open.prompter.expectMessage(u"没有此用户，不能修改！"_s);
        open.click(u"Button_Edit"_s);
        QCOMPARE(open.find<QTreeWidget>(u"ListView"_s)->topLevelItemCount(), 1);
        QCOMPARE(stored(u"SELECT group_concat(Name) FROM Vardelin_Login"_s), u"admin"_s);
    }

    // A refused password (which ones is tst_settingssave's table), then a failing write: each
    // stops the confirm with its message, keeps the window open and writes nothing.
    void aRefusedOrFailingConfirmKeepsTheWindowOpenAndWritesNothing()
    {
        m_data->run(u"CREATE TRIGGER Refuse BEFORE UPDATE ON Vardelin_System "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        OpenWindow& open = show();
        auto* old = open.find<QLineEdit>(u"Edit_YMM"_s); // grey until ticked, and hidden
        QVERIFY(!old->isEnabled() && old->echoMode() == QLineEdit::Password &&
                old->palette().color(QPalette::Base) == PasswordPage::offColour());
        open.tick(u"C_IsLogin"_s);
        open.column(0)->setCheckState(0, Qt::Unchecked);
        open.typePasswords(u"wrong"_s, u"new"_s);
        open.prompter.expectMessage(u"原密码不正确！"_s);
        open.click(u"Button_OK"_s);
        old->setText(u"admin"_s);
        open.prompter.expectMessage();
        open.click(u"Button_OK"_s);
        QVERIFY(open.prompter.shown().last().title.startsWith(u"错误"_s));
        QVERIFY(open.window.isVisible() && passIs(1, u"admin"_s) && open.rebuilds == 0);
        QCOMPARE(stored(u"SELECT IsDisplay FROM Vardelin_Alias WHERE Name = 'C.Name'"_s), u"1"_s);
        m_data->run(u"DROP TRIGGER Refuse"_s); // once the cause is gone the same input saves
        open.click(u"Button_OK"_s);
        QCOMPARE(open.window.result(), int(QDialog::Accepted));
        QVERIFY(passIs(1, u"new"_s) && open.rebuilds == 1);
        QCOMPARE(stored(u"SELECT IsLogin FROM Vardelin_System"_s), u"1"_s);
    }

    void cancelWritesNothingAndOkLeavesTheStartUpSnapshot()
    {
        const QString options = u"SELECT IsLogin || IsZip || IsMax || IsTop FROM Vardelin_System"_s;
        for (const QString& button : {u"Button_Cancel"_s, u"Button_OK"_s}) {
            OpenWindow& open = show();
            for (const QString& box : {u"C_IsLogin"_s, u"C_IsZip"_s, u"C_IsMax"_s, u"C_IsTop"_s})
                open.tick(box);
            open.typePasswords(u"admin"_s, u"new"_s);
            open.click(button);
            QCOMPARE(stored(options), button == u"Button_OK" ? u"1110"_s : u"0001"_s);
            QCOMPARE(passIs(1, u"new"_s), button == u"Button_OK");
        }
        QVERIFY(!m_session.options.isLogin && !m_session.options.isZip);
    }

    // The column dialog closes only on a caption and whole numbers (which texts are numbers is
    // tst_settingssave's table); its values go back into the row, not yet into the database.
    void aColumnIsEditedInItsDialogThatRefusesBadValues()
    {
        OpenWindow& open = show();
        open.tabs()->setCurrentIndex(frmSystem::ColumnsTab);
        QStringList told;
        QTimer::singleShot(0, [&told] {
            auto* dialog = qobject_cast<frmAlias*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* caption = dialog->findChild<QLineEdit*>(u"Edit_Alias"_s);
            auto* width = dialog->findChild<QLineEdit*>(u"Edit_Width"_s);
            caption->setText(u"\u3000 "_s);
            QTest::keyClick(caption, Qt::Key_Return);
            told << dialog->findChild<QLabel*>(u"Label3"_s)->text();
            caption->setText(u"名字"_s);
            width->setText(u"1.5"_s);
            QTest::keyClick(dialog, Qt::Key_Escape); // checked like the close box
            told << dialog->findChild<QLabel*>(u"Label3"_s)->text();
            width->setText(u"150"_s);
            QTest::keyClick(width, Qt::Key_Return);
        });
        QWidget* rows = open.find<QTreeWidget>(u"ListGird"_s)->viewport();
        const QPoint at =
            open.find<QTreeWidget>(u"ListGird"_s)->visualItemRect(open.column(0)).center();
        QTest::mouseClick(rows, Qt::LeftButton, {}, at);
        QTest::mouseDClick(rows, Qt::LeftButton, {}, at);
        QCOMPARE(told,
                 (QStringList{u"字段名不能为空，请修改！"_s, u"宽度及顺序必须是数字，请修改！"_s}));
        QCOMPARE(open.column(0)->text(0) + open.column(0)->text(1), u"名字150"_s);
        QVERIFY(stored(u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.Name'"_s) != u"150"_s);
    }

    void settingsChangedElsewhereAreKeptOrOverwrittenOnlyOnPurpose()
    {
        const QString widthOf = u"SELECT Width FROM Vardelin_Alias WHERE ID = ?"_s;
        const QString options = u"SELECT IsLogin || IsZip || IsMax FROM Vardelin_System"_s;
        OpenWindow& open = show();
        const qint64 first = open.column(0)->data(0, Qt::UserRole).toLongLong();
        const qint64 second = open.column(1)->data(0, Qt::UserRole).toLongLong();
        Database other;
        QVERIFY(other.open(m_data->path()));
        QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsZip = 1"_s));
        QVERIFY(other.exec(u"UPDATE Vardelin_Alias SET Width = 777 WHERE ID = ?"_s, {first}));
        // The user changes the options and the first column, which the other program changed
        // too, and the second, which it did not.
        open.tick(u"C_IsLogin"_s);
        open.column(0)->setText(1, u"4321"_s);
        open.column(1)->setText(1, u"4322"_s);
        open.prompter.expectChoice(2); // cancel: back to the window, nothing written
        open.click(u"Button_OK"_s);
        QVERIFY(open.prompter.shown().last().text.startsWith(
            u"在您打开设置窗口后，下列设置已在别处被修改：\n“基本选项”页的选项\n列表字段“%1”\n\n"_s
                .arg(open.column(0)->text(0))));
        QCOMPARE(stored(options) + stored(widthOf, {first}), u"010777"_s);
        // Reload: the rows changed elsewhere show as stored; the second keeps its edit.
        open.prompter.expectChoice(0);
        open.click(u"Button_OK"_s);
        QVERIFY(open.find<QCheckBox>(u"C_IsZip"_s)->isChecked());
        QCOMPARE(open.column(0)->text(1), u"777"_s);
        // Options another program changes now, which the user leaves alone, are not rewritten.
        QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s));
        open.click(u"Button_OK"_s);
        QCOMPARE(stored(options) + stored(widthOf, {second}), u"0114322"_s);
        // Overwrite on purpose: the user's width replaces the other program's.
        OpenWindow& again = show();
        again.column(0)->setText(1, u"4321"_s);
        QVERIFY(other.exec(u"UPDATE Vardelin_Alias SET Width = 888 WHERE ID = ?"_s, {first}));
        again.prompter.expectChoice(1);
        again.click(u"Button_OK"_s);
        QCOMPARE(stored(widthOf, {first}), u"4321"_s);
    }

    void backUpNowWritesASoundCopyAndABadRestoreIsRefused()
    {
        OpenWindow& open = show();
        const QString copy = QDir(m_data->folder()).filePath(u"导出 副本.xml"_s);
        open.prompter.expectSaveFile(copy);
        open.prompter.expectMessage(u"备份完成！"_s);
        open.click(u"Button_Backup"_s);
        QVERIFY(Backup::check(copy).ok());
        // Not an address book: told before any question, and nothing changes.
        open.prompter.expectOpenFile(QCoreApplication::applicationFilePath()); // this program
        open.prompter.expectMessage();
        open.click(u"Button_Restore"_s);
        QVERIFY(open.prompter.shown().last().text.startsWith(u"所选文件不能用来恢复："_s));
        QVERIFY(!open.window.restored() && open.window.isVisible());
        QVERIFY(!QFileInfo::exists(Backup::folderOf(m_data->path())));
    }

    // A file's book is copied into an empty server database (and refused by one no longer
    // empty); a server's into a file, which is also its "立即备份" and restores into it. On a
    // server the box of the compaction and the daily copy is switched off and says whose they are.
    void theBookIsCopiedAndAServersUpkeepIsItsAdministrators_data()
    {
        TestDatabase::addBackendRows();
    }
    void theBookIsCopiedAndAServersUpkeepIsItsAdministrators()
    {
        const bool onServer = m_data->db().backend() == Backend::Server;
        m_data->addContact({{u"Name"_s, u"张三"_s}});
        OpenWindow& open = show();
        QCOMPARE(open.find<QCheckBox>(u"C_IsZip"_s)->isEnabled(), !onServer);
        QCOMPARE(open.find<QLabel>(u"Label_Upkeep"_s)->isVisibleTo(&open.window), onServer);
        const QString copy = onServer ? QDir(m_data->folder()).filePath(u"副本.xml"_s)
                                      : PgServer::instance().createDatabase();
        const auto copyOnce = [&] {
            open.prompter.expectChoice(onServer ? 0 : 1);
            if (onServer)
                open.prompter.expectSaveFile(copy);
            else
                open.prompter.expectInput(copy);
            open.prompter.expectMessage();
            open.click(u"Button_Copy"_s);
            return open.prompter.shown().last().text;
        };
        QVERIFY2(copyOnce().startsWith(u"复制完成！"_s),
                 qPrintable(open.prompter.faults().join(u'\n')));
        Database copied;
        QVERIFY(copied.open(copy).ok());
        QCOMPARE(TestDatabase::rowsOf(copied, u"SELECT Name FROM Vardelin_Contact"_s),
                 QStringList{u"张三"_s});
        copied.close();
        if (onServer) {
            const QString backup = QDir(m_data->folder()).filePath(u"备份.xml"_s);
            open.prompter.expectSaveFile(backup);
            open.prompter.expectMessage();
            open.click(u"Button_Backup"_s);
            QVERIFY(open.prompter.shown().last().text.startsWith(u"复制完成！"_s));
            QVERIFY(Backup::check(backup).ok());
            // Restored into the server's book after a question: the contact added since is gone.
            m_data->addContact({{u"Name"_s, u"李四"_s}});
            open.prompter.expectOpenFile(backup);
            open.prompter.expectQuestion(true);
            open.prompter.expectMessage(u"恢复完成！程序将重新载入通讯录。"_s);
            open.click(u"Button_Restore"_s);
            QVERIFY(open.window.restored());
            QCOMPARE(TestDatabase::rowsOf(m_data->db(), u"SELECT Name FROM Vardelin_Contact"_s),
                     QStringList{u"张三"_s});
        } else {
            QVERIFY(copyOnce().startsWith(u"复制失败："_s));
            PgServer::instance().dropDatabase(copy);
        }
    }
};

QTEST_MAIN(TestFrmSystem)
#include "tst_frmsystem.moc"
