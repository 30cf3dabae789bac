// SPDX-License-Identifier: GPL-3.0-or-later
// CSV files as spreadsheet programs save them read into a table, and written back unchanged.
#include "admin/CsvTable.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using TextDecoding::Encoding;

namespace {

const QStringList chineseHeader{u"姓名"_s, u"电话"_s};
const QString chineseText = u"姓名,电话\r\n张三,13800138000\r\n李四,0086-10\r\n"_s;
const QList<QStringList> chineseCells{
    chineseHeader, {u"张三"_s, u"13800138000"_s}, {u"李四"_s, u"0086-10"_s}};

QByteArray utf16Bytes(const QString& text, QStringConverter::Encoding encoding, QByteArray bom)
{
    QStringEncoder encoder(encoding);
    return bom + QByteArray(encoder(text));
}

QByteArray encoded(const char* charset, const QString& text)
{
    QStringEncoder encoder(charset);
    if (!encoder.isValid())
        qFatal("no encoder for %s", charset);
    return encoder(text);
}

// A file other programs wrote, from tests/data/csv.
QByteArray realFile(const char* name)
{
    QFile file(QStringLiteral(CSV_DATA "/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", name);
    return file.readAll();
}

constexpr int detect = -1;

} // namespace

class tst_CsvTable : public QObject {
    Q_OBJECT

private slots:
    void readsEachFileByItsEncodingAndSeparator_data();
    void readsEachFileByItsEncodingAndSeparator();
    void readsLongGbkTextAsGbk();
    void readsRecordsAsRfc4180Says_data();
    void readsRecordsAsRfc4180Says();
    void refusesFilesWithoutText_data();
    void refusesFilesWithoutText();
    void writesBomQuotesAndCrlf();
    void roundTripsEveryAwkwardValue();
    void roundTripsThroughAFile();
    void survivesEveryCutAndDamagedByte();
};

void tst_CsvTable::readsEachFileByItsEncodingAndSeparator_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chosenEncoding"); // detect, or what the user picked
    QTest::addColumn<QString>("chosenSeparator");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QList<QStringList>>("cells"); // the header first

    const int utf8 = int(Encoding::Utf8);
    const int gb18030 = int(Encoding::Gb18030);
    const int utf16 = int(Encoding::Utf16);
    const QString comma = u","_s;
    const auto row = [&](const char* name, const QByteArray& bytes, int encoding,
                         const QList<QStringList>& cells = chineseCells) {
        QTest::newRow(name) << bytes << detect << QString() << encoding << comma << cells;
    };
    row("UTF-8 without BOM", chineseText.toUtf8(), utf8);
    row("UTF-8 with BOM", "\xEF\xBB\xBF" + chineseText.toUtf8(), utf8);
    row("GBK", encoded("GB18030", chineseText), gb18030);
    // An even number of bytes once made ICU's detector take a two-row file for UTF-16.
    row("short GBK of even length", encoded("GB18030", u"姓名,电话\r\n张三,1380013800\r\n"_s),
        gb18030, {chineseHeader, {u"张三"_s, u"1380013800"_s}});
    row("UTF-16 LE with BOM", utf16Bytes(chineseText, QStringConverter::Utf16LE, "\xFF\xFE"),
        utf16);
    row("UTF-16 BE with BOM", utf16Bytes(chineseText, QStringConverter::Utf16BE, "\xFE\xFF"),
        utf16);
    row("UTF-16 LE without BOM", utf16Bytes(chineseText, QStringConverter::Utf16LE, {}), utf16);
    row("UTF-16 BE without BOM", utf16Bytes(chineseText, QStringConverter::Utf16BE, {}), utf16);
    row("Big5", encoded("Big5", u"姓名,電話\r\n張三,13800138000\r\n李四,0086-10\r\n"_s),
        int(Encoding::Big5),
        {{u"姓名"_s, u"電話"_s}, {u"張三"_s, u"13800138000"_s}, {u"李四"_s, u"0086-10"_s}});
    row("LF line ends, last line without one",
        u"姓名,电话\n张三,13800138000\n李四,0086-10"_s.toUtf8(), utf8);
    row("CR CR LF line ends",
        u"姓名,电话\r\r\n张三,\"一\r\r\n二\"\r\r\n\r\r\n李四,x\r\r\n"_s.toUtf8(), utf8,
        {chineseHeader, {u"张三"_s, u"一\r\n二"_s}, {u"李四"_s, u"x"_s}});

