// SPDX-License-Identifier: GPL-3.0-or-later
// Workbooks made by xlwt and openpyxl, and others' workbooks from tests/data/workbook, read
// through the helper program: values by their kind, and every damaged, foreign, encrypted or
// misnamed file an error naming its reason rather than a table or a crash.
#include "WorkbookCells.h"
#include "admin/WorkbookReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using WorkbookCells::Shown;

namespace {

// Writes a case of make_workbook.py; the ending (.xls or .xlsx) picks the format.
QString makeWorkbook(const QTemporaryDir& dir, const QString& workbookCase, const QString& name)
{
    const QString path = dir.filePath(name);
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {QStringLiteral(MAKE_WORKBOOK), workbookCase, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("make_workbook.py failed: %s", python.readAllStandardError().constData());
    return path;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString dataFile(const QString& name)
{
    return QStringLiteral(WORKBOOK_DATA "/") + name;
}

QStringList column(std::initializer_list<QString> cells)
{
    return QStringList(cells);
}

} // namespace

class tst_WorkbookReader : public QObject {
    Q_OBJECT

private slots:
    void readsValuesByTheirKind_data();
    void readsValuesByTheirKind();
    void readsWorkbooksOtherProgramsWrote_data();
    void readsWorkbooksOtherProgramsWrote();
    void refusesNamingTheReason_data();
    void refusesNamingTheReason();
    void aCutWorkbookIsAnErrorNeverPartOfATable_data();
    void aCutWorkbookIsAnErrorNeverPartOfATable();
    void aCrashingOrHangingReaderIsAnError();
    void writesNumbersAsASpreadsheetShowsThem_data();
    void writesNumbersAsASpreadsheetShowsThem();
    void tellsDateFormatsFromNumberFormats_data();
    void tellsDateFormatsFromNumberFormats();

private:
    QTemporaryDir m_dir;
};

void tst_WorkbookReader::readsValuesByTheirKind_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("xls") << u".xls"_s;
    QTest::newRow("xlsx") << u".xlsx"_s;
}

void tst_WorkbookReader::readsValuesByTheirKind()
{
    QFETCH(QString, suffix);
    const QString people = makeWorkbook(m_dir, u"people"_s, u"people"_s + suffix);
    auto table = WorkbookReader::readFile(people);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    const QStringList columns{u"姓名"_s, u"手机"_s, u"身高"_s, u"生日"_s, u"备注"_s};
    QCOMPARE(table.value().columns, columns);
    // The blank row between 李四 and 张三 adds no record.
    const QList<QStringList> rows{
        {u"王小二"_s, u"13800138000"_s, u"1.75"_s, u"1990-05-01"_s, u"第一行\n第二行"_s},
        {u"李四"_s, {}, {}, {}, {}},
        {u"张三"_s, u"010-1234"_s, u"0.1"_s, u"2001-12-31"_s, {}}};
    QCOMPARE(table.value().rows, rows);

    auto header = WorkbookReader::readFile(makeWorkbook(m_dir, u"header"_s, u"h"_s + suffix));
    QVERIFY(header.ok());
    QCOMPARE(header.value().columns, (QStringList{u"姓名"_s, u"手机"_s}));
    QVERIFY(header.value().rows.isEmpty());
}

void tst_WorkbookReader::readsWorkbooksOtherProgramsWrote_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<QStringList>>("firstRows");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QStringList>("lastRow");

