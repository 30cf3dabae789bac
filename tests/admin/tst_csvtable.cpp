// SPDX-License-Identifier: GPL-3.0-or-later
// CSV files as spreadsheet programs save them read into a table, and written back unchanged.
#include "admin/CsvTable.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList chineseHeader{QStringLiteral("姓名"), QStringLiteral("电话")};

QByteArray utf16(const QString& text, QStringConverter::Encoding encoding, QByteArray bom)
{
    QStringEncoder encoder(encoding);
    return bom + QByteArray(encoder(text));
}

} // namespace

class tst_CsvTable : public QObject {
    Q_OBJECT

private slots:
    void readsEveryEncodingChineseProgramsSave_data();
    void readsEveryEncodingChineseProgramsSave();
    void readsLongGbkTextAsGbk();
    void readsQuotedFieldsAsRfc4180Says();
    void padsShortRowsAndDropsEmptyExtraCells();
    void refusesExtraCellsWithValuesNamingTheLine();
    void readsHeaderOnlyAsNoRows();
    void refusesFilesWithoutText_data();
    void refusesFilesWithoutText();
    void writesBomQuotesAndCrlf();
    void roundTripsEveryAwkwardValue();
    void roundTripsThroughAFile();
    void survivesEveryCutAndDamagedByte();
};

void tst_CsvTable::readsEveryEncodingChineseProgramsSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("姓名,电话\r\n张三,13800138000\r\n李四,0086-10\r\n");
    QTest::newRow("UTF-8 without BOM") << text.toUtf8();
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + text.toUtf8());
    QTest::newRow("GBK") << QByteArray("\xD0\xD5\xC3\xFB,\xB5\xE7\xBB\xB0\r\n"
                                       "\xD5\xC5\xC8\xFD,13800138000\r\n"
                                       "\xC0\xEE\xCB\xC4,0086-10\r\n");
    QTest::newRow("UTF-16 LE with BOM")
        << utf16(text, QStringConverter::Utf16LE, QByteArray("\xFF\xFE"));
    QTest::newRow("UTF-16 BE with BOM")
        << utf16(text, QStringConverter::Utf16BE, QByteArray("\xFE\xFF"));
    QTest::newRow("LF line ends, last line without one")
        << QStringLiteral("姓名,电话\n张三,13800138000\n李四,0086-10").toUtf8();
}

void tst_CsvTable::readsEveryEncodingChineseProgramsSave()
{
    QFETCH(QByteArray, bytes);
    const auto table = CsvTable::fromBytes(bytes);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().columns, chineseHeader);
    QCOMPARE(table.value().rows.size(), 2);
    QCOMPARE(table.value().rows[0],
             (QStringList{QStringLiteral("张三"), QStringLiteral("13800138000")}));
    QCOMPARE(table.value().rows[1],
             (QStringList{QStringLiteral("李四"), QStringLiteral("0086-10")}));
}

void tst_CsvTable::readsLongGbkTextAsGbk()
{
    // Enough text for the detector to weigh it, with characters outside GB2312's first plane.
    QString text = QStringLiteral("姓名,地址,备注\r\n");
    for (int i = 0; i < 200; ++i)
        text += QStringLiteral("欧阳%1,广东省深圳市南山区科技园,喆堃镕\r\n").arg(i);
    QStringEncoder gbk("GB18030");
    QVERIFY(gbk.isValid());
    const QByteArray bytes = gbk(text);
    QVERIFY(bytes != text.toUtf8());
    const auto table = CsvTable::fromBytes(bytes);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().rows.size(), 200);
    QCOMPARE(table.value().rows[199][0], QStringLiteral("欧阳199"));
    QCOMPARE(table.value().rows[5][2], QStringLiteral("喆堃镕"));
}

void tst_CsvTable::readsQuotedFieldsAsRfc4180Says()
{
    const QByteArray bytes = "Name,Remark,Tel\r\n"
                             "\"Wang, Wu\",\"He said \"\"hi\"\"\",\"010\"\r\n"
                             "\"two\r\nlines\",\"lf\nonly\",\"\"\r\n"
                             "plain\"quote,,last";
    const auto table = CsvTable::fromBytes(bytes);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    const auto& rows = table.value().rows;
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], (QStringList{QStringLiteral("Wang, Wu"), QStringLiteral("He said \"hi\""),
                                   QStringLiteral("010")}));
    QCOMPARE(rows[1],
             (QStringList{QStringLiteral("two\r\nlines"), QStringLiteral("lf\nonly"), QString()}));
    QCOMPARE(rows[2],
             (QStringList{QStringLiteral("plain\"quote"), QString(), QStringLiteral("last")}));
}

void tst_CsvTable::padsShortRowsAndDropsEmptyExtraCells()
{
    const auto table = CsvTable::fromBytes("a,b,c\r\n1\r\n\r\n,,\r\n4,5,6,,\r\n");
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    const auto& rows = table.value().rows;
    // The empty line is skipped; ",," is a row of empty cells.
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], (QStringList{QStringLiteral("1"), QString(), QString()}));
    QCOMPARE(rows[1], (QStringList{QString(), QString(), QString()}));
    QCOMPARE(rows[2], (QStringList{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));
}

void tst_CsvTable::refusesExtraCellsWithValuesNamingTheLine()
{
    // The quoted line break puts the offending record on line 4.
    const auto table = CsvTable::fromBytes("a,b\n\"x\ny\",1\n3,4,lost\n");
    QVERIFY(!table.ok());
    QCOMPARE(table.error().number, ImportErrorCode::BadLayout);
    QVERIFY2(table.error().description.contains(QStringLiteral("第 4 行")),
             qPrintable(table.error().description));
}

