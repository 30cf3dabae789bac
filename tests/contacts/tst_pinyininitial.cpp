// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the letter tab computed from a contact name.
#include "contacts/PinyinInitial.h"

#include <QStringDecoder>
#include <QTest>

class TestPinyinInitial : public QObject {
    Q_OBJECT

private slots:
    void commonNames_data();
    void commonNames();
    void levelOneByGbkPosition_data();
    void levelOneByGbkPosition();
    void levelOneIgnoresSurnameReading_data();
    void levelOneIgnoresSurnameReading();
    void beyondLevelOneBySurnameReading_data();
    void beyondLevelOneBySurnameReading();
    void chineseWithoutReadingKeepsGbkResult_data();
    void chineseWithoutReadingKeepsGbkResult();
    void latinLetters_data();
    void latinLetters();
    void doubleByteSymbolsGiveZero_data();
    void doubleByteSymbolsGiveZero();
    void emptyNameGivesZero();
    void otherFirstCharactersReturnWholeName_data();
    void otherFirstCharactersReturnWholeName();
};

namespace {

void addNameColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
}

void compareInitial()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(pinyinInitial(name), expected);
}

} // namespace

void TestPinyinInitial::commonNames_data()
{
    addNameColumns();
    QTest::newRow("张三") << QStringLiteral("张三") << QStringLiteral("Z");
    QTest::newRow("王五") << QStringLiteral("王五") << QStringLiteral("W");
    QTest::newRow("李四") << QStringLiteral("李四") << QStringLiteral("L");
    QTest::newRow("安") << QStringLiteral("安") << QStringLiteral("A");
    QTest::newRow("only the first character counts")
        << QStringLiteral("王Zhang") << QStringLiteral("W");
}

void TestPinyinInitial::commonNames()
{
    compareInitial();
}

// Each row names a GBK code; the character must sit there, so the rows also check that the
// boundary characters are where GBK puts them.
void TestPinyinInitial::levelOneByGbkPosition_data()
{
    QTest::addColumn<int>("gbkCode");
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("letter");

    const auto add = [](int code, const QString& character, const QString& letter) {
        QTest::addRow("%X %s", code, qPrintable(character)) << code << character << letter;
    };
    // The first character of every letter's run, and the last one of the run before it.
    add(0xB0A1, QStringLiteral("啊"), QStringLiteral("A"));
    add(0xB0C4, QStringLiteral("澳"), QStringLiteral("A"));
    add(0xB0C5, QStringLiteral("芭"), QStringLiteral("B"));
    add(0xB2C0, QStringLiteral("怖"), QStringLiteral("B"));
    add(0xB2C1, QStringLiteral("擦"), QStringLiteral("C"));
    add(0xB4ED, QStringLiteral("错"), QStringLiteral("C"));
    add(0xB4EE, QStringLiteral("搭"), QStringLiteral("D"));
    add(0xB6E9, QStringLiteral("堕"), QStringLiteral("D"));
    add(0xB6EA, QStringLiteral("蛾"), QStringLiteral("E"));
    add(0xB7A1, QStringLiteral("贰"), QStringLiteral("E"));
    add(0xB7A2, QStringLiteral("发"), QStringLiteral("F"));
    add(0xB8C0, QStringLiteral("咐"), QStringLiteral("F"));
    add(0xB8C1, QStringLiteral("噶"), QStringLiteral("G"));
    add(0xB9FD, QStringLiteral("过"), QStringLiteral("G"));
    add(0xB9FE, QStringLiteral("哈"), QStringLiteral("H"));
    add(0xBBF6, QStringLiteral("祸"), QStringLiteral("H"));
    add(0xBBF7, QStringLiteral("击"), QStringLiteral("J"));
    add(0xBFA5, QStringLiteral("骏"), QStringLiteral("J"));
    add(0xBFA6, QStringLiteral("喀"), QStringLiteral("K"));
    add(0xC0AB, QStringLiteral("阔"), QStringLiteral("K"));
    add(0xC0AC, QStringLiteral("垃"), QStringLiteral("L"));
    add(0xC2E7, QStringLiteral("络"), QStringLiteral("L"));
    add(0xC2E8, QStringLiteral("妈"), QStringLiteral("M"));
    add(0xC4C2, QStringLiteral("穆"), QStringLiteral("M"));
    add(0xC4C3, QStringLiteral("拿"), QStringLiteral("N"));
    add(0xC5B5, QStringLiteral("诺"), QStringLiteral("N"));
    add(0xC5B6, QStringLiteral("哦"), QStringLiteral("O"));
    add(0xC5BD, QStringLiteral("沤"), QStringLiteral("O"));
    add(0xC5BE, QStringLiteral("啪"), QStringLiteral("P"));
    add(0xC6D9, QStringLiteral("瀑"), QStringLiteral("P"));
    add(0xC6DA, QStringLiteral("期"), QStringLiteral("Q"));
    add(0xC8BA, QStringLiteral("群"), QStringLiteral("Q"));
    add(0xC8BB, QStringLiteral("然"), QStringLiteral("R"));
    add(0xC8F5, QStringLiteral("弱"), QStringLiteral("R"));
    add(0xC8F6, QStringLiteral("撒"), QStringLiteral("S"));
    add(0xCBF9, QStringLiteral("所"), QStringLiteral("S"));
    add(0xCBFA, QStringLiteral("塌"), QStringLiteral("T"));
    add(0xCDD9, QStringLiteral("唾"), QStringLiteral("T"));
    add(0xCDDA, QStringLiteral("挖"), QStringLiteral("W"));
    add(0xCEF3, QStringLiteral("误"), QStringLiteral("W"));
    add(0xCEF4, QStringLiteral("昔"), QStringLiteral("X"));
    add(0xD1B8, QStringLiteral("迅"), QStringLiteral("X"));
    add(0xD1B9, QStringLiteral("压"), QStringLiteral("Y"));
    add(0xD4D0, QStringLiteral("孕"), QStringLiteral("Y"));
    add(0xD4D1, QStringLiteral("匝"), QStringLiteral("Z"));
    add(0xD7F9, QStringLiteral("座"), QStringLiteral("Z")); // last of level 1
}

