// SPDX-License-Identifier: GPL-3.0-or-later
// The history record dialog on its own: loading, the content check, saving a new and a changed
// record, closing without saving, and a record deleted while the dialog was open.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "history/frmHistory.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QTest>

#include <memory>

namespace {

struct OpenDialog {
    ScriptedPrompter prompter;
    std::unique_ptr<frmHistory> dialog;
    Status loaded;

    OpenDialog(Database& db, frmHistory::Values values)
    {
        dialog = std::make_unique<frmHistory>(db, prompter, values);
        loaded = dialog->load();
        dialog->show();
    }
    template <typename T> T* find(const char* name) const
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QDateEdit* date(const char* name) const { return find<QDateEdit>(name); }
    QPlainTextEdit* remark() const { return find<QPlainTextEdit>("Edit_Remark"); }
    QCheckBox* remind() const { return find<QCheckBox>("Edit_Remind"); }
    void click(const char* button) const
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
};

} // namespace

class TestFrmHistory : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newRecordStartsTodayEmptyAndUnticked();
    void emptyContentIsRefusedAndOneBlankSaved();
    void editLoadsTheRecordAndWritesItBack();
    void closeWritesNothing();
    void recordDeletedMeanwhileGetsAMessageAndNothingWritten();
    void contactDeletedMeanwhileGetsNoRecord();

private:
    QVariantMap row(qint64 id);
    int recordCount();

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestFrmHistory::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
}

void TestFrmHistory::cleanup()
{
    m_data.reset();
}

QVariantMap TestFrmHistory::row(qint64 id)
{
    QVariantMap values;
    auto q =
        m_data->db().query(QStringLiteral("SELECT * FROM Vardelin_History WHERE ID = ?"), {id});
    if (q && q.value().next()) {
        const QSqlRecord record = q.value().record();
        for (int i = 0; i < record.count(); ++i)
            values.insert(record.fieldName(i), q.value().value(i));
    }
    return values;
}

int TestFrmHistory::recordCount()
{
    return m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History")).toInt();
}

void TestFrmHistory::newRecordStartsTodayEmptyAndUnticked()
{
    OpenDialog open(m_data->db(), {false, m_contact, 0});
    QVERIFY(open.loaded);
    QCOMPARE(open.dialog->objectName(), QStringLiteral("frmHistory"));
    QCOMPARE(open.dialog->windowTitle(), QStringLiteral("联系情况"));
    QVERIFY(open.dialog->isModal());
    QCOMPARE(open.date("Edit_LxDate")->date(), QDate::currentDate());
    QCOMPARE(open.date("Edit_NextDate")->date(), QDate::currentDate());
    QVERIFY(open.remark()->toPlainText().isEmpty());
    QVERIFY(!open.remind()->isChecked());
    QCOMPARE(open.find<QLabel>("Label1")->buddy(), open.date("Edit_LxDate"));
    QCOMPARE(open.find<QLabel>("Label2")->buddy(), open.date("Edit_NextDate"));
    QCOMPARE(open.find<QLabel>("Label3")->buddy(), open.remark());
    QCOMPARE(open.find<QPushButton>("Button_Save")->text(), QStringLiteral("保存(&S)"));
    QCOMPARE(open.find<QPushButton>("Button_Close")->text(), QStringLiteral("关闭(&C)"));
}

void TestFrmHistory::emptyContentIsRefusedAndOneBlankSaved()
{
    OpenDialog open(m_data->db(), {false, m_contact, 0});
    open.prompter.expectMessage(QStringLiteral("联系内容不能为空！"));
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, QStringLiteral("提示！"));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Information);
    QVERIFY(open.dialog->isVisible());
    QCOMPARE(recordCount(), 0);

    open.date("Edit_LxDate")->setDate({2010, 3, 5});
    open.date("Edit_NextDate")->setDate({2010, 4, 1});
    open.remind()->setChecked(true);
    open.remark()->setFocus();
    QTest::keyClick(open.remark(), Qt::Key_Space);
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!open.dialog->isVisible());

    QCOMPARE(recordCount(), 1);
    const QVariantMap stored =
        row(m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong());
    QCOMPARE(stored.value(QStringLiteral("CID")).toLongLong(), m_contact);
    QCOMPARE(stored.value(QStringLiteral("LxDate")).toString(), QStringLiteral("2010-03-05"));
    QCOMPARE(stored.value(QStringLiteral("NextDate")).toString(), QStringLiteral("2010-04-01"));
    QCOMPARE(stored.value(QStringLiteral("Remark")).toString(), QStringLiteral(" "));
    QCOMPARE(stored.value(QStringLiteral("IsRemind")).toInt(), 1);
}

