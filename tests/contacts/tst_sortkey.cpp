// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the text list cells are sorted by, and of the order it gives.
#include "contacts/SortKey.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::vector<QString> keysOf(const QStringList& cells)
{
    std::vector<QString> keys;
    for (const QString& cell : cells)
        keys.push_back(SortKey::of(cell));
    return keys;
}

QList<int> asList(const std::vector<int>& positions)
{
    return QList<int>(positions.begin(), positions.end());
}

} // namespace

class TestSortKey : public QObject {
    Q_OBJECT

private slots:
    void numbersArePaddedAndRounded_data();
    void numbersArePaddedAndRounded();
    void otherTextIsItsOwnKey_data();
    void otherTextIsItsOwnKey();
    void keyedNumbersSortByValue();
    void chineseSortsByPinyin();
    void equalKeysKeepTheirOrderBothWays();
    void descendingReversesDistinctKeys();
};

// Worked out from the rule: at least 13 integer digits with leading zeros,
// exactly two decimals rounded half away from zero, a minus only on a value
// that is not zero after rounding.
void TestSortKey::numbersArePaddedAndRounded_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("key");

    QTest::newRow("4096") << u"4096"_s << u"0000000004096.00"_s;
    QTest::newRow("7") << u"7"_s << u"0000000000007.00"_s;
    QTest::newRow("0") << u"0"_s << u"0000000000000.00"_s;
    QTest::newRow("mobile number") << u"13800138000"_s << u"0013800138000.00"_s;
    QTest::newRow("13 digits") << u"1234567890123"_s << u"1234567890123.00"_s;
    QTest::newRow("leading zeros dropped first") << u"007"_s << u"0000000000007.00"_s;
    QTest::newRow("20 digits of leading zeros")
        << u"00000000000000000042"_s << u"0000000000042.00"_s;
    QTest::newRow("3.14159 rounds down") << u"3.14159"_s << u"0000000000003.14"_s;
    QTest::newRow("3.145 rounds up") << u"3.145"_s << u"0000000000003.15"_s;
    // A binary double holds 2.675 as 2.67499…; the digits themselves say up.
    QTest::newRow("2.675 rounds up") << u"2.675"_s << u"0000000000002.68"_s;
    QTest::newRow("0.0049999 rounds down") << u"0.0049999"_s << u"0000000000000.00"_s;
    QTest::newRow("0.005") << u"0.005"_s << u"0000000000000.01"_s;
    QTest::newRow("9.995 carries") << u"9.995"_s << u"0000000000010.00"_s;
    QTest::newRow("99.999 carries twice") << u"99.999"_s << u"0000000000100.00"_s;
    QTest::newRow("carry past 13 digits") << u"9999999999999.995"_s << u"10000000000000.00"_s;
    QTest::newRow(".5") << u".5"_s << u"0000000000000.50"_s;
    QTest::newRow(".995") << u".995"_s << u"0000000000001.00"_s;
    QTest::newRow("5.") << u"5."_s << u"0000000000005.00"_s;
    QTest::newRow("one decimal") << u"12.3"_s << u"0000000000012.30"_s;
    QTest::newRow("blanks around") << u"  12 "_s << u"0000000000012.00"_s;
    QTest::newRow("tab and newline around") << u"\t12\n"_s << u"0000000000012.00"_s;
    QTest::newRow("-5") << u"-5"_s << u"-0000000000005.00"_s;
    QTest::newRow("-2.5") << u"-2.5"_s << u"-0000000000002.50"_s;
    QTest::newRow("-0.005 rounds away from zero") << u"-0.005"_s << u"-0000000000000.01"_s;
    QTest::newRow("-0") << u"-0"_s << u"0000000000000.00"_s;
    QTest::newRow("-0.004 is zero") << u"-0.004"_s << u"0000000000000.00"_s;
    QTest::newRow("+5") << u"+5"_s << u"0000000000005.00"_s;
    QTest::newRow("18 digits keep every digit")
        << u"123456789012345678"_s << u"123456789012345678.00"_s;
    QTest::newRow("identity card number with decimals")
        << u"110101199003078888.125"_s << u"110101199003078888.13"_s;
}

void TestSortKey::numbersArePaddedAndRounded()
{
    QFETCH(QString, cell);
    QFETCH(QString, key);
    QCOMPARE(SortKey::of(cell), key);
}