    // Files other programs wrote.
    const QList<QStringList> abc{{u"a"_s, u"b"_s, u"c"_s}, {u"1"_s, u"2"_s, u"3"_s}};
    row("Latin-1 (csvkit)", realFile("test_latin1.csv"), int(Encoding::Latin1),
        abc + QList<QStringList>{{u"4"_s, u"5"_s, u"©"_s}});
    row("UTF-16 LE (csvkit)", realFile("test_utf16_little.csv"), utf16,
        abc + QList<QStringList>{{u"4"_s, u"5"_s, u"ʤ"_s}});
    row("UTF-16 BE (csvkit)", realFile("test_utf16_big.csv"), utf16,
        abc + QList<QStringList>{{u"4"_s, u"5"_s, u"ʤ"_s}});
    row("CR line ends (csvkit)", realFile("mac_newlines.csv"), utf8,
        abc + QList<QStringList>{{u"Once upon\ra time"_s, u"5"_s, u"6"_s}});
    QTest::newRow("tab-separated (csvkit)")
        << realFile("dummy.tsv") << detect << QString() << utf8 << u"\t"_s << abc;

    QTest::newRow("semicolons") << u"姓名;电话\r\n\"张;三\";1,2\r\n"_s.toUtf8() << detect
                                << QString() << utf8 << u";"_s
                                << QList<QStringList>{chineseHeader, {u"张;三"_s, u"1,2"_s}};
    QTest::newRow("a sep= line names the separator")
        << "sep=;\r\nName;Tel\r\na,b;1\r\n"_ba << detect << QString() << utf8 << u";"_s
        << QList<QStringList>{{u"Name"_s, u"Tel"_s}, {u"a,b"_s, u"1"_s}};
    QTest::newRow("separator chosen over a tie")
        << "a;b,c\r\n1;2,3\r\n"_ba << detect << u";"_s << utf8 << u";"_s
        << QList<QStringList>{{u"a"_s, u"b,c"_s}, {u"1"_s, u"2,3"_s}};

    // What no guess can tell: the user names the encoding.
    QTest::newRow("Big5 chosen") << encoded("Big5", u"姓名,電話\r\n陳大文,2345\r\n"_s)
                                 << int(Encoding::Big5) << QString() << int(Encoding::Big5) << comma
                                 << QList<QStringList>{{u"姓名"_s, u"電話"_s},
                                                       {u"陳大文"_s, u"2345"_s}};
    QTest::newRow("Shift_JIS chosen")
        << encoded("Shift_JIS", u"氏名,電話\r\n田中太郎,03-1234-5678\r\n"_s)
        << int(Encoding::ShiftJis) << QString() << int(Encoding::ShiftJis) << comma
        << QList<QStringList>{{u"氏名"_s, u"電話"_s}, {u"田中太郎"_s, u"03-1234-5678"_s}};
    QTest::newRow("Latin-1 chosen")
        << encoded("windows-1252", u"Name,Ort\r\nMüller,Köln €\r\n"_s) << int(Encoding::Latin1)
        << QString() << int(Encoding::Latin1) << comma
        << QList<QStringList>{{u"Name"_s, u"Ort"_s}, {u"Müller"_s, u"Köln €"_s}};
    QTest::newRow("UTF-16 chosen for text without BOM")
        << utf16Bytes(chineseText, QStringConverter::Utf16BE, {}) << utf16 << QString() << utf16
        << comma << chineseCells;
}

void tst_CsvTable::readsEachFileByItsEncodingAndSeparator()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chosenEncoding);
    QFETCH(QString, chosenSeparator);
    QFETCH(int, encoding);
    QFETCH(QString, separator);
    QFETCH(QList<QStringList>, cells);
    CsvTable::Format format;
    if (chosenEncoding != detect)
        format.encoding = Encoding(chosenEncoding);
    if (!chosenSeparator.isEmpty())
        format.separator = chosenSeparator.front();
    const auto reading = CsvTable::readBytes(bytes, format);
    QVERIFY2(reading.ok(), qPrintable(reading.error().description));
    QCOMPARE(int(reading.value().encoding), encoding);
    QCOMPARE(QString(reading.value().separator), separator);
    QCOMPARE(reading.value().table.columns, cells.first());
    QCOMPARE(reading.value().table.rows, cells.mid(1));
}

