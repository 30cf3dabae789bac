// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a list cell: how it is kept, shown on one line, and sorted.
#include "contacts/CellColumn.h"
#include "contacts/SortKey.h"
#include "contacts/VisibleText.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <string>

using namespace Qt::StringLiterals;

class TestCellText : public QObject {
    Q_OBJECT

private slots:
    // A column keeps each cell apart however its text was encoded: a malformed byte, then a
    // character cut short.
    void cellsKeepTheirBoundsAndText()
    {
        CellColumn column;
        for (const char* utf8 : {"13800138000", "",
                                 "a\xff"
                                 "b",
                                 "\xe5\xbc"})
            column.appendUtf8(utf8);
        column.push_back(u"李四");
        column.squeeze();
        QCOMPARE(column.size(), 5u);
        QCOMPARE(column[0], u"13800138000");
        QVERIFY(column[1].isEmpty());
        QCOMPARE(column[2], u"a\ufffdb");
        QVERIFY(!column[3].contains(u'张') && column[3].size() <= 2);
        QCOMPARE(column.view(4), u"李四");
    }

    void signsStandForInvisibleCharacters_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain text unchanged")
            << u"张三 O'Brien 100% ·↵"_s << u"张三 O'Brien 100% ·↵"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("CR LF is one break, trailing") << u"张\r\n三\n"_s << u"张↵三↵"_s;
        QTest::newRow("CR alone, LF CR twice") << u"a\rb\n\rc"_s << u"a↵b↵↵c"_s;
        QTest::newRow("NEL, line and paragraph separators")
            << u"a\u0085b\u2028c\u2029d"_s << u"a↵b↵c↵d"_s;
        QTest::newRow("tab, NUL, ESC, unit separator, DEL")
            << QString(u"a\tb"_s + QChar(0) + u"c\x1B\x1F\x7F"_s) << u"a␉b␀c␛␟␡"_s;
        QTest::newRow("C1 controls") << u"a\u0080b\u009Fc"_s << u"a·b·c"_s;
        QTest::newRow("beyond the BMP untouched") << u"𠀀\n𠀀"_s << u"𠀀↵𠀀"_s;
    }

    void signsStandForInvisibleCharacters()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QCOMPARE(VisibleText::oneLine(stored), shown);
    }

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

    // Numbers by value, then Han by pinyin; 9 and 9.00, and the two 李, tie.
    void orderOfCells()
    {
        std::vector<QString> keys;
        for (const QString& cell : u"10,9,张,李,陈,9.00,李,安,2.5"_s.split(u','))
            keys.push_back(SortKey::of(cell));
        QCOMPARE(SortKey::order(keys, Qt::AscendingOrder),
                 (std::vector<int>{8, 1, 5, 0, 7, 4, 3, 6, 2}));
        QCOMPARE(SortKey::order(keys, Qt::DescendingOrder),
                 (std::vector<int>{2, 3, 6, 4, 7, 0, 1, 5, 8}));
    }

    // Every text of up to two printable characters, and random mixes of case, digits and
    // punctuation: the keys built without the collator give the collator's order.
    void asciiKeysOrderAsTheCollator()
    {
        std::vector<QString> texts{QString()};
        for (char16_t a = u' '; a <= u'~'; ++a) {
            texts.push_back(QString(QChar(a)));
            for (char16_t b = u' '; b <= u'~'; ++b)
                texts.push_back(QString(QChar(a)) + QChar(b));
        }
        const QString common = u"aAbBzZ09.-_@+ "_s;
        QRandomGenerator random(7);
        for (int i = 0; i < 3000; ++i) {
            QString& text = texts.emplace_back();
            for (int length = int(random.bounded(2, 12)); length > 0; --length)
                text += random.bounded(3) ? common[random.bounded(int(common.size()))]
                                          : QChar(char16_t(random.bounded(32, 127)));
        }
        std::vector<std::string> keys(texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i)
            SortKey::appendAsciiKey(texts[i], keys[i]);
        std::vector<int> byAsciiKey(texts.size());
        std::iota(byAsciiKey.begin(), byAsciiKey.end(), 0);
        std::ranges::stable_sort(byAsciiKey, [&](int a, int b) { return keys[a] < keys[b]; });
        QCOMPARE(byAsciiKey, SortKey::order(texts, Qt::AscendingOrder));
        QVERIFY(SortKey::isPlainAscii(texts.back()) && !SortKey::isPlainAscii(u"a\tb"_s) &&
                !SortKey::isPlainAscii(u"王"_s));
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_celltext.moc"
