// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user would, checked against what the database holds: start-up,
// tree, tabs, search, skin, pane layout, the address book commands and the cards it opens.
#include "PgServer.h"
#include "RunningMain.h"
#include "TestDatabase.h"

#include "app/DockLayout.h"
#include "app/frmLogin.h"
#include "card/frmCard.h"
#include "db/Backup.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

void addNamedContacts(TestDatabase& data, qint64 group, int count)
{
    data.run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
             "INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, ?, '钱' || i FROM n"_s,
             {count, group});
}

// Runs each step on the next modal card, in order, as the cards open one after another; each
// step must close its card. Keeps the captions of the cards seen.
struct CardScript {
    QList<std::function<void(frmCard&)>> steps;
    QStringList captions;

    explicit CardScript(QList<std::function<void(frmCard&)>> script)
        : steps(std::move(script))
    {
        QTimer::singleShot(0, [this] { runNext(); });
    }
    void runNext()
    {
        auto* card = qobject_cast<frmCard*>(QApplication::activeModalWidget());
        if (card) {
            captions << card->windowTitle();
            steps.takeFirst()(*card);
        }
        if (!steps.isEmpty())
            QTimer::singleShot(card ? 0 : 10, [this] { runNext(); });
    }
};

// A card step: names the contact, confirms the question and leaves by the button given.
std::function<void(frmCard&)> saveAs(RunningMain& main, const QString& name, const char* button)
{
    return [&main, name, button](frmCard& card) {
        card.findChild<QLineEdit*>(u"Edit_Name"_s)->setText(name);
        main.prompter.expectQuestion(true);
        QTest::mouseClick(card.findChild<QToolButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    };
}

} // namespace

class TestMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;

