// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the letter tab computed from a contact name.
#include "contacts/PinyinInitial.h"

#include <QStringDecoder>
#include <QTest>

#include <unicode/translit.h>

#include <memory>

using namespace Qt::StringLiterals;

class TestPinyinInitial : public QObject {
    Q_OBJECT

private slots:
    void initial_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        // The GBK code of the first character, so a row cannot test another character than meant.
        QTest::addColumn<int>("gbk");
        const auto row = [](const QString& name, const QString& expected, int gbk = 0) {
            QTest::addRow("%s", name.isEmpty() ? "empty" : qPrintable(name))
                << name << expected << gbk;
        };

        row(u"张三"_s, u"Z"_s);
        row(u"王五"_s, u"W"_s);
        row(u"李四"_s, u"L"_s);
        row(u"安"_s, u"A"_s);
        // Level 1 goes by GBK position: the two ends of a few letters' runs.
        row(u"啊"_s, u"A"_s, 0xB0A1);
        row(u"澳"_s, u"A"_s, 0xB0C4);
        row(u"芭"_s, u"B"_s, 0xB0C5);
        row(u"诺"_s, u"N"_s, 0xC5B5);
        row(u"哦"_s, u"O"_s, 0xC5B6);
        row(u"沤"_s, u"O"_s, 0xC5BD);
        row(u"啪"_s, u"P"_s, 0xC5BE);
        row(u"孕"_s, u"Y"_s, 0xD4D0);
        row(u"匝"_s, u"Z"_s, 0xD4D1);
        row(u"座"_s, u"Z"_s, 0xD7F9);
        // ICU reads 单 as Shàn when a surname, which must not move a level-1 character.
        row(u"单"_s, u"D"_s, 0xB5A5);
        // Beyond level 1 the surname reading mends what GBK position alone would file under Z or 0.
        row(u"闫妮"_s, u"Y"_s, 0xE3C6);
        row(u"芮"_s, u"R"_s, 0xDCC7);
        row(u"蔺"_s, u"L"_s, 0xDDFE);
        row(u"讴"_s, u"O"_s, 0xDAA9);
        row(u"張三"_s, u"Z"_s, 0x8F88);
        row(u"盃"_s, u"B"_s, 0xB0A0);
        // A traditional form is read as its simplified one, as a surname: 單 Shàn, 區 Ōu, 長 Cháng.
        row(u"單雄信"_s, u"S"_s, 0x86CE);
        row(u"區"_s, u"O"_s, 0x855E);
        row(u"長"_s, u"C"_s, 0xE94C);
        // The level-1 simplified forms keep their GBK position's letter.
        row(u"区"_s, u"Q"_s, 0xC7F8);
        row(u"长"_s, u"C"_s, 0xB3A4);
        // Surnames ICU reads the common way; 闞 is the traditional form of 阚.
        row(u"阚泽"_s, u"K"_s, 0xE3DB);
        row(u"闞"_s, u"K"_s, 0xEA52);
        row(u"乜"_s, u"N"_s, 0xD8BF);
        row(u"莘"_s, u"S"_s, 0xDDB7);
        row(u"覃"_s, u"Q"_s, 0xF1FB);
        row(u"澹台"_s, u"T"_s, 0xE5A3);
        // Compound surnames outside level 1 by the whole surname's reading: 萬俟 Mòqí though 萬
        // alone is Wàn, 單于 Chányú, 長孫 Zhǎngsūn; in level 1 the GBK position still rules.
        row(u"萬俟卨"_s, u"M"_s, 0xC866);
        row(u"萬"_s, u"W"_s, 0xC866);
        row(u"万俟卨"_s, u"W"_s, 0xCDF2);
        row(u"單于"_s, u"C"_s, 0x86CE);
        row(u"單於"_s, u"C"_s, 0x86CE);
        row(u"長孫無忌"_s, u"Z"_s, 0xE94C);
        row(u"諸葛亮"_s, u"Z"_s, 0xD654);
        row(u"歐陽修"_s, u"O"_s, 0x9A57);
        row(u"\U00020000"_s, u"H"_s);
        row(u"\uF900"_s, u"Q"_s);
        row(u"\U0002F800"_s, u"L"_s);
        // ICU 72 has no reading for these.
        row(u"\uFA0E"_s, u"Z"_s, 0xFE42);
        row(u"\U00030000三"_s, u"\U00030000三"_s);
        row(u"wang"_s, u"W"_s);
        row(u"Zhang"_s, u"Z"_s);
        row(u"a"_s, u"A"_s);
        row(u"，张"_s, u"0"_s);
        row(u"１号"_s, u"0"_s);
        // ICU reads 〇 as líng, but it is a symbol rather than an ideograph.
        row(u"〇"_s, u"0"_s);
        row(u"é"_s, u"0"_s);
        row(QString(), u"0"_s);
        row(u"3M公司"_s, u"3M公司"_s);
        row(u"(张)"_s, u"(张)"_s);
        row(u"€100"_s, u"€100"_s);
        row(u"\U0001F600张"_s, u"\U0001F600张"_s);
        // GBK has É only as a fallback to the pinyin letter é, which would give "0".
        row(u"Éric"_s, u"Éric"_s);
        row(QString(QChar(0xD800)), QString(QChar(0xD800)));
    }

    void initial()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QFETCH(int, gbk);
        if (gbk != 0) {
            const char bytes[] = {char(gbk >> 8), char(gbk & 0xFF)};
            QCOMPARE(QString(QStringDecoder("GBK").decode(QByteArrayView(bytes, 2))), name.left(1));
        }
        QCOMPARE(pinyinInitial(name), expected);
    }

    // The routine's own readings stay limited to what ICU gets wrong: once ICU reads one of
    // these surnames right, its entry can go.
    void ownReadingsAreOnlyWhereIcuDiffers_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("expected");
        for (const auto& [surname, letter] :
             {std::pair{u"阚"_s, u"K"_s}, std::pair{u"乜"_s, u"N"_s}, std::pair{u"莘"_s, u"S"_s},
              std::pair{u"覃"_s, u"Q"_s}, std::pair{u"澹"_s, u"T"_s}})
            QTest::addRow("%s", qPrintable(surname)) << surname << letter;
    }

    void ownReadingsAreOnlyWhereIcuDiffers()
    {
        QFETCH(QString, surname);
        QFETCH(QString, expected);
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::Transliterator> reader(icu::Transliterator::createInstance(
            icu::UnicodeString(u"Han-Latin/Names"), UTRANS_FORWARD, status));
        QVERIFY(U_SUCCESS(status));
        icu::UnicodeString reading(reinterpret_cast<const char16_t*>(surname.utf16()),
                                   int32_t(surname.size()));
        reader->transliterate(reading);
        const QString icuReading = QString::fromUtf16(reading.getBuffer(), reading.length());
        QVERIFY2(!icuReading.startsWith(expected, Qt::CaseInsensitive), qPrintable(icuReading));
        QCOMPARE(pinyinInitial(surname), expected);
    }
};

QTEST_GUILESS_MAIN(TestPinyinInitial)
#include "tst_pinyininitial.moc"
