// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user would: start-up, tree, tabs, search, sort,
// skin and pane layout, checked against what the database holds.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/DockLayout.h"
#include "app/Main.h"
#include "contacts/ContactListView.h"
#include "contacts/LetterTabs.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"
#include "ui/Skin.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// An earlier build's stored layout ("VDL1:" + SHA-256 + ":" + Qt's saveState() in Base64) whose
// state was damaged and hashed again.
const QString damagedEarlierLayout =
    u"VDL1:a380d0d932169e7588c0f21d17823a14618678080bf741799a6da42315f79249:"
    "AAAA/wAAAAD9AAAAAgAAAAcAAAEAAAAB5fwCAAAAAfsAAAAKAFAAYQBuAGUAMQEAAAAdAAAB5QAAAFkA////"
    "AAAAAwAABEwAAADI/AEAAAAB+wAAAAoAUABhAG4AZQAyAQAAAAAAAARMAAAARgD///8AAANGAAAB5QAAAAQA"
    "AAAEAAAACAAAAAj8AAAAAQAAAAIAAAABAAAAEABUAG8AbwBsAHMAQgBhAHIBAAAAAP////8AAAAAAAAAAA=="_s;

Status addNamedContacts(TestDatabase& data, qint64 group, int count, const QString& name = u"钱"_s)
{
    return data.db().transaction([&]() -> Status {
        for (int i = 0; i < count; ++i)
            data.addContact({{u"Name"_s, QString(name + QString::number(i))}, {u"TID"_s, group}});
        return {};
    });
}

} // namespace

class TestMain : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpShowsEveryGroupsContacts();
    void startUpFailureShowsErrorBoxAndTouchesNothing_data();
    void startUpFailureShowsErrorBoxAndTouchesNothing();
    void aUserWalksBelowTheExpandedDepthByHand();
    void letterTabFiltersAndCarriesTheCount();
    void searchRunsOverAllGroups();
    void topOptionCapsOnlyTheRootList();
    void startUpShowsTheFirstScreenfulThenTheWholeList();
    void aListBuiltBeforeTheFirstFrameIsNotReplaced();
    void headerClickSortsNumbersByValueAndToggles();
    void aListThatCannotBeReadShowsNoStaleRows();
    void skinChoiceIsSavedAtOnceAndUsedNextTime();
    void paneLayoutSurvivesARestart();
    void damagedLayoutOfAnEarlierBuildStartsWithTheDefault();
    void layoutThatHidEverythingRestoresUsable();
    void maximisedOptionMaximises();
    void tabReachesEveryPartInOrder();
    void defaultColumnsFitTheDefaultWindow();
    void lineBreakInANameShowsOnOneLine();
    void partsCarryNamesForAssistiveTools();
    void newAddressBookIsWrittenAndOpenedNext();
    void openAddressBookRefusesAFileItCannotOpen();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    qint64 m_work = 0;
    qint64 m_workSub = 0;
};

void TestMain::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 2, u"朋友"_s);
    m_work = m_data->addGroup(1, 1, u"同事"_s);
    m_workSub = m_data->addGroup(m_work, 1, u"项目组"_s);
    m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s, u"C.Moblie1"_s});
    const QList<std::tuple<QString, QString, qint64, QString>> people{
        {u"王五"_s, u"W"_s, m_friends, u"10"_s},
        {u"李四"_s, u"L"_s, m_work, u"9"_s},
        {u"王小二"_s, u"W"_s, m_workSub, u"100%"_s},
        {u"孤儿"_s, u"G"_s, 999, u"1"_s}};
    for (const auto& [name, py, group, mobile] : people) {
        m_data->addContact(
            {{u"Name"_s, name}, {u"Py"_s, py}, {u"TID"_s, group}, {u"Moblie1"_s, mobile}});
    }
}

void TestMain::cleanup()
{
    m_data.reset();
}

