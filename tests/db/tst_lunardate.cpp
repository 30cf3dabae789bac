// SPDX-License-Identifier: GPL-3.0-or-later
// Lunar dates by the Chinese calendar: their wording, and the solar day a lunar birthday falls
// on, across a leap month and a 30th the year lacks. Days checked against printed calendars.
#include "db/LunarDate.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLunarDate : public QObject {
    Q_OBJECT

private slots:
    void solarDaysReadAsCalendarsPrintThem_data()
    {
        QTest::addColumn<QDate>("solar");
        QTest::addColumn<QString>("lunar");
        QTest::newRow("new year 2023") << QDate(2023, 1, 22) << u"农历正月初一"_s;
        QTest::newRow("last of the ordinary 2nd month") << QDate(2023, 3, 21) << u"农历二月三十"_s;
        QTest::newRow("first of the leap 2nd month") << QDate(2023, 3, 22) << u"农历闰二月初一"_s;
        QTest::newRow("20th of the 11th month") << QDate(2023, 1, 11) << u"农历腊月二十"_s;
        QTest::newRow("tenth month") << QDate(2026, 12, 6) << u"农历十月廿八"_s;
        QTest::newRow("eleventh month") << QDate(2023, 12, 13) << u"农历冬月初一"_s;
    }

    void solarDaysReadAsCalendarsPrintThem()
    {
        QFETCH(QDate, solar);
        QFETCH(QString, lunar);
        const auto day = LunarDate::of(solar);
        QVERIFY(day);
        QCOMPARE(LunarDate::text(*day), lunar);
        QCOMPARE(LunarDate::solarOf(day->year, day->month, day->leap, day->day), solar);
        QCOMPARE(LunarDate::text({0, 13, false, 1}), QString());
    }

    void birthdaysFallOnThisLunarYearsDay_data()
    {
        QTest::addColumn<QDate>("born");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("birthday");
        QTest::newRow("leap 2nd month in 2024, which lacks it: the ordinary 2nd month")
            << QDate(2023, 3, 22) << QDate(2024, 1, 1) << QDate(2024, 3, 10);
        QTest::newRow("1st month's 30th in 2023, whose 1st month has 29 days")
            << QDate(2022, 3, 2) << QDate(2023, 1, 1) << QDate(2023, 2, 19);
        QTest::newRow("passed this lunar year: the next one's new year")
            << QDate(2022, 2, 1) << QDate(2026, 1, 20) << QDate(2026, 2, 17);
        QTest::newRow("today itself")
            << QDate(2000, 4, 8) << QDate(2026, 4, 20) << QDate(2026, 4, 20);
    }

    void birthdaysFallOnThisLunarYearsDay()
    {
        QFETCH(QDate, born);
        QFETCH(QDate, from);
        QFETCH(QDate, birthday);
        QCOMPARE(LunarDate::nextBirthday(born, from), birthday);
    }
};

QTEST_GUILESS_MAIN(TestLunarDate)
#include "tst_lunardate.moc"