    QTest::newRow("xls formulas, numeric results")
        << dataFile(u"xls_formula.xls"_s) << column({u"10"_s})
        << QList<QStringList>{{u"20"_s}, {u"110"_s}, {u"65"_s}} << 3 << column({u"65"_s});
    QTest::newRow("xls formulas, text results")
        << dataFile(u"xls_ref_String.xls"_s) << column({u"aa"_s})
        << QList<QStringList>{{u"bb"_s}, {u"aa"_s}, {u"bb"_s}} << 3 << column({u"bb"_s});
    QTest::newRow("xls formula result with a date format, from 1904")
        << dataFile(u"formula-date-format.xls"_s) << column({u"2017-02-27"_s})
        << QList<QStringList>{{u"2017-02-28"_s}} << 1 << column({u"2017-02-28"_s});
    QTest::newRow("xls elapsed time past 24 hours")
        << dataFile(u"date.xls"_s) << column({u"2021-01-01"_s, u"15"_s})
        << QList<QStringList>{{u"2021-01-02"_s, u"16"_s}} << 2 << column({u"255:10:10"_s, u"17"_s});
    QTest::newRow("xlsx elapsed time past 24 hours")
        << dataFile(u"date.xlsx"_s) << column({u"2021-01-01"_s, u"15"_s})
        << QList<QStringList>{{u"2021-01-02"_s, u"16"_s}} << 2 << column({u"255:10:10"_s, u"17"_s});
    QTest::newRow("xls stream named WORKBOOK")
        << dataFile(u"capitalized_wbook_stream.xls"_s) << QStringList() << QList<QStringList>() << 0
        << QStringList();
    QTest::newRow("xls shared strings over CONTINUE records")
        << dataFile(u"sst_continue.xls"_s)
        << column({u"This is a long string with a serial number at the end 0001"_s})
        << QList<QStringList>{{u"This is a long string with a serial number at the end 0002"_s}}
        << 135 << column({u"New CONTINUE block"_s});
    const QList<QStringList> longText{{u"甲"_s, QString(9000, u'汉')},
                                      {u"乙"_s, QString(20000, u'字')}};
    for (const QString suffix : {u".xls"_s, u".xlsx"_s})
        QTest::newRow(qPrintable(u"cells of 9,000 and 20,000 characters, "_s + suffix))
            << makeWorkbook(m_dir, u"longtext"_s, u"long"_s + suffix)
            << column({u"姓名"_s, u"备注"_s}) << longText << 2 << longText.last();
    QTest::newRow("sheet whose only cell is 0") << dataFile(u"issues.xls"_s) << column({u"0"_s})
                                                << QList<QStringList>() << 0 << QStringList();
    QTest::newRow("xlsx part SharedStrings.xml")
        << dataFile(u"issue_419.xlsx"_s) << column({u"Hello"_s}) << QList<QStringList>() << 0
        << QStringList();
    QTest::newRow("xlsx lower-case references")
        << makeWorkbook(m_dir, u"lowercase"_s, u"lower.xlsx"_s)
        << column({u"姓名"_s, u"手机"_s, u"身高"_s, u"生日"_s, u"备注"_s})
        << QList<QStringList>{{u"王小二"_s, u"13800138000"_s, u"1.75"_s, u"1990-05-01"_s,
                               u"第一行\n第二行"_s}}
        << 3 << column({u"张三"_s, u"010-1234"_s, u"0.1"_s, u"2001-12-31"_s, {}});
    QTest::newRow("strict Open XML")
        << dataFile(u"SimpleStrict.xlsx"_s) << column({u"test"_s, u"F2"_s, u"1"_s})
        << QList<QStringList>{{u"test 2"_s, {}, u"2"_s}, {{}, {}, u"3"_s}} << 5
        << column({{}, {}, u"6"_s});
    // An Excel 95 workbook with its first sheet renamed Sheet1 (the name has the same length).
    QByteArray excel95 = bytesOf(dataFile(u"testEXCEL_95.xls"_s));
    QVERIFY(excel95.count("Feuil1") == 1);
    excel95.replace("Feuil1", "Sheet1");
    QTest::newRow("xls of Excel 95 (BIFF5)")
        << writeFile(m_dir, u"excel95.xls"_s, excel95)
        << column({u"Sample Excel Worksheet - Numbers and their Squares"_s}) << QList<QStringList>()
        << 1 << column({u"Written and saved in Microsoft Excel X for Mac Service Release 1.\n"_s});
}

void tst_WorkbookReader::readsWorkbooksOtherProgramsWrote()
{
    QFETCH(QString, path);
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, firstRows);
    QFETCH(int, rowCount);
    QFETCH(QStringList, lastRow);
    auto table = WorkbookReader::readFile(path);
    QVERIFY2(table.ok(), qPrintable(table.error().description));
    QCOMPARE(table.value().columns, columns);
    const QList<QStringList>& rows = table.value().rows;
    QCOMPARE(rows.size(), rowCount);
    QCOMPARE(rows.mid(0, firstRows.size()), firstRows);
    if (rowCount > 0)
        QCOMPARE(rows.last(), lastRow);
}