void TestMain::startUpShowsEveryGroupsContacts()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.window->windowTitle(), u"瓦德林通讯录 V3.1"_s);
    QVERIFY(main.prompter.shown().isEmpty());
    QCOMPARE(main.session.currentUserId, 1);
    QCOMPARE(main.session.passSuffix,
             qint16(m_data->scalar(u"SELECT Number FROM Vardelin_Type WHERE ID = 1"_s).toInt()));

    QCOMPARE(main.tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = main.tree()->topLevelItem(0);
    QCOMPARE(root->text(0), u"全部分组"_s);
    QVERIFY(root->isExpanded());
    QCOMPARE(main.tree()->currentItem(), root);
    // Siblings by Number: 同事 (1) before 朋友 (2).
    QCOMPARE(root->child(0)->text(0), u"同事"_s);
    QCOMPARE(root->child(1)->text(0), u"朋友"_s);
    QVERIFY(main.treeItem(u"同事"_s)->isExpanded()); // a new book expands all

    // The contact whose group is gone is listed nowhere, the root included.
    QCOMPARE(main.column(0).size(), 3);
    QVERIFY(!main.column(0).contains(u"孤儿"_s));
    QCOMPARE(main.tabs()->tabText(0), u"全部(3)"_s);
    QCOMPARE(main.list()->model()->headerData(1, Qt::Horizontal).toString(), u"所属分类"_s);
    QVERIFY(main.list()->isColumnHidden(main.list()->contacts()->sortColumn()));
}

void TestMain::startUpFailureShowsErrorBoxAndTouchesNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("title");
    QTest::newRow("missing") << QByteArray() << u"错误14"_s;
    QTest::newRow("not a database")
        << QByteArray("This is not an address book, just some text.\n").repeated(200)
        << u"错误26"_s;
}

void TestMain::startUpFailureShowsErrorBoxAndTouchesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, title);
    const QString path = m_data->folder() + u"/其他 文件/DB.xml"_s;
    QDir().mkpath(m_data->folder() + u"/其他 文件"_s);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    RunningMain main;
    main.prompter.expectMessage();
    QVERIFY(!main.start(path));
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 1);
    QCOMPARE(main.prompter.shown().first().title, title);
    QCOMPARE(main.prompter.shown().first().icon, Prompter::Icon::Critical);
    QVERIFY(!main.prompter.shown().first().text.isEmpty());

    if (content.isEmpty()) {
        QVERIFY(!QFile::exists(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
}

void TestMain::aUserWalksBelowTheExpandedDepthByHand()
{
    // A chain under 朋友 (level 1) down to two levels below the deepest the start-up expands,
    // with a contact in its deepest group.
    const int deepest = GroupTreeWidget::deepestExpandedLevel + 3;
    qint64 group = m_friends;
    const Status filled = m_data->db().transaction([&]() -> Status {
        for (int level = 2; level <= deepest; ++level)
            group = m_data->addGroup(group, 0, u"层%1"_s.arg(level));
        return {};
    });
    QVERIFY(filled.ok());
    m_data->addContact({{u"Name"_s, u"深处"_s}, {u"Py"_s, u"S"_s}, {u"TID"_s, group}});
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    GroupTreeWidget* tree = main.tree();
    QTreeWidgetItem* node = main.treeItem(u"朋友"_s);
    for (int level = 1; level <= GroupTreeWidget::deepestExpandedLevel; ++level)
        node = node->child(0);
    QVERIFY(!node->isExpanded());

    // Right opens the first closed level, "*" goes no further, "+" opens the next one.
    tree->setFocus();
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Right);
    QVERIFY(node->isExpanded());
    QTest::keyClick(tree, Qt::Key_Right);
    QTreeWidgetItem* below = node->child(0);
    QCOMPARE(tree->currentItem(), below);
    QTest::keyClick(tree, Qt::Key_Asterisk);
    QVERIFY(!below->isExpanded());
    QTest::keyClick(tree, Qt::Key_Plus);
    QVERIFY(below->isExpanded());
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentItem()->text(0), u"层%1"_s.arg(deepest));
    QCOMPARE(main.names(), QStringList{u"深处"_s});
}

void TestMain::letterTabFiltersAndCarriesTheCount()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    LetterTabs* tabs = main.tabs();
    QCOMPARE(tabs->count(), 27);
    const int w = 23; // 全部, A..W
    QCOMPARE(tabs->tagOf(w), u"W"_s);
    tabs->setCurrentIndex(w);
    QCOMPARE(main.column(0).size(), 2);
    QCOMPARE(tabs->tabText(w), u"W(2)"_s);
    QCOMPARE(tabs->tabText(0), u"全部"_s);

    // The tab keeps filtering inside the selected group.
    main.clickTreeItem(main.treeItem(u"朋友"_s));
    QCOMPARE(main.column(0), QStringList{u"王五"_s});
    QCOMPARE(tabs->tabText(w), u"W(1)"_s);
}

