// SPDX-License-Identifier: GPL-3.0-or-later
// Workbooks made by xlwt and openpyxl read through the helper program: values by their kind,
// and every damaged, foreign or misnamed file an error rather than a table or a crash.
#include "WorkbookCells.h"
#include "admin/WorkbookReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

} // namespace

class tst_WorkbookReader : public QObject {
    Q_OBJECT

private slots:
    void readsValuesByTheirKind_data();
    void readsValuesByTheirKind();
    void refusesWhatIsNoSheet1_data();
    void refusesWhatIsNoSheet1();
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

void tst_WorkbookReader::refusesWhatIsNoSheet1_data()
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
}

void tst_WorkbookReader::refusesWhatIsNoSheet1()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, saying);
    auto table = WorkbookReader::readFile(path);
    QVERIFY(!table.ok());
    QCOMPARE(table.error().number, code);
    QVERIFY2(table.error().description.contains(saying), qPrintable(table.error().description));
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
    QTest::newRow("elapsed hours") << u"[h]:mm"_s << Shown::Time;
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
