// SPDX-License-Identifier: GPL-3.0-or-later
// The card's page "联系记录" as a user drives it: the list, adding, editing and deleting through
// its buttons and the record dialog, and a record or contact deleted meanwhile.
#include "CardHistoryTests.h"
#include "TestDatabase.h"

#include "history/HistoryListModel.h"
#include "history/HistoryPage.h"
#include "history/frmHistory.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

// Answers the history dialog exec() shows next: look (if given), the remark (if any), the button.
void answerDialog(const QString& remark, const char* button,
                  const std::function<void(frmHistory*)>& look = {})
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<frmHistory*>(QApplication::activeModalWidget());
        if (!dialog)
            return QTest::qFail("no history dialog", __FILE__, __LINE__);
        if (look)
            look(dialog);
        if (!remark.isEmpty())
            dialog->findChild<QPlainTextEdit*>(u"Edit_Remark"_s)->setPlainText(remark);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1StringView(button)),
                          Qt::LeftButton);
    });
}

QString fields(frmHistory* dialog)
{
    return u"%1 %2 %3 %4"_s.arg(
        dialog->findChild<QDateEdit*>(u"Edit_LxDate"_s)->date().toString(Qt::ISODate),
        dialog->findChild<QDateEdit*>(u"Edit_NextDate"_s)->date().toString(Qt::ISODate),
        dialog->findChild<QPlainTextEdit*>(u"Edit_Remark"_s)->toPlainText(),
        dialog->findChild<QCheckBox*>(u"Edit_Remind"_s)->isChecked() ? u"1"_s : u"0"_s);
}

struct Page : PageCard {
    Page(Database& db, const CardRequest& request)
        : PageCard(db, request, u"PageHistory"_s, "ListLx")
    {
    }
    void select(int row) const { view->setCurrentIndex(at(row)); }
    qint64 recordId(int row) const
    {
        return card->findChild<HistoryPage*>(u"PageHistory"_s)->records()->recordId(row);
    }
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
    QString stored(qint64 id)
    {
        return book
            ->scalar(u"SELECT CID||' '||LxDate||' '||NextDate||' '||Remark||' '||IsRemind "
                     "FROM Vardelin_History WHERE ID = ?"_s,
                     {id})
            .toString();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
        addRecord(1, u"2009-05-01"_s, u"旧"_s);
    }

    void listShowsTheContactsRecordsNewestFirst()
    {
        addRecord(1, u"2011-02-03"_s, u"新\n带换行"_s, 1);
        Page open(book->db(), {true, 1, 0, false});
        QCOMPARE(open.column(0) + u' ' + open.column(1) + u' ' + open.column(2) + u' ' +
                     open.column(3),
                 u"2011-02-03|2009-05-01 2011-02-10|2009-05-08 新 带换行|旧 True|False"_s);
        QCOMPARE(open.at(0, 2).data(Qt::ToolTipRole), u"新\n带换行"_s);
        QCOMPARE(open.at(1, 0).data(HistoryListModel::RecordIdRole), 1);
    }

    void editAndDeleteAskForASelectionAndDeleteAsks()
    {
        addRecord(1, u"2010-05-01"_s, u"新"_s);
        Page open(book->db(), {true, 1, 0, false});
        open.prompter.expectMessage(u"请选择需要修改的联系情况！"_s);
        open.prompter.expectMessage(u"请选择需要删除的联系情况！"_s);
        open.click("Button_EditLx");
        open.click("Button_DelLx");
        QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
        open.select(0);
        open.prompter.expectQuestion(false, u"是否删除选中的联系情况？"_s);
        open.prompter.expectQuestion(true, u"是否删除选中的联系情况？"_s);
        open.click("Button_DelLx");
        QCOMPARE(remarks(), u"旧|新"_s);
        open.click("Button_DelLx");
        QCOMPARE(remarks(), u"旧"_s);
        QCOMPARE(open.column(2), u"旧"_s);
    }

