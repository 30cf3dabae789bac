// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over a file that turns out damaged while it runs.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "RunningMain.h"

#include "app/Main.h"
#include "db/Backup.h"
#include "db/Session.h"
#include "groups/GroupTreeWidget.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

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
            const qint64 at = file.readAll().indexOf("row2500.");
            QVERIFY(at > pageSize);
            QVERIFY(file.seek(at - at % pageSize));
            QCOMPARE(file.write(QByteArray(16, '\xff')), 16);
        }
        const QByteArray damaged = contentsOf(book.path());

        // Listing the group meets the damaged page: its error, then the notice, once.
        prompter.expectMessage();
        prompter.expectMessage(DbError::damaged().description);
        auto* tree = window->findChild<GroupTreeWidget*>(u"Tree"_s);
        QVERIFY(tree);
        const QList<QTreeWidgetItem*> items = tree->findItems(u"朋友"_s, Qt::MatchRecursive);
        QCOMPARE(items.size(), 1);
        tree->setCurrentItem(items.first());
        QTRY_COMPARE(prompter.pending(), 0);
        QCOMPARE(prompter.shown().at(0).title, u"错误11"_s);
        QCOMPARE(prompter.shown().at(1).title, u"提示！"_s);
        QCOMPARE(prompter.shown().at(1).icon, Prompter::Icon::Exclamation);

        // Choosing a skin would write the account's row: refused, with the error box.
        prompter.expectMessage(DbError::damaged().description);
        emit window->findChild<QComboBox*>(u"Combo_Skin"_s)->textActivated(u"Blue"_s);
        QVERIFY(window->close());
        QTest::qWait(10);
        QVERIFY(prompter.scriptDone());
        QCOMPARE(prompter.shown().size(), 3);
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

QTEST_MAIN(TestDamagedFile)
#include "tst_damagedfile.moc"
