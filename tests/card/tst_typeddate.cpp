// SPDX-License-Identifier: GPL-3.0-or-later
// Dates as typed into the card: read year, month, day as written, never guessed or corrected.
#include "card/TypedDate.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Kind = TypedDate::Reading::Kind;
Q_DECLARE_METATYPE(Kind)

class TestTypedDate : public QObject {
    Q_OBJECT

private slots:
    void datesAreReadAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QDate>("date");
        const QDate tenth(2001, 9, 10);
        QTest::newRow("as shown") << u"2001-09-10"_s << Kind::Date << tenth;
        QTest::newRow("slashes, short") << u"2001/9/10"_s << Kind::Date << tenth;
        QTest::newRow("dots") << u"2001.9.10"_s << Kind::Date << tenth;
        QTest::newRow("digits only") << u"20010910"_s << Kind::Date << tenth;
        QTest::newRow("Chinese") << u"2001年9月10日"_s << Kind::Date << tenth;
        QTest::newRow("Chinese without 日") << u"2001年09月10"_s << Kind::Date << tenth;
        QTest::newRow("full-width") << u"２００１－０９－１０"_s << Kind::Date << tenth;
        QTest::newRow("blanks around") << u" 2001-9-10\t"_s << Kind::Date << tenth;
        QTest::newRow("leap day") << u"2000-02-29"_s << Kind::Date << QDate(2000, 2, 29);
        QTest::newRow("first day") << u"2001-1-1"_s << Kind::Date << QDate(2001, 1, 1);
        QTest::newRow("empty") << u""_s << Kind::Empty << QDate();
        QTest::newRow("blanks") << u"   "_s << Kind::Empty << QDate();
        for (const QString& refused : {u"2001-02-29"_s,         u"2001-02-30"_s,  u"2001-13-01"_s,
                                       u"2001-00-10"_s,         u"2001-09-31"_s,  u"0000-01-01"_s,
                                       u"20011301"_s,           u"2001-9"_s,      u"01-9-10"_s,
                                       u"10-09-2001"_s,         u"10/9/2001"_s,   u"2001-9/10"_s,
                                       u"2001--9-10"_s,         u"2001-009-10"_s, u"2001910"_s,
                                       u"200109100"_s,          u"2001-09-10x"_s, u"tomorrow"_s,
                                       u"２００１年二月三日"_s, u"٢٠٠١-٠٩-١٠"_s})
            QTest::addRow("refused '%s'", qPrintable(refused))
                << refused << Kind::NotADate << QDate();
    }

    void datesAreReadAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(Kind, kind);
        QFETCH(QDate, date);
        const TypedDate::Reading reading = TypedDate::read(typed);
        QCOMPARE(reading.kind, kind);
        QCOMPARE(reading.date, date);
        if (kind == Kind::Date)
            QCOMPARE(TypedDate::read(TypedDate::shown(date)).date, date);
    }
};

QTEST_GUILESS_MAIN(TestTypedDate)
#include "tst_typeddate.moc"
