// SPDX-License-Identifier: GPL-3.0-or-later
// The group commands through the main window: new, edit and delete with their
// refusals, the tree afterwards and what the right click lists.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/Main.h"
#include "contacts/ContactListView.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

struct Window : RunningMain {
    QMenu* menu() const { return find<QMenu>(QStringLiteral("RightMenu")); }
    // A right click on the node, as the window receives it.
    void rightClick(QTreeWidgetItem* item) const
    {
        QWidget* viewport = tree()->viewport();
        const QPoint at = tree()->visualItemRect(item).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &click);
    }
    // Opens the menu on the node and picks one of its items.
    void menuCommand(QTreeWidgetItem* item, const char* action) const
    {
        rightClick(item);
        menu()->hide();
        find<QAction>(QString::fromLatin1(action))->trigger();
    }
    // Makes the node current with the arrow keys, which lists it.
    void clickTreeItemByKeys(QTreeWidgetItem* item) const
    {
        tree()->setFocus();
        while (tree()->currentItem() != item) {
            QTest::keyClick(tree(), Qt::Key_Down);
            if (!tree()->currentItem() || tree()->currentItem() == tree()->topLevelItem(0))
                return;
        }
    }
    void select(QTreeWidgetItem* item) const
    {
        const QSignalBlocker quiet(tree());
        tree()->setCurrentItem(item);
    }
};

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

void fillAndSave(QWidget* dialog, const QString& number, const QString& name, const QString& parent)
{
    dialog->findChild<QLineEdit*>(QStringLiteral("Edit_Number"))->setText(number);
    dialog->findChild<QLineEdit*>(QStringLiteral("Edit_Name"))->setText(name);
    if (!parent.isEmpty()) {
        auto* parents = dialog->findChild<QComboBox*>(QStringLiteral("Combo_Parent"));
        parents->setCurrentIndex(parents->findText(parent));
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button_OK")), Qt::LeftButton);
}

} // namespace

class TestGroupCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandsWithoutASelectedNodeAreRefused();
    void rootCannotBeEditedOrDeleted();
    void rightClickSelectsAndListsTheGroup();
    void menuKeyActsOnTheSelectedNode();
    void newGroupUnderTheRootGetsParentOne();
    void editedGroupMovesInTheRebuiltTree();
    void editOfAVanishedGroupOpensNothing();
    void deleteRefusesSubgroupsAndContacts();
    void deleteAsksThenRemovesOnlyTheNode();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_work = 0;
    qint64 m_team = 0;
    qint64 m_friends = 0;
    qint64 m_empty = 0;
};

void TestGroupCommands::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_work = m_data->addGroup(1, 1, QStringLiteral("同事"));
    m_team = m_data->addGroup(m_work, 1, QStringLiteral("项目组"));
    m_friends = m_data->addGroup(1, 2, QStringLiteral("朋友"));
    m_empty = m_data->addGroup(1, 3, QStringLiteral("空组"));
    m_data->setDisplayedColumns({QStringLiteral("C.Name")});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("李四")}, {QStringLiteral("TID"), m_work}});
    m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("王五")}, {QStringLiteral("TID"), m_friends}});
}

void TestGroupCommands::cleanup()
{
    m_data.reset();
}

void TestGroupCommands::commandsWithoutASelectedNodeAreRefused()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.select(nullptr);
    main.prompter.expectMessage(QStringLiteral("请选择上级分组！"));
    main.prompter.expectMessage(QStringLiteral("请选择要修改分组！"));
    main.prompter.expectMessage(QStringLiteral("请选择要删除分组！"));
    QTest::mouseClick(main.find<QPushButton>(QStringLiteral("Button_Type_New")), Qt::LeftButton);
    main.find<QAction>(QStringLiteral("Edit_Menu"))->trigger();
    main.find<QAction>(QStringLiteral("Del_Menu"))->trigger();
    QVERIFY(main.prompter.scriptDone());
    for (const auto& shown : main.prompter.shown()) {
        QCOMPARE(shown.title, QStringLiteral("提示！"));
        QCOMPARE(shown.icon, Prompter::Icon::Exclamation);
    }
}

void TestGroupCommands::rootCannotBeEditedOrDeleted()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.prompter.expectMessage(QStringLiteral("根级分组不能修改！"));
    main.prompter.expectMessage(QStringLiteral("根级分组不能删除！"));
    main.menuCommand(main.treeItem(QStringLiteral("全部分组")), "Edit_Menu");
    main.menuCommand(main.treeItem(QStringLiteral("全部分组")), "Del_Menu");
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type WHERE ID = 1")).toInt(),
        1);
}

void TestGroupCommands::rightClickSelectsAndListsTheGroup()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.names().size(), 2);
    main.rightClick(main.treeItem(QStringLiteral("朋友")));
    QTRY_VERIFY(main.menu()->isVisible());
    main.menu()->hide();
    QCOMPARE(main.tree()->currentItem(), main.treeItem(QStringLiteral("朋友")));
    QCOMPARE(main.names(), QStringList{QStringLiteral("王五")});

    // The menu then acts on that node: 朋友 holds a contact.
    main.prompter.expectMessage(QStringLiteral("分组中存在联系人不能删除！"));
    main.find<QAction>(QStringLiteral("Del_Menu"))->trigger();
    QVERIFY(main.prompter.scriptDone());
}

