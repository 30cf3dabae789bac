// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window from the main window: opened by "设置", its OK rebuilding the list
// with the new columns; the list's tick boxes with a zero-width first column; compacting
// at close.
#include "RunningMain.h"
#include "TestDatabase.h"

#include "admin/frmAlias.h"
#include "admin/frmSystem.h"
#include "db/Backup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// The captions of the columns the list shows, left to right.
QStringList shownCaptions(const RunningMain& main)
{
    QStringList captions;
    const QAbstractItemModel* model = main.list()->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (!main.list()->isColumnHidden(c))
            captions << model->headerData(c, Qt::Horizontal).toString();
    }
    return captions;
}

QTreeWidgetItem* rowCalled(QTreeWidget* list, const QString& caption)
{
    const auto found = list->findItems(caption, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestSettingsInMain : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void settingsButtonOpensTheWindowAndOkRebuildsTheList();
    void aCaptionEditedInTheColumnDialogHeadsTheListAfterOk();
    void aWindowThatCannotLoadIsReportedAndNotShown();
    void aColumnStoredAsFalseIsHidden();
    void aZeroWidthFirstColumnKeepsTheTickBoxAndImage();
    void closingCompactsOnlyWhenTheStartUpOptionAsks();
    void aBackupThatCannotBeMadeIsToldOnceAndClosingGoesOn();
    void restoringFromTheSettingsStartsAgainOnTheBackup();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
};

void TestSettingsInMain::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 1, u"朋友"_s);
    m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s, u"C.Moblie1"_s});
    m_data->addContact({{u"Name"_s, u"王五"_s}, {u"TID"_s, m_friends}, {u"Sex"_s, u"男"_s}});
    m_data->addContact({{u"Name"_s, u"李四"_s}, {u"TID"_s, 1}});
}

void TestSettingsInMain::cleanup()
{
    m_data.reset();
}

void TestSettingsInMain::settingsButtonOpensTheWindowAndOkRebuildsTheList()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(shownCaptions(main), (QStringList{u"姓名"_s, u"所属分类"_s, u"手机1"_s}));
    GroupTreeWidget* tree = main.tree();
    const auto friends = tree->findItems(u"朋友"_s, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!friends.isEmpty());
    tree->setCurrentItem(friends.first());
    QCOMPARE(tree->selectedGroupId(), m_friends);

    bool edited = false;
    QTimer::singleShot(0, [&edited] {
        auto* settings = qobject_cast<frmSystem*>(QApplication::activeModalWidget());
        if (!settings)
            return;
        auto* columns = settings->findChild<QTreeWidget*>(u"ListGird"_s);
        // Hide the group's name, put the mobile first, show the company.
        rowCalled(columns, u"所属分类"_s)->setCheckState(0, Qt::Unchecked);
        rowCalled(columns, u"手机1"_s)->setText(2, u"0"_s);
        QTreeWidgetItem* company = rowCalled(columns, u"单位名称"_s);
        company->setCheckState(0, Qt::Checked);
        company->setText(2, u"50"_s);
        company->setText(1, u"77"_s);
        QTest::mouseClick(settings->findChild<QPushButton*>(u"Button_OK"_s), Qt::LeftButton);
        edited = true;
    });
    QTest::mouseClick(main.tool("Button_Sys"), Qt::LeftButton);
    QVERIFY(edited);
    QVERIFY(!QApplication::activeModalWidget());

    QCOMPARE(shownCaptions(main), (QStringList{u"手机1"_s, u"姓名"_s, u"单位名称"_s}));
    QCOMPARE(
        m_data->scalar(u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.CompanyName'"_s).toInt(),
        77);
    // The list of the group selected in the tree, without a search.
    QCOMPARE(main.column(1), QStringList{u"王五"_s});
    QCOMPARE(
        m_data->scalar(u"SELECT IsDisplay FROM Vardelin_Alias WHERE Name = 'T.Name'"_s).toInt(), 0);
    QVERIFY(main.prompter.scriptDone());
}