    void addThenEditByDoubleClickAndEnter()
    {
        Page open(book->db(), {true, 1, 0, false});
        QAbstractItemModelTester tester(open.view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Empty content is refused and the dialog stays; a blank is content.
        open.prompter.expectMessage(u"联系内容不能为空！"_s);
        answerDialog({}, "Button_Save", [](frmHistory* dialog) {
            QCOMPARE(fields(dialog), u"%1 %1  0"_s.arg(QDate::currentDate().toString(Qt::ISODate)));
            QTimer::singleShot(0, dialog, [dialog] {
                dialog->findChild<QDateEdit*>(u"Edit_LxDate"_s)->setDate({2010, 3, 5});
                dialog->findChild<QDateEdit*>(u"Edit_NextDate"_s)->setDate({2010, 4, 1});
                dialog->findChild<QCheckBox*>(u"Edit_Remind"_s)->setChecked(true);
                dialog->findChild<QPlainTextEdit*>(u"Edit_Remark"_s)->setPlainText(u" "_s);
                QTest::mouseClick(dialog->findChild<QPushButton*>(u"Button_Save"_s),
                                  Qt::LeftButton);
            });
        });
        open.click("Button_AddLx");
        QCOMPARE(stored(2), u"1 2010-03-05 2010-04-01   1"_s);
        QCOMPARE(open.column(2), u" |旧"_s);
        // A double click edits the row under it; the list follows and keeps it highlighted.
        const QPoint oldRow = open.view->visualRect(open.at(1, 2)).center();
        answerDialog(u"改过"_s, "Button_Save", [](frmHistory* dialog) {
            QCOMPARE(fields(dialog), u"2009-05-01 2009-05-08 旧 0"_s);
            dialog->findChild<QCheckBox*>(u"Edit_Remind"_s)->setChecked(true);
        });
        QTest::mouseClick(open.view->viewport(), Qt::LeftButton, {}, oldRow);
        QTest::mouseDClick(open.view->viewport(), Qt::LeftButton, {}, oldRow);
        QCOMPARE(stored(1), u"1 2009-05-01 2009-05-08 改过 1"_s);
        QCOMPARE(open.recordId(open.view->currentIndex().row()), 1);
        // Enter edits the highlighted row too; closed, the dialog writes nothing.
        answerDialog(u"不存"_s, "Button_Close",
                     [](frmHistory* dialog) { QCOMPARE(dialog->values().HID, 1); });
        open.view->setFocus();
        QTest::keyClick(open.view, Qt::Key_Return);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(remarks(), u"改过| "_s);
    }

    void recordDeletedElsewhereLeavesTheList()
    {
        addRecord(1, u"2010-05-01"_s, u"二"_s);
        Page open(book->db(), {true, 1, 0, false});
        open.select(0);
        book->run(u"DELETE FROM Vardelin_History WHERE ID = 2"_s);
        open.prompter.expectMessage(u"该联系情况已被删除，无法修改！"_s);
        open.click("Button_EditLx");
        QCOMPARE(open.column(2), u"旧"_s);
        open.select(0);
        open.prompter.expectMessage(u"该联系情况已被删除，无法保存！"_s);
        answerDialog(u"改"_s, "Button_Save", [this](frmHistory* dialog) {
            book->run(u"DELETE FROM Vardelin_History"_s);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        });
        open.click("Button_EditLx");
        QCOMPARE(remarks() + open.column(2), QString());
        // The contact gone while a new record is written: nothing is written, the dialog stays.
        open.prompter.expectMessage(u"联系人已被删除，无法添加联系情况！"_s);
        answerDialog(u"写给谁"_s, "Button_Save", [this](frmHistory* dialog) {
            book->run(u"DELETE FROM Vardelin_Contact"_s);
            QTimer::singleShot(0, dialog, [dialog] {
                QVERIFY(dialog->isVisible());
                dialog->reject();
            });
        });
        open.click("Button_AddLx");
        QCOMPARE(remarks(), QString());
    }
};

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
