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
    QTemporaryDir root;
    QString at(const QString& name) const { return root.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(QFile(at(u"plain"_s)).open(QIODevice::WriteOnly)); }

    void theBookIsBesideAWritableProgramFolderElseInTheDataFolder()
    {
        const QString data = at(u"data"_s);
        QCOMPARE(DataLocation::databasePath(root.path(), data), at(u"DB.xml"_s));
        // A folder not there, a file, a read-only folder, and the installed one even for root.
        QStringList refused{at(u"gone"_s), at(u"plain"_s)};
        const QString locked = at(u"bin"_s);
        QVERIFY(QDir().mkpath(locked) &&
                QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() != 0) // root ignores the modes
            refused << locked;
        const QString installed = QStringLiteral(VARDELIN_INSTALL_FULL_BINDIR);
        if (QFileInfo(installed).isDir())
            refused << installed << installed + u"/./"_s;
        for (const QString& folder : refused)
            QCOMPARE(DataLocation::databasePath(folder, data), data + u"/DB.xml"_s);
    }

    void onlyTheBookOfTheDataFolderIsMadeAndOnlyOnce()
    {
        const QString data = at(u"share/瓦德林通讯录"_s);
        // Beside the executable, or named by --database: still missing, so the open reports it.
        for (const QString& elsewhere : QStringList{at(u"DB.xml"_s), data + u"/other.xml"_s}) {
            QVERIFY(DataLocation::prepareDatabase(elsewhere, data).ok());
            QVERIFY(!QFileInfo::exists(elsewhere) && !QFileInfo::exists(data));
        }
        const QString path = data + u"/DB.xml"_s;
        QVERIFY(DataLocation::prepareDatabase(path, data).ok());
        QVERIFY(Database().open(path).ok() && QFile::resize(path, QFileInfo(path).size() + 1));
        QVERIFY(DataLocation::prepareDatabase(path, data).ok()); // a later start keeps it as it is
        QCOMPARE(QFileInfo(path).size() % 1024, 1);
        const QString underAFile = at(u"plain/data"_s);
        QVERIFY(!DataLocation::prepareDatabase(underAFile + u"/DB.xml"_s, underAFile).ok());
    }

    void iconsBesideTheExecutableElseInTheDataFolder()
    {
        const QString bin = at(u"icons/bin"_s);
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(DataLocation::iconsFolder(bin),
                 QDir::cleanPath(bin + u"/" VARDELIN_DATADIR_FROM_BINDIR "/Icons"));
        QVERIFY(QDir().mkpath(bin + u"/Icons"));
        QCOMPARE(DataLocation::iconsFolder(bin), bin + u"/Icons");
    }
};

QTEST_GUILESS_MAIN(TestDataLocation)
#include "tst_datalocation.moc"
