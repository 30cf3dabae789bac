// SPDX-License-Identifier: GPL-3.0-or-later
// The list commands through the main window (delete, tick all, change group, find duplicates,
// the pop-up menu) checked against what the database holds; and the change-group dialog.
#include "RunningMain.h"
#include "TestDatabase.h"

#include "contacts/frmDuplicates.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct Window : RunningMain {
    bool ticked(int row) const
    {
        return list()->model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }
    void tick(const QList<int>& rows) const
    {
        for (int row : rows)
            list()->model()->setData(list()->model()->index(row, 0), Qt::Checked,
                                     Qt::CheckStateRole);
    }
    void search(const QString& keyword) const
    {
        find<QLineEdit>(u"Edit_Condition"_s)->setText(keyword);
        QTest::mouseClick(find<QPushButton>(u"Button_CZ"_s), Qt::LeftButton);
    }
    // Change group, the step driving the dialog exec() shows (cancelled if the step left it).
    void changeGroup(const std::function<void(QComboBox*, QPushButton*)>& step) const
    {
        QTimer::singleShot(0, [step] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != u"frmTName"_s)
                return QTest::qFail("no change-group dialog", __FILE__, __LINE__);
            step(dialog->findChild<QComboBox*>(u"Edit_Type"_s),
                 dialog->findChild<QPushButton*>(u"OK"_s));
            if (dialog->isVisible())
                QMetaObject::invokeMethod(dialog, "reject");
        });
        action("EditType")->trigger();
    }
};

} // namespace

