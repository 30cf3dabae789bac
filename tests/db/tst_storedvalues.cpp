// SPDX-License-Identifier: GPL-3.0-or-later
// How values are kept in the address book: list widths in twips, lunar dates (checked against
// printed calendars), pictures in a bag that turns damaged bytes into "no picture", and the
// transform passwords are stored under, worked by hand.
#include "db/ListWidths.h"
#include "db/LunarDate.h"
#include "db/PictureBag.h"
#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStoredValues : public QObject {
    Q_OBJECT

private slots:
    void pixelsFromTwips_data()
    {
        QTest::addColumn<qint64>("twips");
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("half a pixel rounds up") << qint64(1590) << qreal(96) << 106;
        QTest::newRow("scaled at 120 dpi") << qint64(4000) << qreal(120) << 333;
        QTest::newRow("negative hides") << qint64(-300) << qreal(96) << 0;
        QTest::newRow("no resolution reads as 96") << qint64(1000) << qreal(0) << 67;
        QTest::newRow("beyond any screen")
            << qint64(9e12) << qreal(96) << ListWidths::largestPixels;
    }

    void pixelsFromTwips()
    {
        QFETCH(qint64, twips);
        QFETCH(qreal, dpi);
        QFETCH(int, pixels);
        QCOMPARE(ListWidths::pixelsFromTwips(twips, dpi), pixels);
        QCOMPARE(ListWidths::pixelsFromTwips(ListWidths::twipsFromPixels(pixels, dpi), dpi),
                 pixels);
        QCOMPARE(ListWidths::twipsFromPixels(-pixels, dpi), 0);
    }

    void solarDaysReadAsCalendarsPrintThem_data()
    {
        QTest::addColumn<QDate>("solar");
        QTest::addColumn<QString>("lunar");
        QTest::newRow("new year 2023") << QDate(2023, 1, 22) << u"农历正月初一"_s;
        QTest::newRow("last of the ordinary 2nd month") << QDate(2023, 3, 21) << u"农历二月三十"_s;
        QTest::newRow("first of the leap 2nd month") << QDate(2023, 3, 22) << u"农历闰二月初一"_s;
        QTest::newRow("20th of the 11th month") << QDate(2023, 1, 11) << u"农历腊月二十"_s;
        QTest::newRow("tenth month") << QDate(2026, 12, 6) << u"农历十月廿八"_s;
        QTest::newRow("eleventh month") << QDate(2023, 12, 23) << u"农历冬月十一"_s;
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

    void picturesAndNamedEntriesComeBackUnchanged()
    {
        const QByteArray jpeg = QByteArray("\xff\xd8\xff\xe0\0\0", 6).repeated(900) + "\xff\xd9";
        QCOMPARE(PictureBag::pictureOf(PictureBag::ofPicture(jpeg)), std::optional(jpeg));
        QCOMPARE(PictureBag::pictureOf(PictureBag::ofPicture({})), std::optional(QByteArray()));
        PictureBag bag;
        bag.write(u"Picture"_s, "one");
        bag.write(u"图片说明"_s, "two");
        bag.write(u"Picture"_s, "three"); // a second write replaces
        const auto read = PictureBag::fromContents(bag.contents());
        QCOMPARE(read->read(u"Picture"_s), std::optional<QByteArray>("three"));
        QCOMPARE(read->read(u"图片说明"_s), std::optional<QByteArray>("two"));
        QCOMPARE(read->read(u"picture"_s), std::nullopt);
    }

    void damagedBytesGiveNoPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = PictureBag::ofPicture("picture bytes");
        PictureBag other;
        other.write(u"Other"_s, "x");
        QTest::newRow("no picture entry") << other.contents();
        QTest::newRow("a bare JPEG") << QByteArray("\xff\xd8\xff\xe0 JFIF", 9);
        QTest::newRow("later version") << QByteArray(good).replace(7, 1, "\x02");
        QTest::newRow("trailing bytes") << good + "x";
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut at %d", int(length)) << good.left(length);
    }

    void damagedBytesGiveNoPicture()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(PictureBag::pictureOf(bytes), std::nullopt);
    }

    void scrambleWorkedByHand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString fixed = QString::fromUtf16(Scramble::key);
        // A blank flips the case of a Latin letter and so leaves the order in view.
        QTest::newRow("odd length keeps its order") << u"abcde"_s << u" "_s << u"ABCDE"_s;
        QTest::newRow("even length reverses each half") << u"abcdef"_s << u" "_s << u"CBAFED"_s;
        QTest::newRow("key used cyclically") << u"abcdefg"_s << u" !"_s << u"ACCEEGG"_s;
        // 张 0x5F20 ^ 'T' = 0x5F74, 三 0x4E09 ^ 'o' = 0x4E66, '1' ^ 'v' = 'G', '2' ^ 'a' = 'S'.
        QTest::newRow("fixed key, Chinese") << u"张三12"_s << fixed << u"\x4E66\x5F74SG"_s;
        QTest::newRow("control characters") << u"TnQ"_s << fixed << u"\0\x01'"_s;
        // The stored form: the password and the suffix's decimal text.
        QTest::newRow("stored") << u"pw-5"_s << fixed << Scramble::storedPassword(u"pw"_s, -5);
    }

    void scrambleWorkedByHand()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(Scramble::scramble(text, key), expected);
        QCOMPARE(Scramble::unscramble(expected, key), text);
    }

    void storedPasswordsMatchOnlyWithTheirSuffix()
    {
        const QString admin = Scramble::storedPassword(u"admin"_s, 2024);
        QVERIFY(Scramble::matches(admin, u"admin"_s, 2024) &&
                !Scramble::matches(admin, u"admin"_s, 2025));
        QVERIFY(!Scramble::matches(admin, u"Admin"_s, 2024));
    }
};

QTEST_GUILESS_MAIN(TestStoredValues)
#include "tst_storedvalues.moc"
