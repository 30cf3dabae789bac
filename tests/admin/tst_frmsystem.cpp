// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window as a real window, by the paths a user takes through it: who may open which
// page, the accounts and password commands, and what confirming or cancelling writes. The rules
// behind them (names, passwords, widths) are tested in tst_accounts and tst_settingssave.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "admin/PasswordPage.h"
#include "admin/frmSystem.h"
#include "db/Backup.h"
#include "db/Scramble.h"
#include "db/Session.h"
#include "ui/ListEnterKey.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct OpenWindow {
    ScriptedPrompter prompter;
    int rebuilds = 0;
    std::unique_ptr<frmSystem> window;

    OpenWindow(Database& db, Session& session)
        : window(std::make_unique<frmSystem>(db, session, prompter, [this]() -> Status {
            ++rebuilds;
            return {};
        }))
    {
    }
    bool show()
    {
        if (!window->load().ok())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QTabWidget* tabs() const { return find<QTabWidget>(u"TabC"_s); }
    QTreeWidget* accounts() const { return find<QTreeWidget>(u"ListView"_s); }
    void click(const QString& button) const
    {
        QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton);
    }
    void ok() const { click(u"Button_OK"_s); }
    QStringList accountNames() const
    {
        QStringList names;
        for (int i = 0; i < accounts()->topLevelItemCount(); ++i)
            names << accounts()->topLevelItem(i)->text(0);
        return names;
    }
    void selectAccount(const QString& name) const
    {
        const auto found = accounts()->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        accounts()->setCurrentItem(found.first());
    }
    // On the box itself: a click beside its caption does not tick it.
    void tick(const QString& box) const
    {
        auto* check = find<QCheckBox>(box);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    }
    void typePasswords(const QString& old, const QString& fresh, const QString& confirm) const
    {
        find<QLineEdit>(u"Edit_YMM"_s)->setText(old);
        find<QLineEdit>(u"Edit_XMM"_s)->setText(fresh);
        find<QLineEdit>(u"Edit_QRM"_s)->setText(confirm);
    }
};

} // namespace

class TestFrmSystem : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ListEnterKey::install(*qApp); }
    void init();
    void cleanup();

    void theAdministratorHasEveryPage();
    void aUserOtherThanTheAdministratorHasOnlyImportAndTheirOwnPassword();
    void accountsPageFollowsTheStartUpOptionThenTheBox();
    void accountsAreAddedAndRenamedUniquely();
    void refusedAndAllowedDeletions();
    void passwordBoxesAreGreyUntilTicked();
    void aRefusedPasswordStopsTheConfirmAndKeepsTheWindowOpen();
    void aFailingConfirmShowsTheErrorAndWritesNothing();
    void confirmWritesOptionsButLeavesTheStartUpSnapshot();
    void cancelWritesNothing();
    void enterOnAColumnRowLeavesTheWindowOpenAndUnwritten();
    void settingsChangedElsewhereAreKeptOrOverwrittenOnlyOnPurpose();
    void backUpNowWritesASoundCopyAndABadRestoreIsRefused();

private:
    OpenWindow& show()
    {
        m_open = std::make_unique<OpenWindow>(m_data->db(), m_session);
        if (!m_open->show())
            qFatal("the settings window did not open");
        return *m_open;
    }
    qint64 addAccount(const QString& name, const QString& password)
    {
        m_data->run(
            u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, ?, 'Blue', '')"_s,
            {name, Scramble::storedPassword(password, m_suffix)});
        return m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
    }
    QString pass(qint64 id)
    {
        return m_data->scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString();
    }
    int isLogin() { return m_data->scalar(u"SELECT IsLogin FROM Vardelin_System"_s).toInt(); }

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
    qint16 m_suffix = 0;
    std::unique_ptr<OpenWindow> m_open;
};

