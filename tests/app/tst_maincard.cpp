// SPDX-License-Identifier: GPL-3.0-or-later
// The main window opens contact cards: new, edit by button and by Enter, and the cards that
// follow a save-and-new or a copy; a saved card refreshes the list.
#include "RunningMain.h"
#include "TestDatabase.h"

#include "card/frmCard.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

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

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    std::unique_ptr<RunningMain> m_main;

    int countNamed(const QString& name)
    {
        return m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact WHERE Name = ?"_s, {name})
            .toInt();
    }
    // Renames the card's contact and saves it with the button given, confirming the question.
    std::function<void(frmCard&)> saveAs(const QString& name, const char* button)
    {
        return [this, name, button](frmCard& card) {
            nameBox(card)->setText(name);
            m_main->prompter.expectQuestion(true);
            clickTool(card, button);
        };
    }

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>();
        QVERIFY(m_data->ok());
        m_friends = m_data->addGroup(1, 1, u"朋友"_s);
        m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s});
        for (const QString& name : {u"张三"_s, u"李四"_s})
            m_data->addContact({{u"Name"_s, name}, {u"TID"_s, m_friends}});
        m_main = std::make_unique<RunningMain>();
        QVERIFY(m_main->start(m_data->path()));
    }
    void cleanup()
    {
        QVERIFY(m_main->prompter.scriptDone());
        m_main.reset();
        m_data.reset();
    }

    void editWithoutASelectedRowWarns()
    {
        // Ticked is not selected.
        QAbstractItemModel* model = m_main->list()->model();
        model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        m_main->list()->clearSelection();
        m_main->prompter.expectMessage(u"请选择需要编辑的联系人！"_s);
        QTest::mouseClick(m_main->tool("Button_Edit"), Qt::LeftButton);
        QCOMPARE(m_main->prompter.shown().first().title, u"提示！"_s);
    }

    void editOpensTheSelectedRowAndCopyFollows()
    {
        RunningMain& main = *m_main;
        CardScript edit({saveAs(u"张三丰"_s, "Button_Save")});
        main.list()->selectRow(main.names().indexOf(u"张三"_s));
        QTest::mouseClick(main.tool("Button_Edit"), Qt::LeftButton);
        QCOMPARE(edit.captions, QStringList{u"修改联系人"_s});
        QVERIFY(main.names().contains(u"张三丰"_s)); // the saved card refreshed the list

        // Enter on a row opens it too; its copy opens next, as a new card of the same contact.
        CardScript copy({[](frmCard& card) { clickTool(card, "Button_Copy"); },
                         [&](frmCard& card) {
                             QCOMPARE(nameBox(card)->text(), u"李四"_s);
                             saveAs(u"李四"_s, "Button_Save")(card);
                         }});
        main.list()->setFocus();
        main.list()->selectRow(main.names().indexOf(u"李四"_s));
        QTest::keyClick(main.list(), Qt::Key_Return);
        QVERIFY(copy.steps.isEmpty());
        QCOMPARE(copy.captions, (QStringList{u"修改联系人"_s, u"新建联系人"_s}));
        QCOMPARE(countNamed(u"李四"_s), 2);
        QCOMPARE(main.names().count(u"李四"_s), 2);
    }

    void newCardTakesTheTreesGroupAndFollowsSaveAndNew()
    {
        RunningMain& main = *m_main;
        main.tree()->setCurrentItem(main.treeItem(u"朋友"_s));
        CardScript cards({[&](frmCard& card) {
                              QCOMPARE(card.findChild<QComboBox*>(u"Edit_Type"_s)->currentText(),
                                       u"朋友"_s);
                              saveAs(u"王五"_s, "Button_New")(card);
                          },
                          saveAs(u"赵六"_s, "Button_Save")});
        QTest::mouseClick(main.tool("Button_New"), Qt::LeftButton);
        QCOMPARE(cards.captions, (QStringList{u"新建联系人"_s, u"新建联系人"_s}));
        QCOMPARE(
            m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact WHERE TID = ?"_s, {m_friends})
                .toInt(),
            4);
        QVERIFY(main.names().contains(u"赵六"_s));
    }
};

QTEST_MAIN(TestMainCard)
#include "tst_maincard.moc"
