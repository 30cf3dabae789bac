// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over a file that turns out damaged while it runs, or that another program
// replaces.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "RunningMain.h"

#include "app/Main.h"
#include "app/frmLogin.h"
#include "db/Backup.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"
#include "history/Reminders.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

class TestDamagedFile : public QObject {
    Q_OBJECT

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void aDamagedStartOffersTheNewestBackup_data();
    void aDamagedStartOffersTheNewestBackup();
    void damageAtStartUpIsOneBox_data();
    void damageAtStartUpIsOneBox();
    void aFileReplacedByAnotherProgramIsToldAndReopened_data();
    void aFileReplacedByAnotherProgramIsToldAndReopened();
    void damageIsToldOnceAndTheLayoutIsNotSaved()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        const qint64 group = book.addGroup(1, 1, u"朋友"_s);
        book.run(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                 "INSERT INTO Vardelin_Contact (UID, TID, Name, Remark) "
                 "SELECT 1, ?, 'row' || i || '.', hex(randomblob(100)) FROM n"_s,
                 {group});
        // The start-up list then reads only the first 500 rows.
        book.setOption(u"IsTop"_s, true);
        // The start-up reminder reads the contacts after the first paint; switched off, so
        // that the listing below is what meets the damage.
        QVERIFY(Reminders::setOn(book.db(), false).ok());

        Database db;
        Session session;
        ScriptedPrompter prompter;
        auto window = std::make_unique<Main>(db, session, prompter);
        QVERIFY(window->startUp(book.path()));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        // Overwrite the header of the page holding a row the window has not read yet.
        const qint64 pageSize = book.scalar(u"PRAGMA page_size"_s).toLongLong();
        {
            QFile file(book.path());
            QVERIFY(file.open(QIODevice::ReadWrite));
            // The search table holds the name too, followed by its field separator.
            const QByteArray contents = file.readAll();
            qint64 at = contents.indexOf("row2500.");
            while (at >= 0 && contents.mid(at + 8, 1) == "\x1f")
                at = contents.indexOf("row2500.", at + 1);
            QVERIFY(at > pageSize);
            QVERIFY(file.seek(at - at % pageSize));
            QCOMPARE(file.write(QByteArray(16, '\xff')), 16);
        }
        const QByteArray damaged = contentsOf(book.path());

        // Listing the group meets the damaged page: the notice, once, and no error box.
        prompter.expectMessage(DbError::damaged().description);
        auto* tree = window->findChild<GroupTreeWidget*>(u"Tree"_s);
        QVERIFY(tree);
        const QList<QTreeWidgetItem*> items = tree->findItems(u"朋友"_s, Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        tree->setCurrentItem(items.first());
        QTRY_COMPARE(prompter.pending(), 0);
        QCOMPARE(prompter.shown().at(0).title, u"提示！"_s);
        QCOMPARE(prompter.shown().at(0).icon, Prompter::Icon::Exclamation);

        // Later commands that would write, or read the damaged page again, say nothing more.
        emit window->findChild<QComboBox*>(u"Combo_Skin"_s)->textActivated(u"Blue"_s);
        tree->setCurrentItem(tree->topLevelItem(0));
        tree->setCurrentItem(items.first());
        QTest::qWait(10);
        QVERIFY(window->close());
        QTest::qWait(10);
        QVERIFY(prompter.scriptDone());
        QCOMPARE(prompter.shown().size(), 1);
        QVERIFY(db.isDamaged());
        QCOMPARE(contentsOf(book.path()), damaged);
    }
};

void TestDamagedFile::aDamagedStartOffersTheNewestBackup_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("restored") << true;
    QTest::newRow("declined") << false;
}