void TestMain::searchRunsOverAllGroups()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.clickTreeItem(main.treeItem(u"朋友"_s));
    auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);

    condition->setText(u"王"_s);
    QTest::keyClick(condition, Qt::Key_Return);
    QCOMPARE(main.column(0).size(), 2);

    // A group's name is searched too; the button searches as Enter does.
    condition->setText(u"项目"_s);
    QTest::mouseClick(main.find<QPushButton>(u"Button_CZ"_s), Qt::LeftButton);
    QCOMPARE(main.column(0), QStringList{u"王小二"_s});
    QCOMPARE(main.tabs()->tabText(0), u"全部(1)"_s);
    QVERIFY(main.prompter.shown().isEmpty());
}

void TestMain::topOptionCapsOnlyTheRootList()
{
    m_data->setOption(u"IsTop"_s, true);
    QVERIFY(addNamedContacts(*m_data, m_friends, 510, u"赵"_s).ok());
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.list()->model()->rowCount(), 500);
    QCOMPARE(main.tabs()->tabText(0), u"全部(500)"_s);
    main.clickTreeItem(main.treeItem(u"朋友"_s));
    QCOMPARE(main.list()->model()->rowCount(), 511);
}

// A large book shows its first screenful at start-up, the count of all its rows beside it,
// and the whole list once the window has been drawn, the first rows where they were.
void TestMain::startUpShowsTheFirstScreenfulThenTheWholeList()
{
    QVERIFY(addNamedContacts(*m_data, m_friends, 450).ok());
    RunningMain main;
    QVERIFY(main.window->startUp(m_data->path()));
    QVERIFY(!main.window->listComplete());
    QCOMPARE(main.list()->model()->rowCount(), 200);
    QCOMPARE(main.tabs()->tabText(0), u"全部(453)"_s);
    const QStringList firstScreen = main.names();

    main.window->show();
    QVERIFY(QTest::qWaitFor([&] { return main.window->listComplete(); }));
    QCOMPARE(main.list()->model()->rowCount(), 453);
    QCOMPARE(main.names().mid(0, 200), firstScreen);
    QCOMPARE(main.tabs()->tabText(0), u"全部(453)"_s);
}

// A command that builds the list before the first frame is drawn keeps its list: the step
// deferred to the first frame (which also gives the search box its clear button) runs, and
// does not bring back the whole book.
void TestMain::aListBuiltBeforeTheFirstFrameIsNotReplaced()
{
    QVERIFY(addNamedContacts(*m_data, m_friends, 450).ok());
    RunningMain main;
    QVERIFY(main.window->startUp(m_data->path()));
    QVERIFY(main.window->GJContact(m_friends, false).ok());
    auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
    QVERIFY(!condition->isClearButtonEnabled());
    main.window->show();
    QTRY_VERIFY(condition->isClearButtonEnabled());
    QCoreApplication::processEvents();
    QCOMPARE(main.list()->model()->rowCount(), 451);
    QVERIFY(main.window->listComplete());
}

void TestMain::headerClickSortsNumbersByValueAndToggles()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.clickHeader(2); // 手机1: "10", "9", "100%"
    QCOMPARE(main.column(2), (QStringList{u"9"_s, u"10"_s, u"100%"_s}));
    QCOMPARE(main.column(main.list()->contacts()->sortColumn()).first(), u"0000000000009.00"_s);
    main.clickHeader(2);
    QCOMPARE(main.column(2), (QStringList{u"100%"_s, u"10"_s, u"9"_s}));
    // The direction toggles for the whole list: after a descending sort the
    // next column, whichever it is, sorts ascending.
    main.clickHeader(0);
    QCOMPARE(main.column(0), (QStringList{u"李四"_s, u"王五"_s, u"王小二"_s}));
    main.clickHeader(0);
    QCOMPARE(main.column(0).first(), u"王小二"_s);
}

