// SPDX-License-Identifier: GPL-3.0-or-later
// Starting on an address book of the earlier build: its list shows the columns as wide as that
// build showed them, and a file whose widths cannot be converted ends the start with the error
// box, unchanged.
#include "RunningMain.h"

#include "db/ListWidths.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Layout 1 as the earlier build left it, with the list's columns Name (120 pixels) and Mobile
// (80 pixels) shown; extra runs after it on the file.
void writeEarlierBook(const QString& path, const QString& extra = {})
{
    QVERIFY(Database::create(path));
    const QString name = u"earlier-build"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QStringList statements{u"PRAGMA user_version = 1"_s,
                               u"UPDATE Vardelin_Alias SET IsDisplay = 0, Width = 100"_s,
                               u"UPDATE Vardelin_Alias SET IsDisplay = 1, Seq = 1, Width = 120 "
                               "WHERE Name = 'C.Name'"_s,
                               u"UPDATE Vardelin_Alias SET IsDisplay = 1, Seq = 2, Width = 80 "
                               "WHERE Name = 'C.Moblie1'"_s};
        if (!extra.isEmpty())
            statements << extra;
        for (const QString& statement : statements) {
            QSqlQuery q(db);
            QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

class TestStartUpWidths : public QObject {
    Q_OBJECT

private slots:
    void earlierColumnsKeepTheirWidthOnScreen();
    void unconvertibleFileEndsTheStartUntouched();

private:
    QTemporaryDir m_dir;
};

void TestStartUpWidths::earlierColumnsKeepTheirWidthOnScreen()
{
    const QString path = m_dir.filePath(u"good.xml"_s);
    writeEarlierBook(path);
    RunningMain main;
    QVERIFY(main.start(path));
    QVERIFY(main.prompter.scriptDone());
    ContactListView* list = main.list();
    const qreal dpi = list->logicalDpiX();
    QCOMPARE(list->columnWidth(0), ListWidths::pixelsFromTwips(1800, dpi));
    QCOMPARE(list->columnWidth(1), ListWidths::pixelsFromTwips(1200, dpi));
    if (qFuzzyCompare(dpi, qreal(ListWidths::referenceDpi))) {
        QCOMPARE(list->columnWidth(0), 120);
        QCOMPARE(list->columnWidth(1), 80);
    }
}

void TestStartUpWidths::unconvertibleFileEndsTheStartUntouched()
{
    const QString path = m_dir.filePath(u"bad.xml"_s);
    writeEarlierBook(path, u"UPDATE Vardelin_Alias SET Width = 'wide' WHERE Name = 'C.Tel1'"_s);
    const QByteArray before = digestOf(path);
    RunningMain main;
    main.prompter.expectMessage();
    QVERIFY(!main.start(path));
    QVERIFY(main.prompter.scriptDone());
    const ScriptedPrompter::Shown& shown = main.prompter.shown().last();
    QCOMPARE(shown.title, u"错误20"_s);
    QCOMPARE(shown.icon, Prompter::Icon::Critical);
    QVERIFY(shown.text.contains(u"wide"_s));
    QVERIFY(!main.db.isOpen());
    QCOMPARE(digestOf(path), before);
}

QTEST_MAIN(TestStartUpWidths)
#include "tst_startupwidths.moc"