void TestFrmSystem::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_session = Session{};
    m_session.options.isAllUser = true;
    m_suffix = qint16(m_data->scalar(u"SELECT Number FROM Vardelin_Type WHERE ID = 1"_s).toInt());
    m_data->run(u"UPDATE Vardelin_Login SET Pass = ? WHERE ID = 1"_s,
                {Scramble::storedPassword(u"admin"_s, m_suffix)});
}

void TestFrmSystem::cleanup()
{
    const bool scriptDone = !m_open || m_open->prompter.scriptDone();
    const QString faults = m_open ? m_open->prompter.faults().join(u'\n') : QString();
    m_open.reset();
    m_data.reset();
    QVERIFY2(scriptDone, qPrintable(faults));
}

void TestFrmSystem::theAdministratorHasEveryPage()
{
    OpenWindow& open = show();
    QCOMPARE(open.tabs()->count(), 5);
    for (int i = 0; i < 5; ++i)
        QVERIFY(open.tabs()->isTabEnabled(i));
    QCOMPARE(open.accountNames(), QStringList{u"admin"_s});
    QCOMPARE(open.accounts()->topLevelItem(0)->text(1), u"Silver"_s);
    // The stored options as they stand in a new address book.
    QVERIFY(open.find<QCheckBox>(u"C_IsExpanded"_s)->isChecked());
    QVERIFY(!open.find<QCheckBox>(u"C_IsLogin"_s)->isChecked());
    QCOMPARE(open.window->currentPass(), u"admin"_s + QString::number(m_suffix));
    // The import grid offers every list column but the group name.
    QTreeWidget* grid = open.find<QTreeWidget>(u"ListData"_s);
    QCOMPARE(grid->topLevelItem(0)->text(2), u"姓名"_s);
    for (int i = 0; i < grid->topLevelItemCount(); ++i)
        QVERIFY(grid->topLevelItem(i)->text(2) != u"所属分类"_s);
}

void TestFrmSystem::aUserOtherThanTheAdministratorHasOnlyImportAndTheirOwnPassword()
{
    const qint64 clerk = addAccount(u"职员"_s, u"old"_s);
    const qint64 other = addAccount(u"别人"_s, u"old"_s);
    const QString adminBefore = pass(1);
    const QString otherBefore = pass(other);
    m_session.currentUserId = clerk;
    OpenWindow& open = show();
    for (int page : {0, 1, 2})
        QVERIFY(!open.tabs()->isTabEnabled(page));
    // A switched-off page is never the one shown, nor can it be chosen.
    QCOMPARE(open.tabs()->currentIndex(), 3);
    auto* bar = open.tabs()->findChild<QTabBar*>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QCOMPARE(open.tabs()->currentIndex(), 3);
    open.tabs()->setCurrentIndex(1);
    QCOMPARE(open.tabs()->currentIndex(), 3);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
    QCOMPARE(open.tabs()->currentIndex(), 4);
    QVERIFY(!open.find<QPushButton>(u"Button_Backup"_s)->isEnabled());
    QVERIFY(!open.find<QPushButton>(u"Button_Restore"_s)->isEnabled());

    open.tick(u"IsPassword"_s);
    open.typePasswords(u"old"_s, u"mine"_s, u"mine"_s);
    open.ok();
    QCOMPARE(open.window->result(), int(QDialog::Accepted));
    QVERIFY(Scramble::matches(pass(clerk), u"mine"_s, m_suffix));
    QCOMPARE(pass(1), adminBefore);
    QCOMPARE(pass(other), otherBefore);
}

void TestFrmSystem::accountsPageFollowsTheStartUpOptionThenTheBox()
{
    // Stored on, but the run started with it off: the start-up value rules.
    m_data->setOption(u"IsAllUser"_s, true);
    m_session.options.isAllUser = false;
    OpenWindow& open = show();
    QVERIFY(open.find<QCheckBox>(u"C_IsAllUser"_s)->isChecked());
    QVERIFY(!open.tabs()->isTabEnabled(1));
    open.tick(u"C_IsAllUser"_s);
    QVERIFY(!open.tabs()->isTabEnabled(1));
    open.tick(u"C_IsAllUser"_s);
    QVERIFY(open.tabs()->isTabEnabled(1));
    // Nothing is stored by the click.
    m_data->setOption(u"IsAllUser"_s, false);
    open.tick(u"C_IsAllUser"_s);
    QVERIFY(!open.tabs()->isTabEnabled(1));
    QCOMPARE(m_data->scalar(u"SELECT IsAllUser FROM Vardelin_System"_s).toInt(), 0);
}

