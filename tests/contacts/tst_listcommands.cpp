// SPDX-License-Identifier: GPL-3.0-or-later
// The list commands through the main window: delete, tick all, change group,
// the pop-up menu and the keys, checked against what the database holds.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/Main.h"
#include "contacts/ContactListView.h"
#include "contacts/frmTName.h"
#include "db/Session.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

struct Window : RunningMain {
    bool ticked(int row) const
    {
        return list()->model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
               Qt::Checked;
    }
    void tick(const QList<int>& rows) const
    {
        for (int row : rows)
            list()->model()->setData(list()->model()->index(row, 0), Qt::Checked,
                                     Qt::CheckStateRole);
    }
};

// Types text as key presses; QTest::keyClicks takes ASCII only.
void type(QWidget* widget, const QString& text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Runs act on the next modal dialog once it is shown by exec().
void onNextModal(const std::function<void(QWidget*)>& act)
{
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) {
            QTest::qFail("no modal dialog", __FILE__, __LINE__);
            return;
        }
        act(dialog);
    });
}

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deleteAsksFirstAndWarnsWhenNothingIsTicked();
    void deleteTakesTheTickedRowsAndTheirAttachments();
    void failedDeleteKeepsEveryRowAndTick();
    void deleteKeyAsksAndSpaceTicks();
    void tickAllTogglesItsCaption();
    void changeGroupMovesTheTickedRowsWithoutARebuild();
    void failedChangeGroupMovesNothingAndRebuildsTheList();
    void changeGroupWithoutTicksWarns();
    void changeGroupDialogOffersGroupsButTheRoot();
    void rightClickShowsTheContactMenu();

private:
    qint64 count(const QString& sql) { return m_data->scalar(sql).toLongLong(); }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    qint64 m_work = 0;
    std::vector<qint64> m_ids;
};

void TestListCommands::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 2, QStringLiteral("朋友"));
    m_work = m_data->addGroup(1, 1, QStringLiteral("同事"));
    m_data->setDisplayedColumns({QStringLiteral("C.Name"), QStringLiteral("T.Name")});
    m_ids.clear();
    for (const char16_t* name : {u"甲", u"乙", u"丙", u"丁", u"戊", u"己"})
        m_ids.push_back(m_data->addContact({{QStringLiteral("Name"), QString::fromUtf16(name)},
                                            {QStringLiteral("TID"), m_friends}}));
}

void TestListCommands::cleanup()
{
    m_data.reset();
}

void TestListCommands::deleteAsksFirstAndWarnsWhenNothingIsTicked()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    auto* button = main.find<QToolButton>(QStringLiteral("Button_Del"));
    main.prompter.expectQuestion(false,
                                 QStringLiteral("是否真的要删除勾选的联系人？删除后无法恢复！"));
    QTest::mouseClick(button, Qt::LeftButton);
    main.prompter.expectQuestion(true,
                                 QStringLiteral("是否真的要删除勾选的联系人？删除后无法恢复！"));
    main.prompter.expectMessage(QStringLiteral("没有勾选需要删除的联系人！"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown()[0].title, QStringLiteral("提示！"));
    QCOMPARE(main.prompter.shown()[2].title, QStringLiteral("提示！"));
    QCOMPARE(main.prompter.shown()[2].icon, Prompter::Icon::Exclamation);

    // No with rows ticked deletes nothing either.
    main.tick({0});
    main.prompter.expectQuestion(false);
    main.action("AllDel")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")), 6);
    QCOMPARE(main.names().size(), 6);
}

void TestListCommands::deleteTakesTheTickedRowsAndTheirAttachments()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    const QStringList before = main.names();
    const ContactTableModel* rows = main.list()->contacts();
    const qint64 goneIds[] = {rows->contactId(1), rows->contactId(4)};
    const qint64 keptId = rows->contactId(2);
    for (qint64 id : {goneIds[0], keptId}) {
        m_data->run(
            QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'F', 'a')"),
            {id});
        m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'b')"),
                    {id});
    }
    main.list()->setCurrentIndex(main.list()->model()->index(5, 0));
    main.tick({1, 4}); // rows 2 and 5 of 6

    main.prompter.expectQuestion(true);
    main.action("AllDel")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.names(), (QStringList{before[0], before[2], before[3], before[5]}));
    QCOMPARE(main.tabs()->tabText(0), QStringLiteral("全部(4)"));
    for (int row = 0; row < 4; ++row)
        QVERIFY(!main.ticked(row));
    // The current row stays on its contact.
    QCOMPARE(main.list()->currentIndex().row(), 3);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")), 4);
    for (qint64 id : goneIds) {
        QCOMPARE(
            m_data
                ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE ID = ?"), {id})
                .toLongLong(),
            0);
    }
    // A deleted contact's files and history go with it; a kept one keeps its own.
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT group_concat(CID) FROM Vardelin_Files")).toLongLong(),
        keptId);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT group_concat(CID) FROM Vardelin_History"))
                 .toLongLong(),
             keptId);
}

