// SPDX-License-Identifier: GPL-3.0-or-later
// The card's page "联系记录" as a user drives it: the list, its buttons and their messages, the
// dialog opened from them, and the page in a new card and in a copy card.
#include "OpenCard.h"
#include "TestDatabase.h"

#include "db/ListWidths.h"
#include "history/HistoryListModel.h"
#include "history/HistoryPage.h"
#include "history/frmHistory.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

// Answers the history dialog exec() shows next: types remark (unless empty) and clicks button;
// hands the dialog to look first, when given. Fails the test when no dialog is shown.
void answerNextDialog(const QString& remark, const char* button,
                      const std::function<void(frmHistory*)>& look = {})
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<frmHistory*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTest::qFail("no history dialog", __FILE__, __LINE__);
            return;
        }
        if (look)
            look(dialog);
        if (!remark.isEmpty())
            dialog->findChild<QPlainTextEdit*>(u"Edit_Remark"_s)->setPlainText(remark);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    });
}

struct Page : OpenCard {
    Page(Database& db, const CardRequest& request)
        : OpenCard(db, request, u"PageHistory"_s)
    {
    }
    HistoryPage* page() const { return card->findChild<HistoryPage*>(u"PageHistory"_s); }
    QTreeView* list() const { return card->findChild<QTreeView*>(u"ListLx"_s); }
    QString column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            cells << list()->model()->index(row, column).data().toString();
        return cells.join(u'|');
    }
    void select(int row) const { list()->setCurrentIndex(list()->model()->index(row, 0)); }
    qint64 recordId(int row) const { return page()->records()->recordId(row); }
};

} // namespace

