// SPDX-License-Identifier: GPL-3.0-or-later
// A list column keeps each cell apart however its text was encoded.
#include "contacts/CellColumn.h"

#include <QTest>

class TestCellColumn : public QObject {
    Q_OBJECT

private slots:
    void cellsKeepTheirBoundsAndText()
    {
        CellColumn column;
        column.appendUtf8("13800138000");
        column.appendUtf8("");
        column.appendUtf8("张三 O'Brien");
        column.push_back(u"李四");
        column.appendUtf8("a\xff"
                          "b");        // a malformed byte
        column.appendUtf8("\xe5\xbc"); // a character cut short
        column.squeeze();
        QCOMPARE(column.size(), 6u);
        QCOMPARE(column[0], u"13800138000");
        QVERIFY(column[1].isEmpty());
        QCOMPARE(column[2], u"张三 O'Brien");
        QCOMPARE(column.view(3), u"李四");
        QCOMPARE(column[4], u"a\ufffdb");
        QVERIFY(!column[5].contains(u'张'));
        QVERIFY(column[5].size() <= 2);
    }
};

QTEST_GUILESS_MAIN(TestCellColumn)
#include "tst_cellcolumn.moc"
