// SPDX-License-Identifier: GPL-3.0-or-later
// The card's page "联系记录" as a user drives it: the list, its buttons and their messages, the
// dialog opened from them, and the page in a new card and in a copy card.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "card/frmCard.h"
#include "db/ListWidths.h"
#include "db/Session.h"
#include "history/HistoryListModel.h"
#include "history/HistoryPage.h"
#include "history/frmHistory.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

namespace {

// Runs act on the next modal dialog once exec() has shown it.
void onNextModal(const std::function<void(frmHistory*)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<frmHistory*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTest::qFail("no history dialog", __FILE__, __LINE__);
            return;
        }
        act(dialog);
    });
}

void clickIn(QWidget* parent, const char* name)
{
    QTest::mouseClick(parent->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

// A card over the test's database, shown on its history page.
struct OpenCard {
    Session session;
    ScriptedPrompter prompter;
    std::unique_ptr<frmCard> card;

    OpenCard(Database& db, const CardRequest& request)
    {
        card = std::make_unique<frmCard>(db, session, prompter, request);
        auto* tabs = card->findChild<QTabWidget*>(QStringLiteral("TabC"));
        tabs->setCurrentWidget(page());
        card->show();
    }
    HistoryPage* page() const
    {
        return card->findChild<HistoryPage*>(QStringLiteral("PageHistory"));
    }
    QTreeView* list() const { return card->findChild<QTreeView*>(QStringLiteral("ListLx")); }
    QPushButton* button(const char* name) const
    {
        return card->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QStringList column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            cells << list()->model()->index(row, column).data().toString();
        return cells;
    }
    void select(int row) const { list()->setCurrentIndex(list()->model()->index(row, 0)); }
};

} // namespace

class TestHistoryPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listShowsFourColumnsNewestFirst();
    void modelPassesTheModelTester();
    void editAndDeleteWithoutSelectionOnlyTellSo();
    void deleteAsksAndRemovesOnYesOnly();
    void addAndEditThroughTheDialogRefreshTheList();
    void recordDeletedElsewhereIsNotEditedAndLeavesTheList();
    void newCardCannotAddAndCopyCardWorksOnTheSource();

private:
    void addRecord(qint64 contactId, const QString& day, const QString& remark, int remind);
    int recordCount();

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestHistoryPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
}

void TestHistoryPage::cleanup()
{
    m_data.reset();
}

void TestHistoryPage::addRecord(qint64 contactId, const QString& day, const QString& remark,
                                int remind)
{
    m_data->run(
        QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                       "VALUES (?, ?, ?, ?, ?)"),
        {contactId, day, QDate::fromString(day, Qt::ISODate).addDays(7).toString(Qt::ISODate),
         remark, remind});
}

int TestHistoryPage::recordCount()
{
    return m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History")).toInt();
}

void TestHistoryPage::listShowsFourColumnsNewestFirst()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("第一次"), 0);
    addRecord(m_contact, QStringLiteral("2011-02-03"), QStringLiteral("第三次\n带换行"), 1);
    addRecord(m_contact, QStringLiteral("2010-07-04"), QStringLiteral("第二次"), 0);
    const qint64 other = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李四")}});
    addRecord(other, QStringLiteral("2012-01-01"), QStringLiteral("别人的"), 1);

    OpenCard open(m_data->db(), {true, m_contact, 0, false});
    QVERIFY(!open.card->loadError());
    QAbstractItemModel* model = open.list()->model();
    QCOMPARE(model->columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column)
        headers << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{QStringLiteral("联系日期"), QStringLiteral("下次联系日期"),
                                   QStringLiteral("联系内容"), QStringLiteral("是否提醒")}));
    QCOMPARE(open.column(0),
             (QStringList{QStringLiteral("2011-02-03"), QStringLiteral("2010-07-04"),
                          QStringLiteral("2009-05-01")}));
    QCOMPARE(open.column(1),
             (QStringList{QStringLiteral("2011-02-10"), QStringLiteral("2010-07-11"),
                          QStringLiteral("2009-05-08")}));
    QCOMPARE(open.column(2), (QStringList{QStringLiteral("第三次 带换行"), QStringLiteral("第二次"),
                                          QStringLiteral("第一次")}));
    QCOMPARE(open.column(3), (QStringList{QStringLiteral("True"), QStringLiteral("False"),
                                          QStringLiteral("False")}));
    QCOMPARE(model->index(0, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("第三次\n带换行"));
    QCOMPARE(Qt::Alignment(model->index(0, 0).data(Qt::TextAlignmentRole).toInt()),
             Qt::AlignCenter);
    QCOMPARE(Qt::Alignment(model->index(0, 2).data(Qt::TextAlignmentRole).toInt()) &
                 Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);

    // Widths in twips, shown at the screen's resolution.
    const qreal dpi = open.list()->logicalDpiX();
    const QList<int> twips{1600, 1500, 4000, 1000};
    for (int column = 0; column < 4; ++column)
        QCOMPARE(open.list()->columnWidth(column), ListWidths::pixelsFromTwips(twips[column], dpi));

    QCOMPARE(open.button("Button_AddLx")->text(), QStringLiteral("添加(&A)"));
    QCOMPARE(open.button("Button_EditLx")->text(), QStringLiteral("修改(&E)"));
    QCOMPARE(open.button("Button_DelLx")->text(), QStringLiteral("删除(&D)"));
    QVERIFY(open.button("Button_AddLx")->isEnabled());
}