void TestFrmSystem::accountsAreAddedAndRenamedUniquely()
{
    OpenWindow& open = show();
    open.tabs()->setCurrentIndex(1);
    open.accounts()->clearSelection();
    open.prompter.expectMessage(u"没有选择需要修改的用户！"_s);
    open.click(u"Button_Edit"_s);

    open.prompter.expectInput(u"张三"_s, u"输入新用户名称，密码默认为739！"_s);
    open.click(u"Button_Add"_s);
    QCOMPARE(open.accountNames(), (QStringList{u"admin"_s, u"张三"_s}));
    const qint64 zhang =
        m_data->scalar(u"SELECT ID FROM Vardelin_Login WHERE Name = '张三'"_s).toLongLong();
    QVERIFY(Scramble::matches(pass(zhang), u"739"_s, m_suffix));
    // Cancelled: nothing; taken: told.
    open.prompter.expectInput(QString());
    open.click(u"Button_Add"_s);
    open.prompter.expectInput(u"张三"_s);
    open.prompter.expectMessage(u"此用户已经存在，不能重复添加！"_s);
    open.click(u"Button_Add"_s);
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);

    open.selectAccount(u"张三"_s);
    open.prompter.expectInput(u"admin"_s, u"输入新用户名称！"_s);
    open.prompter.expectMessage(u"此用户名已被其他用户使用，不能重命名！"_s);
    open.click(u"Button_Edit"_s);
    QCOMPARE(open.prompter.shown()[open.prompter.shown().size() - 2].defaultText, u"张三"_s);
    open.selectAccount(u"张三"_s);
    open.prompter.expectInput(u"张三丰"_s);
    open.click(u"Button_Edit"_s);
    QCOMPARE(open.accountNames(), (QStringList{u"admin"_s, u"张三丰"_s}));
    QCOMPARE(m_data->scalar(u"SELECT Name FROM Vardelin_Login WHERE ID = ?"_s, {zhang}).toString(),
             u"张三丰"_s);

    // Deleted by another program while the window was open.
    open.selectAccount(u"张三丰"_s);
    m_data->run(u"DELETE FROM Vardelin_Login WHERE ID = ?"_s, {zhang});
    open.prompter.expectMessage(u"没有此用户，不能修改！"_s);
    open.click(u"Button_Edit"_s);
    QCOMPARE(open.accountNames(), QStringList{u"admin"_s});
}

void TestFrmSystem::refusedAndAllowedDeletions()
{
    const qint64 clerk = addAccount(u"职员"_s, u"pw"_s);
    addAccount(u"临时"_s, u"pw"_s);
    OpenWindow& open = show();
    open.tabs()->setCurrentIndex(1);
    open.accounts()->clearSelection();
    open.prompter.expectMessage(u"没有选择需要删除的用户！"_s);
    open.click(u"Button_Del"_s);
    open.selectAccount(u"admin"_s);
    open.prompter.expectMessage(u"管理员用户不能删除！"_s);
    open.click(u"Button_Del"_s);

    open.selectAccount(u"职员"_s);
    open.prompter.expectQuestion(false, u"是否真要删除选中的用户？"_s);
    open.click(u"Button_Del"_s);
    open.prompter.expectQuestion(true, u"是否真要删除选中的用户？"_s);
    open.click(u"Button_Del"_s);
    // Only the chosen account went.
    QCOMPARE(open.accountNames(), (QStringList{u"admin"_s, u"临时"_s}));
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Login WHERE ID = ?"_s, {clerk}).toInt(),
             0);
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Login"_s).toInt(), 2);
}