void TestMain::aListThatCannotBeReadShowsNoStaleRows()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.clickHeader(0);
    const QStringList sorted = main.column(0);
    QVERIFY(sorted.size() > 1);
    m_data->run(u"ALTER TABLE Vardelin_Contact RENAME TO Vardelin_Contact_Away"_s);
    QVERIFY(!main.window->GJContact(1, false).ok());
    QVERIFY(main.column(0).isEmpty());
    QCOMPARE(main.tabs()->tabText(0), u"全部(0)"_s);
    // Readable again: the rows come back in the order the header gave them.
    m_data->run(u"ALTER TABLE Vardelin_Contact_Away RENAME TO Vardelin_Contact"_s);
    QVERIFY(main.window->GJContact(1, false).ok());
    QCOMPARE(main.column(0), sorted);
}

void TestMain::skinChoiceIsSavedAtOnceAndUsedNextTime()
{
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        auto* combo = main.find<QComboBox>(u"Combo_Skin"_s);
        QCOMPARE(combo->currentText(), u"Silver"_s);
        QTest::keyClick(combo, Qt::Key_Down); // Silver → Black
        QCOMPARE(combo->currentText(), u"Black"_s);
        QCOMPARE(Skin::current(), u"Black"_s);
        QCOMPARE(m_data->scalar(u"SELECT Skin FROM Vardelin_Login WHERE ID = 1"_s).toString(),
                 u"Black"_s);
    }
    RunningMain again;
    QVERIFY(again.start(m_data->path()));
    QCOMPARE(again.find<QComboBox>(u"Combo_Skin"_s)->currentText(), u"Black"_s);
    QCOMPARE(Skin::current(), u"Black"_s);

    // An account without a colour of its own keeps the default.
    m_data->run(u"UPDATE Vardelin_Login SET Skin = NULL WHERE ID = 1"_s);
    RunningMain plain;
    QVERIFY(plain.start(m_data->path()));
    QCOMPARE(plain.find<QComboBox>(u"Combo_Skin"_s)->currentText(), u"Silver"_s);
    QCOMPARE(Skin::current(), u"Silver"_s);
}

void TestMain::paneLayoutSurvivesARestart()
{
    const QRect floatingPlace(100, 120, 400, 250);
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        auto* groups = main.find<QDockWidget>(u"Pane1"_s);
        auto* history = main.find<QDockWidget>(u"Pane2"_s);
        main.window->addDockWidget(Qt::RightDockWidgetArea, groups);
        main.window->resizeDocks({groups}, {300}, Qt::Horizontal);
        history->setFloating(true);
        history->setGeometry(floatingPlace);
        QCoreApplication::processEvents();
        main.window->close();
    }
    const QString stored =
        m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = 1"_s).toString();
    QVERIFY2(DockLayout::read(stored), qPrintable(stored));
    RunningMain again;
    QVERIFY(again.start(m_data->path()));
    auto* groups = again.find<QDockWidget>(u"Pane1"_s);
    auto* history = again.find<QDockWidget>(u"Pane2"_s);
    QCOMPARE(again.window->dockWidgetArea(groups), Qt::RightDockWidgetArea);
    QCOMPARE(groups->width(), 300);
    QVERIFY(!groups->isFloating());
    QVERIFY(history->isFloating());
    QVERIFY(history->isVisible());
    QCOMPARE(history->geometry(), floatingPlace);
}

void TestMain::damagedLayoutOfAnEarlierBuildStartsWithTheDefault()
{
    // An earlier build stored Qt's own state behind a hash of it. This one was damaged and
    // hashed again, as any program writing the file can do: handed to Qt it crashed every start.
    m_data->run(u"UPDATE Vardelin_Login SET Dock = ? WHERE ID = 1"_s, {damagedEarlierLayout});
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    auto* groups = main.find<QDockWidget>(u"Pane1"_s);
    QCOMPARE(main.window->dockWidgetArea(groups), Qt::LeftDockWidgetArea);
    QCOMPARE(groups->width(), 220);
    QVERIFY(main.find<QDockWidget>(u"Pane2"_s)->isVisible());
    QVERIFY(main.find<QToolBar>(u"ToolsBar"_s)->isVisible());
    QVERIFY(main.prompter.shown().isEmpty());
}