private slots:

    void init()
    {
        m_data = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
        QVERIFY2(m_data->ok(), qPrintable(m_data->error()));
        m_friends = m_data->addGroup(1, 2, u"朋友"_s);
        const qint64 work = m_data->addGroup(1, 1, u"同事"_s);
        const qint64 workSub = m_data->addGroup(work, 1, u"项目组"_s);
        m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s});
        for (const auto& [name, py, group] : {std::tuple{u"王五"_s, u"W"_s, m_friends},
                                              {u"李四"_s, u"L"_s, work},
                                              {u"王小二"_s, u"W"_s, workSub},
                                              {u"孤儿"_s, u"G"_s, qint64(999)}})
            m_data->addContact({{u"Name"_s, name}, {u"Py"_s, py}, {u"TID"_s, group}});
    }

    void cleanup() { m_data.reset(); }

    void startUpListsEveryGroupThenTabsAndSearchFilter()
    {
        m_data->setOption(u"IsMax"_s, true);
        RunningMain main;
        // Without the login option no login is shown: one would end the start here.
        main.window->setLoginShow([](frmLogin&) { return int(QDialog::Rejected); });
        QVERIFY(main.start(m_data->path()));
        QVERIFY(main.window->windowState() & Qt::WindowMaximized);
        QTreeWidgetItem* root = main.tree()->topLevelItem(0);
        QCOMPARE(main.tree()->currentItem(), root);
        QCOMPARE(root->child(0)->text(0), u"同事"_s); // siblings by Number
        // The contact whose group is gone is listed nowhere, the root included.
        QCOMPARE(main.column(0).size(), 3);
        QVERIFY(!main.column(0).contains(u"孤儿"_s));
        QCOMPARE(main.tabs()->tabText(0), u"全部(3)"_s);

        // A letter tab filters, inside the selected group too.
        LetterTabs* tabs = main.tabs();
        const int w = 23; // 全部, A..W
        tabs->setCurrentIndex(w);
        QCOMPARE(tabs->tabText(w), u"W(2)"_s);
        main.clickTreeItem(main.treeItem(u"朋友"_s));
        QCOMPARE(main.column(0), QStringList{u"王五"_s});
        // The search runs over all groups, group names too; the button searches as Enter does.
        auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
        condition->setText(u"王"_s);
        QTest::keyClick(condition, Qt::Key_Return);
        QCOMPARE(main.column(0).size(), 2);
        condition->setText(u"项目"_s);
        QTest::mouseClick(main.find<QPushButton>(u"Button_CZ"_s), Qt::LeftButton);
        QCOMPARE(main.column(0), QStringList{u"王小二"_s});

        // A list that cannot be read shows no stale rows.
        m_data->run(u"ALTER TABLE Vardelin_Contact RENAME TO Vardelin_Contact_Away"_s);
        QVERIFY(!main.window->GJContact(1, false).ok());
        QVERIFY(main.column(0).isEmpty());
        QCOMPARE(tabs->tabText(w), u"W(0)"_s);
        QVERIFY(main.prompter.shown().isEmpty());
    }

    void startUpFailureShowsErrorBoxAndTouchesNothing()
    {
        const QString path = m_data->folder() + u"/其他 文件.xml"_s;
        const QByteArray content = QByteArray("Not an address book.\n").repeated(200);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        RunningMain main;
        main.prompter.expectMessage();
        QVERIFY(!main.start(path));
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(main.prompter.shown().first().title, u"错误26"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    // A large book shows its first screenful and the count of its rows at start-up, and the whole
    // list once the window has been drawn, the first rows where they were; the top option caps
    // the root's list, no other.
    void startUpShowsTheFirstScreenfulThenTheCappedList()
    {
        m_data->setOption(u"IsTop"_s, true);
        addNamedContacts(*m_data, m_friends, 510);
        RunningMain main;
        QVERIFY(main.window->startUp(m_data->path()));
        QCOMPARE(main.list()->model()->rowCount(), 200);
        QCOMPARE(main.tabs()->tabText(0), u"全部(500)"_s);
        const QStringList firstScreen = main.names();
        main.window->show();
        QVERIFY(QTest::qWaitFor([&] { return main.window->listComplete(); }));
        QCOMPARE(main.list()->model()->rowCount(), 500);
        QCOMPARE(main.names().mid(0, 200), firstScreen);
        main.clickTreeItem(main.treeItem(u"朋友"_s));
        QCOMPARE(main.list()->model()->rowCount(), 511);
    }

    // A list built before the first frame stays: the step deferred to the first frame (which also
    // gives the search box its clear button) has run, and did not bring back the whole book.
    void aListBuiltBeforeTheFirstFrameIsNotReplaced()
    {
        addNamedContacts(*m_data, m_friends, 450);
        RunningMain main;
        QVERIFY(main.window->startUp(m_data->path()));
        QVERIFY(main.window->GJContact(m_friends, false).ok());
        auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
        QVERIFY(!condition->isClearButtonEnabled());
        main.window->show();
        QTRY_VERIFY(condition->isClearButtonEnabled());
        QCOMPARE(main.list()->model()->rowCount(), 451);
    }

    // A search that finds more than a screenful shows the first rows with the count of all at
    // once, then the rest after the frame, the ticks and the selection kept; a new search drops
    // the rest of the last one.
    void searchShowsTheFirstScreenfulThenTheRest()
    {
        addNamedContacts(*m_data, m_friends, 260);
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        QTRY_VERIFY(main.window->listComplete());
        auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
        condition->setText(u"钱"_s);
        QTest::keyClick(condition, Qt::Key_Return);
        QAbstractItemModel* model = main.list()->model();
        QCOMPARE(model->rowCount(), 200);
        QCOMPARE(main.tabs()->tabText(0), u"全部(260)"_s);
        const int lead = main.list()->contacts()->leadColumn();
        QVERIFY(model->setData(model->index(0, lead), Qt::Checked, Qt::CheckStateRole));
        main.list()->setCurrentIndex(model->index(5, 0));
        QTRY_VERIFY(main.window->listComplete());
        QCOMPARE(model->rowCount(), 260);
        QCOMPARE(main.names().first(), u"钱1"_s);
        QCOMPARE(main.names().last(), u"钱260"_s);
        QCOMPARE(main.list()->contacts()->checkedIds().size(), std::size_t(1));
        QCOMPARE(main.list()->currentIndex().row(), 5);

        QTest::keyClick(condition, Qt::Key_Return);
        condition->setText(u"钱1"_s); // 钱1, 钱10 to 钱19, 钱100 to 钱199
        QTest::keyClick(condition, Qt::Key_Return);
        QTest::qWait(150);
        QVERIFY(main.window->listComplete());
        QCOMPARE(model->rowCount(), 111);
        QCOMPARE(main.tabs()->tabText(0), u"全部(111)"_s);
    }

    void skinAndPaneLayoutSurviveARestart()
    {
        const QRect floatingPlace(100, 120, 400, 250);
        {
            RunningMain main;
            QVERIFY(main.start(m_data->path()));
            auto* combo = main.find<QComboBox>(u"Combo_Skin"_s);
            QTest::keyClick(combo, Qt::Key_Down); // Silver → Black, saved at once
            QCOMPARE(m_data->scalar(u"SELECT Skin FROM Vardelin_Login"_s).toString(), u"Black"_s);
            auto* groups = main.find<QDockWidget>(u"Pane1"_s);
            auto* history = main.find<QDockWidget>(u"Pane2"_s);
            main.window->addDockWidget(Qt::RightDockWidgetArea, groups);
            main.window->resizeDocks({groups}, {300}, Qt::Horizontal);
            history->setFloating(true);
            history->setGeometry(floatingPlace);
            QCoreApplication::processEvents();
            main.window->close();
        }
        RunningMain again;
        QVERIFY(again.start(m_data->path()));
        QCOMPARE(again.find<QComboBox>(u"Combo_Skin"_s)->currentText(), u"Black"_s);
        auto* groups = again.find<QDockWidget>(u"Pane1"_s);
        auto* history = again.find<QDockWidget>(u"Pane2"_s);
        QCOMPARE(again.window->dockWidgetArea(groups), Qt::RightDockWidgetArea);
        QCOMPARE(groups->width(), 300);
        QVERIFY(history->isFloating() && history->isVisible());
        QCOMPARE(history->geometry(), floatingPlace);
    }

    void panesAllHiddenComeBackThroughTheMenus()
    {
        using namespace DockLayout;
        const Layout hidden{{{u"Pane1"_s, Area::Left, false, false, 220, {}},
                             {u"Pane2"_s, Area::Left, false, false, 200, {}}}};
        m_data->run(u"UPDATE Vardelin_Login SET Dock = ?"_s, {write(hidden)});
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        auto* groups = main.find<QDockWidget>(u"Pane1"_s);
        auto* history = main.find<QDockWidget>(u"Pane2"_s);
        QVERIFY(groups->isHidden() && history->isHidden());
        // The letter tabs' context menu offers the panes, and so does the window's own pop-up
        // menu, which offers no way to hide the toolbar.
        const QPoint at(5, 5);
        QContextMenuEvent onTabs(QContextMenuEvent::Mouse, at, main.tabs()->mapToGlobal(at));
        QCoreApplication::sendEvent(main.tabs(), &onTabs);
        auto* paneMenu = main.find<QMenu>(u"PaneMenu"_s);
        QVERIFY(paneMenu->isVisible());
        paneMenu->close();
        const std::unique_ptr<QMenu> popup(main.window->createPopupMenu());
        QCOMPARE(popup->actions().size(), 2);
        popup->actions().at(0)->trigger();
        popup->actions().at(1)->trigger();
        QVERIFY(groups->isVisible() && history->isVisible());
    }

    // Open refuses a file it cannot open and New a name that exists; each that goes through
    // closes the window for the next one.
    void addressBookCommandsRefuseOrOpenNext()
    {
        const QString notes = m_data->folder() + u"/notes.xml"_s;
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<notes>not a book</notes>") > 0);
        file.close();
        const QString other = m_data->folder() + u"/other.xml"_s;
        QVERIFY(Database::create(other));
        const QString created = m_data->folder() + u"/新的.xml"_s;
        {
            RunningMain main;
            QVERIFY(main.start(m_data->path()));
            main.prompter.expectOpenFile(notes);
            main.prompter.expectMessage();
            main.action("OpenBook")->trigger();
            main.prompter.expectSaveFile(m_data->path());
            main.prompter.expectMessage(
                u"文件“%1”已经存在，新建通讯录不会覆盖它。请另选一个文件名。"_s.arg(
                    m_data->path()));
            main.action("NewBook")->trigger();
            QVERIFY(main.window->isVisible() && !main.window->restartWanted());

            main.prompter.expectOpenFile(other);
            main.action("OpenBook")->trigger();
            QVERIFY(!main.window->isVisible() && main.window->restartWanted());
            QCOMPARE(main.window->nextDatabasePath(), other);
            main.prompter.expectSaveFile(created);
            main.action("NewBook")->trigger();
            QVERIFY(main.prompter.scriptDone());
            QCOMPARE(main.window->nextDatabasePath(), created);
        }
        RunningMain next;
        QVERIFY(next.start(created));
        QVERIFY(next.names().isEmpty());
    }

    void editWarnsWithoutASelectedRowThenOpensItAndCopyFollows_data()
    {
        TestDatabase::addBackendRows();
    }
    void editWarnsWithoutASelectedRowThenOpensItAndCopyFollows()
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        // Ticked is not selected.
        QAbstractItemModel* model = main.list()->model();
        model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        main.prompter.expectMessage(u"请选择需要编辑的联系人！"_s);
        QTest::mouseClick(main.tool("Button_Edit"), Qt::LeftButton);

        CardScript edit({saveAs(main, u"王五丰"_s, "Button_Save")});
        main.list()->selectRow(main.names().indexOf(u"王五"_s));
        QTest::mouseClick(main.tool("Button_Edit"), Qt::LeftButton);
        QCOMPARE(edit.captions, QStringList{u"修改联系人"_s});
        QVERIFY(main.names().contains(u"王五丰"_s)); // the saved card refreshed the list

        // Enter on a row opens it too; its copy opens next, as a new card of the same contact.
        CardScript copy({[](frmCard& card) {
                             QTest::mouseClick(card.findChild<QToolButton*>(u"Button_Copy"_s),
                                               Qt::LeftButton);
                         },
                         saveAs(main, u"李四"_s, "Button_Save")});
        main.list()->setFocus();
        main.list()->selectRow(main.names().indexOf(u"李四"_s));
        QTest::keyClick(main.list(), Qt::Key_Return);
        QCOMPARE(copy.captions, (QStringList{u"修改联系人"_s, u"新建联系人"_s}));
        QCOMPARE(main.names().count(u"李四"_s), 2);
        QVERIFY(main.prompter.scriptDone());
    }

    // The whole of a contact's life through the window, on a file and on a server.
    // A colleague's commit on the same server shows in the open window without a click, the
    // chosen group, the current contact, the ticks and the scroll position kept.
    void aColleaguesChangeShowsWithoutAClick_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("server") << u"server"_s;
    }
    void aColleaguesChangeShowsWithoutAClick()
    {
        addNamedContacts(*m_data, m_friends, 80);
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        main.clickTreeItem(main.treeItem(u"朋友"_s));
        ContactListView* list = main.list();
        QVERIFY(
            list->model()->setData(list->model()->index(2, 0), Qt::Checked, Qt::CheckStateRole));
        list->setCurrentIndex(list->model()->index(60, 0));
        list->verticalScrollBar()->setValue(20); // the current row out of sight
        const qint64 current = list->contacts()->contactId(60);
        const std::vector<qint64> ticked{list->contacts()->contactId(2)};

        m_data->addContact({{u"Name"_s, u"新同事"_s}, {u"TID"_s, m_friends}});
        m_data->run(u"INSERT INTO Vardelin_History (CID, LxDate, Remark) VALUES (?, ?, ?)"_s,
                    {current, u"2026-12-07"_s, u"来电询价"_s});
        m_data->run(u"UPDATE Vardelin_Type SET Name = '老朋友' WHERE ID = ?"_s, {m_friends});
        QTRY_VERIFY_WITH_TIMEOUT(main.names().contains(u"新同事"_s), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(
            main.find<QPlainTextEdit>(u"Edit_LX"_s)->toPlainText().contains(u"来电询价"_s), 2000);
        QCOMPARE(main.tree()->currentItem()->text(0), u"老朋友"_s);
        QCOMPARE(main.column(1).last(), u"老朋友"_s);
        QCOMPARE(list->contacts()->contactId(list->currentIndex().row()), current);
        QCOMPARE(list->contacts()->checkedIds(), ticked);
        QCOMPARE(list->verticalScrollBar()->value(), 20);
        QVERIFY(main.prompter.shown().isEmpty());
    }

    // The server restarted while the window sat idle: once it answers again the window
    // connects again by itself and shows a colleague's change without a click.
    void aColleaguesChangeShowsAfterTheServerCameBack_data()
    {
        aColleaguesChangeShowsWithoutAClick_data();
    }
    void aColleaguesChangeShowsAfterTheServerCameBack()
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        PgServer::instance().stop();
        QVERIFY(PgServer::instance().restart());
        QVERIFY(!m_data->db().exec(u"SELECT 1"_s)); // the colleague's connection was lost too
        m_data->addContact({{u"Name"_s, u"回来的同事"_s}});
        QTRY_VERIFY_WITH_TIMEOUT(main.names().contains(u"回来的同事"_s), 10000);
        QVERIFY(main.prompter.shown().isEmpty());
    }

    // A server that wants a password none of libpq's sources holds: it is asked for once, and
    // a wrong one is told and ends the start.
    void aServerPasswordIsAskedForOnce_data() { aColleaguesChangeShowsWithoutAClick_data(); }
    void aServerPasswordIsAskedForOnce()
    {
        const QString url =
            PgServer::instance().withPasswordRole(m_data->path(), u"clerk"_s, u"口令 1"_s);
        QVERIFY(!url.isEmpty());
        for (const QString& typed : {u"错的"_s, u"口令 1"_s}) {
            RunningMain main;
            main.prompter.expectInput(typed);
            if (typed == u"错的"_s) {
                main.prompter.expectMessage();
                QVERIFY(!main.window->startUp(url));
                QCOMPARE(main.prompter.shown().last().title, u"错误14"_s);
                QVERIFY(main.prompter.shown().last().text.contains(u"password authentication"_s));
            } else {
                QVERIFY(main.start(url));
                QCOMPARE(main.names().size(), 3);
            }
            QVERIFY(main.prompter.shown().first().text.contains(u"要求输入密码"_s));
            QVERIFY(main.prompter.scriptDone());
        }
    }

    void aContactIsAddedListedFoundAndDeleted_data() { TestDatabase::addBackendRows(); }
    void aContactIsAddedListedFoundAndDeleted()
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        // A new card takes the tree's group, and so does the one "save and new" opens next.
        main.tree()->setCurrentItem(main.treeItem(u"朋友"_s));
        CardScript cards(
            {saveAs(main, u"甲"_s, "Button_New"), saveAs(main, u"赵六"_s, "Button_Save")});
        QTest::mouseClick(main.tool("Button_New"), Qt::LeftButton);
        QCOMPARE(cards.captions, (QStringList{u"新建联系人"_s, u"新建联系人"_s}));
        QStringList listed = main.names();
        listed.sort();
        QCOMPARE(listed, (QStringList{u"王五"_s, u"甲"_s, u"赵六"_s}));
        const QString stored =
            u"SELECT count(*) FROM Vardelin_Contact WHERE Name = ? AND TID = ?"_s;
        QCOMPARE(m_data->scalar(stored, {u"甲"_s, m_friends}).toInt(), 1);
        QCOMPARE(m_data->scalar(stored, {u"赵六"_s, m_friends}).toInt(), 1);
        auto* condition = main.find<QLineEdit>(u"Edit_Condition"_s);
        for (const QString& keyword : {u"赵"_s, u"zl"_s}) { // by text, by the pinyin's initials
            condition->setText(keyword);
            QTest::keyClick(condition, Qt::Key_Return);
            QCOMPARE(main.names(), QStringList{u"赵六"_s});
        }
        QAbstractItemModel* model = main.list()->model();
        QVERIFY(model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        main.prompter.expectQuestion(true);
        QTest::mouseClick(main.tool("Button_Del"), Qt::LeftButton);
        QVERIFY(main.names().isEmpty());
        QCOMPARE(m_data->scalar(stored, {u"赵六"_s, m_friends}).toInt(), 0);
        // Closing compacts a file and backs it up; a server's administrator does both for it.
        m_data->setOption(u"IsZip"_s, true);
        main.session.options.isZip = true;
        const qsizetype told = main.prompter.shown().size();
        QVERIFY(main.window->close());
        QCOMPARE(QDir(Backup::folderOf(m_data->path())).exists(),
                 QTest::currentDataTag() == "file"_ba);
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(main.prompter.shown().size(), told);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