void TestFrmSystem::passwordBoxesAreGreyUntilTicked()
{
    OpenWindow& open = show();
    const QList<QLineEdit*> boxes{open.find<QLineEdit>(u"Edit_YMM"_s),
                                  open.find<QLineEdit>(u"Edit_XMM"_s),
                                  open.find<QLineEdit>(u"Edit_QRM"_s)};
    for (QLineEdit* box : boxes) {
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->palette().color(QPalette::Base), PasswordPage::offColour());
    }
    open.tick(u"IsPassword"_s);
    for (QLineEdit* box : boxes) {
        QVERIFY(box->isEnabled());
        QVERIFY(box->palette().color(QPalette::Base) != PasswordPage::offColour());
    }
    boxes[0]->setText(u"typed"_s);
    open.tick(u"IsPassword"_s);
    QVERIFY(!boxes[0]->isEnabled());
    QCOMPARE(boxes[0]->text(), u"typed"_s);
}

// Which passwords are refused, and in which order, is tested in tst_settingssave.
void TestFrmSystem::aRefusedPasswordStopsTheConfirmAndKeepsTheWindowOpen()
{
    OpenWindow& open = show();
    const QString before = pass(1);
    open.find<QCheckBox>(u"C_IsLogin"_s)->setChecked(true);
    open.tick(u"IsPassword"_s);
    open.typePasswords(u"wrong"_s, u"new"_s, u"new"_s);
    open.prompter.expectMessage(u"原密码不正确！"_s);
    open.ok();
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
    QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
    QVERIFY(open.window->isVisible());
    QCOMPARE(pass(1), before);
    QCOMPARE(isLogin(), 0);
    QCOMPARE(open.rebuilds, 0);
    // Corrected, everything is saved and the list rebuilt once.
    open.typePasswords(u"admin"_s, u"新密码"_s, u"新密码"_s);
    open.ok();
    QCOMPARE(open.window->result(), int(QDialog::Accepted));
    QVERIFY(Scramble::matches(pass(1), u"新密码"_s, m_suffix));
    QCOMPARE(isLogin(), 1);
    QCOMPARE(open.rebuilds, 1);
}

