// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the text list cells are sorted by, and of the order it gives.
#include "contacts/SortKey.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <string>

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
        QTest::newRow("carry into no integer") << u".995"_s << u"0000000000001.00"_s;
        QTest::newRow("carry past leading zeros") << u"0099.995"_s << u"0000000000100.00"_s;
        QTest::newRow("30 digits")
            << u"-123456789012345678901234567890.999"_s << u"-123456789012345678901234567891.00"_s;
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

    // Every text of up to two printable characters, and longer mixes of case, digits and
    // punctuation: the keys built without the collator give the collator's order.
    void asciiKeysOrderAsTheCollator()
    {
        QVERIFY(SortKey::hasAsciiKeys());
        std::vector<QString> texts{QString()};
        for (char16_t a = u' '; a <= u'~'; ++a) {
            texts.push_back(QString(QChar(a)));
            for (char16_t b = u' '; b <= u'~'; ++b)
                texts.push_back(QString(QChar(a)) + QChar(b));
        }
        const QString common = u"aAbBzZ09.-_@+ "_s;
        QRandomGenerator random(7);
        for (int i = 0; i < 3000; ++i) {
            QString text;
            for (int length = int(random.bounded(2, 12)); length > 0; --length)
                text += random.bounded(3) ? common[random.bounded(int(common.size()))]
                                          : QChar(char16_t(random.bounded(32, 127)));
            texts.push_back(text);
        }
        std::vector<std::string> keys;
        for (const QString& text : texts) {
            QVERIFY(SortKey::isPlainAscii(text));
            keys.emplace_back();
            SortKey::appendAsciiKey(text, keys.back());
        }
        std::vector<int> byAsciiKey(texts.size());
        std::iota(byAsciiKey.begin(), byAsciiKey.end(), 0);
        std::stable_sort(byAsciiKey.begin(), byAsciiKey.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
        QCOMPARE(byAsciiKey, SortKey::order(texts, Qt::AscendingOrder));
        QVERIFY(!SortKey::isPlainAscii(u"a\tb"_s));
        QVERIFY(!SortKey::isPlainAscii(u"王"_s));
    }
};

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