void tst_CsvTable::readsHeaderOnlyAsNoRows()
{
    const auto table = CsvTable::fromBytes("\xEF\xBB\xBF"
                                           "Name,Tel\r\n");
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().columns, (QStringList{QStringLiteral("Name"), QStringLiteral("Tel")}));
    QVERIFY(table.value().rows.isEmpty());
}

void tst_CsvTable::refusesFilesWithoutText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QByteArray garbage("\x89PNG\r\n\x1A\n", 8);
    quint32 state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += char(state >> 24);
    }
    QTest::newRow("binary with NUL bytes") << garbage << ImportErrorCode::NotText;
    QByteArray noNul = garbage;
    noNul.replace('\0', '\x01');
    QTest::newRow("binary without NUL bytes") << noNul << ImportErrorCode::NotText;
    QTest::newRow("UTF-16 with NUL characters") << QByteArray("\xFF\xFE"
                                                              "a\0\0\0b\0",
                                                              8)
                                                << ImportErrorCode::NotText;
    QTest::newRow("empty file") << QByteArray() << ImportErrorCode::BadLayout;
    QTest::newRow("quote never closed")
        << QByteArray("a,b\n\"open,1\n2,3\n") << ImportErrorCode::BadLayout;
}

void tst_CsvTable::refusesFilesWithoutText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const auto table = CsvTable::fromBytes(bytes);
    QVERIFY(!table.ok());
    QCOMPARE(table.error().number, code);
    QVERIFY(!table.error().description.isEmpty());
}

void tst_CsvTable::writesBomQuotesAndCrlf()
{
    ImportTable table;
    table.columns = chineseHeader;
    table.rows = {{QStringLiteral("a,b"), QStringLiteral("say \"x\"")},
                  {QStringLiteral("line\nbreak"), QStringLiteral("cr\rhere")},
                  {QStringLiteral("张三"), QStringLiteral("0086")}};
    QCOMPARE(CsvTable::toBytes(table),
             QByteArray("\xEF\xBB\xBF") + QStringLiteral("姓名,电话\r\n").toUtf8() +
                 "\"a,b\",\"say \"\"x\"\"\"\r\n\"line\nbreak\",\"cr\rhere\"\r\n" +
                 QStringLiteral("张三,0086\r\n").toUtf8());
}

void tst_CsvTable::roundTripsEveryAwkwardValue()
{
    ImportTable table;
    table.columns = {QStringLiteral("Name"), QStringLiteral("Tel1"), QStringLiteral("Remark"),
                     QStringLiteral("姓,名")};
    table.rows = {
        {QStringLiteral("张\"三\""), QStringLiteral("008613800138000"),
         QStringLiteral("一行\r\n两行\n三行\r"), QStringLiteral(" 前后空格 ")},
        {QString(), QStringLiteral("0"), QStringLiteral("\x01\x1F\t\x7F控制"), QStringLiteral(",")},
        {QStringLiteral("\"\""), QString(), QString(), QString()},
        {QString(), QString(), QString(), QString()},
    };
    const auto back = CsvTable::fromBytes(CsvTable::toBytes(table));
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().columns, table.columns);
    QCOMPARE(back.value().rows, table.rows);

    ImportTable single;
    single.columns = {QStringLiteral("Name")};
    single.rows = {{QString()}, {QStringLiteral("x")}, {QString()}};
    const auto singleBack = CsvTable::fromBytes(CsvTable::toBytes(single));
    QVERIFY2(singleBack.ok(), qPrintable(singleBack.error().description));
    QCOMPARE(singleBack.value().rows, single.rows);
}

void tst_CsvTable::roundTripsThroughAFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("联系人.csv"));
    ImportTable table;
    table.columns = chineseHeader;
    table.rows = {{QStringLiteral("王五"), QStringLiteral("0755-1234,5678")}};
    QVERIFY(CsvTable::writeFile(path, table).ok());
    const auto back = CsvTable::readFile(path);
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().rows, table.rows);

    const auto missing = CsvTable::readFile(dir.filePath(QStringLiteral("none.csv")));
    QVERIFY(!missing.ok());
    QCOMPARE(missing.error().number, ImportErrorCode::CannotOpen);
    QVERIFY(!CsvTable::writeFile(dir.filePath(QStringLiteral("no/such/folder.csv")), table).ok());
}

void tst_CsvTable::survivesEveryCutAndDamagedByte()
{
    const QByteArray good =
        QByteArray("\xEF\xBB\xBF") +
        QStringLiteral("姓名,备注\r\n\"张,三\",\"a\"\"b\r\nc\"\r\n李四,\r\n").toUtf8();
    const auto check = [](const QByteArray& bytes) {
        const auto table = CsvTable::fromBytes(bytes);
        if (!table.ok())
            return !table.error().description.isEmpty();
        for (const QStringList& row : table.value().rows)
            if (row.size() != table.value().columns.size())
                return false;
        return true;
    };
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        QVERIFY2(check(good.left(cut)), qPrintable(QString::number(cut)));
    for (qsizetype at = 0; at < good.size(); ++at)
        for (const char damage : {'\0', '"', ',', '\r', '\n', '\xFF', '\xFE'}) {
            QByteArray bytes = good;
            bytes[at] = damage;
            QVERIFY2(check(bytes), qPrintable(QString::number(at)));
        }
}

QTEST_GUILESS_MAIN(tst_CsvTable)
#include "tst_csvtable.moc"