void tst_WorkbookReader::refusesNamingTheReason_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("saying");
    QTest::newRow("xls without Sheet1") << makeWorkbook(m_dir, u"othersheet"_s, u"other.xls"_s)
                                        << ImportErrorCode::NoSheet << u"Sheet1"_s;
    QTest::newRow("xlsx without Sheet1") << makeWorkbook(m_dir, u"othersheet"_s, u"other.xlsx"_s)
                                         << ImportErrorCode::NoSheet << u"Sheet1"_s;
    const QByteArray xlsx = bytesOf(makeWorkbook(m_dir, u"people"_s, u"real.xlsx"_s));
    QTest::newRow("xlsx renamed xls")
        << writeFile(m_dir, u"renamed.xls"_s, xlsx) << ImportErrorCode::NotWorkbook << u".xlsx"_s;
    const QByteArray text = "姓名,电话\r\n王五,1\r\n";
    QTest::newRow("text named xls")
        << writeFile(m_dir, u"text.xls"_s, text) << ImportErrorCode::NotWorkbook << u"xls"_s;
    QTest::newRow("text named xlsx")
        << writeFile(m_dir, u"text.xlsx"_s, text) << ImportErrorCode::NotWorkbook << u"xlsx"_s;
    QTest::newRow("missing file") << m_dir.filePath(u"gone.xlsx"_s) << ImportErrorCode::CannotOpen
                                  << u"gone.xlsx"_s;
    QTest::newRow("text too short for a workbook")
        << dataFile(u"too_small.xls"_s) << ImportErrorCode::NotWorkbook << u"不是Excel工作簿"_s;
    QTest::newRow("encrypted xls")
        << dataFile(u"xor-encryption-abc.xls"_s) << ImportErrorCode::NotWorkbook << u"密码"_s;
    QTest::newRow("encrypted xlsx")
        << dataFile(u"protected_passtika.xlsx"_s) << ImportErrorCode::NotWorkbook << u"密码"_s;
    QTest::newRow("Excel 3.0 workbook")
        << dataFile(u"testEXCEL_3.xls"_s) << ImportErrorCode::NotWorkbook << u"Excel 4.0或更早"_s;
    QTest::newRow("Excel 95 without Sheet1")
        << dataFile(u"testEXCEL_95.xls"_s) << ImportErrorCode::NoSheet
        << u"（它的工作表：Feuil1、Feuil2、Feuil3）"_s;
    QTest::newRow("xlsx of a billion entities")
        << makeWorkbook(m_dir, u"entitybomb"_s, u"bomb.xlsx"_s) << ImportErrorCode::NotWorkbook
        << u"DTD"_s;
    const QByteArray xls = bytesOf(makeWorkbook(m_dir, u"people"_s, u"real.xls"_s));
    QTest::newRow("xls renamed xlsx")
        << writeFile(m_dir, u"renamed.xlsx"_s, xls) << ImportErrorCode::NotWorkbook << u".xls"_s;
    QTest::newRow("xlsx with a control byte")
        << makeWorkbook(m_dir, u"controlbytes"_s, u"control.xlsx"_s) << ImportErrorCode::NotWorkbook
        << u"工作表“Sheet1”：第"_s;
}

void tst_WorkbookReader::refusesNamingTheReason()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, saying);
    auto table = WorkbookReader::readFile(path);
    QVERIFY(!table.ok());
    const QString& description = table.error().description;
    QCOMPARE(table.error().number, code);
    QVERIFY2(description.contains(saying), qPrintable(description));
    // The program's own words: no reader's code, no parser's English.
    static const QRegularExpression english(u"[A-Za-z]{3,} [a-z]{2,}"_s);
    QVERIFY2(!description.contains(english), qPrintable(description));
}

void tst_WorkbookReader::aCutWorkbookIsAnErrorNeverPartOfATable_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("xls") << u".xls"_s;
    QTest::newRow("xlsx") << u".xlsx"_s;
}

void tst_WorkbookReader::aCutWorkbookIsAnErrorNeverPartOfATable()
{
    QFETCH(QString, suffix);
    const QByteArray whole = bytesOf(makeWorkbook(m_dir, u"thousand"_s, u"whole"_s + suffix));
    QVERIFY(whole.size() > 4096);
    for (const double share : {0.1, 0.5, 0.9, 0.99}) {
        const QString cut =
            writeFile(m_dir, u"cut"_s + suffix, whole.left(qsizetype(whole.size() * share)));
        auto table = WorkbookReader::readFile(cut);
        QVERIFY2(!table.ok(), qPrintable(u"cut at %1 read as %2 rows"_s.arg(share).arg(
                                  table.ok() ? table.value().rows.size() : 0)));
    }
    // 2 KB of noise over the middle of the sheet: refused, saying where the damage was met.
    QRandomGenerator noise(23);
    for (const double share : {0.3, 0.45, 0.6, 0.75}) {
        QByteArray damaged = whole;
        for (qsizetype i = qsizetype(whole.size() * share), end = i + 2048; i < end; ++i)
            damaged[i] = char(noise.bounded(256));
        auto table = WorkbookReader::readFile(writeFile(m_dir, u"noisy"_s + suffix, damaged));
        QVERIFY2(!table.ok(), qPrintable(u"noise at %1 read as %2 rows"_s.arg(share).arg(
                                  table.ok() ? table.value().rows.size() : 0)));
        QVERIFY2(table.error().description.contains(u"损坏"_s),
                 qPrintable(table.error().description));
    }
}