void TestFrmHistory::editLoadsTheRecordAndWritesItBack()
{
    m_data->run(
        QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                       "VALUES (?, '2011-02-03', '2011-03-04', ?, 1)"),
        {m_contact, QStringLiteral("第一行\n第二行 O'Neil")});
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong();
    OpenDialog open(m_data->db(), {true, m_contact, id});
    QVERIFY(open.loaded);
    QVERIFY(open.dialog->rowFound());
    QCOMPARE(open.date("Edit_LxDate")->date(), QDate(2011, 2, 3));
    QCOMPARE(open.date("Edit_NextDate")->date(), QDate(2011, 3, 4));
    QCOMPARE(open.remark()->toPlainText(), QStringLiteral("第一行\n第二行 O'Neil"));
    QVERIFY(open.remind()->isChecked());

    open.remind()->setChecked(false);
    open.date("Edit_NextDate")->setDate({2012, 1, 2});
    open.remark()->setPlainText(QStringLiteral("改过的"));
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(recordCount(), 1);
    const QVariantMap stored = row(id);
    QCOMPARE(stored.value(QStringLiteral("LxDate")).toString(), QStringLiteral("2011-02-03"));
    QCOMPARE(stored.value(QStringLiteral("NextDate")).toString(), QStringLiteral("2012-01-02"));
    QCOMPARE(stored.value(QStringLiteral("Remark")).toString(), QStringLiteral("改过的"));
    QCOMPARE(stored.value(QStringLiteral("IsRemind")).toInt(), 0);

    // A record without dates shows today and keeps its content.
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, '无日期')"),
                {m_contact});
    const qint64 undated =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong();
    OpenDialog bare(m_data->db(), {true, m_contact, undated});
    QVERIFY(bare.loaded);
    QCOMPARE(bare.date("Edit_LxDate")->date(), QDate::currentDate());
    QCOMPARE(bare.remark()->toPlainText(), QStringLiteral("无日期"));
    QVERIFY(!bare.remind()->isChecked());
}

void TestFrmHistory::closeWritesNothing()
{
    OpenDialog open(m_data->db(), {false, m_contact, 0});
    open.remark()->setPlainText(QStringLiteral("不保存"));
    open.click("Button_Close");
    QCOMPARE(open.dialog->result(), int(QDialog::Rejected));
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(recordCount(), 0);
}

void TestFrmHistory::recordDeletedMeanwhileGetsAMessageAndNothingWritten()
{
    m_data->run(
        QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                       "VALUES (?, '2011-02-03', '2011-03-04', '旧的', 0)"),
        {m_contact});
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_History")).toLongLong();
    OpenDialog open(m_data->db(), {true, m_contact, id});
    QVERIFY(open.dialog->rowFound());
    m_data->run(QStringLiteral("DELETE FROM Vardelin_History WHERE ID = ?"), {id});

    open.remark()->setPlainText(QStringLiteral("新写的内容"));
    open.prompter.expectMessage(QStringLiteral("该联系情况已被删除，无法保存！"));
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, QStringLiteral("提示！"));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
    QVERIFY(open.dialog->rowVanished());
    // Nothing appended in its place, and the typed text is still there to copy.
    QCOMPARE(recordCount(), 0);
    QVERIFY(open.dialog->isVisible());
    QCOMPARE(open.remark()->toPlainText(), QStringLiteral("新写的内容"));

    // Deleted before the dialog loaded: the caller learns it and shows nothing.
    OpenDialog late(m_data->db(), {true, m_contact, id});
    QVERIFY(late.loaded);
    QVERIFY(!late.dialog->rowFound());
}

void TestFrmHistory::contactDeletedMeanwhileGetsNoRecord()
{
    OpenDialog open(m_data->db(), {false, m_contact, 0});
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {m_contact});
    open.remark()->setPlainText(QStringLiteral("写给谁"));
    open.prompter.expectMessage(QStringLiteral("联系人已被删除，无法添加联系情况！"));
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(recordCount(), 0);
    QVERIFY(open.dialog->isVisible());
}

QTEST_MAIN(TestFrmHistory)
#include "tst_frmhistory.moc"