void TestSettingsInMain::aCaptionEditedInTheColumnDialogHeadsTheListAfterOk()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    // Opens the settings, renames the mobile column in its dialog and confirms.
    bool renamed = false;
    QTimer::singleShot(0, [&renamed] {
        auto* settings = qobject_cast<frmSystem*>(QApplication::activeModalWidget());
        if (!settings)
            return;
        settings->findChild<QTabWidget*>(u"TabC"_s)->setCurrentIndex(frmSystem::ColumnsTab);
        auto* columns = settings->findChild<QTreeWidget*>(u"ListGird"_s);
        QTreeWidgetItem* mobile = rowCalled(columns, u"手机1"_s);
        columns->scrollToItem(mobile);
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<frmAlias*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QLineEdit*>(u"Edit_Alias"_s)->setText(u"手机号码"_s);
            dialog->close();
        });
        const QPoint at = columns->visualItemRect(mobile).center();
        QTest::mouseClick(columns->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(columns->viewport(), Qt::LeftButton, {}, at);
        renamed = mobile->text(0) == u"手机号码"_s;
        QTest::mouseClick(settings->findChild<QPushButton*>(u"Button_OK"_s), Qt::LeftButton);
    });
    QTest::mouseClick(main.tool("Button_Sys"), Qt::LeftButton);
    QVERIFY(renamed);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(
        m_data->scalar(u"SELECT Alias FROM Vardelin_Alias WHERE Name = 'C.Moblie1'"_s).toString(),
        u"手机号码"_s);
    QCOMPARE(shownCaptions(main), (QStringList{u"姓名"_s, u"所属分类"_s, u"手机号码"_s}));
}

void TestSettingsInMain::aWindowThatCannotLoadIsReportedAndNotShown()
{
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    m_data->run(u"ALTER TABLE Vardelin_Alias RENAME TO Vardelin_Alias_Gone"_s);
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        if (QWidget* shown = QApplication::activeModalWidget()) {
            opened = true;
            shown->close();
        }
    });
    main.prompter.expectMessage();
    QTest::mouseClick(main.tool("Button_Sys"), Qt::LeftButton);
    QVERIFY(!opened);
    QVERIFY(main.prompter.shown().last().title.startsWith(u"错误"_s));
    QVERIFY(main.prompter.scriptDone());
    m_data->run(u"ALTER TABLE Vardelin_Alias_Gone RENAME TO Vardelin_Alias"_s);
}

void TestSettingsInMain::aColumnStoredAsFalseIsHidden()
{
    m_data->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'false' WHERE Name = 'T.Name'"_s);
    m_data->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'FALSE' WHERE Name = 'C.Moblie1'"_s);
    m_data->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'True', Seq = 99 WHERE Name = 'C.Tel1'"_s);
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(shownCaptions(main), (QStringList{u"姓名"_s, u"电话1"_s}));
}