void TestHistoryPage::modelPassesTheModelTester()
{
    HistoryListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("一"), 0);
    addRecord(m_contact, QStringLiteral("2010-05-01"), QStringLiteral("二"), 1);
    auto records = HistoryRecords::forCard(m_data->db(), m_contact);
    QVERIFY(records);
    model.setRecords(records.value());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowOf(model.recordId(1)), 1);
    QCOMPARE(model.index(0, 0).data(HistoryListModel::RecordIdRole).toLongLong(),
             model.recordId(0));
    model.setRecords({});
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.rowOf(1), -1);
}

void TestHistoryPage::editAndDeleteWithoutSelectionOnlyTellSo()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("一"), 0);
    OpenCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectMessage(QStringLiteral("请选择需要修改的联系情况！"));
    open.prompter.expectMessage(QStringLiteral("请选择需要删除的联系情况！"));
    open.click("Button_EditLx");
    open.click("Button_DelLx");
    QVERIFY(open.prompter.scriptDone());
    for (const auto& shown : open.prompter.shown()) {
        QCOMPARE(shown.title, QStringLiteral("提示！"));
        QCOMPARE(shown.icon, Prompter::Icon::Information);
    }
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(recordCount(), 1);
}

void TestHistoryPage::deleteAsksAndRemovesOnYesOnly()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("旧"), 0);
    addRecord(m_contact, QStringLiteral("2010-05-01"), QStringLiteral("新"), 0);
    OpenCard open(m_data->db(), {true, m_contact, 0, false});
    open.select(0);
    open.prompter.expectQuestion(false, QStringLiteral("是否删除选中的联系情况？"));
    open.click("Button_DelLx");
    QCOMPARE(recordCount(), 2);
    QCOMPARE(open.column(2).size(), 2);

    open.prompter.expectQuestion(true, QStringLiteral("是否删除选中的联系情况？"));
    open.click("Button_DelLx");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(recordCount(), 1);
    QCOMPARE(open.column(2), QStringList{QStringLiteral("旧")});
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Remark FROM Vardelin_History")).toString(),
             QStringLiteral("旧"));
}

