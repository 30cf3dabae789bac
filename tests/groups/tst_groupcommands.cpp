// SPDX-License-Identifier: GPL-3.0-or-later
// The group commands through the main window: new, edit and delete with the refusals the window
// decides, the tree afterwards and what the right click lists.
#include "RunningMain.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Window : RunningMain {
    QMenu* menu() const { return find<QMenu>(u"RightMenu"_s); }
    // A right click (or the menu key's event) at a point of the tree, as the window receives it.
    void contextMenu(QPoint at, QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse) const
    {
        QWidget* target = reason == QContextMenuEvent::Mouse ? tree()->viewport() : tree();
        QContextMenuEvent event(reason, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        QTRY_VERIFY(menu()->isVisible());
        menu()->hide();
    }
    void rightClick(const QString& node) const
    {
        contextMenu(tree()->visualItemRect(treeItem(node)).center());
    }
    // Runs the command on the node picked by a right click, or with no node current.
    void command(const QString& node, const char* name) const
    {
        if (node.isEmpty()) {
            const QSignalBlocker quiet(tree());
            tree()->setCurrentItem(nullptr);
        } else {
            rightClick(node);
        }
        if (auto* button = find<QPushButton>(QString::fromLatin1(name)))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            action(name)->trigger();
    }
};

// Fills the group dialog exec() shows next and saves it; fails the test when none is shown.
void saveNextDialog(const QString& number, const QString& name, const QString& parent,
                    QString* shownParent)
{
    QTimer::singleShot(0, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != u"frmType"_s) {
            QTest::qFail("no group dialog", __FILE__, __LINE__);
            return;
        }
        auto* parents = dialog->findChild<QComboBox*>(u"Combo_Parent"_s);
        *shownParent = parents->currentText();
        dialog->findChild<QLineEdit*>(u"Edit_Number"_s)->setText(number);
        dialog->findChild<QLineEdit*>(u"Edit_Name"_s)->setText(name);
        if (!parent.isEmpty())
            parents->setCurrentIndex(parents->findText(parent));
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"Button_OK"_s), Qt::LeftButton);
    });
}

} // namespace

