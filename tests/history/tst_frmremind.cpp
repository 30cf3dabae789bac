// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder window: what it lists, its silence box, and its double click opening the card
// from the main window after start-up.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "card/frmCard.h"
#include "history/frmRemind.h"
#include "ui/ListEnterKey.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QStringList rowTexts(QTreeWidget* list)
{
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->topLevelItem(row)->text(column);
        rows << cells.join(u'|');
    }
    return rows;
}

void doubleClickRow(QTreeWidget* list, int row)
{
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    // The first click of a double click is a press of its own.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestFrmRemind : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ListEnterKey::install(*qApp); }
    void init() { m_data = std::make_unique<TestDatabase>(); }
    void cleanup() { m_data.reset(); }

    void listsDueItemsAndSilencesTheDay();
    void startUpShowsItAfterThePaintAndADoubleClickOrEnterOpensTheCard();
    void nothingDueNoWindow();

private:
    std::unique_ptr<TestDatabase> m_data;
};

void TestFrmRemind::listsDueItemsAndSilencesTheDay()
{
    const QDate today(2026, 12, 6);
    DueList due;
    due.followUps.push_back(
        {1, 7, QStringLiteral("李明朗"), QDate(2026, 12, 3), QStringLiteral("回访报价\n第二行")});
    due.followUps.push_back({2, 8, QStringLiteral("王芳"), today, QStringLiteral("寄样品")});
    due.days.push_back({9, QStringLiteral("张三"), DueDay::Kind::LunarBirthday, QDate(2026, 12, 9),
                        QDate(2025, 12, 20)});
    due.days.push_back({8, QStringLiteral("王芳"), DueDay::Kind::Anniversary, today.addDays(1),
                        QDate(2010, 12, 7)});
    ScriptedPrompter prompter;
    frmRemind window(m_data->db(), prompter, 2, today, due);
    window.show();
    auto* list = window.findChild<QTreeWidget*>(QStringLiteral("ListRemind"));
    QCOMPARE(rowTexts(list),
             QStringList({QStringLiteral("2026-12-03|李明朗|联系（已过期3天）|回访报价"),
                          QStringLiteral("2026-12-06|王芳|今天联系|寄样品"),
                          QStringLiteral("2026-12-09|张三|农历生日|3天后（农历冬月初一）"),
                          QStringLiteral("2026-12-07|王芳|纪念日|明天")}));

    QSignalSpy opened(&window, &frmRemind::openCardRequested);
    doubleClickRow(list, 2);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.first().first().toLongLong(), 9);

    auto* silence = window.findChild<QCheckBox*>(QStringLiteral("C_NoRemindToday"));
    QCOMPARE(silence->text(), QStringLiteral("今天不再提醒"));
    QTest::mouseClick(silence, Qt::LeftButton);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT SilencedOn FROM Vardelin_Remind WHERE UID = 2"))
                 .toString(),
             QStringLiteral("2026-12-06"));
    QVERIFY(Reminders::isSilenced(m_data->db(), 2, today).value());
    QTest::mouseClick(silence, Qt::LeftButton);
    QVERIFY(!Reminders::isSilenced(m_data->db(), 2, today).value());
    QVERIFY(prompter.scriptDone());
}

void TestFrmRemind::startUpShowsItAfterThePaintAndADoubleClickOrEnterOpensTheCard()
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const qint64 contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李明朗")}});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                               "IsRemind) VALUES (?, ?, ?, '回访', 1)"),
                {contact, today, today});
    RunningMain running;
    QVERIFY(running.start(m_data->path()));
    frmRemind* window = nullptr;
    QTRY_VERIFY((window = running.window->findChild<frmRemind*>()) && window->isVisible());

    qint64 cardContact = 0;
    const auto leaveTheCard = [&cardContact] {
        auto* card = qobject_cast<frmCard*>(QApplication::activeModalWidget());
        if (!card)
            return;
        cardContact = card->contactId();
        QTest::mouseClick(card->findChild<QToolButton*>(QStringLiteral("Button_Exit")),
                          Qt::LeftButton);
    };
    QTimer::singleShot(0, leaveTheCard);
    auto* list = window->findChild<QTreeWidget*>(QStringLiteral("ListRemind"));
    doubleClickRow(list, 0);
    QCOMPARE(cardContact, contact);

    // Enter on the row opens the card too, and the key ends there: the window stays.
    const QPointer<frmRemind> stays(window);
    cardContact = 0;
    window->activateWindow();
    list->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTimer::singleShot(0, leaveTheCard);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(cardContact, contact);
    QVERIFY(stays && stays->isVisible());
    QVERIFY(running.prompter.scriptDone());
}

void TestFrmRemind::nothingDueNoWindow()
{
    const qint64 contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("李明朗")}});
    // Flag not set: nothing is due.
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, "
                               "IsRemind) VALUES (?, '2020-01-01', '2020-01-01', '回访', 0)"),
                {contact});
    RunningMain running;
    QVERIFY(running.start(m_data->path()));
    QTest::qWait(100);
    QVERIFY(!running.window->findChild<frmRemind*>());
}

QTEST_MAIN(TestFrmRemind)
#include "tst_frmremind.moc"
