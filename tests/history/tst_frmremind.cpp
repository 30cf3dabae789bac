// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder window: what it lists, its silence box, and its double click or Enter opening the
// card from the main window after start-up; and the main window's pane of the clicked contact.
#include "RunningMain.h"
#include "TestDatabase.h"

#include "card/frmCard.h"
#include "history/frmRemind.h"
#include "ui/ListEnterKey.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

void leaveNextCard(qint64* contact)
{
    QTimer::singleShot(0, [contact] {
        if (auto* card = qobject_cast<frmCard*>(QApplication::activeModalWidget())) {
            *contact = card->contactId();
            QTest::mouseClick(card->findChild<QToolButton*>(u"Button_Exit"_s), Qt::LeftButton);
        }
    });
}

} // namespace

class TestFrmRemind : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

private slots:
    void initTestCase() { ListEnterKey::install(*qApp); }
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->addContact({{u"Name"_s, u"李明朗"_s}}); // ID 1
    }

    void listsDueItemsAndSilencesTheDay()
    {
        const QDate today(2026, 12, 6);
        DueList due;
        due.followUps = {{1, 7, u"李明朗"_s, QDate(2026, 12, 3), u"回访报价\n第二行"_s},
                         {2, 8, u"王芳"_s, today, u"寄样品"_s}};
        due.days = {{9, u"张三"_s, DueDay::Kind::LunarBirthday, {2026, 12, 9}, {2025, 12, 20}},
                    {8, u"王芳"_s, DueDay::Kind::Anniversary, today.addDays(1), {2010, 12, 7}},
                    {7, u"李明朗"_s, DueDay::Kind::Birthday, today.addDays(2), {1990, 12, 8}}};
        ScriptedPrompter prompter;
        frmRemind window(book->db(), prompter, 2, today, due);
        window.show();
        auto* list = window.findChild<QTreeWidget*>(u"ListRemind"_s);
        QStringList rows;
        for (int row = 0; row < list->topLevelItemCount() * 4; ++row)
            rows << list->topLevelItem(row / 4)->text(row % 4);
        QCOMPARE(rows.join(u'|'), u"2026-12-03|李明朗|联系（已过期3天）|回访报价|"
                                  "2026-12-06|王芳|今天联系|寄样品|"
                                  "2026-12-09|张三|农历生日|3天后（农历冬月初一）|"
                                  "2026-12-07|王芳|纪念日|明天|"
                                  "2026-12-08|李明朗|生日|2天后"_s);
        QSignalSpy opened(&window, &frmRemind::openCardRequested);
        const QPoint at = list->visualItemRect(list->topLevelItem(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // a double click's first press
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(opened.value(0).value(0).toLongLong(), 9);
        auto* silence = window.findChild<QCheckBox*>(u"C_NoRemindToday"_s);
        QTest::mouseClick(silence, Qt::LeftButton);
        QCOMPARE(book->scalar(u"SELECT SilencedOn FROM Vardelin_Remind WHERE UID = 2"_s).toString(),
                 u"2026-12-06"_s);
        QTest::mouseClick(silence, Qt::LeftButton);
        QVERIFY(!Reminders::isSilenced(book->db(), 2, today).value());
        QVERIFY(prompter.scriptDone());
    }

    void startUpShowsItAndEnterOpensTheCardAndThePaneFollowsTheList()
    {
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        book->run(u"INSERT INTO Vardelin_History (CID, LxDate, NextDate, Remark, IsRemind) "
                  "VALUES (1, ?, ?, '回访', 1)"_s,
                  {today, today});
        book->addContact({{u"Name"_s, u"王芳"_s}});
        RunningMain running;
        QVERIFY(running.start(book->path()));
        frmRemind* window = nullptr;
        QTRY_VERIFY((window = running.window->findChild<frmRemind*>()) && window->isVisible());
        // Enter on the row opens the card, and the key ends there: the window stays.
        auto* list = window->findChild<QTreeWidget*>(u"ListRemind"_s);
        const QPointer<frmRemind> stays(window);
        qint64 cardContact = 0;
        window->activateWindow();
        list->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(window));
        leaveNextCard(&cardContact);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(cardContact, 1);
        QVERIFY(stays && stays->isVisible());
        // The main window's pane shows the clicked contact's records; a failed read empties it.
        const auto click = [&running](int row) {
            const QRect cell = running.list()->visualRect(running.list()->model()->index(row, 0));
            QTest::mouseClick(running.list()->viewport(), Qt::LeftButton, {}, cell.center());
        };
        auto* pane = running.find<QPlainTextEdit>(u"Edit_LX"_s);
        const int li = running.list()->contacts()->rowOf(1);
        click(li);
        QCOMPARE(pane->toPlainText(),
                 QDate::currentDate().toString(u"yyyy年MM月dd日"_s) + u" 回访\n"_s);
        book->run(u"DROP TABLE Vardelin_History"_s);
        running.prompter.expectMessage();
        click(1 - li);
        QVERIFY(pane->toPlainText().isEmpty());
        QVERIFY(running.prompter.scriptDone());
    }
};

QTEST_MAIN(TestFrmRemind)
#include "tst_frmremind.moc"