void TestHistoryPage::addAndEditThroughTheDialogRefreshTheList()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("旧"), 0);
    OpenCard open(m_data->db(), {true, m_contact, 0, false});

    onNextModal([](frmHistory* dialog) {
        QVERIFY(!dialog->values().IsEdit);
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("Edit_Remark"))
            ->setPlainText(QStringLiteral("新加的"));
        clickIn(dialog, "Button_Save");
    });
    open.click("Button_AddLx");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.column(2), (QStringList{QStringLiteral("新加的"), QStringLiteral("旧")}));
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT CID FROM Vardelin_History WHERE Remark = '新加的'"))
            .toLongLong(),
        m_contact);

    // A double click edits the row under it; the list follows at once and keeps it highlighted.
    const QRect oldRow = open.list()->visualRect(open.list()->model()->index(1, 2));
    const qint64 oldId = open.page()->records()->recordId(1);
    onNextModal([oldId](frmHistory* dialog) {
        QVERIFY(dialog->values().IsEdit);
        QCOMPARE(dialog->values().HID, oldId);
        auto* remark = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Edit_Remark"));
        QCOMPARE(remark->toPlainText(), QStringLiteral("旧"));
        remark->setPlainText(QStringLiteral("改过"));
        clickIn(dialog, "Button_Save");
    });
    QTest::mouseClick(open.list()->viewport(), Qt::LeftButton, {}, oldRow.center());
    QTest::mouseDClick(open.list()->viewport(), Qt::LeftButton, {}, oldRow.center());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.column(2), (QStringList{QStringLiteral("新加的"), QStringLiteral("改过")}));
    QCOMPARE(recordCount(), 2);
    QCOMPARE(open.page()->records()->recordId(open.list()->currentIndex().row()), oldId);

    // Closing the dialog writes nothing.
    onNextModal([](frmHistory* dialog) {
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("Edit_Remark"))
            ->setPlainText(QStringLiteral("不要"));
        clickIn(dialog, "Button_Close");
    });
    open.click("Button_EditLx");
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT Remark FROM Vardelin_History WHERE ID = ?"), {oldId})
            .toString(),
        QStringLiteral("改过"));

    // Enter on the highlighted row edits it as well.
    onNextModal([oldId](frmHistory* dialog) {
        QCOMPARE(dialog->values().HID, oldId);
        clickIn(dialog, "Button_Close");
    });
    open.list()->setFocus();
    QTest::keyClick(open.list(), Qt::Key_Return);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestHistoryPage::recordDeletedElsewhereIsNotEditedAndLeavesTheList()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("一"), 0);
    addRecord(m_contact, QStringLiteral("2010-05-01"), QStringLiteral("二"), 0);
    OpenCard open(m_data->db(), {true, m_contact, 0, false});
    open.select(0);
    const qint64 id = open.page()->records()->recordId(0);

    // Gone before the dialog opens: a message, no dialog, and the row leaves the list.
    m_data->run(QStringLiteral("DELETE FROM Vardelin_History WHERE ID = ?"), {id});
    open.prompter.expectMessage(QStringLiteral("该联系情况已被删除，无法修改！"));
    open.click("Button_EditLx");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.column(2), QStringList{QStringLiteral("一")});

    // Gone while the dialog is open: the save writes nothing, and the list drops the row.
    open.select(0);
    const qint64 second = open.page()->records()->recordId(0);
    open.prompter.expectMessage(QStringLiteral("该联系情况已被删除，无法保存！"));
    onNextModal([this, second](frmHistory* dialog) {
        m_data->run(QStringLiteral("DELETE FROM Vardelin_History WHERE ID = ?"), {second});
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("Edit_Remark"))
            ->setPlainText(QStringLiteral("改"));
        clickIn(dialog, "Button_Save");
        QVERIFY(dialog->isVisible());
        clickIn(dialog, "Button_Close");
    });
    open.click("Button_EditLx");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(recordCount(), 0);
    QVERIFY(open.column(2).isEmpty());
}

void TestHistoryPage::newCardCannotAddAndCopyCardWorksOnTheSource()
{
    addRecord(m_contact, QStringLiteral("2009-05-01"), QStringLiteral("源的"), 1);
    {
        OpenCard fresh(m_data->db(), {false, 0, 1, false});
        QVERIFY(!fresh.button("Button_AddLx")->isEnabled());
        QVERIFY(fresh.column(0).isEmpty());
    }
    OpenCard copy(m_data->db(), {true, m_contact, 0, true});
    QCOMPARE(copy.card->windowTitle(), QStringLiteral("新建联系人"));
    QVERIFY(copy.button("Button_AddLx")->isEnabled());
    QCOMPARE(copy.column(2), QStringList{QStringLiteral("源的")});

    onNextModal([](frmHistory* dialog) {
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("Edit_Remark"))
            ->setPlainText(QStringLiteral("复制卡加的"));
        clickIn(dialog, "Button_Save");
    });
    copy.click("Button_AddLx");
    QCOMPARE(copy.column(2), (QStringList{QStringLiteral("复制卡加的"), QStringLiteral("源的")}));
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History WHERE CID = ?"),
                          {m_contact})
                 .toInt(),
             2);

    // Saving the copy adds a contact with no records of its own.
    copy.prompter.expectQuestion(true, QStringLiteral("是否确认保存联系人信息？"));
    QVERIFY(copy.card->SaveCard());
    QVERIFY(copy.prompter.scriptDone());
    const qint64 added =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong();
    QVERIFY(added != m_contact);
    QCOMPARE(
        m_data
            ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_History WHERE CID = ?"), {added})
            .toInt(),
        0);
}

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
