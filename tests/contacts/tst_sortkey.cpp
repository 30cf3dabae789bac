// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the text list cells are sorted by, and of the order it gives.
#include "contacts/SortKey.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSortKey : public QObject {
    Q_OBJECT

private slots:
    void keyOfACell_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("key");
        QTest::newRow("padded") << u"+00000000000000004096."_s << u"0000000004096.00"_s;
        QTest::newRow("half up by digits, not double") << u"2.675"_s << u"0000000000002.68"_s;
        QTest::newRow("carry past 13 digits") << u"9999999999999.995"_s << u"10000000000000.00"_s;
        QTest::newRow("18 digits") << u"110101199003078888.125"_s << u"110101199003078888.13"_s;
        QTest::newRow("blanks, sign, no integer") << u"\t-.005 "_s << u"-0000000000000.01"_s;
        QTest::newRow("zero has no minus") << u"-0.004"_s << u"0000000000000.00"_s;
        for (const QString& text : u"010-1234|1e5|1.2.3|.|-|１２| 1 2 |"_s.split(u'|'))
            QTest::addRow("'%s'", qPrintable(text)) << text << text;
    }

    void keyOfACell()
    {
        QFETCH(QString, cell);
        QFETCH(QString, key);
        QCOMPARE(SortKey::of(cell), key);
    }

    void orderOfCells_data()
    {
        QTest::addColumn<QString>("cells");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<std::vector<int>>("expected");
        // Numbers by value, then Han by pinyin; 9 and 9.00, and the two 李, tie.
        const QString cells = u"10,9,张,李,陈,9.00,李,安,2.5"_s;
        QTest::newRow("ascending") << cells << false << std::vector<int>{8, 1, 5, 0, 7, 4, 3, 6, 2};
        QTest::newRow("descending") << cells << true << std::vector<int>{2, 3, 6, 4, 7, 0, 1, 5, 8};
    }

    void orderOfCells()
    {
        QFETCH(QString, cells);
        QFETCH(bool, descending);
        QFETCH(std::vector<int>, expected);
        std::vector<QString> keys;
        for (const QString& cell : cells.split(u','))
            keys.push_back(SortKey::of(cell));
        QCOMPARE(SortKey::order(keys, Qt::SortOrder(descending)), expected);
    }
};

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