void TestFrmSystem::aFailingConfirmShowsTheErrorAndWritesNothing()
{
    m_data->run(u"CREATE TRIGGER Refuse BEFORE UPDATE ON Vardelin_System "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
    const QString before = pass(1);
    OpenWindow& open = show();
    open.tick(u"IsPassword"_s);
    open.typePasswords(u"admin"_s, u"new"_s, u"new"_s);
    QTreeWidget* columns = open.find<QTreeWidget>(u"ListGird"_s);
    columns->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    open.tick(u"C_IsMax"_s);

    open.prompter.expectMessage();
    open.ok();
    QVERIFY(open.prompter.shown().last().title.startsWith(u"错误"_s));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    QVERIFY(open.window->isVisible());
    QCOMPARE(open.rebuilds, 0);
    QCOMPARE(pass(1), before);
    QCOMPARE(m_data
                 ->scalar(u"SELECT IsDisplay FROM Vardelin_Alias WHERE ID = ?"_s,
                          {columns->topLevelItem(0)->data(0, Qt::UserRole)})
                 .toInt(),
             1);

    // Once the cause is gone the same input saves.
    m_data->run(u"DROP TRIGGER Refuse"_s);
    open.ok();
    QCOMPARE(open.window->result(), int(QDialog::Accepted));
    QVERIFY(Scramble::matches(pass(1), u"new"_s, m_suffix));
}

void TestFrmSystem::confirmWritesOptionsButLeavesTheStartUpSnapshot()
{
    const SystemOptions snapshot = m_session.options;
    OpenWindow& open = show();
    for (const QString& box : {u"C_IsLogin"_s, u"C_IsZip"_s, u"C_IsMax"_s, u"C_IsTop"_s})
        open.tick(box);
    open.ok();
    QCOMPARE(open.window->result(), int(QDialog::Accepted));
    auto stored = SystemOptions::read(m_data->db());
    QVERIFY(stored.ok());
    QVERIFY(stored.value().isLogin && stored.value().isZip && stored.value().isMax);
    QVERIFY(!stored.value().isTop);
    QVERIFY(stored.value().isExpanded);
    QCOMPARE(m_session.options.isLogin, snapshot.isLogin);
    QCOMPARE(m_session.options.isZip, snapshot.isZip);
    QCOMPARE(m_session.options.isTop, snapshot.isTop);
}

void TestFrmSystem::cancelWritesNothing()
{
    const QString widthSql = u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.Name'"_s;
    const int width = m_data->scalar(widthSql).toInt();
    const QString before = pass(1);
    OpenWindow& open = show();
    open.tick(u"C_IsLogin"_s);
    open.find<QTreeWidget>(u"ListGird"_s)->topLevelItem(0)->setText(1, QString::number(width + 5));
    open.tick(u"IsPassword"_s);
    open.typePasswords(u"admin"_s, u"new"_s, u"new"_s);
    open.click(u"Button_Cancel"_s);
    QCOMPARE(open.window->result(), int(QDialog::Rejected));
    QCOMPARE(isLogin(), 0);
    QCOMPARE(m_data->scalar(widthSql).toInt(), width);
    QCOMPARE(pass(1), before);
    QCOMPARE(open.rebuilds, 0);
}

void TestFrmSystem::settingsChangedElsewhereAreKeptOrOverwrittenOnlyOnPurpose()
{
    const QString widthOf = u"SELECT Width FROM Vardelin_Alias WHERE ID = ?"_s;
    const QString option = u"SELECT IsLogin || IsZip || IsMax FROM Vardelin_System"_s;
    OpenWindow& open = show();
    QTreeWidget* columns = open.find<QTreeWidget>(u"ListGird"_s);
    const qint64 first = columns->topLevelItem(0)->data(0, Qt::UserRole).toLongLong();
    const qint64 second = columns->topLevelItem(1)->data(0, Qt::UserRole).toLongLong();
    Database other;
    QVERIFY(other.open(m_data->path()));
    QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsZip = 1"_s));
    QVERIFY(other.exec(u"UPDATE Vardelin_Alias SET Width = 777 WHERE ID = ?"_s, {first}));

    // The user changes the options and the first column, which the other program changed too,
    // and the second, which it did not.
    open.tick(u"C_IsLogin"_s);
    columns->topLevelItem(0)->setText(1, u"4321"_s);
    columns->topLevelItem(1)->setText(1, u"4322"_s);
    const QString changed = u"在您打开设置窗口后，下列设置已在别处被修改：\n"
                            "“基本选项”页的选项\n列表字段“%1”\n\n"
                            "“重新读取”：放弃您对这些设置的修改，显示已保存的内容；\n"
                            "“覆盖保存”：用您的设置替换它们；\n"
                            "“取消”：返回设置窗口。"_s.arg(columns->topLevelItem(0)->text(0));
    // Cancel: back to the window, nothing written.
    open.prompter.expectChoice(2, changed);
    open.ok();
    QVERIFY(open.window->isVisible());
    QCOMPARE(m_data->scalar(option).toString(), u"010"_s);
    QCOMPARE(m_data->scalar(widthOf, {first}).toInt(), 777);

    // Reload: the rows changed elsewhere show as stored; the second column keeps its edit and is
    // the one row written at the next OK.
    open.prompter.expectChoice(0, changed);
    open.ok();
    QVERIFY(open.window->isVisible());
    QVERIFY(!open.find<QCheckBox>(u"C_IsLogin"_s)->isChecked());
    QVERIFY(open.find<QCheckBox>(u"C_IsZip"_s)->isChecked());
    QCOMPARE(columns->topLevelItem(0)->text(1), u"777"_s);
    QCOMPARE(columns->topLevelItem(1)->text(1), u"4322"_s);
    // Options another program changes now, which the user leaves alone, are not rewritten.
    QVERIFY(other.exec(u"UPDATE Vardelin_System SET IsMax = 1"_s));
    open.ok();
    QCOMPARE(open.window->result(), int(QDialog::Accepted));
    QCOMPARE(m_data->scalar(option).toString(), u"011"_s);
    QCOMPARE(m_data->scalar(widthOf, {first}).toInt(), 777);
    QCOMPARE(m_data->scalar(widthOf, {second}).toInt(), 4322);

    // Overwrite on purpose: the user's width replaces the other program's.
    OpenWindow again(m_data->db(), m_session);
    QVERIFY(again.show());
    again.find<QTreeWidget>(u"ListGird"_s)->topLevelItem(0)->setText(1, u"4321"_s);
    QVERIFY(other.exec(u"UPDATE Vardelin_Alias SET Width = 888 WHERE ID = ?"_s, {first}));
    again.prompter.expectChoice(1);
    again.ok();
    QCOMPARE(again.window->result(), int(QDialog::Accepted));
    QCOMPARE(m_data->scalar(widthOf, {first}).toInt(), 4321);
    QCOMPARE(m_data->scalar(option).toString(), u"011"_s);
    QVERIFY(again.prompter.scriptDone());
}

void TestFrmSystem::backUpNowWritesASoundCopyAndABadRestoreIsRefused()
{
    OpenWindow& open = show();
    const QString copy = QDir(m_data->folder()).filePath(u"导出 副本.xml"_s);
    open.prompter.expectSaveFile(copy);
    open.prompter.expectMessage(u"备份完成！"_s);
    open.click(u"Button_Backup"_s);
    QVERIFY(Backup::check(copy).ok());
    QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);

    // Not an address book: told before any question, and nothing changes.
    const QString text = QDir(m_data->folder()).filePath(u"note.xml"_s);
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("just some text\n").repeated(400));
    file.close();
    const qint64 contacts = m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt();
    open.prompter.expectOpenFile(text);
    open.prompter.expectMessage();
    open.click(u"Button_Restore"_s);
    QVERIFY(open.prompter.shown().last().text.startsWith(u"所选文件不能用来恢复："_s));
    QVERIFY(!open.window->restored());
    QVERIFY(open.window->isVisible());
    QVERIFY(!QFileInfo::exists(Backup::folderOf(m_data->path())));
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), contacts);
}

