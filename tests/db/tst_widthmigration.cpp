// SPDX-License-Identifier: GPL-3.0-or-later
// Opening an address book written by the earlier build, whose list widths are in pixels: they
// are converted to twips once, in one transaction, and a file that cannot be converted is left
// exactly as it was.
#include "db/Database.h"
#include "db/Schema.h"
#include "db/WidthMigration.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The widths the earlier build gave a new address book, in pixels; every other column had 100.
const QString earlierWidths = u"C.Name=100 T.Name=90 C.Moblie1=110 C.Tel1=110 "
                              "C.CompanyName=170 C.Post=90 C.Mail1=170"_s;

// Runs statements on the file through a connection of its own, as another program would.
void runOn(const QString& path, const QStringList& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"elsewhere"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString& statement : statements)
            QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(u"elsewhere"_s);
}

// An address book as an earlier build left it: at that layout, widths in pixels.
void writeEarlierBook(const QString& path, int layout)
{
    QVERIFY(Database::create(path));
    QStringList statements{u"PRAGMA user_version = %1"_s.arg(layout),
                           u"UPDATE Vardelin_Alias SET Width = 100"_s};
    for (const QString& width : earlierWidths.split(u' '))
        statements << u"UPDATE Vardelin_Alias SET Width = %2 WHERE Name = '%1'"_s.arg(
            width.section(u'=', 0, 0), width.section(u'=', 1));
    runOn(path, statements);
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// The stored widths of the columns named, as "name=width", empty for Null.
QString widthsOf(const Database& db, const QStringList& names)
{
    QStringList widths;
    for (const QString& name : names) {
        auto q = db.query(u"SELECT Width FROM Vardelin_Alias WHERE Name = ?"_s, {name});
        widths << name + u'=' + (q && q.value().next() ? q.value().value(0).toString() : u"?"_s);
    }
    return widths.join(u' ');
}

int versionOf(const Database& db)
{
    auto q = db.query(u"PRAGMA user_version"_s);
    return q && q.value().next() ? q.value().value(0).toInt() : -1;
}

} // namespace

class TestWidthMigration : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path;

private slots:
    void init()
    {
        path = dir.filePath(u"DB-%1-%2.xml"_s.arg(QString::fromLatin1(QTest::currentTestFunction()),
                                                  QString::fromUtf8(QTest::currentDataTag())));
    }

    void newBookIsStoredInTwipsAtTheLastLayout()
    {
        QVERIFY(Database::create(path));
        Database db;
        QVERIFY(db.open(path));
        QCOMPARE(versionOf(db), Schema::version);
        QCOMPARE(widthsOf(db, {u"C.Name"_s, u"C.CompanyName"_s}),
                 u"C.Name=1500 C.CompanyName=2550"_s);
    }

    // Layout 2 moved only the files' column; its widths are still pixels.
    void earlierBookIsConvertedOnceAtOpen_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("layout 1") << 1;
        QTest::newRow("layout 2") << 2;
    }

    void earlierBookIsConvertedOnceAtOpen()
    {
        QFETCH(int, layout);
        writeEarlierBook(path, layout);
        // Hidden columns stay hidden; an empty width stays empty.
        runOn(path, {u"UPDATE Vardelin_Alias SET Width = 0 WHERE Name = 'C.Job'"_s,
                     u"UPDATE Vardelin_Alias SET Width = NULL WHERE Name = 'C.Web'"_s,
                     u"UPDATE Vardelin_Alias SET Width = -3 WHERE Name = 'C.Office'"_s});
        QStringList names{u"C.Address"_s, u"C.Job"_s, u"C.Web"_s, u"C.Office"_s};
        QStringList expected{u"C.Address=1500 C.Job=0 C.Web= C.Office=-3"_s};
        for (const QString& width : earlierWidths.split(u' ')) {
            names << width.section(u'=', 0, 0);
            expected << names.last() + u'=' + QString::number(width.section(u'=', 1).toInt() * 15);
        }
        for (int opening = 0; opening < 2; ++opening) {
            Database db;
            QVERIFY(db.open(path));
            QCOMPARE(versionOf(db), Schema::version);
            QCOMPARE(widthsOf(db, names), expected.join(u' '));
        }
    }

    void refusedFileIsLeftExactlyAsItWas_data()
    {
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("told");
        QTest::newRow("width that is no number")
            << true << u"UPDATE Vardelin_Alias SET Width = '宽一点' WHERE Name = 'C.Post'"_s
            << WidthMigration::unconvertibleWidth << u"宽一点"_s;
        // The last row refuses its update after the others were rewritten.
        QTest::newRow("failure halfway")
            << true
            << u"CREATE TRIGGER refuse BEFORE UPDATE OF Width ON Vardelin_Alias WHEN NEW.ID = "
               "(SELECT max(ID) FROM Vardelin_Alias) BEGIN SELECT RAISE(ABORT, 'refused'); END"_s
            << 0 << QString(); // any error
        // Another program's file, unstamped like any SQLite file, without the column table.
        QTest::newRow("foreign file") << false << u"CREATE TABLE Notes (ID INTEGER, Text TEXT)"_s
                                      << int(SqliteCode::NotADatabase) << u"不是本程序的数据库"_s;
    }

    void refusedFileIsLeftExactlyAsItWas()
    {
        QFETCH(bool, earlier);
        QFETCH(QString, statement);
        QFETCH(int, error);
        QFETCH(QString, told);
        if (earlier)
            writeEarlierBook(path, 1);
        runOn(path, {statement});
        const QByteArray before = digestOf(path);
        {
            Database db;
            const Status opened = db.open(path);
            QVERIFY(!opened);
            if (error)
                QCOMPARE(int(opened.error().number), error);
            QVERIFY2(opened.error().description.contains(told),
                     qPrintable(opened.error().description));
            QVERIFY(!db.isOpen());
        }
        QCOMPARE(digestOf(path), before);
        QVERIFY(!QFile::exists(path + u"-journal"_s) && !QFile::exists(path + u"-wal"_s));
    }

    void wholeNumbersOfAnyStoredTypeConvert()
    {
        QVERIFY(Database::create(path));
        Database db;
        QVERIFY(db.open(path));
        const auto set = [&db](const QString& name, const QString& width) {
            QVERIFY(db.exec(
                u"UPDATE Vardelin_Alias SET Width = %1 WHERE Name = '%2'"_s.arg(width, name)));
        };
        const auto convert = [&db] {
            return db.transaction([&db] { return WidthMigration::toTwips(db); });
        };
        set(u"T.Name"_s, u"120.0"_s);
        set(u"C.Post"_s, u"7"_s);
        // A blob is no number, nor is a fraction; neither writes anything.
        for (const QString& refused : {u"CAST(' 80' AS BLOB)"_s, u"12.5"_s}) {
            set(u"C.Name"_s, refused);
            const Status converted = convert();
            QVERIFY(!converted);
            QCOMPARE(converted.error().number, WidthMigration::unconvertibleWidth);
            QCOMPARE(widthsOf(db, {u"C.Post"_s}), u"C.Post=7"_s);
        }
        set(u"C.Name"_s, u"80"_s);
        QVERIFY(convert());
        QCOMPARE(widthsOf(db, {u"C.Name"_s, u"T.Name"_s, u"C.Post"_s}),
                 u"C.Name=1200 T.Name=1800 C.Post=105"_s);
    }
};

QTEST_GUILESS_MAIN(TestWidthMigration)
#include "tst_widthmigration.moc"