void TestMain::layoutThatHidEverythingRestoresUsable()
{
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        // No menu offers to hide the toolbar any more.
        const std::unique_ptr<QMenu> popup(main.window->createPopupMenu());
        QStringList offered;
        for (const QAction* action : popup->actions())
            offered << action->text();
        QCOMPARE(offered, (QStringList{u"分组"_s, u"联系情况"_s}));
        auto* toolBar = main.find<QToolBar>(u"ToolsBar"_s);
        QVERIFY(!toolBar->toggleViewAction()->isEnabled());
        QVERIFY(!toolBar->isMovable());

        // As an earlier build let it happen: both panes closed and the toolbar hidden.
        main.find<QDockWidget>(u"Pane1"_s)->close();
        main.find<QDockWidget>(u"Pane2"_s)->close();
        toolBar->hide();
        main.window->close();
    }
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    auto* groups = main.find<QDockWidget>(u"Pane1"_s);
    auto* history = main.find<QDockWidget>(u"Pane2"_s);
    QVERIFY(main.find<QToolBar>(u"ToolsBar"_s)->isVisible());
    QVERIFY(main.find<QLineEdit>(u"Edit_Condition"_s)->isVisible());
    QVERIFY(groups->isHidden());
    QVERIFY(history->isHidden());

    // The letter tabs' context menu brings the panes back.
    LetterTabs* tabs = main.tabs();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 tabs->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(tabs, &rightClick);
    auto* paneMenu = main.find<QMenu>(u"PaneMenu"_s);
    QVERIFY(paneMenu->isVisible());
    QCOMPARE(paneMenu->actions().size(), 2);
    paneMenu->actions().at(0)->trigger();
    paneMenu->close();
    QVERIFY(groups->isVisible());
    // So does a right click on the toolbar, through the window's own pop-up menu.
    auto* toolBar = main.find<QToolBar>(u"ToolsBar"_s);
    auto* about = main.find<QWidget>(u"Button_About"_s);
    const QPoint besideAbout = about->geometry().center() + QPoint(about->width(), 0);
    QWidget* target = toolBar->childAt(besideAbout) ? toolBar->childAt(besideAbout) : toolBar;
    const QPoint at = target->mapFrom(toolBar, besideAbout);
    QContextMenuEvent onToolBar(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &onToolBar);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(popup);
    QCOMPARE(popup->actions().size(), 2);
    popup->actions().at(1)->trigger();
    popup->close();
    QVERIFY(history->isVisible());
    main.clickTreeItem(main.treeItem(u"朋友"_s));
    QCOMPARE(main.column(0), QStringList{u"王五"_s});
}

void TestMain::maximisedOptionMaximises()
{
    m_data->setOption(u"IsMax"_s, true);
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QVERIFY(main.window->windowState() & Qt::WindowMaximized);
}

void TestMain::tabReachesEveryPartInOrder()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QApplication::setActiveWindow(main.window.get());
    QVERIFY(QTest::qWaitForWindowActive(main.window.get()));
    const QStringList expected{u"Button_New"_s,   u"Button_Edit"_s,    u"Button_Del"_s,
                               u"Button_Print"_s, u"Button_Book"_s,    u"Button_Sys"_s,
                               u"Button_About"_s, u"Edit_Condition"_s, u"Button_CZ"_s,
                               u"Combo_Skin"_s,   u"Tree"_s,           u"Button_Type_New"_s,
                               u"TabControl"_s,   u"ListView"_s,       u"Edit_LX"_s};
    main.find<QWidget>(expected.first())->setFocus(Qt::TabFocusReason);
    QStringList reached;
    for (qsizetype step = 0; step <= expected.size(); ++step) {
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        reached << focused->objectName();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    // Round the window and back to the first.
    QCOMPARE(reached, expected + QStringList{expected.first()});
}

void TestMain::defaultColumnsFitTheDefaultWindow()
{
    // A new address book, with enough contacts for a vertical scroll bar.
    TestDatabase fresh;
    QVERIFY(fresh.ok());
    const Status filled = fresh.db().transaction([&fresh]() -> Status {
        for (int i = 0; i < 100; ++i)
            fresh.addContact({{u"Name"_s, u"欧阳明月"_s},
                              {u"Moblie1"_s, u"13800138000"_s},
                              {u"Mail1"_s, u"ouyang@example.com"_s}});
        return {};
    });
    QVERIFY(filled.ok());
    RunningMain main;
    QVERIFY(main.start(fresh.path()));
    QCOMPARE(main.window->size(), QSize(1100, 720));
    QCOMPARE(main.find<QDockWidget>(u"Pane1"_s)->width(), 220);
    QCOMPARE(main.list()->contacts()->columns().size(), 7u);
    QCoreApplication::processEvents();
    QVERIFY(main.list()->verticalScrollBar()->isVisible());
    QCOMPARE(main.list()->horizontalScrollBar()->maximum(), 0);
    QVERIFY(main.list()->horizontalHeader()->length() <= main.list()->viewport()->width());
}