class TestHistoryPage : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    void addRecord(qint64 contact, const QString& day, const QString& remark, int remind = 0)
    {
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                  "VALUES (?, ?, date(?, '+7 days'), ?, ?)"_s,
                  {contact, day, day, remark, remind});
    }
    QString remarks()
    {
        return book->scalar(u"SELECT group_concat(Remark, '|') FROM Vardelin_History"_s).toString();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
        addRecord(1, u"2009-05-01"_s, u"旧"_s);
    }

    void listShowsFourColumnsNewestFirst()
    {
        addRecord(1, u"2011-02-03"_s, u"新\n带换行"_s, 1);
        addRecord(book->addContact({{u"Name"_s, u"李四"_s}}), u"2012-01-01"_s, u"别人的"_s, 1);
        Page open(book->db(), {true, 1, 0, false});
        QAbstractItemModel* model = open.list()->model();
        QStringList headers;
        for (int column = 0; column < model->columnCount(); ++column)
            headers << model->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers.join(u' '), u"联系日期 下次联系日期 联系内容 是否提醒"_s);
        QCOMPARE(open.column(0) + u' ' + open.column(1),
                 u"2011-02-03|2009-05-01 2011-02-10|2009-05-08"_s);
        QCOMPARE(open.column(2) + u' ' + open.column(3), u"新 带换行|旧 True|False"_s);
        QCOMPARE(model->index(0, 2).data(Qt::ToolTipRole).toString(), u"新\n带换行"_s);
        QCOMPARE(model->index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(model->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignLeft));
        // Widths in twips, shown at the screen's resolution.
        const QList<int> twips{1600, 1500, 4000, 1000};
        for (int column = 0; column < 4; ++column)
            QCOMPARE(open.list()->columnWidth(column),
                     ListWidths::pixelsFromTwips(twips[column], open.list()->logicalDpiX()));

        HistoryListModel bare;
        QAbstractItemModelTester tester(&bare,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        bare.setRecords(HistoryRecords::forCard(book->db(), 1).value());
        QCOMPARE(bare.rowOf(bare.recordId(1)), 1);
        QCOMPARE(bare.index(0, 0).data(HistoryListModel::RecordIdRole).toLongLong(),
                 bare.recordId(0));
        bare.setRecords({});
        QCOMPARE(bare.rowOf(1), -1);
    }

    void editAndDeleteWithoutSelectionOnlyTellSo()
    {
        Page open(book->db(), {true, 1, 0, false});
        open.prompter.expectMessage(u"请选择需要修改的联系情况！"_s);
        open.prompter.expectMessage(u"请选择需要删除的联系情况！"_s);
        open.click("Button_EditLx");
        open.click("Button_DelLx");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
        QCOMPARE(remarks(), u"旧"_s);
    }

    void deleteAsksAndRemovesOnYesOnly()
    {
        addRecord(1, u"2010-05-01"_s, u"新"_s);
        Page open(book->db(), {true, 1, 0, false});
        open.select(0);
        open.prompter.expectQuestion(false, u"是否删除选中的联系情况？"_s);
        open.click("Button_DelLx");
        QCOMPARE(remarks(), u"旧|新"_s);
        open.prompter.expectQuestion(true, u"是否删除选中的联系情况？"_s);
        open.click("Button_DelLx");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(remarks(), u"旧"_s);
        QCOMPARE(open.column(2), u"旧"_s);
    }

    void addThenEditByDoubleClickAndEnter()
    {
        Page open(book->db(), {true, 1, 0, false});
        answerNextDialog(u"新加的"_s, "Button_Save",
                         [](frmHistory* dialog) { QVERIFY(!dialog->values().IsEdit); });
        open.click("Button_AddLx");
        QCOMPARE(open.column(2), u"新加的|旧"_s);
        QCOMPARE(
            book->scalar(u"SELECT CID FROM Vardelin_History WHERE Remark = '新加的'"_s).toInt(), 1);
        // A double click edits the row under it; the list follows at once and keeps it highlighted.
        const QPoint oldRow = open.list()->visualRect(open.list()->model()->index(1, 2)).center();
        const qint64 oldId = open.recordId(1);
        answerNextDialog(u"改过"_s, "Button_Save", [oldId](frmHistory* dialog) {
            QCOMPARE(dialog->values().HID, oldId);
            QCOMPARE(dialog->findChild<QPlainTextEdit*>(u"Edit_Remark"_s)->toPlainText(), u"旧"_s);
        });
        QTest::mouseClick(open.list()->viewport(), Qt::LeftButton, {}, oldRow);
        QTest::mouseDClick(open.list()->viewport(), Qt::LeftButton, {}, oldRow);
        QCOMPARE(open.column(2), u"新加的|改过"_s);
        QCOMPARE(open.recordId(open.list()->currentIndex().row()), oldId);
        // Enter on the highlighted row edits it as well.
        answerNextDialog({}, "Button_Close",
                         [oldId](frmHistory* dialog) { QCOMPARE(dialog->values().HID, oldId); });
        open.list()->setFocus();
        QTest::keyClick(open.list(), Qt::Key_Return);
        QVERIFY(open.prompter.scriptDone());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(remarks(), u"改过|新加的"_s);
    }

    void recordDeletedElsewhereLeavesTheList()
    {
        addRecord(1, u"2010-05-01"_s, u"二"_s);
        Page open(book->db(), {true, 1, 0, false});
        // Gone before the dialog opens: a message, no dialog, and the row leaves the list.
        open.select(0);
        book->run(u"DELETE FROM Vardelin_History WHERE ID = ?"_s, {open.recordId(0)});
        open.prompter.expectMessage(u"该联系情况已被删除，无法修改！"_s);
        open.click("Button_EditLx");
        QCOMPARE(open.column(2), u"旧"_s);
        // Gone while the dialog is open: the save writes nothing, and the list drops the row.
        open.select(0);
        open.prompter.expectMessage(u"该联系情况已被删除，无法保存！"_s);
        answerNextDialog(u"改"_s, "Button_Save", [this](frmHistory* dialog) {
            book->run(u"DELETE FROM Vardelin_History"_s);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        });
        open.click("Button_EditLx");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(remarks(), QString());
        QCOMPARE(open.column(2), QString());
    }

    void newCardCannotAddAndCopyCardWorksOnTheSource()
    {
        {
            Page fresh(book->db(), {false, 0, 1, false});
            QVERIFY(!fresh.button("Button_AddLx")->isEnabled());
            QCOMPARE(fresh.column(0), QString());
        }
        Page copy(book->db(), {true, 1, 0, true});
        QCOMPARE(copy.card->windowTitle(), u"新建联系人"_s);
        QCOMPARE(copy.column(2), u"旧"_s);
        answerNextDialog(u"复制卡加的"_s, "Button_Save");
        copy.click("Button_AddLx");
        QCOMPARE(copy.column(2), u"复制卡加的|旧"_s);
        QCOMPARE(book->scalar(u"SELECT group_concat(CID) FROM Vardelin_History"_s).toString(),
                 u"1,1"_s);
        // Saving the copy adds a contact with no records of its own.
        copy.prompter.expectQuestion(true, u"是否确认保存联系人信息？"_s);
        QVERIFY(copy.card->SaveCard());
        QVERIFY(copy.prompter.scriptDone());
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 2);
        QCOMPARE(book->scalar(u"SELECT group_concat(CID) FROM Vardelin_History"_s).toString(),
                 u"1,1"_s);
    }
};

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
