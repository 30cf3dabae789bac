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
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The widths the earlier build gave a new address book, in pixels.
const QList<std::pair<QString, int>> earlierWidths{
    {QStringLiteral("C.Name"), 100},        {QStringLiteral("T.Name"), 90},
    {QStringLiteral("C.Moblie1"), 110},     {QStringLiteral("C.Tel1"), 110},
    {QStringLiteral("C.CompanyName"), 170}, {QStringLiteral("C.Post"), 90},
    {QStringLiteral("C.Mail1"), 170}};
constexpr int earlierHiddenWidth = 100;

// Runs statements on the file through a connection of its own, as another program would.
void runOn(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("earlier-build");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open the test file");
        for (const QString& statement : statements) {
            QSqlQuery q(db);
            if (!q.exec(statement))
                qFatal("statement failed: %s", qPrintable(q.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// An address book as an earlier build left it: layout 1 (or 2), widths in pixels.
void writeEarlierBook(const QString& path, int layout = 1)
{
    QVERIFY(Database::create(path));
    QStringList statements{
        QStringLiteral("PRAGMA user_version = %1").arg(layout),
        QStringLiteral("UPDATE Vardelin_Alias SET Width = %1").arg(earlierHiddenWidth)};
    for (const auto& [name, pixels] : earlierWidths)
        statements << QStringLiteral("UPDATE Vardelin_Alias SET Width = %1 WHERE Name = '%2'")
                          .arg(pixels)
                          .arg(name);
    runOn(path, statements);
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QVariant scalar(const Database& db, const QString& sql, const QVariantList& values = {})
{
    auto q = db.query(sql, values);
    return q && q.value().next() ? q.value().value(0) : QVariant();
}

QVariant widthOf(const Database& db, const QString& name)
{
    return scalar(db, QStringLiteral("SELECT Width FROM Vardelin_Alias WHERE Name = ?"), {name});
}

} // namespace

class TestWidthMigration : public QObject {
    Q_OBJECT

private slots:
    void init();

    void newBookIsStoredInTwipsAtTheLastLayout();
    void earlierBookIsConvertedOnceAtOpen();
    void layoutTwoBookIsConvertedToo();
    void unconvertibleWidthLeavesTheFileUntouched();
    void failureHalfwayRollsEverythingBack();
    void wholeNumbersOfAnyStoredTypeConvert();
    void foreignUnstampedFileIsRefusedAsForeign();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestWidthMigration::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(
        QStringLiteral("DB-%1.xml").arg(QString::fromLatin1(QTest::currentTestFunction())));
    QFile::remove(m_path);
}

// Layout 2 moved only the files' column; its widths are still pixels.
void TestWidthMigration::layoutTwoBookIsConvertedToo()
{
    writeEarlierBook(m_path, 2);
    Database db;
    QVERIFY(db.open(m_path));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), Schema::version);
    for (const auto& [name, pixels] : earlierWidths)
        QCOMPARE(widthOf(db, name).toInt(), pixels * 15);
}

void TestWidthMigration::newBookIsStoredInTwipsAtTheLastLayout()
{
    QVERIFY(Database::create(m_path));
    Database db;
    QVERIFY(db.open(m_path));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), Schema::version);
    QCOMPARE(widthOf(db, QStringLiteral("C.Name")).toInt(), 1500);
    QCOMPARE(widthOf(db, QStringLiteral("C.CompanyName")).toInt(), 2550);
}

void TestWidthMigration::earlierBookIsConvertedOnceAtOpen()
{
    writeEarlierBook(m_path);
    runOn(m_path, {QStringLiteral("UPDATE Vardelin_Alias SET Width = 0 WHERE Name = 'C.Job'"),
                   QStringLiteral("UPDATE Vardelin_Alias SET Width = NULL WHERE Name = 'C.Web'"),
                   QStringLiteral("UPDATE Vardelin_Alias SET Width = -3 WHERE Name = 'C.Office'")});
    const int rows = [this] {
        Database db;
        return db.open(m_path)
                   ? scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Alias")).toInt()
                   : -1;
    }();
    QVERIFY(rows > int(earlierWidths.size()));

    for (int opening = 0; opening < 2; ++opening) {
        Database db;
        QVERIFY(db.open(m_path));
        QCOMPARE(scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), Schema::version);
        for (const auto& [name, pixels] : earlierWidths)
            QCOMPARE(widthOf(db, name).toInt(), pixels * 15);
        QCOMPARE(widthOf(db, QStringLiteral("C.Address")).toInt(), earlierHiddenWidth * 15);
        // Hidden columns stay hidden; an empty width stays empty.
        QCOMPARE(widthOf(db, QStringLiteral("C.Job")).toInt(), 0);
        QVERIFY(widthOf(db, QStringLiteral("C.Web")).isNull());
        QCOMPARE(widthOf(db, QStringLiteral("C.Office")).toInt(), -3);
        QCOMPARE(scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Alias")).toInt(), rows);
    }
}

