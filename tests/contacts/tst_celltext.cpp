// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a list cell (how it is kept, shown on one line and sorted) and the letter tab
// computed from a contact's name.
#include "contacts/CellColumn.h"
#include "contacts/PinyinInitial.h"
#include "contacts/SortKey.h"
#include "contacts/VisibleText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCellText : public QObject {
    Q_OBJECT

private slots:
    // A column keeps each cell apart however its text was encoded: a bad byte, a cut character.
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

    void initial_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // Rows "name letter GBK", the first character's GBK code in hex or 0 for none.
        const auto rows = [](const QString& table) {
            for (const QString& row : table.split(u'|')) {
                const QStringList parts = row.split(u' ');
                QTest::addRow("%s", qPrintable(parts[0])) << parts[0] << parts[1];
            }
        };
        rows(u"张三 Z 0|王五 W 0|李四 L 0|安 A 0"_s);
        // Level 1 goes by GBK position: the two ends of a few letters' runs.
        rows(u"啊 A B0A1|澳 A B0C4|芭 B B0C5|诺 N C5B5|哦 O C5B6|沤 O C5BD|啪 P C5BE|孕 Y D4D0|"
             "匝 Z D4D1|座 Z D7F9"_s);
        // ICU reads 单 as Shàn when a surname, which must not move a level-1 character.
        rows(u"单 D B5A5"_s);
        // Beyond level 1 the surname reading mends what GBK position alone would file under Z or 0.
        rows(u"闫妮 Y E3C6|芮 R DCC7|蔺 L DDFE|讴 O DAA9|張三 Z 8F88|盃 B B0A0"_s);
        // A traditional form is read as its simplified one, as a surname: 單 Shàn, 區 Ōu, 長 Cháng;
        // the level-1 simplified forms keep their GBK position's letter.
        rows(u"單雄信 S 86CE|區 O 855E|長 C E94C|区 Q C7F8|长 C B3A4"_s);
        // Surnames ICU reads the common way; 闞 is the traditional form of 阚.
        rows(u"阚泽 K E3DB|闞 K EA52|乜 N D8BF|莘 S DDB7|覃 Q F1FB|澹台 T E5A3"_s);
        // Compound surnames outside level 1 by the whole surname's reading: 萬俟 Mòqí though 萬
        // alone is Wàn, 單于 Chányú, 長孫 Zhǎngsūn; in level 1 the GBK position still rules.
        rows(u"萬俟卨 M C866|萬 W C866|万俟卨 W CDF2|單于 C 86CE|單於 C 86CE|長孫無忌 Z E94C|"
             "諸葛亮 Z D654|歐陽修 O 9A57"_s);
        // Outside GBK; ICU 72 has no reading for 﨎.
        rows(u"\U00020000 H 0|\uF900 Q 0|\U0002F800 L 0|\uFA0E Z FE42|wang W 0|Zhang Z 0|a A 0"_s);
        // Not a letter: ICU reads 〇 as líng, but it is a symbol rather than an ideograph.
        rows(u"，张 0 0|１号 0 0|〇 0 0|é 0 0"_s);
        QTest::newRow("empty") << QString() << u"0"_s;
        // Names that start with neither a letter nor Han keep their text; GBK has É only as a
        // fallback to the pinyin letter é, which would give "0".
        for (const QString& kept : {u"\U00030000三"_s, u"3M公司"_s, u"(张)"_s, u"€100"_s,
                                    u"\U0001F600张"_s, u"Éric"_s, QString(QChar(0xD800))})
            QTest::addRow("%s", qPrintable(kept)) << kept << kept;
    }

    void initial()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(pinyinInitial(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_celltext.moc"