void tst_WorkbookReader::aCrashingOrHangingReaderIsAnError()
{
    const QString people = makeWorkbook(m_dir, u"people"_s, u"p.xlsx"_s);
    const QString crashing = writeFile(m_dir, u"crash.sh"_s, "#!/bin/sh\nkill -SEGV $$\n");
    const QString hanging = writeFile(m_dir, u"hang.sh"_s, "#!/bin/sh\nexec sleep 30\n");
    for (const QString& script : {crashing, hanging})
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));

    WorkbookReader::Options options;
    options.helper = crashing;
    auto crashed = WorkbookReader::readFile(people, options);
    QVERIFY(!crashed.ok());
    QCOMPARE(crashed.error().number, ImportErrorCode::ReaderFailed);

    options.helper = hanging;
    options.timeoutMs = 300;
    int waits = 0;
    options.waiting = [&] {
        ++waits;
    };
    QElapsedTimer timer;
    timer.start();
    auto hung = WorkbookReader::readFile(people, options);
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(!hung.ok());
    QCOMPARE(hung.error().number, ImportErrorCode::ReaderFailed);
    QVERIFY(waits > 2);
}

void tst_WorkbookReader::writesNumbersAsASpreadsheetShowsThem_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("phone number") << 13800138000.0 << u"13800138000"_s;
    QTest::newRow("beyond 15 digits, integral") << 1e17 << u"100000000000000000"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("binary fraction noise") << 0.1 + 0.2 << u"0.3"_s;
    QTest::newRow("a third") << 1.0 / 3 << u"0.333333333333333"_s;
    QTest::newRow("negative") << -12.5 << u"-12.5"_s;
}

void tst_WorkbookReader::writesNumbersAsASpreadsheetShowsThem()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(WorkbookCells::numberText(value), text);
}

void tst_WorkbookReader::tellsDateFormatsFromNumberFormats_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Shown>("shown");
    QTest::newRow("y/m/d") << u"yyyy/m/d"_s << Shown::Date;
    QTest::newRow("Chinese date with locale")
        << u"[$-804]yyyy\"年\"m\"月\"d\"日\""_s << Shown::Date;
    QTest::newRow("upper case") << u"YYYY-MM-DD hh:mm"_s << Shown::DateTime;
    QTest::newRow("time") << u"h:mm:ss"_s << Shown::Time;
    QTest::newRow("elapsed hours") << u"[hh]:mm:ss"_s << Shown::Elapsed;
    QTest::newRow("[Magenta] is no minutes") << u"[Magenta]0.00"_s << Shown::Number;
    QTest::newRow("[Red] is no d") << u"0.00;[Red]-0.00"_s << Shown::Number;
    QTest::newRow("quoted days") << u"0\" days\""_s << Shown::Number;
    QTest::newRow("escaped d") << u"0\\d"_s << Shown::Number;
    QTest::newRow("General") << u"General"_s << Shown::Number;
}

void tst_WorkbookReader::tellsDateFormatsFromNumberFormats()
{
    QFETCH(QString, code);
    QFETCH(Shown, shown);
    QCOMPARE(WorkbookCells::shownByCode(code), shown);
    // Serial 61 is 1900-03-01 in the 1900 system (its day 60 is the 29 February never was).
    QCOMPARE(WorkbookCells::serialText(61, Shown::Date, false), u"1900-03-01"_s);
    QCOMPARE(WorkbookCells::serialText(1, Shown::Date, true), u"1904-01-02"_s);
    QCOMPARE(WorkbookCells::serialText(32994.5, Shown::DateTime, false), u"1990-05-01 12:00:00"_s);
    QCOMPARE(WorkbookCells::serialText(32994, Shown::DateTime, false), u"1990-05-01"_s);
}

QTEST_GUILESS_MAIN(tst_WorkbookReader)
#include "tst_workbookreader.moc"
