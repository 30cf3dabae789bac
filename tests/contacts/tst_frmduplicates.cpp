// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicates window from the list's pop-up menu: choose, merge, and the list rebuilt.
#include "RunningMain.h"
#include "TestDatabase.h"

#include "contacts/frmDuplicates.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

class TestFrmDuplicates : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_main.reset();
        QVERIFY(m_data.emplace().ok());
        m_group = m_data->addGroup(1, 1, u"朋友"_s);
        m_data->setDisplayedColumns({u"C.Name"_s, u"C.Address"_s});
        m_main.emplace();
    }
    void cleanup() { QVERIFY(m_main->prompter.scriptDone()); }

    void withoutDuplicatesTheMenuSaysSo()
    {
        add(u"甲"_s, u"13800138000"_s);
        add(u"乙"_s, u"13800138001"_s);
        QVERIFY(m_main->start(m_data->path()));
        m_main->prompter.expectMessage(u"没有找到重复的联系人！"_s);
        m_main->action("FindDuplicates")->trigger();
    }

    void mergeKeepsTheChosenContactAndValueAndRebuildsTheList()
    {
        const qint64 first = add(u"张三"_s, u"13800138000"_s);
        const qint64 second = add(u"张三丰"_s, u"138 0013 8000"_s, u"北京市"_s);
        // Shares the number but is someone else: unticked, it stays as it is.
        add(u"前台"_s, u"+86 13800138000"_s);
        QVERIFY(m_main->start(m_data->path()));
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmDuplicates*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // A failed check must not leave the window waiting for a click.
            const auto closeAtEnd = qScopeGuard([dialog] { dialog->reject(); });
            auto* members = dialog->findChild<QTreeWidget*>(u"List_Members"_s);
            QCOMPARE(members->topLevelItemCount(), 3);
            members->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
            dialog->findChild<QComboBox*>(u"Combo_Keep"_s)->setCurrentIndex(1); // 张三丰
            auto* name = dialog->findChild<QComboBox*>(u"Combo_Name"_s);
            QCOMPARE(name->count(), 2);
            QCOMPARE(name->currentText(), u"张三丰（张三丰）"_s);
            name->setCurrentIndex(1);
            m_main->prompter.expectQuestion(true);
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"Button_Merge"_s), Qt::LeftButton);
            // Found again: the kept contact still shares the number with the colleague.
            QCOMPARE(dialog->findChild<QListWidget*>(u"List_Groups"_s)->count(), 1);
            QCOMPARE(members->topLevelItemCount(), 2);
            driven = true;
        });
        m_main->action("FindDuplicates")->trigger();
        QVERIFY(driven);
        QCOMPARE(m_data->scalar(u"SELECT group_concat(ID || Name, ' ') FROM Vardelin_Contact"_s)
                     .toString(),
                 u"%1张三 %2前台"_s.arg(second).arg(first + 2));
        QCOMPARE(m_main->names(), (QStringList{u"张三"_s, u"前台"_s}));
        QCOMPARE(m_main->column(1), (QStringList{u"北京市"_s, QString()}));
    }

private:
    qint64 add(const QString& name, const QString& mobile, const QString& address = {})
    {
        return m_data->addContact({{u"Name"_s, name},
                                   {u"TID"_s, m_group},
                                   {u"Moblie1"_s, mobile},
                                   {u"Address"_s, address}});
    }

    std::optional<TestDatabase> m_data;
    std::optional<RunningMain> m_main;
    qint64 m_group = 0;
};

QTEST_MAIN(TestFrmDuplicates)
#include "tst_frmduplicates.moc"
