// SPDX-License-Identifier: GPL-3.0-or-later
// The contrast ratio of two colours, against values WCAG's own examples and tools give.
#include "ui/Contrast.h"

#include <QTest>

class TestContrast : public QObject {
    Q_OBJECT

private slots:
    void ratio_data()
    {
        QTest::addColumn<quint32>("first");
        QTest::addColumn<quint32>("second");
        QTest::addColumn<double>("expected");
        QTest::newRow("black on white") << 0x000000u << 0xFFFFFFu << 21.0;
        QTest::newRow("white on black, either order") << 0xFFFFFFu << 0x000000u << 21.0;
        QTest::newRow("#767676 on white just passes") << 0x767676u << 0xFFFFFFu << 4.54;
        QTest::newRow("#777777 on white just fails") << 0x777777u << 0xFFFFFFu << 4.48;
        QTest::newRow("pure red on white") << 0xFF0000u << 0xFFFFFFu << 4.0;
        QTest::newRow("alpha byte ignored") << 0xFF000000u << 0x00FFFFFFu << 21.0;
    }
    void ratio()
    {
        QFETCH(quint32, first);
        QFETCH(quint32, second);
        QFETCH(double, expected);
        QCOMPARE(qRound(Contrast::ratio(first, second) * 100), qRound(expected * 100));
    }
};

QTEST_GUILESS_MAIN(TestContrast)
#include "tst_contrast.moc"
