// SPDX-License-Identifier: GPL-3.0-or-later
// The one conversion of list widths between twips and pixels.
#include "db/ListWidths.h"

#include <QTest>

class TestListWidths : public QObject {
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
            << qint64(9'000'000'000'000) << qreal(96) << ListWidths::largestPixels;
    }

    void pixelsFromTwips()
    {
        QFETCH(qint64, twips);
        QFETCH(qreal, dpi);
        QFETCH(int, pixels);
        QCOMPARE(ListWidths::pixelsFromTwips(twips, dpi), pixels);
    }

    void twipsFromPixelsRoundTrips()
    {
        QCOMPARE(ListWidths::twipsFromPixels(110, 144), 1100);
        QCOMPARE(ListWidths::twipsFromPixels(-4, 96), 0);
        for (int pixels : {1, 7, 99, 1920})
            for (qreal dpi : {96.0, 120.0, 144.0})
                QCOMPARE(ListWidths::pixelsFromTwips(ListWidths::twipsFromPixels(pixels, dpi), dpi),
                         pixels);
    }
};

QTEST_GUILESS_MAIN(TestListWidths)
#include "tst_listwidths.moc"
