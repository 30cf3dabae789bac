// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of reading the start-up options from Vardelin_System.
#include "TestDatabase.h"

#include "db/SystemOptions.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList& optionColumns()
{
    static const QStringList columns{u"IsLogin"_s, u"IsAllUser"_s, u"IsExpanded"_s,
                                     u"IsZip"_s,   u"IsMax"_s,     u"IsTop"_s};
    return columns;
}

// The flags in the same order as optionColumns().
QList<bool> flags(const SystemOptions& options)
{
    return {options.isLogin, options.isAllUser, options.isExpanded,
            options.isZip,   options.isMax,     options.isTop};
}

void clearAllOptions(TestDatabase& book)
{
    for (const QString& column : optionColumns())
        book.setOption(column, false);
}

} // namespace

class TestSystemOptions : public QObject {
    Q_OBJECT

private slots:
    void eachOptionIsReadFromItsOwnColumn_data();
    void eachOptionIsReadFromItsOwnColumn();
    void noOptionsRowMeansEveryOptionOff();
    void onlyTheRowWithIdOneCounts();
    void storedYesNoFormsAreRead_data();
    void storedYesNoFormsAreRead();
    void yesNoReadsEveryForm_data();
    void yesNoReadsEveryForm();
};

void TestSystemOptions::eachOptionIsReadFromItsOwnColumn_data()
{
    QTest::addColumn<int>("which");
    for (int i = 0; i < optionColumns().size(); ++i)
        QTest::newRow(qPrintable(optionColumns().at(i))) << i;
}

void TestSystemOptions::eachOptionIsReadFromItsOwnColumn()
{
    QFETCH(int, which);
    TestDatabase book;
    QVERIFY(book.ok());
    clearAllOptions(book);
    book.setOption(optionColumns().at(which), true);

    auto read = SystemOptions::read(book.db());
    QVERIFY(read.ok());
    QList<bool> expected(optionColumns().size(), false);
    expected[which] = true;
    QCOMPARE(flags(read.value()), expected);

    // And off again while every other option is on.
    for (const QString& column : optionColumns())
        book.setOption(column, true);
    book.setOption(optionColumns().at(which), false);
    read = SystemOptions::read(book.db());
    QVERIFY(read.ok());
    QList<bool> inverse(optionColumns().size(), true);
    inverse[which] = false;
    QCOMPARE(flags(read.value()), inverse);
}

void TestSystemOptions::noOptionsRowMeansEveryOptionOff()
{
    TestDatabase book;
    QVERIFY(book.ok());
    book.run(u"DELETE FROM Vardelin_System"_s);
    const auto read = SystemOptions::read(book.db());
    QVERIFY(read.ok());
    QCOMPARE(flags(read.value()), QList<bool>(optionColumns().size(), false));
}

void TestSystemOptions::onlyTheRowWithIdOneCounts()
{
    TestDatabase book;
    QVERIFY(book.ok());
    clearAllOptions(book);
    book.run(u"INSERT INTO Vardelin_System (ID, IsLogin, IsAllUser, IsExpanded, IsZip, IsMax, "
             "IsTop) VALUES (2, 1, 1, 1, 1, 1, 1)"_s);
    const auto read = SystemOptions::read(book.db());
    QVERIFY(read.ok());
    QCOMPARE(flags(read.value()), QList<bool>(optionColumns().size(), false));
}

// What another tool may have written into the INTEGER columns.
void TestSystemOptions::storedYesNoFormsAreRead_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("expected");

    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("1") << QVariant(1) << true;
    QTest::newRow("-1") << QVariant(-1) << true;
    QTest::newRow("text -1") << QVariant(u"-1"_s) << true;
    QTest::newRow("true") << QVariant(u"true"_s) << true;
    QTest::newRow("True") << QVariant(u"True"_s) << true;
    QTest::newRow("false") << QVariant(u"false"_s) << false;
    QTest::newRow("FALSE") << QVariant(u"FALSE"_s) << false;
    QTest::newRow("empty text") << QVariant(u""_s) << false;
}

void TestSystemOptions::storedYesNoFormsAreRead()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, expected);
    TestDatabase book;
    QVERIFY(book.ok());
    clearAllOptions(book);
    book.run(u"UPDATE Vardelin_System SET IsLogin = ?, IsMax = ? WHERE ID = 1"_s, {stored, stored});
    const auto read = SystemOptions::read(book.db());
    QVERIFY(read.ok());
    QCOMPARE(read.value().isLogin, expected);
    QCOMPARE(read.value().isMax, expected);
    QCOMPARE(read.value().isAllUser, false);
}

void TestSystemOptions::yesNoReadsEveryForm_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("expected");

    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("1") << QVariant(1) << true;
    QTest::newRow("-1") << QVariant(-1) << true;
    QTest::newRow("64-bit -1") << QVariant(qint64(-1)) << true;
    QTest::newRow("text 0") << QVariant(u"0"_s) << false;
    QTest::newRow("text 1") << QVariant(u"1"_s) << true;
    QTest::newRow("text -1") << QVariant(u"-1"_s) << true;
    QTest::newRow("true") << QVariant(u"true"_s) << true;
    QTest::newRow("TRUE") << QVariant(u"TRUE"_s) << true;
    QTest::newRow("false") << QVariant(u"false"_s) << false;
    QTest::newRow("False") << QVariant(u"False"_s) << false;
    QTest::newRow("bool true") << QVariant(true) << true;
    QTest::newRow("bool false") << QVariant(false) << false;
    QTest::newRow("Null") << QVariant() << false;
    QTest::newRow("Null integer") << QVariant(QMetaType::fromType<int>()) << false;
    QTest::newRow("Null text") << QVariant(QMetaType::fromType<QString>()) << false;
}

void TestSystemOptions::yesNoReadsEveryForm()
{
    QFETCH(QVariant, value);
    QFETCH(bool, expected);
    QCOMPARE(yesNo(value), expected);
}

QTEST_GUILESS_MAIN(TestSystemOptions)
#include "tst_systemoptions.moc"
