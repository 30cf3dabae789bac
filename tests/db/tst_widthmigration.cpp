// SPDX-License-Identifier: GPL-3.0-or-later
// Opening an address book written by the earlier build, whose list widths are in pixels: they
// are converted to twips once, in one transaction, and a file that cannot be converted is left
// exactly as it was.
#include "TestDatabase.h"

#include "db/Schema.h"
#include "db/WidthMigration.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWidthMigration : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;

    // The book as the earlier build left it at that layout: every width 100 pixels but these.
    void makeEarlier(int layout)
    {
        book->run(u"PRAGMA user_version = %1"_s.arg(layout));
        book->run(u"UPDATE Vardelin_Alias SET Width = CASE Name WHEN 'T.Name' THEN 90 WHEN "
                  "'C.Moblie1' THEN 110 WHEN 'C.CompanyName' THEN 170 ELSE 100 END"_s);
    }

    QString widthsOf(const QStringList& names)
    {
        QStringList widths;
        for (const QString& name : names)
            widths << name + u'=' +
                          book->scalar(u"SELECT Width FROM Vardelin_Alias WHERE Name = ?"_s, {name})
                              .toString();
        return widths.join(u' ');
    }

    QByteArray contents()
    {
        QFile file(book->path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

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
        const QStringList names{u"C.Name"_s, u"T.Name"_s, u"C.Moblie1"_s, u"C.CompanyName"_s,
                                u"C.Job"_s,  u"C.Web"_s,  u"C.Office"_s};
        QCOMPARE(widthsOf(names.first(4)),
                 u"C.Name=1500 T.Name=1350 C.Moblie1=1650 C.CompanyName=2550"_s);
        makeEarlier(layout);
        // Hidden columns stay hidden; an empty width stays empty.
        book->run(u"UPDATE Vardelin_Alias SET Width = CASE Name WHEN 'C.Job' THEN 0 WHEN 'C.Web' "
                  "THEN NULL WHEN 'C.Office' THEN -3 WHEN 'C.Name' THEN 80.0 ELSE Width END"_s);
        for (int opening = 0; opening < 2; ++opening) {
            QVERIFY(book->db().open(book->path()));
            QCOMPARE(book->scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
            QCOMPARE(widthsOf(names), u"C.Name=1200 T.Name=1350 C.Moblie1=1650 C.CompanyName=2550 "
                                      "C.Job=0 C.Web= C.Office=-3"_s);
        }
    }

    void refusedFileIsLeftExactlyAsItWas_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("told"); // empty: any error
        QTest::newRow("text") << u"'宽一点'"_s << u"“宽一点”不是整数"_s;
        QTest::newRow("fraction") << u"12.5"_s << u"“12.5”不是整数"_s;
        QTest::newRow("blob") << u"CAST('80' AS BLOB)"_s << u"“80”不是整数"_s;
        // The last row refuses its update after the others were rewritten.
        QTest::newRow("failure halfway") << QString() << QString();
    }

    void refusedFileIsLeftExactlyAsItWas()
    {
        QFETCH(QString, width);
        QFETCH(QString, told);
        makeEarlier(1);
        if (width.isEmpty())
            book->run(
                u"CREATE TRIGGER refuse BEFORE UPDATE OF Width ON Vardelin_Alias WHEN NEW.ID "
                "= (SELECT max(ID) FROM Vardelin_Alias) BEGIN SELECT RAISE(ABORT, 'x'); END"_s);
        else
            book->run(u"UPDATE Vardelin_Alias SET Width = %1 WHERE Name = 'C.Post'"_s.arg(width));
        const QByteArray before = contents();
        const Status opened = book->db().open(book->path());
        QVERIFY(!opened && !book->db().isOpen());
        if (!told.isEmpty())
            QCOMPARE(opened.error().number, WidthMigration::unconvertibleWidth);
        QVERIFY2(opened.error().description.contains(told), qPrintable(opened.error().description));
        QCOMPARE(contents(), before);
        QVERIFY(!QFile::exists(book->path() + u"-journal"_s));
    }
};

QTEST_GUILESS_MAIN(TestWidthMigration)
#include "tst_widthmigration.moc"