void TestSortKey::otherTextIsItsOwnKey_data()
{
    QTest::addColumn<QString>("cell");

    QTest::newRow("telephone with a dash") << u"010-12345678"_s;
    QTest::newRow("Chinese") << u"张三"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks only") << u"   "_s;
    QTest::newRow("date") << u"2024-01-05"_s;
    QTest::newRow("exponent") << u"1e5"_s;
    QTest::newRow("thousands separator") << u"1,000"_s;
    QTest::newRow("two points") << u"1.2.3"_s;
    QTest::newRow("blank inside") << u"1 2"_s;
    QTest::newRow("point only") << u"."_s;
    QTest::newRow("sign only") << u"-"_s;
    QTest::newRow("two signs") << u"--5"_s;
    QTest::newRow("sign after") << u"5-"_s;
    QTest::newRow("hexadecimal") << u"0x1F"_s;
    QTest::newRow("full-width digits") << u"１２"_s;
    QTest::newRow("text with blanks kept") << u"  QQ 12345 "_s;
    QTest::newRow("unit after") << u"100元"_s;
}

void TestSortKey::otherTextIsItsOwnKey()
{
    QFETCH(QString, cell);
    const QString key = SortKey::of(cell);
    QCOMPARE(key, cell);
    QCOMPARE(key.isNull(), cell.isNull());
}

void TestSortKey::keyedNumbersSortByValue()
{
    const QStringList cells{u"10"_s,   u"9"_s,           u"100"_s,   u"2.5"_s,
                            u"0.75"_s, u"13800138000"_s, u"1000.5"_s};
    // By value: 0.75, 2.5, 9, 10, 100, 1000.5, 13800138000.
    QCOMPARE(asList(SortKey::order(keysOf(cells), Qt::AscendingOrder)),
             (QList<int>{4, 3, 1, 0, 2, 6, 5}));
    QCOMPARE(asList(SortKey::order(keysOf(cells), Qt::DescendingOrder)),
             (QList<int>{5, 6, 2, 0, 1, 3, 4}));
}

void TestSortKey::chineseSortsByPinyin()
{
    // zhang, li, an, zhao, chen, liu, wang
    const QStringList cells{u"张三"_s, u"李四"_s, u"安娜"_s, u"赵六"_s,
                            u"陈七"_s, u"刘八"_s, u"王五"_s};
    // an, chen, li, liu, wang, zhang, zhao
    QCOMPARE(asList(SortKey::order(keysOf(cells), Qt::AscendingOrder)),
             (QList<int>{2, 4, 1, 5, 6, 0, 3}));
}

void TestSortKey::equalKeysKeepTheirOrderBothWays()
{
    // Positions 0, 2 and 4 share one key, as do 1 and 3: "5", "5.00" and " 5"
    // are the same number.
    const QStringList cells{u"5"_s, u"李"_s, u"5.00"_s, u"李"_s, u" 5"_s};
    const auto keys = keysOf(cells);
    QCOMPARE(asList(SortKey::order(keys, Qt::AscendingOrder)), (QList<int>{0, 2, 4, 1, 3}));
    QCOMPARE(asList(SortKey::order(keys, Qt::DescendingOrder)), (QList<int>{1, 3, 0, 2, 4}));

    const std::vector<QString> allEqual(6, u"同"_s);
    for (Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder})
        QCOMPARE(asList(SortKey::order(allEqual, direction)), (QList<int>{0, 1, 2, 3, 4, 5}));
}

void TestSortKey::descendingReversesDistinctKeys()
{
    const std::vector<QString> keys =
        keysOf({u"赵"_s, u"3"_s, u"安"_s, u"Beta"_s, u"12"_s, u"alpha"_s, u"王"_s, QString()});
    std::vector<int> ascending = SortKey::order(keys, Qt::AscendingOrder);
    const std::vector<int> descending = SortKey::order(keys, Qt::DescendingOrder);
    QCOMPARE(ascending.size(), keys.size());
    std::reverse(ascending.begin(), ascending.end());
    QCOMPARE(descending, ascending);
    // The empty cell first, numbers before letters.
    const std::vector<int> up = SortKey::order(keys, Qt::AscendingOrder);
    QCOMPARE(up[0], 7);
    QCOMPARE(up[1], 1);
    QCOMPARE(up[2], 4);
}

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