void TestPinyinInitial::levelOneByGbkPosition()
{
    QFETCH(int, gbkCode);
    QFETCH(QString, character);
    QFETCH(QString, letter);

    QStringDecoder gbk("GBK");
    QVERIFY(gbk.isValid());
    const char bytes[] = {char(gbkCode >> 8), char(gbkCode & 0xFF)};
    const QString atCode = gbk.decode(QByteArrayView(bytes, sizeof bytes));
    QCOMPARE(atCode, character);

    QCOMPARE(pinyinInitial(character), letter);
}

// ICU reads each of these differently as a surname (Shàn, Qiú, Xiè, Ōu, Zhā, Zhái); level-1
// characters stay where their GBK position files them.
void TestPinyinInitial::levelOneIgnoresSurnameReading_data()
{
    addNameColumns();
    QTest::newRow("单 B5A5") << QStringLiteral("单") << QStringLiteral("D");
    QTest::newRow("仇 B3F0") << QStringLiteral("仇") << QStringLiteral("C");
    QTest::newRow("解 BDE2") << QStringLiteral("解") << QStringLiteral("J");
    QTest::newRow("区 C7F8") << QStringLiteral("区") << QStringLiteral("Q");
    QTest::newRow("查 B2E9") << QStringLiteral("查") << QStringLiteral("C");
    QTest::newRow("翟 B5D4") << QStringLiteral("翟") << QStringLiteral("D");
}

void TestPinyinInitial::levelOneIgnoresSurnameReading()
{
    compareInitial();
}

// Without their surname reading these would be filed under Z (level 2 and the GBK extensions
// above D7F9), "0" (GBK extensions below B0A1) or the whole name (not in GBK).
void TestPinyinInitial::beyondLevelOneBySurnameReading_data()
{
    addNameColumns();
    QTest::newRow("闫 E3C6") << QStringLiteral("闫妮") << QStringLiteral("Y");
    QTest::newRow("芮 DCC7") << QStringLiteral("芮") << QStringLiteral("R");
    QTest::newRow("蔺 DDFE") << QStringLiteral("蔺") << QStringLiteral("L");
    QTest::newRow("讴 DAA9, read with a tone mark") << QStringLiteral("讴") << QStringLiteral("O");
    QTest::newRow("亍 D8A1, first of level 2") << QStringLiteral("亍") << QStringLiteral("C");
    QTest::newRow("張 8F88") << QStringLiteral("張三") << QStringLiteral("Z");
    QTest::newRow("盃 B0A0, just before 啊") << QStringLiteral("盃") << QStringLiteral("B");
    QTest::newRow("U+20000, not in GBK") << QStringLiteral("\U00020000") << QStringLiteral("H");
    QTest::newRow("U+F900 compatibility") << QStringLiteral("\uF900") << QStringLiteral("Q");
    QTest::newRow("U+2F800 compatibility") << QStringLiteral("\U0002F800") << QStringLiteral("L");
}