void TestWidthMigration::unconvertibleWidthLeavesTheFileUntouched()
{
    writeEarlierBook(m_path);
    runOn(m_path,
          {QStringLiteral("UPDATE Vardelin_Alias SET Width = '宽一点' WHERE Name = 'C.Post'")});
    const QByteArray before = digestOf(m_path);
    {
        Database db;
        const Status opened = db.open(m_path);
        QVERIFY(!opened);
        QCOMPARE(opened.error().number, WidthMigration::unconvertibleWidth);
        QVERIFY2(opened.error().description.contains(QStringLiteral("宽一点")),
                 qPrintable(opened.error().description));
        QVERIFY(!db.isOpen());
    }
    QCOMPARE(digestOf(m_path), before);
    for (const char* suffix : {"-journal", "-wal"})
        QVERIFY(!QFile::exists(m_path + QString::fromLatin1(suffix)));
}

void TestWidthMigration::failureHalfwayRollsEverythingBack()
{
    writeEarlierBook(m_path);
    // The last row refuses its update after the others were rewritten.
    runOn(m_path, {QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF Width ON Vardelin_Alias "
                                  "WHEN NEW.ID = (SELECT max(ID) FROM Vardelin_Alias) "
                                  "BEGIN SELECT RAISE(ABORT, 'refused'); END")});
    const QByteArray before = digestOf(m_path);
    {
        Database db;
        QVERIFY(!db.open(m_path));
    }
    QCOMPARE(digestOf(m_path), before);
}

void TestWidthMigration::wholeNumbersOfAnyStoredTypeConvert()
{
    QVERIFY(Database::create(m_path));
    Database db;
    QVERIFY(db.open(m_path));
    // Stored as a blob, as a real and as an integer.
    QVERIFY(db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = CAST(' 80' AS BLOB) "
                                   "WHERE Name = 'C.Name'")));
    QCOMPARE(
        scalar(db, QStringLiteral("SELECT typeof(Width) FROM Vardelin_Alias WHERE Name = 'C.Name'"))
            .toString(),
        QStringLiteral("blob"));
    QVERIFY(
        db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = 120.0 WHERE Name = 'T.Name'")));
    QVERIFY(db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = 7 WHERE Name = 'C.Post'")));

    // A blob is no number.
    auto refused = db.transaction([&db] { return WidthMigration::toTwips(db); });
    QVERIFY(!refused);
    QCOMPARE(refused.error().number, WidthMigration::unconvertibleWidth);
    QCOMPARE(widthOf(db, QStringLiteral("C.Post")).toInt(), 7);

    QVERIFY(
        db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = 12.5 WHERE Name = 'C.Name'")));
    QVERIFY(!db.transaction([&db] { return WidthMigration::toTwips(db); }));

    QVERIFY(db.exec(QStringLiteral("UPDATE Vardelin_Alias SET Width = 80 WHERE Name = 'C.Name'")));
    QVERIFY(db.transaction([&db] { return WidthMigration::toTwips(db); }));
    QCOMPARE(widthOf(db, QStringLiteral("C.Name")).toInt(), 1200);
    QCOMPARE(widthOf(db, QStringLiteral("T.Name")).toInt(), 1800);
    QCOMPARE(widthOf(db, QStringLiteral("C.Post")).toInt(), 105);
}

void TestWidthMigration::foreignUnstampedFileIsRefusedAsForeign()
{
    // Another program's file, unstamped like any SQLite file, without the column table.
    runOn(m_path, {QStringLiteral("CREATE TABLE Notes (ID INTEGER PRIMARY KEY, Text TEXT)")});
    const QByteArray before = digestOf(m_path);
    Database db;
    const Status opened = db.open(m_path);
    QVERIFY(!opened);
    QCOMPARE(opened.error().number, SqliteCode::NotADatabase);
    QVERIFY2(opened.error().description.contains(QStringLiteral("不是本程序的数据库")),
             qPrintable(opened.error().description));
    QCOMPARE(digestOf(m_path), before);
}

QTEST_GUILESS_MAIN(TestWidthMigration)
#include "tst_widthmigration.moc"
