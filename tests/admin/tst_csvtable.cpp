// SPDX-License-Identifier: GPL-3.0-or-later
// CSV files as spreadsheet programs save them read into a table, and written back unchanged.
#include "TestFiles.h"
#include "admin/CsvTable.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using TextDecoding::Encoding;
using Cells = QList<QStringList>;

namespace {

const QString chinese = u"姓名|电话/张三|13800138000/李四|0086-10"_s;

QByteArray encoded(const char* charset, const QString& text, const QByteArray& bom = {})
{
    QStringEncoder encoder(charset);
    if (!encoder.isValid())
        qFatal("no encoder for %s", charset);
    return bom + QByteArray(encoder(text));
}

// A file other programs wrote, from tests/data/csv.
QByteArray realFile(const char* name)
{
    return TestFiles::read(QStringLiteral(CSV_DATA "/") + QLatin1StringView(name));
}

// The table's header and rows, as the rows of a _data table give them.
Cells cellsOf(const ImportTable& table)
{
    return Cells{table.columns} + table.rows;
}

} // namespace

class tst_CsvTable : public QObject {
    Q_OBJECT

private slots:
    // Each row: the bytes, the encoding the user chose (if any), the encoding and separator read,
    // and the cells read, the header first: cells split by '|', rows by '/'.
    void readsEachFileByItsEncodingAndSeparator_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<Encoding>>("chosen");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<Cells>("cells");
        const auto row = [](const char* name, const QByteArray& bytes, Encoding encoding,
                            const QString& cells = chinese, std::optional<Encoding> chosen = {},
                            const QString& separator = u","_s) {
            Cells split;
            for (const QString& line : cells.split(u'/'))
                split.append(line.split(u'|'));
            QTest::newRow(name) << bytes << chosen << encoding << separator << split;
        };
        const QString table = u"姓名,电话\r\n张三,13800138000\r\n李四,0086-10\r\n"_s;
        row("UTF-8 without BOM", table.toUtf8(), Encoding::Utf8);
        row("GBK", encoded("GB18030", table), Encoding::Gb18030);
        // An even number of bytes once made ICU's detector take a two-row file for UTF-16.
        row("short GBK of even length", encoded("GB18030", u"姓名,电话\r\n张三,1380013800\r\n"_s),
            Encoding::Gb18030, u"姓名|电话/张三|1380013800"_s);
        row("UTF-16 BE without BOM", encoded("UTF-16BE", table), Encoding::Utf16);
        row("Big5", encoded("Big5", u"姓名,電話\r\n張三,1\r\n"_s), Encoding::Big5,
            u"姓名|電話/張三|1"_s);
        row("CR CR LF line ends",
            u"姓名,电话\r\r\n张三,\"一\r\r\n二\"\r\r\n\r\r\n李四,x"_s.toUtf8(), Encoding::Utf8,
            u"姓名|电话/张三|一\r\n二/李四|x"_s);
        row("RFC 4180 quoting, short and padded rows",
            "\xEF\xBB\xBFN,R,T\r\n\"W, W\",\"He said \"\"hi\"\"\",\"\"\r\nplain\"q,,\n1\r\n\r\n,,\r\n4,5,6,,"_ba,
            Encoding::Utf8, u"N|R|T/W, W|He said \"hi\"|/plain\"q||/1||/||/4|5|6"_s);
        row("header only", "\xEF\xBB\xBFName,Tel\r\n"_ba, Encoding::Utf8, u"Name|Tel"_s);
        row("semicolons", u"姓名;电话\r\n\"张;三\";1,2\r\n"_s.toUtf8(), Encoding::Utf8,
            u"姓名|电话/张;三|1,2"_s, {}, u";"_s);
        row("a sep= line names the separator", "sep=;\r\nName;Tel\r\na,b;1\r\n"_ba, Encoding::Utf8,
            u"Name|Tel/a,b|1"_s, {}, u";"_s);
        // Files other programs wrote.
        row("Latin-1 (csvkit)", realFile("test_latin1.csv"), Encoding::Latin1,
            u"a|b|c/1|2|3/4|5|©"_s);
        row("UTF-16 LE (csvkit)", realFile("test_utf16_little.csv"), Encoding::Utf16,
            u"a|b|c/1|2|3/4|5|ʤ"_s);
        row("UTF-16 BE (csvkit)", realFile("test_utf16_big.csv"), Encoding::Utf16,
            u"a|b|c/1|2|3/4|5|ʤ"_s);
        row("CR line ends (csvkit)", realFile("mac_newlines.csv"), Encoding::Utf8,
            u"a|b|c/1|2|3/Once upon\ra time|5|6"_s);
        row("tab-separated (csvkit)", realFile("dummy.tsv"), Encoding::Utf8, u"a|b|c/1|2|3"_s, {},
            u"\t"_s);
        // What no guess can tell: the user names the encoding.
        row("Big5 chosen", encoded("Big5", u"姓名,電話\r\n陳大文,2345"_s), Encoding::Big5,
            u"姓名|電話/陳大文|2345"_s, Encoding::Big5);
        row("Shift_JIS chosen", encoded("Shift_JIS", u"氏名,電話\r\n田中太郎,03-1234"_s),
            Encoding::ShiftJis, u"氏名|電話/田中太郎|03-1234"_s, Encoding::ShiftJis);
        row("Latin-1 chosen", encoded("windows-1252", u"Name,Ort\r\nMüller,Köln €"_s),
            Encoding::Latin1, u"Name|Ort/Müller|Köln €"_s, Encoding::Latin1);
        row("UTF-16 chosen for text without BOM", encoded("UTF-16BE", table), Encoding::Utf16,
            chinese, Encoding::Utf16);
    }

    void readsEachFileByItsEncodingAndSeparator()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<Encoding>, chosen);
        QFETCH(Encoding, encoding);
        QFETCH(QString, separator);
        QFETCH(Cells, cells);
        const auto reading = CsvTable::readBytes(bytes, {chosen, {}});
        QVERIFY2(reading.ok(), qPrintable(reading.error().description));
        QCOMPARE(reading.value().encoding, encoding);
        QCOMPARE(QString(reading.value().separator), separator);
        QCOMPARE(cellsOf(reading.value().table), cells);
    }

    // Each row: the bytes, the encoding the user chose if any, the error, and the line it names.
    void refusesNamingTheLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<Encoding>>("chosen");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("line");
        QByteArray garbage("\x89PNG\r\n\x1A\n", 8);
        quint32 state = 12345;
        for (int i = 0; i < 4096; ++i)
            garbage += char((state = state * 1103515245u + 12345u) >> 24);
        const auto row = [](const char* name, const QByteArray& bytes, int code,
                            const QString& line = {}, std::optional<Encoding> chosen = {}) {
            QTest::newRow(name) << bytes << chosen << code << line;
        };
        const int notText = ImportErrorCode::NotText;
        const int badLayout = ImportErrorCode::BadLayout;
        row("binary with NUL bytes", garbage, notText);
        row("binary without NUL bytes", QByteArray(garbage).replace('\0', '\x01'), notText);
        row("UTF-16 with NUL characters", "\xFF\xFE\x61\0\0\0b\0"_ba, notText);
        row("GBK read as the chosen UTF-8", encoded("GB18030", u"姓名,电话\r\n张三,1\r\n"_s),
            notText, {}, Encoding::Utf8);
        row("NUL bytes read as the chosen GB18030", "a,b\r\n\0,1\r\n"_ba, notText, {},
            Encoding::Gb18030);
        row("empty file", QByteArray(), badLayout);
        row("quote never closed", "a,b\n\"open,1\n2,3\n"_ba, badLayout, u"第 2 行"_s);
        // The quoted line break puts the offending record on line 4; a doubled CR ends one line.
        row("extra cells with values", "a,b\n\"x\ny\",1\n3,4,lost\n"_ba, badLayout, u"第 4 行"_s);
        row("extra cells after doubled CRs", "a,b\r\r\n\"x\r\r\ny\",1\r\r\n3,4,lost\r\r\n"_ba,
            badLayout, u"第 4 行"_s);
    }

    void refusesNamingTheLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<Encoding>, chosen);
        QFETCH(int, code);
        QFETCH(QString, line);
        const auto table = CsvTable::fromBytes(bytes, {chosen, {}});
        QCOMPARE(table.ok() ? 0 : table.error().number, code);
        QVERIFY2(!table.error().description.isEmpty() && table.error().description.contains(line),
                 qPrintable(table.error().description));
    }

    // Written and read back whole, awkward values included; a column of empty cells through a file.
    void writesWhatItReadsBack()
    {
        const ImportTable table{{u"Name"_s, u"姓,名"_s},
                                {{u"a,b"_s, u"say \"x\""_s},
                                 {u"一行\r\n两行\n三行\r"_s, u" 前后空格 "_s},
                                 {u"\x01\x1F\t\x7F控制"_s, u"\"\""_s}}};
        const QByteArray bytes = CsvTable::toBytes(table);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFName,\"姓,名\"\r\n\"a,b\",\"say \"\"x\"\"\"\r\n"_ba));
        QCOMPARE(cellsOf(CsvTable::fromBytes(bytes).value()), cellsOf(table));
        QTemporaryDir dir;
        const ImportTable single{{u"Name"_s}, {{QString()}, {u"x"_s}, {QString()}}};
        QVERIFY(CsvTable::writeFile(dir.filePath(u"联系人.csv"_s), single).ok());
        QCOMPARE(CsvTable::readFile(dir.filePath(u"联系人.csv"_s)).value().rows, single.rows);
        QCOMPARE(CsvTable::readFile(dir.filePath(u"none.csv"_s)).error().number,
                 ImportErrorCode::CannotOpen);
        QVERIFY(!CsvTable::writeFile(dir.filePath(u"no/such/folder.csv"_s), table).ok());
    }
};

QTEST_GUILESS_MAIN(tst_CsvTable)
#include "tst_csvtable.moc"
