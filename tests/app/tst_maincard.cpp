// SPDX-License-Identifier: GPL-3.0-or-later
// The main window opens contact cards: new, edit by button, double click and Enter, and the
// cards that follow a save-and-new or a copy; a saved card refreshes the list.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/Main.h"
#include "card/frmCard.h"
#include "contacts/ContactListView.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Runs each step on the next modal card, in order, as the cards open one after another. Each
// step must close its card. Returns the captions of the cards seen.
class CardScript {
public:
    void then(std::function<void(frmCard&)> step) { m_steps.append(std::move(step)); }
    void arm()
    {
        QTimer::singleShot(0, [this] { runNext(); });
    }
    const QStringList& captions() const { return m_captions; }
    bool done() const { return m_steps.isEmpty(); }

private:
    void runNext()
    {
        auto* card = qobject_cast<frmCard*>(QApplication::activeModalWidget());
        if (!card) {
            QTimer::singleShot(10, [this] { runNext(); });
            return;
        }
        m_captions << card->windowTitle();
        const auto step = m_steps.takeFirst();
        step(*card);
        if (!m_steps.isEmpty())
            QTimer::singleShot(0, [this] { runNext(); });
    }

    QList<std::function<void(frmCard&)>> m_steps;
    QStringList m_captions;
};

QLineEdit* nameBox(frmCard& card)
{
    return card.findChild<QLineEdit*>(u"Edit_Name"_s);
}

void clickTool(frmCard& card, const char* name)
{
    QTest::mouseClick(card.findChild<QToolButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

} // namespace

class TestMainCard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editWithoutASelectedRowWarns();
    void editButtonDoubleClickAndEnterOpenTheSelectedRow();
    void newCardTakesTheTreesGroupAndFollowsSaveAndNew();
    void copyOpensACopyCardOfTheSameContact();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    qint64 m_zhang = 0;
};

void TestMainCard::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 1, u"朋友"_s);
    m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s});
    m_zhang =
        m_data->addContact({{u"Name"_s, u"张三"_s}, {u"Py"_s, u"Z"_s}, {u"TID"_s, m_friends}});
    m_data->addContact({{u"Name"_s, u"李四"_s}, {u"Py"_s, u"L"_s}, {u"TID"_s, m_friends}});
}

void TestMainCard::cleanup()
{
    m_data.reset();
}

void TestMainCard::editWithoutASelectedRowWarns()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    // Ticked is not selected.
    main.list()->model()->setData(main.list()->model()->index(0, 0), Qt::Checked,
                                  Qt::CheckStateRole);
    main.list()->clearSelection();
    main.prompter.expectMessage(u"请选择需要编辑的联系人！"_s);
    QTest::mouseClick(main.tool("Button_Edit"), Qt::LeftButton);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().first().title, u"提示！"_s);
    QCOMPARE(main.prompter.shown().first().icon, Prompter::Icon::Exclamation);
}

void TestMainCard::editButtonDoubleClickAndEnterOpenTheSelectedRow()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    const int zhangRow = main.names().indexOf(u"张三"_s);
    QVERIFY(zhangRow >= 0);

    CardScript cards;
    cards.then([&](frmCard& card) {
        QCOMPARE(nameBox(card)->text(), u"张三"_s);
        nameBox(card)->setText(u"张三丰"_s);
        main.prompter.expectQuestion(true);
        clickTool(card, "Button_Save");
    });
    cards.arm();
    main.list()->selectRow(zhangRow);
    QTest::mouseClick(main.tool("Button_Edit"), Qt::LeftButton);
    QVERIFY(cards.done());
    QCOMPARE(cards.captions(), QStringList{u"修改联系人"_s});
    // The saved card refreshed the list.
    QVERIFY(main.names().contains(u"张三丰"_s));

    const int row = main.names().indexOf(u"张三丰"_s);
    CardScript viaMouse;
    viaMouse.then([](frmCard& card) {
        QCOMPARE(nameBox(card)->text(), u"张三丰"_s);
        clickTool(card, "Button_Exit");
    });
    viaMouse.arm();
    const QPoint at = main.list()->visualRect(main.list()->model()->index(row, 0)).center();
    // The first click of a double click comes as a press and a release.
    QTest::mouseClick(main.list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(main.list()->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(viaMouse.done());

    const int liRow = main.names().indexOf(u"李四"_s);
    CardScript viaKey;
    viaKey.then([](frmCard& card) {
        QCOMPARE(nameBox(card)->text(), u"李四"_s);
        clickTool(card, "Button_Exit");
    });
    viaKey.arm();
    main.list()->setFocus();
    main.list()->selectRow(liRow);
    QTest::keyClick(main.list(), Qt::Key_Return);
    QVERIFY(viaKey.done());
    QVERIFY(main.prompter.scriptDone());
}

void TestMainCard::newCardTakesTheTreesGroupAndFollowsSaveAndNew()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    auto* friends = main.tree()->findItems(u"朋友"_s, Qt::MatchRecursive).first();
    main.tree()->setCurrentItem(friends);

    CardScript cards;
    cards.then([&](frmCard& card) {
        QCOMPARE(card.findChild<QComboBox*>(u"Edit_Type"_s)->currentText(), u"朋友"_s);
        nameBox(card)->setText(u"王五"_s);
        main.prompter.expectQuestion(true);
        clickTool(card, "Button_New");
    });
    cards.then([&](frmCard& card) {
        QVERIFY(nameBox(card)->text().isEmpty());
        nameBox(card)->setText(u"赵六"_s);
        main.prompter.expectQuestion(true);
        clickTool(card, "Button_Save");
    });
    cards.arm();
    QTest::mouseClick(main.tool("Button_New"), Qt::LeftButton);
    QVERIFY(cards.done());
    QCOMPARE(cards.captions(), (QStringList{u"新建联系人"_s, u"新建联系人"_s}));
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact WHERE TID = ?"_s, {m_friends})
                 .toInt(),
             4);
    QVERIFY(main.names().contains(u"赵六"_s));
    QVERIFY(main.names().contains(u"王五"_s));
}

void TestMainCard::copyOpensACopyCardOfTheSameContact()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    CardScript cards;
    cards.then([](frmCard& card) { clickTool(card, "Button_Copy"); });
    cards.then([&](frmCard& card) {
        QCOMPARE(nameBox(card)->text(), u"张三"_s);
        QCOMPARE(card.contactId(), m_zhang);
        main.prompter.expectQuestion(true);
        clickTool(card, "Button_Save");
    });
    cards.arm();
    main.window->EditCard(m_zhang, false);
    QVERIFY(cards.done());
    QCOMPARE(cards.captions(), (QStringList{u"修改联系人"_s, u"新建联系人"_s}));
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact WHERE Name = ?"_s, {u"张三"_s})
                 .toInt(),
             2);
    QCOMPARE(main.names().count(u"张三"_s), 2);
}

QTEST_MAIN(TestMainCard)
#include "tst_maincard.moc"
