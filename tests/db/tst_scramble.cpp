// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the transform account passwords are stored under.
#include "TestDatabase.h"

#include "db/Scramble.h"

#include <QTest>

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

QString units(std::initializer_list<char16_t> codes)
{
    QString text;
    for (char16_t code : codes)
        text += QChar(code);
    return text;
}

QString fixedKey()
{
    return QString::fromUtf16(Scramble::key);
}

} // namespace

class TestScramble : public QObject {
    Q_OBJECT

private slots:
    void scrambleXorsThenReversesEachHalfOfEvenText_data();
    void scrambleXorsThenReversesEachHalfOfEvenText();
    void unscrambleUndoesScramble_data();
    void unscrambleUndoesScramble();
    void storedPasswordMatchesOnlyItsOwnPassword_data();
    void storedPasswordMatchesOnlyItsOwnPassword();
    void suffixTakesPartInTheStoredText();
    void negativeSuffixKeepsItsMinusSign();
    void storedTextSurvivesTheDatabase_data();
    void storedTextSurvivesTheDatabase();
};

// Expected values worked out by hand: each character XOR the key character at
// the same position (key repeated), then, for an even length only, the first
// half reversed and the second half reversed.
void TestScramble::scrambleXorsThenReversesEachHalfOfEvenText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    // A blank (0x20) flips the case of a Latin letter, which shows the halves.
    QTest::newRow("even length: halves reversed") << u"abcdef"_s << u" "_s << u"CBAFED"_s;
    QTest::newRow("odd length: order kept") << u"abcde"_s << u" "_s << u"ABCDE"_s;
    QTest::newRow("two characters") << u"ab"_s << u" "_s << u"AB"_s;
    QTest::newRow("one character") << u"a"_s << u" "_s << u"A"_s;
    QTest::newRow("empty") << QString() << u" "_s << QString();
    // 'b' ^ '!' = 'C', 'd' ^ '!' = 'E', 'f' ^ '!' = 'G': the key's second
    // character comes round again at every odd position.
    QTest::newRow("text longer than the key wraps") << u"abcdefg"_s << u" !"_s << u"ACCEEGG"_s;
    // "abc" + "1" under the fixed key: 'a'^'T' 0x35, 'b'^'o' 0x0D, 'c'^'v' 0x15,
    // '1'^'a' 0x50; then halves [35 0D] [15 50] reversed.
    QTest::newRow("fixed key, even") << u"abc1"_s << fixedKey() << units({0x0D, 0x35, 0x50, 0x15});
    // Twelve characters: the last two meet the key's 'T' and 'o' again.
    QTest::newRow("fixed key, wraps")
        << u"0123456789AB"_s << fixedKey()
        << units({0x46, 0x46, 0x52, 0x44, 0x5E, 0x64, 0x2D, 0x15, 0x1A, 0x78, 0x5C, 0x53});
    QTest::newRow("fixed key, odd")
        << u"admin2024"_s << fixedKey()
        << units({0x35, 0x0B, 0x1B, 0x08, 0x1C, 0x41, 0x55, 0x59, 0x74});
    // Whole 16-bit units are combined: 张 0x5F20 ^ 'T' = 0x5F74, 三 0x4E09 ^ 'o' = 0x4E66.
    QTest::newRow("fixed key, Chinese")
        << u"张三12"_s << fixedKey() << units({0x4E66, 0x5F74, 0x53, 0x47});
}

void TestScramble::scrambleXorsThenReversesEachHalfOfEvenText()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(Scramble::scramble(text, key), expected);
    QCOMPARE(Scramble::unscramble(expected, key), text);
}

void TestScramble::unscrambleUndoesScramble_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("1 character") << u"x"_s;
    QTest::newRow("2 characters") << u"ab"_s;
    QTest::newRow("9 characters") << u"admin2024"_s;
    QTest::newRow("10 characters, the key's length") << u"0123456789"_s;
    QTest::newRow("11 characters") << u"0123456789a"_s;
    QTest::newRow("20 characters") << u"abcdefghijABCDEFGHIJ"_s;
    QTest::newRow("21 characters") << u"abcdefghijABCDEFGHIJ!"_s;
    QTest::newRow("quotes") << u"it's \"quoted\""_s;
    QTest::newRow("the key itself") << fixedKey();
    QTest::newRow("punctuation") << u"~!@#$%^&*()_+`-=[]{}|;:,.<>/?\\"_s;
    QTest::newRow("blanks") << u"  pass word  "_s;
    QTest::newRow("digits only") << u"13800138000"_s;
}