void TestListCommands::failedDeleteKeepsEveryRowAndTick()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.tick({0, 3, 5});
    // Another program holds the write lock for longer than a statement waits.
    m_data->run(QStringLiteral("BEGIN IMMEDIATE"));
    main.prompter.expectQuestion(true);
    main.prompter.expectMessage();
    QTest::mouseClick(main.find<QToolButton>(QStringLiteral("Button_Del")), Qt::LeftButton);
    QTest::qWait(10);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 2);
    QCOMPARE(main.prompter.shown()[1].title, QStringLiteral("错误5"));
    m_data->run(QStringLiteral("ROLLBACK"));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")), 6);
    QCOMPARE(main.names().size(), 6);
    QCOMPARE(main.tabs()->tabText(0), QStringLiteral("全部(6)"));
    for (int row = 0; row < 6; ++row)
        QCOMPARE(main.ticked(row), row == 0 || row == 3 || row == 5);

    // Nothing of the failed attempt is left open: the same delete, once the lock is gone, works.
    main.prompter.expectQuestion(true);
    QTest::mouseClick(main.find<QToolButton>(QStringLiteral("Button_Del")), Qt::LeftButton);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")), 3);
    QCOMPARE(main.names().size(), 3);
}

void TestListCommands::deleteKeyAsksAndSpaceTicks()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    ContactListView* list = main.list();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(2, 1));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(main.ticked(2));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(main.ticked(3));
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!main.ticked(3));
    QTest::keyClick(list, Qt::Key_Space);

    const QString third = main.names()[2];
    const QString fourth = main.names()[3];
    main.prompter.expectQuestion(true,
                                 QStringLiteral("是否真的要删除勾选的联系人？删除后无法恢复！"));
    QTest::keyClick(list, Qt::Key_Delete);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.names().size(), 4);
    QVERIFY(!main.names().contains(third));
    QVERIFY(!main.names().contains(fourth));
}

void TestListCommands::tickAllTogglesItsCaption()
{
    // An empty list leaves the caption as it is.
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact"));
    {
        Window empty;
        QVERIFY(empty.start(m_data->path()));
        empty.action("AllSelect")->trigger();
        QCOMPARE(empty.action("AllSelect")->text(), QStringLiteral("全部选中"));
    }
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("甲")}, {QStringLiteral("TID"), m_friends}});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("乙")}, {QStringLiteral("TID"), m_work}});
    Window main;
    QVERIFY(main.start(m_data->path()));
    QAction* tickAll = main.action("AllSelect");
    tickAll->trigger();
    QCOMPARE(tickAll->text(), QStringLiteral("全部取消"));
    QVERIFY(main.ticked(0) && main.ticked(1));
    tickAll->trigger();
    QCOMPARE(tickAll->text(), QStringLiteral("全部选中"));
    QVERIFY(!main.ticked(0) && !main.ticked(1));

    // The caption is not reset by a rebuild: its next use unticks nothing.
    tickAll->trigger();
    main.find<QLineEdit>(QStringLiteral("Edit_Condition"))->setText(QStringLiteral("甲"));
    QTest::mouseClick(main.find<QPushButton>(QStringLiteral("Button_CZ")), Qt::LeftButton);
    QCOMPARE(tickAll->text(), QStringLiteral("全部取消"));
    tickAll->trigger();
    QCOMPARE(tickAll->text(), QStringLiteral("全部选中"));
    QVERIFY(!main.ticked(0));
    QVERIFY(main.prompter.shown().isEmpty());
}