void tst_CsvTable::readsLongGbkTextAsGbk()
{
    // Enough text for the detector to weigh it, with characters outside GB2312's first plane.
    QString text = u"姓名,地址,备注\r\n"_s;
    for (int i = 0; i < 200; ++i)
        text += u"欧阳%1,广东省深圳市南山区科技园,喆堃镕\r\n"_s.arg(i);
    QStringEncoder gbk("GB18030");
    QVERIFY(gbk.isValid());
    const QByteArray bytes = gbk(text);
    QVERIFY(bytes != text.toUtf8());
    const auto table = CsvTable::fromBytes(bytes);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().rows.size(), 200);
    QCOMPARE(table.value().rows[199][0], u"欧阳199"_s);
    QCOMPARE(table.value().rows[5][2], u"喆堃镕"_s);
}

// Each row: the bytes, then the rows read (header dropped), or the line an error must name.
void tst_CsvTable::readsRecordsAsRfc4180Says_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("errorLine");
    QTest::newRow("quoted commas, quotes and line breaks")
        << QByteArray("Name,Remark,Tel\r\n"
                      "\"Wang, Wu\",\"He said \"\"hi\"\"\",\"010\"\r\n"
                      "\"two\r\nlines\",\"lf\nonly\",\"\"\r\n"
                      "plain\"quote,,last")
        << QList<QStringList>{{u"Wang, Wu"_s, u"He said \"hi\""_s, u"010"_s},
                              {u"two\r\nlines"_s, u"lf\nonly"_s, QString()},
                              {u"plain\"quote"_s, QString(), u"last"_s}}
        << QString();
    // The empty line is skipped; ",," is a row of empty cells.
    QTest::newRow("short rows padded, empty extra cells dropped")
        << QByteArray("a,b,c\r\n1\r\n\r\n,,\r\n4,5,6,,\r\n")
        << QList<QStringList>{{u"1"_s, QString(), QString()},
                              {QString(), QString(), QString()},
                              {u"4"_s, u"5"_s, u"6"_s}}
        << QString();
    QTest::newRow("header only") << QByteArray("\xEF\xBB\xBFName,Tel\r\n") << QList<QStringList>{}
                                 << QString();
    // The quoted line break puts the offending record on line 4.
    QTest::newRow("extra cells with values")
        << QByteArray("a,b\n\"x\ny\",1\n3,4,lost\n") << QList<QStringList>{} << u"第 4 行"_s;
    // A doubled CR before LF ends one line, not two.
    QTest::newRow("extra cells after doubled CRs")
        << QByteArray("a,b\r\r\n\"x\r\r\ny\",1\r\r\n3,4,lost\r\r\n") << QList<QStringList>{}
        << u"第 4 行"_s;
}

void tst_CsvTable::readsRecordsAsRfc4180Says()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, errorLine);
    const auto table = CsvTable::fromBytes(bytes);
    if (!errorLine.isEmpty()) {
        QVERIFY(!table.ok());
        QCOMPARE(table.error().number, ImportErrorCode::BadLayout);
        QVERIFY2(table.error().description.contains(errorLine),
                 qPrintable(table.error().description));
        return;
    }
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().rows, rows);
}