void TestGroupCommands::menuKeyActsOnTheSelectedNode()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.clickTreeItemByKeys(main.treeItem(QStringLiteral("朋友")));
    QCOMPARE(main.names(), QStringList{QStringLiteral("王五")});
    // The menu key's event names a point, which may lie on another node.
    const QPoint corner(2, 2);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, corner, main.tree()->mapToGlobal(corner));
    QApplication::sendEvent(main.tree(), &key);
    QTRY_VERIFY(main.menu()->isVisible());
    main.menu()->hide();
    QCOMPARE(main.tree()->currentItem(), main.treeItem(QStringLiteral("朋友")));
    QCOMPARE(main.names(), QStringList{QStringLiteral("王五")});
}

void TestGroupCommands::newGroupUnderTheRootGetsParentOne()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    bool saved = false;
    onNextModal([&](QWidget* dialog) {
        saved = dialog->objectName() == QStringLiteral("frmType");
        // The root is preselected as the parent.
        QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("Combo_Parent"))
                     ->currentData()
                     .toLongLong(),
                 1);
        fillAndSave(dialog, QStringLiteral("0"), QStringLiteral("家人"), {});
    });
    QTest::mouseClick(main.find<QPushButton>(QStringLiteral("Button_Type_New")), Qt::LeftButton);
    QVERIFY(saved);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT PID FROM Vardelin_Type WHERE Name = '家人'"))
                 .toLongLong(),
             1);
    // Rebuilt: the new node sorts first by its Number, the root is selected.
    QTreeWidgetItem* root = main.treeItem(QStringLiteral("全部分组"));
    QCOMPARE(root->child(0)->text(0), QStringLiteral("家人"));
    QCOMPARE(main.tree()->currentItem(), root);
}

void TestGroupCommands::editedGroupMovesInTheRebuiltTree()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.rightClick(main.treeItem(QStringLiteral("项目组")));
    main.menu()->hide();
    onNextModal([&](QWidget* dialog) {
        auto* parents = dialog->findChild<QComboBox*>(QStringLiteral("Combo_Parent"));
        QCOMPARE(parents->currentText(), QStringLiteral("同事")); // its current parent
        fillAndSave(dialog, QStringLiteral("1"), QStringLiteral("项目组"), QStringLiteral("朋友"));
    });
    main.find<QAction>(QStringLiteral("Edit_Menu"))->trigger();
    QVERIFY(main.prompter.scriptDone());
    QTreeWidgetItem* team = main.treeItem(QStringLiteral("项目组"));
    QVERIFY(team);
    QCOMPARE(team->parent()->text(0), QStringLiteral("朋友"));
    QCOMPARE(main.treeItem(QStringLiteral("同事"))->childCount(), 0);
    QCOMPARE(main.tree()->currentItem(), main.treeItem(QStringLiteral("全部分组")));
    // The list is not refilled by the save: it still shows 项目组's (no) contacts.
    QCOMPARE(main.names(), QStringList{});
}

void TestGroupCommands::editOfAVanishedGroupOpensNothing()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {m_empty});
    main.prompter.expectMessage(QStringLiteral("分组已被删除，无法修改！"));
    main.menuCommand(main.treeItem(QStringLiteral("空组")), "Edit_Menu");
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type")).toInt(), 4);
}

void TestGroupCommands::deleteRefusesSubgroupsAndContacts()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    main.prompter.expectMessage(QStringLiteral("存在下级分组不能删除！"));
    main.menuCommand(main.treeItem(QStringLiteral("同事")), "Del_Menu");
    // A subgroup added by another program since the tree was built counts too.
    m_data->addGroup(m_empty, 1, QStringLiteral("新下级"));
    main.prompter.expectMessage(QStringLiteral("存在下级分组不能删除！"));
    main.menuCommand(main.treeItem(QStringLiteral("空组")), "Del_Menu");
    // So does another account's contact, which this list never shows.
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("别人的")},
                        {QStringLiteral("TID"), m_team},
                        {QStringLiteral("UID"), 2}});
    main.prompter.expectMessage(QStringLiteral("分组中存在联系人不能删除！"));
    main.menuCommand(main.treeItem(QStringLiteral("项目组")), "Del_Menu");
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type")).toInt(), 6);
}

void TestGroupCommands::deleteAsksThenRemovesOnlyTheNode()
{
    Window main;
    QVERIFY(main.start(m_data->path()));
    QTreeWidgetItem* empty = main.treeItem(QStringLiteral("空组"));
    main.prompter.expectQuestion(false, QStringLiteral("是否真的要删除选中的分组？"));
    main.menuCommand(empty, "Del_Menu");
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().last().title, QStringLiteral("提示"));
    QVERIFY(main.treeItem(QStringLiteral("空组")));

    main.treeItem(QStringLiteral("同事"))->setExpanded(false);
    main.prompter.expectQuestion(true, QStringLiteral("是否真的要删除选中的分组？"));
    main.menuCommand(main.treeItem(QStringLiteral("空组")), "Del_Menu");
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type WHERE ID = ?"), {m_empty})
            .toInt(),
        0);
    QVERIFY(!main.treeItem(QStringLiteral("空组")));
    // No rebuild: the other nodes keep their expansion; the list is not
    // refilled for the node that became current.
    QVERIFY(!main.treeItem(QStringLiteral("同事"))->isExpanded());
    QCOMPARE(main.names(), QStringList{});
}

QTEST_MAIN(TestGroupCommands)
#include "tst_groupcommands.moc"