class TestGroupCommands : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    std::optional<Window> main;
    QString table()
    {
        return book->scalar(u"SELECT group_concat(ID||PID||Name) FROM Vardelin_Type"_s).toString();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (10, 1, 1, '同事'), "
                  "(11, 10, 1, '项目组'), (12, 1, 2, '朋友'), (13, 1, 3, '空组')"_s);
        book->setDisplayedColumns({u"C.Name"_s});
        book->addContact({{u"Name"_s, u"李四"_s}, {u"TID"_s, 10}});
        book->addContact({{u"Name"_s, u"王五"_s}, {u"TID"_s, 12}});
        QVERIFY(main.emplace().start(book->path()));
    }
    void cleanup()
    {
        QVERIFY(main->prompter.scriptDone());
        main.reset();
    }

    void refusedWithoutADialog_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("elsewhere"); // another program's change since the tree was built
        QTest::addColumn<QString>("message");
        const QByteArray edit = "Edit_Menu", del = "Del_Menu";
        QTest::newRow("new, no node")
            << QString() << QByteArray("Button_Type_New") << QString() << u"请选择上级分组！"_s;
        QTest::newRow("edit, no node") << QString() << edit << QString() << u"请选择要修改分组！"_s;
        QTest::newRow("delete, no node")
            << QString() << del << QString() << u"请选择要删除分组！"_s;
        QTest::newRow("edit the root")
            << u"全部分组"_s << edit << QString() << u"根级分组不能修改！"_s;
        QTest::newRow("delete the root")
            << u"全部分组"_s << del << QString() << u"根级分组不能删除！"_s;
        QTest::newRow("edit a deleted group")
            << u"空组"_s << edit << u"DELETE FROM Vardelin_Type WHERE ID = 13"_s
            << u"分组已被删除，无法修改！"_s;
        QTest::newRow("delete with subgroups")
            << u"同事"_s << del << QString() << u"存在下级分组不能删除！"_s;
        QTest::newRow("delete with a subgroup added since")
            << u"空组"_s << del
            << u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (13, 1, '新下级')"_s
            << u"存在下级分组不能删除！"_s;
        QTest::newRow("delete with contacts")
            << u"朋友"_s << del << QString() << u"分组中存在联系人不能删除！"_s;
    }

    void refusedWithoutADialog()
    {
        QFETCH(QString, node);
        QFETCH(QByteArray, command);
        QFETCH(QString, elsewhere);
        QFETCH(QString, message);
        if (!elsewhere.isEmpty())
            book->run(elsewhere);
        const QString before = table();
        main->prompter.expectMessage(message);
        main->command(node, command.constData());
        QVERIFY(main->prompter.scriptDone());
        QCOMPARE(main->prompter.shown().last().title, u"提示！"_s);
        QCOMPARE(main->prompter.shown().last().icon, Prompter::Icon::Exclamation);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(table(), before);
    }

    void rightClickAndMenuKeyActOnTheNode()
    {
        QCOMPARE(main->names().size(), 2);
        main->tree()->setFocus();
        for (int key = 0; key < 4 && main->tree()->currentItem() != main->treeItem(u"朋友"_s);
             ++key)
            QTest::keyClick(main->tree(), Qt::Key_Down);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"朋友"_s));
        QCOMPARE(main->names(), QStringList{u"王五"_s});
        // The menu key's event names a point, which may lie on another node.
        main->contextMenu({2, 2}, QContextMenuEvent::Keyboard);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"朋友"_s));
        main->rightClick(u"同事"_s);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"同事"_s));
        QCOMPARE(main->names(), QStringList{u"李四"_s});
    }

    void newGroupUnderTheRootSortsByItsNumber()
    {
        QString preselected;
        saveNextDialog(u"0"_s, u"家人"_s, {}, &preselected);
        QTest::mouseClick(main->find<QPushButton>(u"Button_Type_New"_s), Qt::LeftButton);
        QCOMPARE(preselected, main->treeItem(u"全部分组"_s)->text(0));
        QCOMPARE(book->scalar(u"SELECT PID FROM Vardelin_Type WHERE Name = '家人'"_s).toInt(), 1);
        // Rebuilt: the new node sorts first by its Number, the root is selected.
        QTreeWidgetItem* root = main->treeItem(u"全部分组"_s);
        QCOMPARE(root->child(0)->text(0), u"家人"_s);
        QCOMPARE(main->tree()->currentItem(), root);
    }

    void editedGroupMovesInTheRebuiltTree()
    {
        main->rightClick(u"项目组"_s);
        QString preselected;
        saveNextDialog(u"1"_s, u"项目组"_s, u"朋友"_s, &preselected);
        main->action("Edit_Menu")->trigger();
        QCOMPARE(preselected, u"同事"_s); // its current parent
        QCOMPARE(main->treeItem(u"项目组"_s)->parent()->text(0), u"朋友"_s);
        QCOMPARE(main->treeItem(u"同事"_s)->childCount(), 0);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"全部分组"_s));
        // The list is not refilled by the save: it still shows 项目组's (no) contacts.
        QCOMPARE(main->names(), QStringList{});
    }

    void deleteAsksThenRemovesOnlyTheNode()
    {
        main->prompter.expectQuestion(false, u"是否真的要删除选中的分组？"_s);
        main->command(u"空组"_s, "Del_Menu");
        QVERIFY(main->prompter.scriptDone());
        QCOMPARE(main->prompter.shown().last().title, u"提示"_s);
        QVERIFY(main->treeItem(u"空组"_s));

        main->treeItem(u"同事"_s)->setExpanded(false);
        main->prompter.expectQuestion(true, u"是否真的要删除选中的分组？"_s);
        main->command(u"空组"_s, "Del_Menu");
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Type WHERE ID = 13"_s).toInt(), 0);
        QVERIFY(!main->treeItem(u"空组"_s));
        // No rebuild: the other nodes keep their expansion; the list is not refilled for the
        // node that became current.
        QVERIFY(!main->treeItem(u"同事"_s)->isExpanded());
        QCOMPARE(main->names(), QStringList{});
    }
};

QTEST_MAIN(TestGroupCommands)
#include "tst_groupcommands.moc"
