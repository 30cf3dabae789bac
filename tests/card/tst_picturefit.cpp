// SPDX-License-Identifier: GPL-3.0-or-later
// The size a picture is shown at in its frame: whole, never enlarged, at any scale it needs.
#include "card/PictureFit.h"

#include <QTest>

class TestPictureFit : public QObject {
    Q_OBJECT

private slots:
    void picturesAreShownWholeInTheirFrame_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("room");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("fits") << QSize(40, 30) << QSize(500, 400) << QSize(40, 30);
        QTest::newRow("fits exactly") << QSize(500, 400) << QSize(500, 400) << QSize(500, 400);
        QTest::newRow("wider than the room")
            << QSize(1000, 500) << QSize(500, 400) << QSize(500, 250);
        QTest::newRow("taller than the room")
            << QSize(300, 800) << QSize(500, 400) << QSize(150, 400);
        QTest::newRow("3000 x 2000 at a sixth")
            << QSize(3000, 2000) << QSize(500, 400) << QSize(500, 333);
        QTest::newRow("far below a quarter")
            << QSize(12000, 9000) << QSize(400, 300) << QSize(400, 300);
        QTest::newRow("one side too large only")
            << QSize(600, 100) << QSize(500, 400) << QSize(500, 83);
        QTest::newRow("a thread keeps a pixel")
            << QSize(30000, 2) << QSize(500, 400) << QSize(500, 1);
        QTest::newRow("room of one pixel") << QSize(800, 600) << QSize(1, 1) << QSize(1, 1);
        QTest::newRow("no room") << QSize(800, 600) << QSize(0, 300) << QSize();
        QTest::newRow("no picture") << QSize() << QSize(500, 400) << QSize();
    }

    void picturesAreShownWholeInTheirFrame()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, room);
        QFETCH(QSize, shown);
        QCOMPARE(PictureFit::shownSize(picture, room), shown);
    }
};

QTEST_GUILESS_MAIN(TestPictureFit)
#include "tst_picturefit.moc"