void TestListCommands::changeGroupMovesTheTickedRowsWithoutARebuild()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.tick({0, 4});
    const qint64 first = main.list()->contacts()->contactId(0);
    const qint64 fifth = main.list()->contacts()->contactId(4);
    bool opened = false;
    onNextModal([&](QWidget* dialog) {
        opened = dialog->objectName() == QStringLiteral("frmTName");
        auto* groups = dialog->findChild<QComboBox*>(QStringLiteral("Edit_Type"));
        groups->setCurrentIndex(groups->findText(QStringLiteral("同事")));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
    });
    main.action("EditType")->trigger();
    QVERIFY(opened);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE TID = ? "
                                         "AND ID IN (?, ?)"),
                          {m_work, first, fifth})
                 .toLongLong(),
             2);
    QCOMPARE(
        count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE TID = %1").arg(m_work)),
        2);
    // The rows stay in view, still ticked, showing the group they had.
    QCOMPARE(main.names().size(), 6);
    QVERIFY(main.ticked(0) && main.ticked(4));
    QCOMPARE(main.list()->model()->index(0, 1).data().toString(), QStringLiteral("朋友"));
}

void TestListCommands::failedChangeGroupMovesNothingAndRebuildsTheList()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.tick({1, 2});
    m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                               "WHEN OLD.ID = %1 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .arg(main.list()->contacts()->contactId(2)));
    onNextModal([](QWidget* dialog) {
        auto* groups = dialog->findChild<QComboBox*>(QStringLiteral("Edit_Type"));
        groups->setCurrentIndex(groups->findText(QStringLiteral("同事")));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OK")), Qt::LeftButton);
    });
    main.prompter.expectMessage();
    main.action("EditType")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(main.prompter.shown()[0].title.startsWith(QStringLiteral("错误")));
    QCOMPARE(
        count(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE TID = %1").arg(m_work)),
        0);
    QVERIFY(!main.ticked(1) && !main.ticked(2)); // rebuilt from the database
    QCOMPARE(main.names().size(), 6);
}

void TestListCommands::changeGroupWithoutTicksWarns()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.prompter.expectMessage(QStringLiteral("没有勾选需要更改分组的联系人！"));
    main.action("EditType")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown()[0].icon, Prompter::Icon::Exclamation);
    QCOMPARE(main.prompter.shown()[0].title, QStringLiteral("提示！"));
}

void TestListCommands::changeGroupDialogOffersGroupsButTheRoot()
{
    ScriptedPrompter prompter;
    std::optional<qint64> applied;
    Result<bool> answer = true;
    frmTName dialog(m_data->db(), prompter, [&](qint64 groupId) {
        applied = groupId;
        return answer;
    });
    QVERIFY(dialog.GJParent().ok());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("更改分组"));
    QCOMPARE(dialog.findChild<QWidget*>(QStringLiteral("Label1"))->property("text").toString(),
             QStringLiteral("选择分类："));
    auto* groups = dialog.findChild<QComboBox*>(QStringLiteral("Edit_Type"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OK"));
    QCOMPARE(ok->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(groups->count(), 2); // by Number: 同事 (1), 朋友 (2); no root
    QCOMPARE(groups->itemText(0), QStringLiteral("同事"));
    QCOMPARE(groups->itemText(1), QStringLiteral("朋友"));
    QCOMPARE(groups->currentText(), QString());

    // Nothing chosen, then a typed text that names no group: both refused.
    prompter.expectMessage(QStringLiteral("请选择需要更换的分组名称！"));
    QTest::mouseClick(ok, Qt::LeftButton);
    type(groups->lineEdit(), QStringLiteral("同"));
    prompter.expectMessage(QStringLiteral("请选择需要更换的分组名称！"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(prompter.scriptDone());
    QCOMPARE(prompter.shown()[0].icon, Prompter::Icon::Information);
    QVERIFY(!applied);
    QVERIFY(dialog.isVisible());

    // A group deleted meanwhile: told so, the list refilled, still open.
    groups->setCurrentIndex(1);
    answer = false;
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {m_friends});
    prompter.expectMessage(QStringLiteral("所选分组已被删除，请重新选择！"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(prompter.scriptDone());
    QCOMPARE(applied, m_friends);
    QCOMPARE(groups->count(), 1);
    QVERIFY(dialog.isVisible());

    // Typing a group's whole name chooses it.
    answer = true;
    groups->lineEdit()->selectAll();
    type(groups->lineEdit(), QStringLiteral("同事"));
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(applied, m_work);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void TestListCommands::rightClickShowsTheContactMenu()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    auto* menu = main.find<QMenu>(QStringLiteral("RightContact"));
    QStringList captions;
    for (QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(captions, (QStringList{QStringLiteral("全部选中"), QStringLiteral("删除选中"),
                                    QStringLiteral("-"), QStringLiteral("更改分组"),
                                    QStringLiteral("查找重复联系人"), QStringLiteral("打印")}));
    QWidget* viewport = main.list()->viewport();
    const QPoint at = main.list()->visualRect(main.list()->model()->index(1, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &click);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
