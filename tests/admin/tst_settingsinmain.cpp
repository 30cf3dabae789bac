// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window from the main window, and the compaction and the day's backup at close.
#include "RadicaleServer.h"
#include "RunningMain.h"
#include "TestDatabase.h"

#include "admin/frmSystem.h"
#include "db/Backup.h"
#include "sync/DavClient.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

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

// Runs work on the settings window once the main window's "设置" button has opened it.
void inSettings(RunningMain& main, const std::function<void(frmSystem*)>& work)
{
    QTimer::singleShot(0, [work] {
        if (auto* settings = qobject_cast<frmSystem*>(QApplication::activeModalWidget()))
            work(settings);
    });
    QTest::mouseClick(main.tool("Button_Sys"), Qt::LeftButton);
}

} // namespace

class TestSettingsInMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    QString dock()
    {
        return m_data->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = 1"_s).toString();
    }

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>();
        QVERIFY(m_data->ok());
        m_friends = m_data->addGroup(1, 1, u"朋友"_s);
        m_data->setDisplayedColumns({u"C.Name"_s, u"T.Name"_s, u"C.Moblie1"_s});
        m_data->addContact({{u"Name"_s, u"王五"_s}, {u"TID"_s, m_friends}, {u"Sex"_s, u"男"_s}});
        m_data->addContact({{u"Name"_s, u"李四"_s}, {u"TID"_s, 1}});
    }
    void cleanup() { m_data.reset(); }

    // Cards a sync brought in are listed when the window closes, even by "取消".
    void aSyncOnThePageSyncShowsItsCardsAtOnce()
    {
        // No session bus: the desktop's secret store is left alone.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        RadicaleServer server;
        QVERIFY2(server.error().isEmpty(), qPrintable(server.error()));
        DavClient phone(server.user(), server.password());
        QVERIFY(phone
                    .put(server.addressBook().resolved(QUrl(u"phone.vcf"_s)),
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone\r\nFN:赵六\r\nEND:VCARD\r\n", {})
                    .ok());
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        main.tree()->setCurrentItem(main.tree()->topLevelItem(0)); // the root group
        const QStringList before = main.names();
        main.prompter.expectMessage(); // the summary
        inSettings(main, [&server](frmSystem* settings) {
            const auto type = [settings](const QString& box, const QString& text) {
                settings->findChild<QLineEdit*>(box)->setText(text);
            };
            type(u"Text_Server"_s, server.root().toString());
            type(u"Text_User"_s, server.user());
            type(u"Text_Password"_s, server.password());
            for (const QString& button :
                 {u"Button_Find"_s, u"Button_SyncNow"_s, u"Button_Cancel"_s})
                QTest::mouseClick(settings->findChild<QPushButton*>(button), Qt::LeftButton);
        });
        QVERIFY(main.prompter.scriptDone());
        QVERIFY(before.contains(u"李四"_s) && !before.contains(u"赵六"_s));
        QVERIFY2(main.names().contains(u"赵六"_s), qPrintable(main.names().join(u',')));
    }

    void okRebuildsTheListOfTheSelectedGroupWithTheNewColumns()
    {
        m_data->run(u"UPDATE Vardelin_Alias SET IsDisplay = iif(Name = 'T.Name', 'false', 'True') "
                    "WHERE Name IN ('T.Name', 'C.Tel1')"_s);
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        QCOMPARE(shownCaptions(main), (QStringList{u"姓名"_s, u"手机1"_s, u"电话1"_s}));
        main.tree()->setCurrentItem(main.treeItem(u"朋友"_s));
        bool edited = false;
        inSettings(main, [&edited](frmSystem* settings) {
            auto* columns = settings->findChild<QTreeWidget*>(u"ListGird"_s);
            // Hide the group's name, rename the mobile and put it first.
            columns->findItems(u"所属分类"_s, Qt::MatchExactly)[0]->setCheckState(0, Qt::Unchecked);
            QTreeWidgetItem* mobile = columns->findItems(u"手机1"_s, Qt::MatchExactly)[0];
            mobile->setText(0, u"手机号码"_s);
            mobile->setText(2, u"0"_s);
            QTest::mouseClick(settings->findChild<QPushButton*>(u"Button_OK"_s), Qt::LeftButton);
            edited = true;
        });
        QVERIFY(edited && !QApplication::activeModalWidget());
        QCOMPARE(shownCaptions(main), (QStringList{u"手机号码"_s, u"姓名"_s, u"电话1"_s}));
        QCOMPARE(main.column(1), QStringList{u"王五"_s}); // the group still selected
        QCOMPARE(m_data->scalar(u"SELECT Alias FROM Vardelin_Alias WHERE Name = 'C.Moblie1'"_s),
                 u"手机号码"_s);
        QVERIFY(main.prompter.scriptDone());
    }

    void aWindowThatCannotLoadIsReportedAndNotShown()
    {
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        m_data->run(u"ALTER TABLE Vardelin_Alias RENAME TO Vardelin_Alias_Gone"_s);
        bool opened = false;
        main.prompter.expectMessage();
        inSettings(main, [&opened](frmSystem* settings) { opened = true, settings->close(); });
        QVERIFY(!opened && main.prompter.scriptDone());
        QVERIFY(main.prompter.shown().value(0).title.startsWith(u"错误"_s));
        m_data->run(u"ALTER TABLE Vardelin_Alias_Gone RENAME TO Vardelin_Alias"_s);
    }

    void restoringFromTheSettingsStartsAgainOnTheBackup()
    {
        const QString chosen = QDir(m_data->folder()).filePath(u"周一.xml"_s);
        QVERIFY(Backup::copyTo(m_data->db(), chosen).ok());
        m_data->addContact({{u"Name"_s, u"赵六"_s}, {u"TID"_s, 1}});
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        main.prompter.expectOpenFile(chosen);
        main.prompter.expectQuestion(true);
        main.prompter.expectMessage(u"恢复完成！程序将重新载入通讯录。"_s);
        inSettings(main, [](frmSystem* settings) {
            QTest::mouseClick(settings->findChild<QPushButton*>(u"Button_Restore"_s),
                              Qt::LeftButton);
        });
        QVERIFY(main.prompter.scriptDone());
        QVERIFY(main.window->restartWanted() && !main.window->isVisible());
        // What the program does next: a new window on the restored file.
        RunningMain again;
        QVERIFY(again.start(m_data->path()));
        QCOMPARE(again.names().size(), 2);
        QVERIFY(!again.names().contains(u"赵六"_s));
    }

    void closingCompactsOnlyWhenTheStartUpOptionAsks()
    {
        for (int i = 0; i < 60; ++i)
            m_data->addContact(
                {{u"Name"_s, u"临时%1"_s.arg(i)}, {u"Photo"_s, QByteArray(65536, 'p')}});
        m_data->run(u"DELETE FROM Vardelin_Contact WHERE Photo IS NOT NULL"_s);
        const qint64 grown = QFileInfo(m_data->path()).size();
        QVERIFY(grown > 3 * 1024 * 1024);
        for (int run = 0; run < 2; ++run) {
            // Switched on after the first run started, it waits for the next start.
            RunningMain main;
            QVERIFY(main.start(m_data->path()));
            m_data->setOption(u"IsZip"_s, true);
            main.window->close();
            QVERIFY(main.prompter.scriptDone());
            QCOMPARE(QFileInfo(m_data->path()).size() < grown / 4, run == 1);
        }
        QVERIFY(!dock().isEmpty()); // the layout was saved before the compaction
        QCOMPARE(m_data->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(), 2);
        // The day's backup is taken from the compacted file.
        const QString backup =
            QDir(Backup::folderOf(m_data->path()))
                .filePath(Backup::dailyName(m_data->path(), QDate::currentDate()));
        QVERIFY(Backup::check(backup).ok() && QFileInfo(backup).size() < grown / 4);
    }

    void aBackupThatCannotBeMadeIsToldOnceAndClosingGoesOn()
    {
        QFile blocker(Backup::folderOf(m_data->path()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        RunningMain main;
        QVERIFY(main.start(m_data->path()));
        main.prompter.expectMessage();
        QVERIFY(main.window->close());
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(main.prompter.shown().size(), 1);
        QVERIFY(main.prompter.shown().first().text.startsWith(u"关闭时未能备份数据库："_s));
        QVERIFY(!dock().isEmpty()); // the layout was still saved
    }
};

QTEST_MAIN(TestSettingsInMain)
#include "tst_settingsinmain.moc"