void TestMain::lineBreakInANameShowsOnOneLine()
{
    m_data->addContact({{u"Name"_s, u"赵\r\n钱\t孙"_s}, {u"Py"_s, u"Z"_s}, {u"TID"_s, m_friends}});
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.clickTreeItem(main.treeItem(u"朋友"_s));
    const QAbstractItemModel* model = main.list()->model();
    QCOMPARE(model->rowCount(), 2);
    const QModelIndex cell = model->index(1, 0);
    QCOMPARE(cell.data().toString(), u"赵↵钱␉孙"_s);
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), u"赵\r\n钱\t孙"_s);
    // The stored text is what the search finds.
    auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
    condition->setText(u"赵\r\n钱"_s);
    QTest::keyClick(condition, Qt::Key_Return);
    QCOMPARE(main.column(0), QStringList{u"赵↵钱␉孙"_s});
}

void TestMain::partsCarryNamesForAssistiveTools()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.find<QLabel>(u"Label2"_s)->buddy(), main.find<QWidget>(u"Edit_Condition"_s));
    QCOMPARE(main.find<QLabel>(u"Label1"_s)->buddy(), main.find<QWidget>(u"Combo_Skin"_s));
    for (const char* name :
         {"Button_New", "Button_Edit", "Button_Del", "Button_Sys", "Button_About", "Button_CZ"}) {
        auto* button = main.find<QAbstractButton>(QString::fromLatin1(name));
        QVERIFY2(!button->toolTip().isEmpty(), name);
        QCOMPARE(button->accessibleName(), button->toolTip());
    }
    for (const char* name : {"ListView", "Tree", "TabControl", "Edit_LX"})
        QVERIFY2(!main.find<QWidget>(QString::fromLatin1(name))->accessibleName().isEmpty(), name);
}

void TestMain::newAddressBookIsWrittenAndOpenedNext()
{
    const QString created = QFileInfo(m_data->path()).dir().filePath(u"新的.xml"_s);
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        // A name that exists is refused whatever the save dialog asked: nothing is written.
        main.prompter.expectSaveFile(m_data->path());
        main.prompter.expectMessage(
            u"文件“%1”已经存在，新建通讯录不会覆盖它。请另选一个文件名。"_s.arg(m_data->path()));
        main.action("NewBook")->trigger();
        QVERIFY(main.window->isVisible());
        QVERIFY(!main.window->restartWanted());

        main.prompter.expectSaveFile(created);
        main.action("NewBook")->trigger();
        QVERIFY(main.prompter.scriptDone());
        QVERIFY(!main.window->isVisible());
        QVERIFY(main.window->restartWanted());
        QCOMPARE(main.window->nextDatabasePath(), created);
    }
    // The next window starts on the new book: the first rows, none of the old contacts.
    RunningMain next;
    QVERIFY(next.start(created));
    QVERIFY(next.names().isEmpty());
    QVERIFY(next.treeItem(u"全部分组"_s));
    QVERIFY(next.prompter.scriptDone());
}

void TestMain::openAddressBookRefusesAFileItCannotOpen()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    const QString text = QFileInfo(m_data->path()).dir().filePath(u"notes.xml"_s);
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<notes>not an address book</notes>");
    file.close();
    main.prompter.expectOpenFile(text);
    main.prompter.expectMessage();
    main.action("OpenBook")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().last().title.left(2), u"错误"_s);
    QVERIFY(main.window->isVisible());
    QVERIFY(!main.window->restartWanted());

    const QString other = QFileInfo(m_data->path()).dir().filePath(u"other.xml"_s);
    QVERIFY(Database::create(other));
    main.prompter.expectOpenFile(other);
    main.action("OpenBook")->trigger();
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(main.window->restartWanted());
    QCOMPARE(main.window->nextDatabasePath(), other);
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
