// SPDX-License-Identifier: GPL-3.0-or-later
// The transform account passwords are stored under, worked by hand.
#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestScramble : public QObject {
    Q_OBJECT

private slots:
    void handWorkedVectors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString fixed = QString::fromUtf16(Scramble::key);
        // A blank flips the case of a Latin letter and so leaves the order in view.
        QTest::newRow("odd length keeps its order") << u"abcde"_s << u" "_s << u"ABCDE"_s;
        QTest::newRow("even length reverses each half") << u"abcdef"_s << u" "_s << u"CBAFED"_s;
        QTest::newRow("key used cyclically") << u"abcdefg"_s << u" !"_s << u"ACCEEGG"_s;
        // 张 0x5F20 ^ 'T' = 0x5F74, 三 0x4E09 ^ 'o' = 0x4E66, '1' ^ 'v' = 'G', '2' ^ 'a' = 'S'.
        QTest::newRow("fixed key, Chinese") << u"张三12"_s << fixed << u"\x4E66\x5F74SG"_s;
        QTest::newRow("control characters") << u"TnQ"_s << fixed << u"\0\x01'"_s;
        // The stored form: the password and the suffix's decimal text.
        QTest::newRow("stored") << u"pw-5"_s << fixed << Scramble::storedPassword(u"pw"_s, -5);
    }

    void handWorkedVectors()
    {
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(Scramble::scramble(text, key), expected);
        QCOMPARE(Scramble::unscramble(expected, key), text);
    }

    void storedPasswordsMatchOnlyWithTheirSuffix()
    {
        const QString admin = Scramble::storedPassword(u"admin"_s, 2024);
        QVERIFY(Scramble::matches(admin, u"admin"_s, 2024));
        QVERIFY(!Scramble::matches(admin, u"admin"_s, 2025) &&
                !Scramble::matches(admin, u"Admin"_s, 2024));
    }
};

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
