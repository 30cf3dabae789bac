// SPDX-License-Identifier: GPL-3.0-or-later
// Workbooks made by xlwt and openpyxl, and others' workbooks from tests/data/workbook, read
// through the helper program: values by their kind, and every damaged, foreign, encrypted or
// misnamed file an error naming its reason rather than a table or a crash.
#include "TestFiles.h"
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
using Rows = QList<QStringList>;

class tst_WorkbookReader : public QObject {
    Q_OBJECT

private:
    // Writes a case of make_workbook.py; the ending (.xls or .xlsx) picks the format.
    QString make(const QString& workbookCase, const QString& name)
    {
        const QString path = m_dir.filePath(name);
        if (QProcess::execute(u"/usr/bin/python3"_s,
                              {QStringLiteral(MAKE_WORKBOOK), workbookCase, path}))
            qFatal("make_workbook.py failed");
        return path;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        return TestFiles::write(m_dir.filePath(name), bytes);
    }
    static QString dataFile(const QString& name)
    {
        return QStringLiteral(WORKBOOK_DATA "/") + name;
    }

    QTemporaryDir m_dir;

private slots:
    // Each row: the file, the header and the first rows read (cells split by '|', rows by '/'), how
    // many rows in all, and the last one.
    void readsWorkbooks_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QString>("last");
        const auto row = [](const QString& name, const QString& path, const QString& first,
                            int count, const QString& last = {}) {
            QTest::newRow(qPrintable(name)) << path << first << count << last;
        };
        // Values by their kind; the blank row between 李四 and 张三 adds no record.
        const QString people =
            u"姓名|手机|身高|生日|备注/王小二|13800138000|1.75|1990-05-01|第一行\n第二行/李四||||"_s;
        const QString zhang = u"张三|010-1234|0.1|2001-12-31|"_s;
        const QString longText =
            u"姓名|备注/甲|"_s + QString(9000, u'汉') + u"/乙|"_s + QString(20000, u'字');
        for (const QString& suffix : {u".xls"_s, u".xlsx"_s}) {
            row(u"people"_s + suffix, make(u"people"_s, u"people"_s + suffix), people, 3, zhang);
            row(u"cells of 9,000 and 20,000 characters"_s + suffix,
                make(u"longtext"_s, u"long"_s + suffix), longText, 2, longText.section(u'/', 2));
        }
        row(u"xlsx lower-case references"_s, make(u"lowercase"_s, u"lower.xlsx"_s), people, 3,
            zhang);
        const auto data = [&](const QString& name, const QString& file, const QString& first,
                              int count, const QString& last = {}) {
            row(name, dataFile(file), first, count, last);
        };
        data(u"xls formulas, numeric results"_s, u"xls_formula.xls"_s, u"10/20/110"_s, 3, u"65"_s);
        data(u"xls formulas, text results"_s, u"xls_ref_String.xls"_s, u"aa/bb/aa"_s, 3, u"bb"_s);
        data(u"xls formula result with a date format, from 1904"_s, u"formula-date-format.xls"_s,
             u"2017-02-27/2017-02-28"_s, 1, u"2017-02-28"_s);
        data(u"xls elapsed time past 24 hours"_s, u"date.xls"_s, u"2021-01-01|15/2021-01-02|16"_s,
             2, u"255:10:10|17"_s);
        data(u"xlsx elapsed time past 24 hours"_s, u"date.xlsx"_s, u"2021-01-01|15/2021-01-02|16"_s,
             2, u"255:10:10|17"_s);
        data(u"xls stream named WORKBOOK"_s, u"capitalized_wbook_stream.xls"_s, {}, 0);
        data(u"xls shared strings over CONTINUE records"_s, u"sst_continue.xls"_s,
             u"This is a long string with a serial number at the end 0001/This is a long string "
             u"with a "
             u"serial number at the end 0002"_s,
             135, u"New CONTINUE block"_s);
        data(u"sheet whose only cell is 0"_s, u"issues.xls"_s, u"0"_s, 0);
        data(u"xlsx part SharedStrings.xml"_s, u"issue_419.xlsx"_s, u"Hello"_s, 0);
        data(u"strict Open XML"_s, u"SimpleStrict.xlsx"_s, u"test|F2|1/test 2||2/||3"_s, 5,
             u"||6"_s);
        // An Excel 95 workbook with its first sheet renamed Sheet1 (the name has the same length).
        row(u"xls of Excel 95 (BIFF5)"_s,
            write(u"excel95.xls"_s,
                  TestFiles::read(dataFile(u"testEXCEL_95.xls"_s)).replace("Feuil1", "Sheet1")),
            u"Sample Excel Worksheet - Numbers and their Squares"_s, 1,
            u"Written and saved in Microsoft Excel X for Mac Service Release 1.\n"_s);
    }

    void readsWorkbooks()
    {
        QFETCH(QString, path);
        QFETCH(QString, first);
        QFETCH(int, rowCount);
        QFETCH(QString, last);
        auto table = WorkbookReader::readFile(path);
        QVERIFY2(table.ok(), qPrintable(table.error().description));
        Rows expected;
        for (const QString& line : first.split(u'/'))
            expected.append(line.isEmpty() ? QStringList() : line.split(u'|'));
        QCOMPARE(table.value().columns, expected.first());
        QCOMPARE(table.value().rows.size(), rowCount);
        QCOMPARE(table.value().rows.mid(0, expected.size() - 1), expected.mid(1));
        QCOMPARE(table.value().rows.value(rowCount - 1),
                 last.isEmpty() ? QStringList() : last.split(u'|'));
    }

    // Each row: the file, the error's number (0: any), and what its message must say.
    void refusesNamingTheReason_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("saying");
        const auto row = [](const QString& name, const QString& path, int code,
                            const QString& saying) {
            QTest::newRow(qPrintable(name)) << path << code << saying;
        };
        const int notWorkbook = ImportErrorCode::NotWorkbook;
        const QByteArray text = "姓名,电话\r\n王五,1\r\n";
        row(u"missing file"_s, m_dir.filePath(u"gone.xlsx"_s), ImportErrorCode::CannotOpen,
            u"gone.xlsx"_s);
        row(u"text too short for a workbook"_s, dataFile(u"too_small.xls"_s), notWorkbook,
            u"不是Excel工作簿"_s);
        row(u"encrypted xls"_s, dataFile(u"xor-encryption-abc.xls"_s), notWorkbook, u"密码"_s);
        row(u"encrypted xlsx"_s, dataFile(u"protected_passtika.xlsx"_s), notWorkbook, u"密码"_s);
        row(u"Excel 3.0 workbook"_s, dataFile(u"testEXCEL_3.xls"_s), notWorkbook,
            u"Excel 4.0或更早"_s);
        row(u"Excel 95 without Sheet1"_s, dataFile(u"testEXCEL_95.xls"_s), ImportErrorCode::NoSheet,
            u"（它的工作表：Feuil1、Feuil2、Feuil3）"_s);
        row(u"xlsx of a billion entities"_s, make(u"entitybomb"_s, u"bomb.xlsx"_s), notWorkbook,
            u"DTD"_s);
        row(u"xlsx with a control byte"_s, make(u"controlbytes"_s, u"control.xlsx"_s), notWorkbook,
            u"工作表“Sheet1”：第"_s);
        for (const auto& [suffix, other] :
             {std::pair{u".xls"_s, u".xlsx"_s}, {u".xlsx"_s, u".xls"_s}}) {
            row(u"without Sheet1 "_s + suffix, make(u"othersheet"_s, u"other"_s + suffix),
                ImportErrorCode::NoSheet, u"Sheet1"_s);
            row(other + u" renamed "_s + suffix,
                write(u"renamed"_s + suffix, TestFiles::read(make(u"people"_s, u"real"_s + other))),
                notWorkbook, other);
            row(u"text named "_s + suffix, write(u"text"_s + suffix, text), notWorkbook,
                suffix.mid(1));
            // A workbook cut short is an error, never part of a table; 2 KB of noise over the
            // middle of the sheet is one that says the file is damaged.
            const QByteArray whole = TestFiles::read(make(u"thousand"_s, u"whole"_s + suffix));
            QRandomGenerator noise(23);
            for (const auto& [cut, noiseAt] :
                 {std::pair{0.1, 0.3}, {0.5, 0.45}, {0.9, 0.6}, {0.99, 0.75}}) {
                const QString name = u"at %1"_s.arg(cut) + suffix;
                row(u"cut "_s + name,
                    write(u"cut "_s + name, whole.left(qsizetype(whole.size() * cut))), 0, {});
                QByteArray damaged = whole;
                for (qsizetype i = qsizetype(whole.size() * noiseAt), end = i + 2048; i < end; ++i)
                    damaged[i] = char(noise.bounded(256));
                row(u"noise "_s + name, write(u"noise "_s + name, damaged), 0, u"损坏"_s);
            }
        }
    }

    void refusesNamingTheReason()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, saying);
        auto table = WorkbookReader::readFile(path);
        QVERIFY2(!table.ok(), "read as a table");
        if (code)
            QCOMPARE(table.error().number, code);
        const QString& description = table.error().description;
        QVERIFY2(description.contains(saying), qPrintable(description));
        // The program's own words: no reader's code, no parser's English.
        static const QRegularExpression english(u"[A-Za-z]{3,} [a-z]{2,}"_s);
        QVERIFY2(!description.contains(english), qPrintable(description));
    }

    void aCrashingOrHangingReaderIsAnError()
    {
        const QString people = make(u"people"_s, u"p.xlsx"_s);
        WorkbookReader::Options options;
        options.helper = write(u"crash.sh"_s, "#!/bin/sh\nkill -SEGV $$\n");
        const QString hanging = write(u"hang.sh"_s, "#!/bin/sh\nexec sleep 30\n");
        for (const QString& script : {options.helper, hanging})
            QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        auto crashed = WorkbookReader::readFile(people, options);
        QCOMPARE(crashed.ok() ? 0 : crashed.error().number, ImportErrorCode::ReaderFailed);

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
        QCOMPARE(hung.ok() ? 0 : hung.error().number, ImportErrorCode::ReaderFailed);
        QVERIFY(waits > 2);
    }

    // A number, or a serial day in a number format (its code, counted from 1900 or 1904), as shown.
    void showsCellsAsASpreadsheetDoes_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("from1904");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, double value, const QString& code, bool from1904,
                            const QString& text) {
            QTest::newRow(name) << value << code << from1904 << text;
        };
        row("phone number", 13800138000.0, u"General"_s, false, u"13800138000"_s);
        row("beyond 15 digits, integral", 1e17, u"General"_s, false, u"100000000000000000"_s);
        row("negative zero", -0.0, u"General"_s, false, u"0"_s);
        row("binary fraction noise", 0.1 + 0.2, u"0.00;[Red]-0.00"_s, false, u"0.3"_s);
        row("a third", 1.0 / 3, u"[Magenta]0.00"_s, false, u"0.333333333333333"_s);
        row("negative, quoted days", -12.5, u"0\" days\""_s, false, u"-12.5"_s);
        row("escaped d", 7, u"0\\d"_s, false, u"7"_s);
        // Serial 61 is 1900-03-01 in the 1900 system (its day 60 is the 29 February never was).
        row("y/m/d", 61, u"yyyy/m/d"_s, false, u"1900-03-01"_s);
        row("Chinese date with locale, from 1904", 1, u"[$-804]yyyy\"年\"m\"月\"d\"日\""_s, true,
            u"1904-01-02"_s);
        row("upper case", 32994.5, u"YYYY-MM-DD hh:mm"_s, false, u"1990-05-01 12:00:00"_s);
        row("a date and time at midnight", 32994, u"YYYY-MM-DD hh:mm"_s, false, u"1990-05-01"_s);
        row("time", 0.75, u"h:mm:ss"_s, false, u"18:00:00"_s);
        row("elapsed hours", 1.5, u"[hh]:mm:ss"_s, false, u"36:00:00"_s);
    }

    void showsCellsAsASpreadsheetDoes()
    {
        QFETCH(double, value);
        QFETCH(QString, code);
        QFETCH(bool, from1904);
        QFETCH(QString, text);
        const Shown shown = WorkbookCells::shownByCode(code);
        QCOMPARE(shown == Shown::Number ? WorkbookCells::numberText(value)
                                        : WorkbookCells::serialText(value, shown, from1904),
                 text);
    }
};

QTEST_GUILESS_MAIN(tst_WorkbookReader)
#include "tst_workbookreader.moc"