void tst_CsvTable::refusesFilesWithoutText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chosenEncoding");
    QTest::addColumn<int>("code");
    QByteArray garbage("\x89PNG\r\n\x1A\n", 8);
    quint32 state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        garbage += char(state >> 24);
    }
    QTest::newRow("binary with NUL bytes") << garbage << detect << ImportErrorCode::NotText;
    QByteArray noNul = garbage;
    noNul.replace('\0', '\x01');
    QTest::newRow("binary without NUL bytes") << noNul << detect << ImportErrorCode::NotText;
    QTest::newRow("UTF-16 with NUL characters") << QByteArray("\xFF\xFE"
                                                              "a\0\0\0b\0",
                                                              8)
                                                << detect << ImportErrorCode::NotText;
    QTest::newRow("GBK read as the chosen UTF-8")
        << encoded("GB18030", chineseText) << int(Encoding::Utf8) << ImportErrorCode::NotText;
    QTest::newRow("text with NUL bytes read as the chosen GB18030")
        << QByteArray("a,b\r\n\0,1\r\n", 10) << int(Encoding::Gb18030) << ImportErrorCode::NotText;
    QTest::newRow("empty file") << QByteArray() << detect << ImportErrorCode::BadLayout;
    QTest::newRow("quote never closed")
        << QByteArray("a,b\n\"open,1\n2,3\n") << detect << ImportErrorCode::BadLayout;
}

void tst_CsvTable::refusesFilesWithoutText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chosenEncoding);
    QFETCH(int, code);
    CsvTable::Format format;
    if (chosenEncoding != detect)
        format.encoding = Encoding(chosenEncoding);
    const auto table = CsvTable::fromBytes(bytes, format);
    QVERIFY(!table.ok());
    QCOMPARE(table.error().number, code);
    QVERIFY(!table.error().description.isEmpty());
}

void tst_CsvTable::writesBomQuotesAndCrlf()
{
    ImportTable table;
    table.columns = chineseHeader;
    table.rows = {
        {u"a,b"_s, u"say \"x\""_s}, {u"line\nbreak"_s, u"cr\rhere"_s}, {u"张三"_s, u"0086"_s}};
    QCOMPARE(CsvTable::toBytes(table),
             QByteArray("\xEF\xBB\xBF") + u"姓名,电话\r\n"_s.toUtf8() +
                 "\"a,b\",\"say \"\"x\"\"\"\r\n\"line\nbreak\",\"cr\rhere\"\r\n" +
                 u"张三,0086\r\n"_s.toUtf8());
}

void tst_CsvTable::roundTripsEveryAwkwardValue()
{
    ImportTable table;
    table.columns = {u"Name"_s, u"Tel1"_s, u"Remark"_s, u"姓,名"_s};
    table.rows = {
        {u"张\"三\""_s, u"008613800138000"_s, u"一行\r\n两行\n三行\r"_s, u" 前后空格 "_s},
        {QString(), u"0"_s, u"\x01\x1F\t\x7F控制"_s, u","_s},
        {u"\"\""_s, QString(), QString(), QString()},
        {QString(), QString(), QString(), QString()},
    };
    const auto back = CsvTable::fromBytes(CsvTable::toBytes(table));
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().columns, table.columns);
    QCOMPARE(back.value().rows, table.rows);

    ImportTable single;
    single.columns = {u"Name"_s};
    single.rows = {{QString()}, {u"x"_s}, {QString()}};
    const auto singleBack = CsvTable::fromBytes(CsvTable::toBytes(single));
    QVERIFY2(singleBack.ok(), qPrintable(singleBack.error().description));
    QCOMPARE(singleBack.value().rows, single.rows);
}

void tst_CsvTable::roundTripsThroughAFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"联系人.csv"_s);
    ImportTable table;
    table.columns = chineseHeader;
    table.rows = {{u"王五"_s, u"0755-1234,5678"_s}};
    QVERIFY(CsvTable::writeFile(path, table).ok());
    const auto back = CsvTable::readFile(path);
    QVERIFY2(back.ok(), qPrintable(back.error().description));
    QCOMPARE(back.value().rows, table.rows);

    const auto missing = CsvTable::readFile(dir.filePath(u"none.csv"_s));
    QVERIFY(!missing.ok());
    QCOMPARE(missing.error().number, ImportErrorCode::CannotOpen);
    QVERIFY(!CsvTable::writeFile(dir.filePath(u"no/such/folder.csv"_s), table).ok());
}

void tst_CsvTable::survivesEveryCutAndDamagedByte()
{
    const QByteArray good = QByteArray("\xEF\xBB\xBF") +
                            u"姓名,备注\r\n\"张,三\",\"a\"\"b\r\nc\"\r\n李四,\r\n"_s.toUtf8();
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
