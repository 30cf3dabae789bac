// SPDX-License-Identifier: GPL-3.0-or-later
// Telephone numbers written the ways people write them reduce to the same digits.
#include "contacts/PhoneDigits.h"

#include <QTest>

class TestPhoneDigits : public QObject {
    Q_OBJECT

private slots:
    void normalized_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("digits");
        QTest::newRow("plain") << "13800138000"
                               << "13800138000";
        QTest::newRow("blanks") << "138 0013 8000"
                                << "13800138000";
        QTest::newRow("dashes") << "138-0013-8000"
                                << "13800138000";
        QTest::newRow("plus 86") << "+86 13800138000"
                                 << "13800138000";
        QTest::newRow("plus blank 86") << "+ 86-138-0013-8000"
                                       << "13800138000";
        QTest::newRow("0086") << "0086 138 0013 8000"
                              << "13800138000";
        QTest::newRow("full width") << u"１３８００１３８０００"_qs << "13800138000";
        QTest::newRow("full width plus") << u"＋８６13800138000"_qs << "13800138000";
        QTest::newRow("area code in brackets") << "(010) 6552-1234"
                                               << "01065521234";
        QTest::newRow("86 without sign is kept") << "8613800138000"
                                                 << "8613800138000";
        QTest::newRow("other country kept") << "+1 555 0100"
                                            << "15550100";
        QTest::newRow("plus after digits is no sign") << "138+8613800"
                                                      << "1388613800";
        QTest::newRow("extension letters dropped") << "6552 1234 ext. 8"
                                                   << "655212348";
        QTest::newRow("no digits") << "无"
                                   << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void normalized()
    {
        QFETCH(QString, written);
        QFETCH(QString, digits);
        QCOMPARE(PhoneDigits::normalized(written), digits);
    }
};

QTEST_APPLESS_MAIN(TestPhoneDigits)
#include "tst_phonedigits.moc"
