// SPDX-License-Identifier: GPL-3.0-or-later
// Where DB.xml and the icons are looked for, from a build folder and once installed.
#include "db/DataLocation.h"
#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestDataLocation : public QObject {
    Q_OBJECT

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void writableProgramFolderKeepsTheBookBesideTheExecutable()
    {
        QTemporaryDir build;
        QVERIFY(build.isValid());
        QCOMPARE(DataLocation::databasePath(build.path(), u"/nowhere/data"_s),
                 build.filePath(u"DB.xml"_s));
    }

    void programFolderNotWritableUsesTheDataFolder()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString data = root.filePath(u"data"_s);
        const QString expected = data + u"/DB.xml";
        // A folder that is not there, and a name that is a file, are no place to write DB.xml.
        QCOMPARE(DataLocation::databasePath(root.filePath(u"gone"_s), data), expected);
        QFile file(root.filePath(u"plain"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(DataLocation::databasePath(file.fileName(), data), expected);

        const QString locked = root.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        const bool rootIgnoresModes = ::geteuid() == 0;
        if (!rootIgnoresModes)
            QCOMPARE(DataLocation::databasePath(locked, data), expected);
        QVERIFY(
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void installedProgramFolderIsNeverWrittenEvenByRoot()
    {
        const QString installed = QStringLiteral(VARDELIN_INSTALL_FULL_BINDIR);
        if (!QFileInfo(installed).isDir())
            QSKIP("the install prefix's bindir does not exist here");
        QCOMPARE(DataLocation::databasePath(installed, u"/home/someone/data"_s),
                 u"/home/someone/data/DB.xml"_s);
        // The same folder reached through another spelling is still the installed one.
        QCOMPARE(DataLocation::databasePath(installed + u"/./", u"/home/someone/data"_s),
                 u"/home/someone/data/DB.xml"_s);
    }

    void firstStartWritesANewBookInTheDataFolderOnce()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString data = home.filePath(u"share/瓦德林通讯录"_s);
        const QString path = DataLocation::databasePath(home.filePath(u"gone"_s), data);
        QVERIFY(DataLocation::prepareDatabase(path, data).ok());
        {
            Database db;
            const Status opened = db.open(path);
            QVERIFY2(opened.ok(), qPrintable(opened.error().description));
            QVERIFY(db.exec(u"UPDATE Vardelin_Contact SET Name = Name"_s).ok());
        }
        // A later start keeps the book as it is.
        const QByteArray written = contentsOf(path);
        QVERIFY(!written.isEmpty());
        QVERIFY(DataLocation::prepareDatabase(path, data).ok());
        QCOMPARE(contentsOf(path), written);
    }

    void aMissingBookElsewhereIsNotReplaced()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString data = root.filePath(u"data"_s);
        // Beside the executable, or named by --database: still missing, so the open reports it.
        const QString beside = root.filePath(u"DB.xml"_s);
        QVERIFY(DataLocation::prepareDatabase(beside, data).ok());
        QVERIFY(!QFileInfo::exists(beside));
        QVERIFY(!QFileInfo::exists(data));
        const QString named = data + u"/other.xml";
        QVERIFY(DataLocation::prepareDatabase(named, data).ok());
        QVERIFY(!QFileInfo::exists(named));
    }

    void aDataFolderThatCannotBeMadeIsAnError()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QFile blocker(root.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString data = blocker.fileName() + u"/data";
        QVERIFY(!DataLocation::prepareDatabase(data + u"/DB.xml", data).ok());
    }

    void iconsBesideTheExecutableElseInTheDataFolder()
    {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString bin = prefix.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(bin));
        const QString installed =
            QDir::cleanPath(bin + u'/' + QStringLiteral(VARDELIN_DATADIR_FROM_BINDIR) + u"/Icons");
        QVERIFY(installed.startsWith(prefix.path()));
        QCOMPARE(DataLocation::iconsFolder(bin), installed);
        QVERIFY(QDir().mkpath(bin + u"/Icons"));
        QCOMPARE(DataLocation::iconsFolder(bin), bin + u"/Icons");
    }
};

QTEST_GUILESS_MAIN(TestDataLocation)
#include "tst_datalocation.moc"
