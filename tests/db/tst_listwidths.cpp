// SPDX-License-Identifier: GPL-3.0-or-later
// The one conversion of list widths between twips and pixels, and back.
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
        QTest::newRow("scaled at 144 dpi") << qint64(1650) << qreal(144) << 165;
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
};

QTEST_GUILESS_MAIN(TestListWidths)
#include "tst_listwidths.moc"
