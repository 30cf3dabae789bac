// SPDX-License-Identifier: GPL-3.0-or-later
// The group tree, its commands and the group dialog in the main window.
#include "RunningMain.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Window : RunningMain {
    // A right click (or the menu key's event) at a point of the tree, as the window receives it.
    void contextMenu(QPoint at, QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse) const
    {
        QWidget* target = reason == QContextMenuEvent::Mouse ? tree()->viewport() : tree();
        QContextMenuEvent event(reason, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        QTRY_VERIFY(find<QMenu>(u"RightMenu"_s)->isVisible());
        find<QMenu>(u"RightMenu"_s)->hide();
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

// The group dialog exec() shows next, handed to the step, then cancelled if the step left it.
struct GroupDialog {
    QWidget* w;
    template <typename T> T* at(const QString& name) const { return w->findChild<T*>(name); }
    QComboBox* parents() const { return at<QComboBox>(u"Combo_Parent"_s); }
    void choose(const QString& g) const { parents()->setCurrentIndex(parents()->findText(g)); }
    void ok() const { QTest::mouseClick(at<QPushButton>(u"Button_OK"_s), Qt::LeftButton); }
};
void onNextDialog(const std::function<void(const GroupDialog&)>& step)
{
    QTimer::singleShot(0, [step] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != u"frmType"_s)
            return QTest::qFail("no group dialog", __FILE__, __LINE__);
        step({dialog});
        if (dialog->isVisible())
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"Button_Cancel"_s), Qt::LeftButton);
    });
}

// The nodes from the root down the first children.
std::vector<QTreeWidgetItem*> chainOf(const GroupTreeWidget& tree)
{
    std::vector<QTreeWidgetItem*> nodes;
    for (QTreeWidgetItem* node = tree.topLevelItem(0); node; node = node->child(0))
        nodes.push_back(node);
    return nodes;
}

// Whether exactly the nodes down to the deepest level the tree expands are expanded, once the
// tree is laid out and painted as showing it would.
bool expandedDownToTheLimit(GroupTreeWidget& tree)
{
    const std::vector<QTreeWidgetItem*> nodes = chainOf(tree);
    for (std::size_t level = 0; level < nodes.size(); ++level) {
        if (nodes[level]->isExpanded() != (int(level) <= GroupTreeWidget::deepestExpandedLevel))
            return false;
    }
    tree.scrollToItem(nodes[GroupTreeWidget::deepestExpandedLevel + 1]);
    tree.viewport()->repaint();
    QCoreApplication::processEvents();
    return tree.visualItemRect(nodes[GroupTreeWidget::deepestExpandedLevel + 1]).isValid();
}

} // namespace