void TestScramble::unscrambleUndoesScramble()
{
    QFETCH(QString, text);
    const QString stored = Scramble::scramble(text, fixedKey());
    QCOMPARE(stored.size(), text.size());
    QCOMPARE(Scramble::unscramble(stored, fixedKey()), text);
}

void TestScramble::storedPasswordMatchesOnlyItsOwnPassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("other");
    QTest::addColumn<qint16>("suffix");

    QTest::newRow("empty password") << QString() << u"a"_s << qint16(2024);
    QTest::newRow("administrator") << u"admin"_s << u"Admin"_s << qint16(2024);
    QTest::newRow("one more character") << u"secret"_s << u"secret1"_s << qint16(7);
    QTest::newRow("digits meeting the suffix") << u"12"_s << u"1"_s << qint16(2);
    QTest::newRow("Chinese") << u"密码"_s << u"密"_s << qint16(0);
    QTest::newRow("longer than the key")
        << u"correct horse battery"_s << u"correct horse battery "_s << qint16(32767);
}

void TestScramble::storedPasswordMatchesOnlyItsOwnPassword()
{
    QFETCH(QString, password);
    QFETCH(QString, other);
    QFETCH(qint16, suffix);
    const QString stored = Scramble::storedPassword(password, suffix);
    QCOMPARE(Scramble::unscramble(stored, fixedKey()), password + QString::number(suffix));
    QVERIFY(Scramble::matches(stored, password, suffix));
    QVERIFY(!Scramble::matches(stored, other, suffix));
}

void TestScramble::suffixTakesPartInTheStoredText()
{
    const QString password = u"admin"_s;
    const QString underOne = Scramble::storedPassword(password, 2024);
    const QString underOther = Scramble::storedPassword(password, 2025);
    QVERIFY(underOne != underOther);
    QVERIFY(Scramble::matches(underOne, password, 2024));
    QVERIFY(!Scramble::matches(underOne, password, 2025));
    QVERIFY(!Scramble::matches(underOther, password, 2024));
    // The suffix is decimal text, so 1 and 10 give stored texts of different lengths.
    QCOMPARE(Scramble::storedPassword(password, 10).size(),
             Scramble::storedPassword(password, 1).size() + 1);
}

void TestScramble::negativeSuffixKeepsItsMinusSign()
{
    const QString password = u"pw"_s;
    const QString negative = Scramble::storedPassword(password, -5);
    QCOMPARE(Scramble::unscramble(negative, fixedKey()), u"pw-5"_s);
    QVERIFY(negative != Scramble::storedPassword(password, 5));
    QVERIFY(Scramble::matches(negative, password, -5));
    QVERIFY(!Scramble::matches(negative, password, 5));

    const QString lowest = Scramble::storedPassword(password, -32768);
    QCOMPARE(Scramble::unscramble(lowest, fixedKey()), u"pw-32768"_s);
    QVERIFY(Scramble::matches(lowest, password, -32768));
}

// Passwords chosen so that their stored form holds characters a careless
// write or read would lose: XOR with an equal key character gives U+0000.
void TestScramble::storedTextSurvivesTheDatabase_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("character");

    // 'T' ^ 'T' and 'o' ^ 'o'.
    QTest::newRow("U+0000") << u"To"_s << units({0x0000});
    // 'U' ^ 'T' = 0x01, 'n' ^ 'o' = 0x01.
    QTest::newRow("control characters") << u"Unw"_s << units({0x0001});
    // 's' ^ 'T' = 0x27.
    QTest::newRow("single quote") << u"s"_s << u"'"_s;
    // The whole key: every character before the suffix becomes U+0000.
    QTest::newRow("all U+0000 before the suffix") << fixedKey() << units({0x0000});
}

void TestScramble::storedTextSurvivesTheDatabase()
{
    QFETCH(QString, password);
    QFETCH(QString, character);
    TestDatabase book;
    QVERIFY(book.ok());
    const qint16 suffix = 2024;
    const QString stored = Scramble::storedPassword(password, suffix);
    QVERIFY2(stored.contains(character), "the password no longer produces the character");

    book.run(u"UPDATE Vardelin_Login SET Pass = ? WHERE ID = 1"_s, {stored});
    const QString readBack =
        book.scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = 1"_s).toString();
    QCOMPARE(readBack.size(), stored.size());
    QCOMPARE(readBack, stored);
    QVERIFY(Scramble::matches(readBack, password, suffix));
    QVERIFY(!Scramble::matches(readBack, password + u'x', suffix));
}

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
