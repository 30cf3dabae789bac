// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicates window from the list's pop-up menu: choose, merge, and the list rebuilt.
#include "RunningMain.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "contacts/frmDuplicates.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestFrmDuplicates : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void withoutDuplicatesTheMenuSaysSo();
    void mergeKeepsTheChosenContactAndValueAndRebuildsTheList();

private:
    qint64 add(const QString& name, const QString& mobile, const QString& address = {})
    {
        return m_data->addContact({{QStringLiteral("Name"), name},
                                   {QStringLiteral("TID"), m_group},
                                   {QStringLiteral("Moblie1"), mobile},
                                   {QStringLiteral("Address"), address}});
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_group = 0;
};

void TestFrmDuplicates::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_group = m_data->addGroup(1, 1, QStringLiteral("朋友"));
    m_data->setDisplayedColumns({QStringLiteral("C.Name"), QStringLiteral("C.Address")});
}

void TestFrmDuplicates::cleanup()
{
    m_data.reset();
}

void TestFrmDuplicates::withoutDuplicatesTheMenuSaysSo()
{
    add(QStringLiteral("甲"), QStringLiteral("13800138000"));
    add(QStringLiteral("乙"), QStringLiteral("13800138001"));
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.prompter.expectMessage(QStringLiteral("没有找到重复的联系人！"));
    main.action("FindDuplicates")->trigger();
    QVERIFY(main.prompter.scriptDone());
}

void TestFrmDuplicates::mergeKeepsTheChosenContactAndValueAndRebuildsTheList()
{
    const qint64 first = add(QStringLiteral("张三"), QStringLiteral("13800138000"));
    const qint64 second =
        add(QStringLiteral("张三丰"), QStringLiteral("138 0013 8000"), QStringLiteral("北京市"));
    // Shares the number but is someone else: unticked, it stays as it is.
    const qint64 colleague = add(QStringLiteral("前台"), QStringLiteral("+86 13800138000"));
    RunningMain main;
    QVERIFY(main.start(m_data->path()));

    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<frmDuplicates*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        // A failed check must not leave the window waiting for a click.
        const auto closeAtEnd = qScopeGuard([dialog] { dialog->reject(); });
        auto* members = dialog->findChild<QTreeWidget*>(QStringLiteral("List_Members"));
        QCOMPARE(members->topLevelItemCount(), 3);
        members->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
        auto* keep = dialog->findChild<QComboBox*>(QStringLiteral("Combo_Keep"));
        keep->setCurrentIndex(1); // 张三丰
        auto* name = dialog->findChild<QComboBox*>(QStringLiteral("Combo_Name"));
        QVERIFY(name);
        QCOMPARE(name->count(), 2);
        QCOMPARE(name->currentText(), QStringLiteral("张三丰（张三丰）"));
        name->setCurrentIndex(1);
        main.prompter.expectQuestion(true);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Button_Merge")),
                          Qt::LeftButton);
        // Found again: the kept contact still shares the number with the colleague.
        QCOMPARE(dialog->findChild<QListWidget*>(QStringLiteral("List_Groups"))->count(), 1);
        QCOMPARE(members->topLevelItemCount(), 2);
        driven = true;
    });
    main.action("FindDuplicates")->trigger();
    QVERIFY(driven);
    QVERIFY(main.prompter.scriptDone());

    QCOMPARE(
        m_data
            ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact WHERE ID = ?"), {first})
            .toInt(),
        0);
    QCOMPARE(
        m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact WHERE ID = ?"), {second})
            .toString(),
        QStringLiteral("张三"));
    QCOMPARE(
        m_data
            ->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact WHERE ID = ?"), {colleague})
            .toString(),
        QStringLiteral("前台"));
    QCOMPARE(main.names(), (QStringList{QStringLiteral("张三"), QStringLiteral("前台")}));
    QCOMPARE(main.column(1), (QStringList{QStringLiteral("北京市"), QString()}));
}

QTEST_MAIN(TestFrmDuplicates)
#include "tst_frmduplicates.moc"