void TestDamagedFile::aDamagedStartOffersTheNewestBackup()
{
    QFETCH(bool, accept);
    TestDatabase book;
    QVERIFY(book.ok());
    book.addContact({{u"Name"_s, u"旧的"_s}});
    QVERIFY(Backup::daily(book.db(), QDate(2026, 12, 1)).ok());
    book.addContact({{u"Name"_s, u"新的"_s}});
    QVERIFY(Backup::daily(book.db(), QDate(2026, 12, 5)).ok());
    book.db().close();
    {
        QFile file(book.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(QByteArray(100, 'z')), 100);
    }
    const QByteArray damaged = contentsOf(book.path());

    RunningMain main;
    main.prompter.expectQuestion(accept);
    QVERIFY(!main.start(book.path()));
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 1);
    QCOMPARE(main.prompter.shown().first().title, u"错误26"_s);
    QVERIFY(main.prompter.shown().first().text.contains(u"DB-2026-12-05.xml"_s));
    QCOMPARE(main.window->restartWanted(), accept);
    if (!accept) {
        QCOMPARE(contentsOf(book.path()), damaged);
        return;
    }
    // The damaged file is kept beside the backups.
    const QStringList kept =
        QDir(Backup::folderOf(book.path())).entryList({u"DB-损坏-*.xml"_s}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(contentsOf(QDir(Backup::folderOf(book.path())).filePath(kept.first())), damaged);

    RunningMain again;
    QVERIFY(again.start(book.path()));
    QCOMPARE(again.names().size(), 2);
    QVERIFY(again.prompter.scriptDone());
}

void TestDamagedFile::damageAtStartUpIsOneBox_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("login");
    QTest::newRow("options") << u"Vardelin_System"_s << false;
    QTest::newRow("accounts, at the login") << u"Vardelin_Login"_s << true;
}

void TestDamagedFile::damageAtStartUpIsOneBox()
{
    QFETCH(QString, table);
    QFETCH(bool, login);
    TestDatabase book;
    QVERIFY(book.ok());
    book.setOption(u"IsLogin"_s, login);
    const qint64 page =
        book.scalar(u"SELECT rootpage FROM sqlite_master WHERE name = ?"_s, {table}).toLongLong();
    const qint64 pageSize = book.scalar(u"PRAGMA page_size"_s).toLongLong();
    book.db().close();
    {
        QFile file(book.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        QCOMPARE(file.write(QByteArray(16, '\xff')), 16);
    }
    const QByteArray damaged = contentsOf(book.path());

    RunningMain main;
    // The login reads the account when OK is pressed.
    main.window->setLoginShow([](frmLogin& dialog) {
        dialog.show();
        dialog.findChild<QLineEdit*>(u"txtPassword"_s)->setText(u"admin"_s);
        QTest::mouseClick(dialog.findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
        return dialog.result();
    });
    main.prompter.expectMessage();
    QVERIFY(!main.start(book.path()));
    QTest::qWait(10);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 1);
    QCOMPARE(main.prompter.shown().first().title, u"错误11"_s);
    QCOMPARE(contentsOf(book.path()), damaged);
}

void TestDamagedFile::aFileReplacedByAnotherProgramIsToldAndReopened_data()
{
    QTest::addColumn<bool>("reopen");
    QTest::newRow("reopened") << true;
    QTest::newRow("kept") << false;
}

void TestDamagedFile::aFileReplacedByAnotherProgramIsToldAndReopened()
{
    QFETCH(bool, reopen);
    TestDatabase book;
    QVERIFY(book.ok());
    book.addContact({{u"Name"_s, u"旧的"_s}});
    RunningMain main;
    QVERIFY(main.start(book.path()));

    // Another program restores a backup: a new file renamed over the open one.
    const QString backup = book.folder() + u"/backup.xml"_s;
    QVERIFY(Backup::copyTo(book.db(), backup).ok());
    book.db().close();
    QVERIFY(std::rename(QFile::encodeName(backup).constData(),
                        QFile::encodeName(book.path()).constData()) == 0);
    const QByteArray restored = contentsOf(book.path());

    // Choosing a skin writes the account's row: the window says why it cannot, and offers
    // to open the file again.
    main.prompter.expectQuestion(reopen);
    emit main.find<QComboBox>(u"Combo_Skin"_s)->textActivated(u"Black"_s);
    QTRY_COMPARE(main.prompter.pending(), 0);
    QTest::qWait(10);
    QVERIFY(main.prompter.scriptDone());
    QCOMPARE(main.prompter.shown().size(), 1);
    QVERIFY(main.prompter.shown().first().text.contains(u"已被其他程序替换"_s));
    QCOMPARE(main.window->restartWanted(), reopen);
    QCOMPARE(main.window->isVisible(), !reopen);
    // Closing writes nothing to the new file, nor a copy of the old one among the backups.
    QVERIFY(main.window->close());
    QTest::qWait(10);
    QCOMPARE(main.prompter.shown().size(), 1);
    QCOMPARE(contentsOf(book.path()), restored);
    QVERIFY(!QDir(Backup::folderOf(book.path())).exists());
}

QTEST_MAIN(TestDamagedFile)
#include "tst_damagedfile.moc"
