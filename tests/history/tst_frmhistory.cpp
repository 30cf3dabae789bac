// SPDX-License-Identifier: GPL-3.0-or-later
// The history record dialog on its own: a new record, a changed one, and a record or contact
// deleted while the dialog was open.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "history/frmHistory.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct OpenDialog {
    ScriptedPrompter prompter;
    frmHistory dialog;
    OpenDialog(Database& db, frmHistory::Values values)
        : dialog(db, prompter, values)
    {
        if (!dialog.load())
            QTest::qFail("the dialog did not load", __FILE__, __LINE__);
        dialog.show();
    }
    ~OpenDialog()
    {
        if (!QTest::currentTestFailed() && !prompter.scriptDone())
            QTest::qFail("prompts not as scripted", __FILE__, __LINE__);
    }
    QDateEdit* date(const char* name) const
    {
        return dialog.findChild<QDateEdit*>(QLatin1StringView(name));
    }
    QPlainTextEdit* remark() const { return dialog.findChild<QPlainTextEdit*>(u"Edit_Remark"_s); }
    QCheckBox* remind() const { return dialog.findChild<QCheckBox*>(u"Edit_Remind"_s); }
    void click(const char* name)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QLatin1StringView(name)), Qt::LeftButton);
    }
    // The dialog's fields as one text: dates, remark, ticked.
    QString fields() const
    {
        return u"%1 %2 %3 %4"_s.arg(date("Edit_LxDate")->date().toString(Qt::ISODate),
                                    date("Edit_NextDate")->date().toString(Qt::ISODate),
                                    remark()->toPlainText(),
                                    remind()->isChecked() ? u"1"_s : u"0"_s);
    }
};

} // namespace

class TestFrmHistory : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    QString stored() // every record as CID, dates, remark and flag
    {
        return book
            ->scalar(u"SELECT group_concat(CID||' '||LxDate||' '||NextDate||' '||Remark||' '"
                     "||IsRemind, '|') FROM Vardelin_History"_s)
            .toString();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                  "VALUES (1, '2011-02-03', '2011-03-04', '第一行\n第二行 O''Neil', 1)"_s);
    }

    void newRecordRefusesEmptyContentAndSavesABlank()
    {
        OpenDialog open(book->db(), {false, 1, 0});
        QCOMPARE(open.fields(), u"%1 %1  0"_s.arg(QDate::currentDate().toString(Qt::ISODate)));
        open.prompter.expectMessage(u"联系内容不能为空！"_s);
        open.click("Button_Save");
        QVERIFY(open.dialog.isVisible());
        open.date("Edit_LxDate")->setDate({2010, 3, 5});
        open.date("Edit_NextDate")->setDate({2010, 4, 1});
        open.remind()->setChecked(true);
        open.remark()->setFocus();
        QTest::keyClick(open.remark(), Qt::Key_Space);
        open.click("Button_Save");
        QVERIFY(stored().endsWith(u"|1 2010-03-05 2010-04-01   1"_s));
    }

    void editLoadsTheRecordAndWritesItBack()
    {
        OpenDialog open(book->db(), {true, 1, 1});
        QCOMPARE(open.fields(), u"2011-02-03 2011-03-04 第一行\n第二行 O'Neil 1"_s);
        open.remind()->setChecked(false);
        open.date("Edit_NextDate")->setDate({2012, 1, 2});
        open.remark()->setPlainText(u"改过的"_s);
        open.click("Button_Save");
        QCOMPARE(stored(), u"1 2011-02-03 2012-01-02 改过的 0"_s);
    }

    void recordOrContactDeletedMeanwhileGetsNothingWritten()
    {
        OpenDialog open(book->db(), {true, 1, 1});
        OpenDialog added(book->db(), {false, 1, 0});
        book->run(u"DELETE FROM Vardelin_History"_s);
        book->run(u"DELETE FROM Vardelin_Contact"_s);
        open.remark()->setPlainText(u"新写的内容"_s);
        open.prompter.expectMessage(u"该联系情况已被删除，无法保存！"_s);
        open.click("Button_Save");
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
        QVERIFY(open.dialog.rowVanished());
        QVERIFY(open.dialog.isVisible()); // the typed text is still there to copy
        added.remark()->setPlainText(u"写给谁"_s);
        added.prompter.expectMessage(u"联系人已被删除，无法添加联系情况！"_s);
        added.click("Button_Save");
        QVERIFY(added.dialog.isVisible());
        QCOMPARE(stored(), QString());
        // Deleted before the dialog loaded: the caller learns it and shows nothing.
        OpenDialog late(book->db(), {true, 1, 1});
        QVERIFY(!late.dialog.rowFound());
    }
};

QTEST_MAIN(TestFrmHistory)
#include "tst_frmhistory.moc"