void TestFrmSystem::enterOnAColumnRowLeavesTheWindowOpenAndUnwritten()
{
    const QString widthSql = u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.Post'"_s;
    const int width = m_data->scalar(widthSql).toInt();
    OpenWindow& open = show();
    open.tick(u"C_IsLogin"_s);
    open.tabs()->setCurrentIndex(frmSystem::ColumnsTab);
    auto* list = open.find<QTreeWidget>(u"ListGird"_s);
    const auto found = list->findItems(u"职务"_s, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    list->setCurrentItem(found.first());
    open.window->activateWindow();
    list->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(open.window.get()));

    QString shownWith;
    QTimer::singleShot(0, [&shownWith] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != u"frmAlias"_s)
            return;
        auto* box = dialog->findChild<QLineEdit*>(u"Edit_Width"_s);
        shownWith = box->text();
        box->setText(u"2400"_s);
        dialog->close();
    });
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(shownWith, QString::number(width));
    QCOMPARE(found.first()->text(1), u"2400"_s);
    // The key stayed with the row: the settings are neither confirmed nor written.
    QVERIFY(open.window->isVisible());
    QCOMPARE(open.rebuilds, 0);
    QCOMPARE(m_data->scalar(widthSql).toInt(), width);
    QCOMPARE(isLogin(), 0);
}

QTEST_MAIN(TestFrmSystem)
#include "tst_frmsystem.moc"