void TestPinyinInitial::beyondLevelOneBySurnameReading()
{
    compareInitial();
}

// ICU 72 has no Latin reading for these, so the GBK position or the whole name decides.
void TestPinyinInitial::chineseWithoutReadingKeepsGbkResult_data()
{
    addNameColumns();
    QTest::newRow("U+FA0E, GBK FE40") << QStringLiteral("\uFA0E") << QStringLiteral("Z");
    const QString notInGbk = QStringLiteral("\U00030000三");
    QTest::newRow("U+30000, not in GBK") << notInGbk << notInGbk;
}

void TestPinyinInitial::chineseWithoutReadingKeepsGbkResult()
{
    compareInitial();
}

void TestPinyinInitial::latinLetters_data()
{
    addNameColumns();
    QTest::newRow("wang") << QStringLiteral("wang") << QStringLiteral("W");
    QTest::newRow("Wang") << QStringLiteral("Wang") << QStringLiteral("W");
    QTest::newRow("Zhang") << QStringLiteral("Zhang") << QStringLiteral("Z");
    QTest::newRow("a") << QStringLiteral("a") << QStringLiteral("A");
    QTest::newRow("z") << QStringLiteral("z") << QStringLiteral("Z");
    QTest::newRow("Li张") << QStringLiteral("Li张") << QStringLiteral("L");
}

void TestPinyinInitial::latinLetters()
{
    compareInitial();
}

void TestPinyinInitial::doubleByteSymbolsGiveZero_data()
{
    addNameColumns();
    QTest::newRow("full-width comma") << QStringLiteral("，张") << QStringLiteral("0");
    QTest::newRow("full-width digit") << QStringLiteral("１号") << QStringLiteral("0");
    QTest::newRow("full-width a") << QStringLiteral("ａ") << QStringLiteral("0");
    // ICU reads 〇 as líng, but it is a symbol rather than an ideograph.
    QTest::newRow("〇") << QStringLiteral("〇") << QStringLiteral("0");
    QTest::newRow("Greek Omega") << QStringLiteral("Ω") << QStringLiteral("0");
    QTest::newRow("pinyin é") << QStringLiteral("é") << QStringLiteral("0");
}

void TestPinyinInitial::doubleByteSymbolsGiveZero()
{
    compareInitial();
}

void TestPinyinInitial::emptyNameGivesZero()
{
    QCOMPARE(pinyinInitial(QString()), QStringLiteral("0"));
    QCOMPARE(pinyinInitial(QStringLiteral("")), QStringLiteral("0"));
}

void TestPinyinInitial::otherFirstCharactersReturnWholeName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("digit") << QStringLiteral("3M公司");
    QTest::newRow("parenthesis") << QStringLiteral("(张)");
    QTest::newRow("space") << QStringLiteral(" 张三");
    QTest::newRow("question mark") << QStringLiteral("?");
    QTest::newRow("euro, GBK byte 80") << QStringLiteral("€100");
    // GBK has É only as a fallback to the pinyin letter é, which would give "0".
    QTest::newRow("É") << QStringLiteral("Éric");
    // Accented letters are not among the 26 tabs, even where a fallback would encode Ý as "Y".
    QTest::newRow("Ý") << QStringLiteral("Ýmir");
    QTest::newRow("Thai") << QStringLiteral("สมชาย");
    QTest::newRow("emoji") << QStringLiteral("\U0001F600张");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
}

void TestPinyinInitial::otherFirstCharactersReturnWholeName()
{
    QFETCH(QString, name);
    QCOMPARE(pinyinInitial(name), name);
}

QTEST_GUILESS_MAIN(TestPinyinInitial)
#include "tst_pinyininitial.moc"