class TestGroupCommands : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    std::optional<Window> main;
    QString table()
    {
        return book
            ->scalar(u"SELECT group_concat(ID||':'||PID||':'||Number||':'||Name, ' ') "
                     "FROM (SELECT * FROM Vardelin_Type WHERE ID > 1 ORDER BY ID)"_s)
            .toString();
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
        const auto row = [](const char* tag, const QString& node, const char* command,
                            const QString& message, const QString& elsewhere = {}) {
            QTest::newRow(tag) << node << QByteArray(command) << elsewhere << message;
        };
        row("new, no node", {}, "Button_Type_New", u"请选择上级分组！"_s);
        row("edit, no node", {}, "Edit_Menu", u"请选择要修改分组！"_s);
        row("delete, no node", {}, "Del_Menu", u"请选择要删除分组！"_s);
        row("edit the root", u"全部分组"_s, "Edit_Menu", u"根级分组不能修改！"_s);
        row("delete the root", u"全部分组"_s, "Del_Menu", u"根级分组不能删除！"_s);
        row("edit a deleted group", u"空组"_s, "Edit_Menu", u"分组已被删除，无法修改！"_s,
            u"DELETE FROM Vardelin_Type WHERE ID = 13"_s);
        row("delete with subgroups", u"同事"_s, "Del_Menu", u"存在下级分组不能删除！"_s);
        row("delete with a subgroup added since", u"空组"_s, "Del_Menu",
            u"存在下级分组不能删除！"_s,
            u"INSERT INTO Vardelin_Type (PID, Number, Name) VALUES (13, 1, '新下级')"_s);
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
        QCOMPARE(main->prompter.shown().last().title, u"提示！"_s);
        QCOMPARE(main->prompter.shown().last().icon, Prompter::Icon::Exclamation);
        QCOMPARE(table(), before);
    }

    // New saves in its Number's place; an edit refuses the group's own subgroup, then moves it;
    // the tree is rebuilt with the root selected, the list is not refilled.
    void newAndEditRebuildTheTree()
    {
        onNextDialog([](const GroupDialog& shown) {
            QCOMPARE(shown.parents()->currentText(), u"全部分组"_s);
            shown.at<QLineEdit>(u"Edit_Number"_s)->setText(u"0"_s);
            shown.at<QLineEdit>(u"Edit_Name"_s)->setText(u"家人"_s);
            shown.ok();
        });
        QTest::mouseClick(main->find<QPushButton>(u"Button_Type_New"_s), Qt::LeftButton);
        QCOMPARE(main->treeItem(u"全部分组"_s)->child(0)->text(0), u"家人"_s);

        onNextDialog([&](const GroupDialog& shown) {
            QCOMPARE(shown.parents()->findText(u"同事"_s), -1);
            shown.choose(u"项目组"_s);
            main->prompter.expectMessage(u"不能把分组移到它自己的下级分组中！"_s);
            shown.ok();
            shown.choose(u"朋友"_s);
            shown.ok();
        });
        main->command(u"同事"_s, "Edit_Menu");
        QCOMPARE(main->treeItem(u"项目组"_s)->parent()->parent()->text(0), u"朋友"_s);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"全部分组"_s));
        QCOMPARE(main->names(), QStringList{u"李四"_s});
    }

    // Keys and a right click pick the node and list its contacts; the menu key's event names a
    // point, which may lie on another node, yet acts on the selected one. Delete asks first,
    // then removes only the node: no rebuild, so the others keep their expansion.
    void pickThenDeleteOnlyTheNode()
    {
        main->tree()->setFocus();
        QTest::keyClick(main->tree(), Qt::Key_End);
        QTest::keyClick(main->tree(), Qt::Key_Up); // 朋友
        QCOMPARE(main->names(), QStringList{u"王五"_s});
        main->contextMenu({2, 2}, QContextMenuEvent::Keyboard);
        QCOMPARE(main->tree()->currentItem(), main->treeItem(u"朋友"_s));
        main->rightClick(u"同事"_s);
        QCOMPARE(main->names(), QStringList{u"李四"_s});
        main->prompter.expectQuestion(false, u"是否真的要删除选中的分组？"_s);
        main->command(u"空组"_s, "Del_Menu");
        QVERIFY(main->treeItem(u"空组"_s));
        main->treeItem(u"同事"_s)->setExpanded(false);
        main->prompter.expectQuestion(true, u"是否真的要删除选中的分组？"_s);
        main->command(u"空组"_s, "Del_Menu");
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Type WHERE ID = 13"_s).toInt(), 0);
        QVERIFY(!main->treeItem(u"空组"_s));
        QVERIFY(!main->treeItem(u"同事"_s)->isExpanded());
        QCOMPARE(main->names(), QStringList{});
    }

    // Rebuilt at start-up with IsExpanded on, then collapsed and expanded by "*" on the root: the
    // nodes down to the limit open, without exhausting the stack.
    void deepChainExpandsAtStartAndByStarWithoutExhaustingTheStack()
    {
        std::vector<GroupNode> chain;
        for (qint64 id = 2; id <= 100001; ++id)
            chain.push_back({id, id - 1, QString::number(id)});
        main->tree()->rebuild(chain, true);
        QCOMPARE(chainOf(*main->tree()).size(), 100001u);
        QVERIFY(expandedDownToTheLimit(*main->tree()));
        // A node far below the limit whose parent is closed stays closed.
        chainOf(*main->tree()).back()->parent()->setExpanded(true);
        QVERIFY(!chainOf(*main->tree()).back()->parent()->isExpanded());
        main->tree()->rebuild(chain, false);
        QVERIFY(!chainOf(*main->tree())[1]->isExpanded());
        main->tree()->setFocus();
        QTest::keyClick(main->tree(), Qt::Key_Asterisk);
        QVERIFY(expandedDownToTheLimit(*main->tree()));
    }

    // The one column is as wide as the deepest node shown, so End reaches it by keyboard, and
    // no wider than the pane once the branch is closed again.
    void columnFollowsTheNodesShown()
    {
        std::vector<GroupNode> chain;
        for (qint64 id = 2; id <= 40; ++id)
            chain.push_back({id, id - 1, u"第%1级分组"_s.arg(id)});
        GroupTreeWidget& tree = *main->tree();
        tree.rebuild(chain, true);
        QCoreApplication::processEvents();
        const int column = tree.header()->sectionSize(0);
        QVERIFY(column > tree.viewport()->width());
        QVERIFY(tree.visualItemRect(chainOf(tree).back()).right() < column);
        tree.setFocus();
        QTest::keyClick(&tree, Qt::Key_End);
        QCOMPARE(tree.currentItem(), chainOf(tree).back());
        chainOf(tree)[1]->setExpanded(false);
        QCoreApplication::processEvents();
        QCOMPARE(tree.header()->sectionSize(0), tree.viewport()->width());
    }
};

QTEST_MAIN(TestGroupCommands)
#include "tst_groupcommands.moc"
