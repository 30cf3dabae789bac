// SPDX-License-Identifier: GPL-3.0-or-later
// The main window over a file that is damaged at start, turns out damaged while it runs, or
// that another program replaces.
#include "RunningMain.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "db/Backup.h"
#include "history/Reminders.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {


// Overwrites the file at an offset and returns what it then holds.
QByteArray damage(const QString& path, qint64 at, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(at) || file.write(bytes) != bytes.size())
        qFatal("cannot damage the test file");
    file.close();
    return TestFiles::read(path);
}

} // namespace

class TestDamagedFile : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_book;

private slots:
    void init()
    {
        m_book = std::make_unique<TestDatabase>();
        QVERIFY(m_book->ok());
    }
    void cleanup() { m_book.reset(); }

    void aDamagedStartOffersTheNewestBackup()
    {
        m_book->addContact({{u"Name"_s, u"旧的"_s}});
        QVERIFY(Backup::daily(m_book->db(), QDate(2026, 12, 1)).ok());
        m_book->addContact({{u"Name"_s, u"新的"_s}});
        QVERIFY(Backup::daily(m_book->db(), QDate(2026, 12, 5)).ok());
        m_book->db().close();
        const QByteArray damaged = damage(m_book->path(), 0, QByteArray(100, 'z'));
        for (const bool accept : {false, true}) {
            RunningMain main;
            main.prompter.expectQuestion(accept);
            QVERIFY(!main.start(m_book->path()));
            QVERIFY(main.prompter.scriptDone());
            QCOMPARE(main.prompter.shown().first().title, u"错误26"_s);
            QVERIFY(main.prompter.shown().first().text.contains(u"DB-2026-12-05.xml"_s));
            QCOMPARE(main.window->restartWanted(), accept);
            QCOMPARE(TestFiles::read(m_book->path()) == damaged, !accept);
        }
        // The damaged file is kept beside the backups.
        const QDir backups(Backup::folderOf(m_book->path()));
        const QStringList kept = backups.entryList({u"DB-损坏-*.xml"_s}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(TestFiles::read(backups.filePath(kept.first())), damaged);
        RunningMain again;
        QVERIFY(again.start(m_book->path()));
        QCOMPARE(again.names().size(), 2);
    }

    void damagedOptionsAtStartUpAreOneBox()
    {
        const qint64 page = m_book
                                ->scalar(u"SELECT rootpage FROM sqlite_master "
                                         "WHERE name = 'Vardelin_System'"_s)
                                .toLongLong();
        const qint64 pageSize = m_book->scalar(u"PRAGMA page_size"_s).toLongLong();
        m_book->db().close();
        const QByteArray damaged =
            damage(m_book->path(), (page - 1) * pageSize, QByteArray(16, '\xff'));
        RunningMain main;
        main.prompter.expectMessage();
        QVERIFY(!main.start(m_book->path()));
        QTest::qWait(10);
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(main.prompter.shown().first().title, u"错误11"_s);
        QCOMPARE(TestFiles::read(m_book->path()), damaged);
    }

    void aFileReplacedByAnotherProgramIsToldAndReopened()
    {
        RunningMain main;
        QVERIFY(main.start(m_book->path()));
        // Another program restores a backup: a new file renamed over the open one.
        const QString backup = m_book->folder() + u"/backup.xml"_s;
        QVERIFY(Backup::copyTo(m_book->db(), backup).ok());
        m_book->db().close();
        QCOMPARE(std::rename(QFile::encodeName(backup).constData(),
                             QFile::encodeName(m_book->path()).constData()),
                 0);
        const QByteArray restored = TestFiles::read(m_book->path());

        // Choosing a skin writes the account's row: the window says why it cannot, and offers
        // to open the file again, each time until the user takes the offer.
        for (const bool reopen : {false, true}) {
            main.prompter.expectQuestion(reopen);
            emit main.find<QComboBox>(u"Combo_Skin"_s)->textActivated(u"Black"_s);
            QTRY_COMPARE(main.prompter.pending(), 0);
            QVERIFY(main.prompter.shown().last().text.contains(u"已被其他程序替换"_s));
            QCOMPARE(main.window->restartWanted(), reopen);
            QCOMPARE(main.window->isVisible(), !reopen);
        }
        // Closing writes nothing to the new file, nor a copy of the old one among the backups.
        QVERIFY(main.window->close());
        QTest::qWait(10);
        QCOMPARE(main.prompter.shown().size(), 2);
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(TestFiles::read(m_book->path()), restored);
        QVERIFY(!QDir(Backup::folderOf(m_book->path())).exists());
    }

    void damageIsToldOnceAndTheLayoutIsNotSaved()
    {
        const qint64 group = m_book->addGroup(1, 1, u"朋友"_s);
        m_book->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
            "INSERT INTO Vardelin_Contact (UID, TID, Name, Remark) "
            "SELECT 1, ?, 'row' || i || '.', hex(randomblob(100)) FROM n"_s,
            {group});
        // The root list then reads only the first 500 rows, and no reminder reads the others.
        m_book->setOption(u"IsTop"_s, true);
        QVERIFY(Reminders::setOn(m_book->db(), false).ok());
        RunningMain main;
        QVERIFY(main.start(m_book->path()));

        // Overwrite the header of the page holding a row the window has not read yet; the
        // search table holds the name too, followed by its field separator.
        const qint64 pageSize = m_book->scalar(u"PRAGMA page_size"_s).toLongLong();
        const QByteArray contents = TestFiles::read(m_book->path());
        qint64 at = contents.indexOf("row2500.");
        while (at >= 0 && contents.mid(at + 8, 1) == "\x1f")
            at = contents.indexOf("row2500.", at + 1);
        QVERIFY(at > pageSize);
        const QByteArray damaged =
            damage(m_book->path(), at - at % pageSize, QByteArray(16, '\xff'));

        // Listing the group meets the damaged page: the notice, once, and no error box.
        main.prompter.expectMessage(DbError::damaged().description);
        QTreeWidgetItem* friends = main.treeItem(u"朋友"_s);
        main.tree()->setCurrentItem(friends);
        QTRY_COMPARE(main.prompter.pending(), 0);
        QCOMPARE(main.prompter.shown().at(0).title, u"提示！"_s);
        // Later commands that would write, or read the damaged page again, say nothing more.
        emit main.find<QComboBox>(u"Combo_Skin"_s)->textActivated(u"Blue"_s);
        main.tree()->setCurrentItem(main.tree()->topLevelItem(0));
        main.tree()->setCurrentItem(friends);
        QTest::qWait(10);
        QVERIFY(main.window->close());
        QTest::qWait(10);
        QVERIFY(main.prompter.scriptDone());
        QCOMPARE(main.prompter.shown().size(), 1);
        QCOMPARE(TestFiles::read(m_book->path()), damaged);
    }
};

QTEST_MAIN(TestDamagedFile)
#include "tst_damagedfile.moc"