void TestSettingsInMain::aZeroWidthFirstColumnKeepsTheTickBoxAndImage()
{
    m_data->run(u"UPDATE Vardelin_Alias SET Width = 0 WHERE Name = 'C.Name'"_s);
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    ContactListView* list = main.list();
    QAbstractItemModel* model = list->model();
    QVERIFY(list->isColumnHidden(0));
    QCOMPARE(shownCaptions(main), (QStringList{u"所属分类"_s, u"手机1"_s}));
    // The tick box and the sex image move to the first column that shows.
    QVERIFY(!model->index(0, 0).data(Qt::CheckStateRole).isValid());
    QVERIFY(model->index(0, 1).data(Qt::CheckStateRole).isValid());
    QVERIFY(!model->index(0, 1).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(model->flags(model->index(0, 1)) & Qt::ItemIsUserCheckable);

    // A click on the box ticks the row, and the list's commands see it.
    list->scrollTo(model->index(0, 1));
    const QRect cell = list->visualRect(model->index(0, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(cell.left() + 10, cell.center().y()));
    QCOMPARE(model->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(main.list()->contacts()->checkedIds().size(), 1u);

    // With every shown column at width 0 the first stays as a narrow column of boxes.
    m_data->run(u"UPDATE Vardelin_Alias SET Width = 0"_s);
    QVERIFY(main.window->GJContact(1, false));
    QVERIFY(!list->isColumnHidden(0));
    QVERIFY(list->isColumnHidden(1));
    QVERIFY(list->columnWidth(0) > 0);
    QVERIFY(model->index(0, 0).data(Qt::CheckStateRole).isValid());
}

void TestSettingsInMain::closingCompactsOnlyWhenTheStartUpOptionAsks()
{
    const QByteArray photo(64 * 1024, 'p');
    for (int i = 0; i < 60; ++i)
        m_data->addContact({{u"Name"_s, u"临时%1"_s.arg(i)}, {u"Photo"_s, photo}});
    m_data->run(u"DELETE FROM Vardelin_Contact WHERE Photo IS NOT NULL"_s);
    const qint64 grown = QFileInfo(m_data->path()).size();
    QVERIFY(grown > 3 * 1024 * 1024);

    {
        // Stored on, but switched on after this run started: it waits for the next start.
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        m_data->setOption(u"IsZip"_s, true);
        main.window->close();
        QVERIFY(main.prompter.scriptDone());
    }
    QCOMPARE(QFileInfo(m_data->path()).size(), grown);
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        main.window->close();
        QVERIFY(main.prompter.scriptDone());
        // The layout was saved before the compaction, and survived it.
        QVERIFY(!m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = 1"_s)
                     .toString()
                     .isEmpty());
    }
    QVERIFY(QFileInfo(m_data->path()).size() < grown / 4);
    QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 2);
    // The day's backup is taken from the compacted file.
    const QString backup = QDir(Backup::folderOf(m_data->path()))
                               .filePath(Backup::dailyName(m_data->path(), QDate::currentDate()));
    QVERIFY(Backup::check(backup).ok());
    QVERIFY(QFileInfo(backup).size() < grown / 4);
}

void TestSettingsInMain::aBackupThatCannotBeMadeIsToldOnceAndClosingGoesOn()
{
    QFile blocker(Backup::folderOf(m_data->path()));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    main.prompter.expectMessage();
    QVERIFY(main.window->close());
    QVERIFY(!main.window->isVisible());
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 1);
    QCOMPARE(main.prompter.shown().first().title, u"提示！"_s);
    QVERIFY(main.prompter.shown().first().text.startsWith(u"关闭时未能备份数据库："_s));
    // The layout was still saved.
    QVERIFY(
        !m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = 1"_s).toString().isEmpty());
}

void TestSettingsInMain::restoringFromTheSettingsStartsAgainOnTheBackup()
{
    const QString chosen = QDir(m_data->folder()).filePath(u"周一.xml"_s);
    QVERIFY(Backup::copyTo(m_data->db(), chosen).ok());
    m_data->addContact({{u"Name"_s, u"赵六"_s}, {u"TID"_s, 1}});

    RunningMain main;
    QVERIFY(main.start(m_data->path()));
    QCOMPARE(main.names().size(), 3);
    main.prompter.expectOpenFile(chosen);
    main.prompter.expectQuestion(true);
    main.prompter.expectMessage(u"恢复完成！程序将重新载入通讯录。"_s);
    QTimer::singleShot(0, [] {
        if (auto* settings = qobject_cast<frmSystem*>(QApplication::activeModalWidget()))
            QTest::mouseClick(settings->findChild<QPushButton*>(u"Button_Restore"_s),
                              Qt::LeftButton);
    });
    QTest::mouseClick(main.tool("Button_Sys"), Qt::LeftButton);
    QVERIFY(main.prompter.scriptDone());
    QVERIFY(main.window->restartWanted());
    QVERIFY(!main.window->isVisible());

    // What the program does next: a new window on the restored file.
    RunningMain again;
    QVERIFY(again.start(m_data->path()));
    QCOMPARE(again.names().size(), 2);
    QVERIFY(!again.names().contains(u"赵六"_s));
    // The file replaced is the day's backup, with the contact added since.
    Database kept;
    QVERIFY(kept.openReadOnly(*Backup::newest(m_data->path())));
    QCOMPARE(kept.readOne(u"SELECT count(*) FROM Vardelin_Contact WHERE Name = '赵六'"_s)
                 .value()
                 ->value(0)
                 .toInt(),
             1);
    QVERIFY(again.prompter.scriptDone());
}

QTEST_MAIN(TestSettingsInMain)
#include "tst_settingsinmain.moc"