class TestListCommands : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    std::optional<Window> main;
    qint64 friends = 0, work = 0;
    qint64 count(const QString& where = u"1"_s)
    {
        return book->scalar(u"SELECT count(*) FROM Vardelin_Contact WHERE "_s + where).toLongLong();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        friends = book->addGroup(1, 2, u"朋友"_s);
        work = book->addGroup(1, 1, u"同事"_s);
        book->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s});
        for (const QString& name : {u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s, u"戊"_s, u"己"_s})
            book->addContact({{u"Name"_s, name}, {u"TID"_s, friends}});
        QVERIFY(main.emplace().start(book->path()));
    }
    void cleanup()
    {
        QVERIFY(main->prompter.scriptDone());
        main.reset();
    }

    // A right click shows the menu. Delete asks first; No deletes nothing; Yes or change group
    // with nothing ticked is told so.
    void nothingTickedOrNoChangesNothing()
    {
        QWidget* viewport = main->list()->viewport();
        const QPoint at = main->list()->visualRect(main->list()->model()->index(1, 0)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &click);
        QTRY_VERIFY(main->find<QMenu>(u"RightContact"_s)->isVisible());
        main->find<QMenu>(u"RightContact"_s)->hide();
        const QString question = u"是否真的要删除勾选的联系人？删除后无法恢复！"_s;
        main->prompter.expectQuestion(false, question);
        main->prompter.expectQuestion(true, question);
        main->prompter.expectMessage(u"没有勾选需要删除的联系人！"_s);
        main->prompter.expectMessage(u"没有勾选需要更改分组的联系人！"_s);
        QTest::mouseClick(main->tool("Button_Del"), Qt::LeftButton);
        main->action("AllDel")->trigger();
        main->action("EditType")->trigger();
        main->tick({0});
        main->prompter.expectQuestion(false, question);
        main->action("AllDel")->trigger();
        QCOMPARE(count(), 6);
    }

    // Space toggles a tick. While another program holds the write lock Delete fails, keeping
    // every row and tick and leaving nothing open; then it takes the ticked rows, the current
    // one staying on its contact.
    void spaceTicksAndDeleteTakesTheTickedRows()
    {
        const QStringList before = main->names();
        ContactListView* list = main->list();
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 1));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Down, Qt::Key_Space, Qt::Key_Space, Qt::Key_Down,
                            Qt::Key_Down, Qt::Key_Space, Qt::Key_Down})
            QTest::keyClick(list, key);
        QVERIFY(main->ticked(1) && !main->ticked(2) && main->ticked(4));
        book->run(u"BEGIN IMMEDIATE"_s);
        main->prompter.expectQuestion(true);
        main->prompter.expectMessage();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(main->prompter.shown()[1].title, u"错误5"_s);
        book->run(u"ROLLBACK"_s);
        QVERIFY(main->ticked(1) && main->ticked(4) && main->names().size() == 6);
        main->prompter.expectQuestion(true);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(main->names(), (QStringList{before[0], before[2], before[3], before[5]}));
        QCOMPARE(count(), 4);
        QCOMPARE(main->tabs()->tabText(0), u"全部(4)"_s);
        QCOMPARE(list->currentIndex().row(), 3);
        QVERIFY(!main->ticked(0) && !main->ticked(3));
    }

    // A rebuild keeps the caption, so its next use unticks; an empty list leaves it as it is.
    void tickAllTogglesItsCaption()
    {
        QAction* tickAll = main->action("AllSelect");
        tickAll->trigger();
        QVERIFY(main->ticked(0) && main->ticked(5));
        main->search(u"甲"_s);
        QCOMPARE(tickAll->text(), u"全部取消"_s);
        tickAll->trigger();
        QCOMPARE(tickAll->text(), u"全部选中"_s);
        QVERIFY(!main->ticked(0));
        main->search(u"无此人"_s);
        tickAll->trigger();
        QCOMPARE(tickAll->text(), u"全部选中"_s);
    }

    // The dialog offers the groups by Number without the root and refuses what names none; the
    // moved rows stay in view, ticked, as they were; a failed move moves none and rebuilds; a
    // group deleted since the dialog was filled is refused and the groups refilled.
    void changeGroupMovesTheTickedRowsOrNone()
    {
        main->tick({0, 4});
        main->changeGroup([&](QComboBox* groups, QPushButton* ok) {
            QCOMPARE(groups->itemText(0) + groups->itemText(1), u"同事朋友"_s);
            for (const QString& typed : {QString(), u"同"_s, u"同事"_s}) {
                groups->lineEdit()->setText(typed);
                if (typed.size() < 2)
                    main->prompter.expectMessage(u"请选择需要更换的分组名称！"_s);
                ok->click();
            }
        });
        const auto* rows = main->list()->contacts();
        QCOMPARE(count(u"TID = %1 AND ID IN (%2, %3)"_s.arg(work)
                           .arg(rows->contactId(0))
                           .arg(rows->contactId(4))),
                 2);
        QVERIFY(main->ticked(0) && main->ticked(4));
        QCOMPARE(main->column(1)[0], u"朋友"_s);

        book->run(u"CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact WHEN OLD.ID = %1 "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(rows->contactId(2)));
        main->tick({2});
        main->prompter.expectMessage();
        main->changeGroup([](QComboBox* groups, QPushButton* ok) {
            groups->setCurrentIndex(groups->findText(u"同事"_s));
            ok->click();
        });
        QVERIFY(main->prompter.shown().last().title.startsWith(u"错误"_s));
        QCOMPARE(count(u"TID = %1"_s.arg(work)), 2);
        QVERIFY(!main->ticked(0) && !main->ticked(2)); // rebuilt from the database

        main->tick({1});
        main->changeGroup([&](QComboBox* groups, QPushButton* ok) {
            groups->setCurrentIndex(groups->findText(u"同事"_s));
            book->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {work});
            main->prompter.expectMessage(u"所选分组已被删除，请重新选择！"_s);
            ok->click();
            QCOMPARE(groups->count(), 1);
        });
    }

    // Two of three sharing a number merged into the chosen contact and name; the list rebuilt.
    void findDuplicatesMergesTheChosenAndRebuildsTheList()
    {
        main->prompter.expectMessage(u"没有找到重复的联系人！"_s);
        main->action("FindDuplicates")->trigger();
        book->addContact({{u"Name"_s, u"张三"_s}, {u"Moblie1"_s, u"13800138000"_s}});
        const qint64 kept = book->addContact(
            {{u"Name"_s, u"张三丰"_s}, {u"Moblie1"_s, u"138 0013 8000"_s}, {u"TID"_s, work}});
        book->addContact({{u"Name"_s, u"前台"_s}, {u"Moblie1"_s, u"+86 13800138000"_s}});
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmDuplicates*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto closeAtEnd = qScopeGuard([dialog] { dialog->reject(); });
            auto* members = dialog->findChild<QTreeWidget*>(u"List_Members"_s);
            QCOMPARE(members->topLevelItemCount(), 3);
            members->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
            dialog->findChild<QComboBox*>(u"Combo_Keep"_s)->setCurrentIndex(1); // 张三丰
            auto* name = dialog->findChild<QComboBox*>(u"Combo_Name"_s);
            QCOMPARE(name->currentText(), u"张三丰（张三丰）"_s);
            name->setCurrentIndex(1);
            main->prompter.expectQuestion(true);
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"Button_Merge"_s), Qt::LeftButton);
            QCOMPARE(dialog->findChild<QListWidget*>(u"List_Groups"_s)->count(), 1);
            QCOMPARE(members->topLevelItemCount(), 2);
            driven = true;
        });
        main->action("FindDuplicates")->trigger();
        QVERIFY(driven);
        QCOMPARE(count(u"Name LIKE '张三%%' AND ID = %1 AND TID = %2"_s.arg(kept).arg(work)) +
                     count(u"Name LIKE '张三%%'"_s),
                 2);
        QVERIFY(main->names().contains(u"张三"_s) && !main->names().contains(u"张三丰"_s));
    }
};

QTEST_MAIN(TestListCommands)
#include "tst_listcommands.moc"
