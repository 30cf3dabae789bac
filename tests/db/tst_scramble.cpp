// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDatabase.h"

#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestScramble : public QObject {
    Q_OBJECT
    const QString fixedKey = QString::fromUtf16(Scramble::key);

private slots:
    void handWorkedVectors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        // A blank flips the case of a Latin letter and so leaves the order in view.
        QTest::newRow("odd length keeps its order") << u"abcde"_s << u" "_s << u"ABCDE"_s;
        QTest::newRow("even length reverses each half") << u"abcdef"_s << u" "_s << u"CBAFED"_s;
        QTest::newRow("key used cyclically") << u"abcdefg"_s << u" !"_s << u"ACCEEGG"_s;
        // Whole 16-bit units: 张 0x5F20 ^ 'T' = 0x5F74, 三 0x4E09 ^ 'o' = 0x4E66, '1' ^ 'v' = 'G',
        // '2' ^ 'a' = 'S'; then each half reversed.
        QTest::newRow("fixed key, Chinese") << u"张三12"_s << fixedKey << u"\x4E66\x5F74SG"_s;
    }

    void handWorkedVectors()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(Scramble::scramble(text, key), expected);
        QCOMPARE(Scramble::unscramble(expected, key), text);
    }

    void unscrambleUndoesScramble()
    {
        for (const QString& text :
             {u""_s, u"x"_s, u"admin2024"_s, u"0123456789a"_s, u"it's \"quoted\" ~!@#$%^&*()_"_s})
            QCOMPARE(Scramble::unscramble(Scramble::scramble(text, fixedKey), fixedKey), text);
    }

    void storedPasswordsTakeTheSuffixAndSurviveTheDatabase()
    {
        const QString admin = Scramble::storedPassword(u"admin"_s, 2024);
        QVERIFY(Scramble::matches(admin, u"admin"_s, 2024));
        QVERIFY(!Scramble::matches(admin, u"admin"_s, 2025));
        QVERIFY(!Scramble::matches(admin, u"Admin"_s, 2024));
        QCOMPARE(Scramble::unscramble(Scramble::storedPassword(u"pw"_s, -5), fixedKey), u"pw-5"_s);
        // Under the key 'T' becomes U+0000, 'n' U+0001 and 'Q' a quote.
        const QString stored = Scramble::storedPassword(u"TnQ"_s, 2024);
        QCOMPARE(stored.left(3), u"\0\x01'"_s);
        TestDatabase book;
        QVERIFY(book.ok());
        book.run(u"UPDATE Vardelin_Login SET Pass = ?"_s, {stored});
        QCOMPARE(book.scalar(u"SELECT Pass FROM Vardelin_Login"_s).toString(), stored);
        QVERIFY(Scramble::matches(stored, u"TnQ"_s, 2024));
    }
};

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
