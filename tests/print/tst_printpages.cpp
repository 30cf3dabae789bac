// SPDX-License-Identifier: GPL-3.0-or-later
// The printed pages rendered to PDF and read back with poppler's tools.
#include "PdfText.h"
#include "TestDatabase.h"

#include "db/Schema.h"
#include "print/EnvelopePages.h"
#include "print/LabelPages.h"
#include "print/PrintPages.h"

#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

PrintContact contact(int i, const QString& postcode, const QString& address)
{
    PrintContact c;
    c.id = i;
    c.values = {{u"Name"_s, u"张伟%1"_s.arg(i, 4, 10, QChar(u'0'))},
                {u"CompanyName"_s, u"华信公司"_s},
                {u"Moblie1"_s, u"1380013%1"_s.arg(i, 4, 10, QChar(u'0'))},
                {u"ZipCode"_s, postcode},
                {u"Address"_s, address}};
    return c;
}

std::vector<PrintContact> contacts(int count,
                                   const QString& address = u"北京市海淀区中关村大街1号"_s)
{
    std::vector<PrintContact> all;
    for (int i = 0; i < count; ++i)
        all.push_back(contact(i, u"100080"_s, address));
    return all;
}

// Rows of the list whose third cell, every tallRows-th row, wraps over several lines and ends
// in the row's own end mark.
PrintTable table(int rows, int tallRows)
{
    PrintTable t{{u"姓名"_s, u"手机1"_s, u"备注"_s}, {1650, 1650, 3000}, {}};
    for (int r = 0; r < rows; ++r) {
        const QString mark = u"%1"_s.arg(r, 4, 10, QChar(u'0'));
        const QString remark =
            tallRows && r % tallRows == 0 ? u"很长的备注文字"_s.repeated(12) : u""_s;
        t.rows.push_back({u"张伟"_s + mark, u"1380013"_s + mark, remark + u" E"_s + mark});
    }
    return t;
}

bool near(const QRectF& inner, const QRectF& outer, double toleranceMm)
{
    return outer.adjusted(-toleranceMm, -toleranceMm, toleranceMm, toleranceMm).contains(inner);
}

} // namespace

class TestPrintPages : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString render(const PrintOptions& options, const PrintTable& t,
                   const std::vector<PrintContact>& people)
    {
        const QString path = m_dir.filePath(QString::number(++m_files) + u".pdf"_s);
        QPdfWriter writer(path);
        writer.setResolution(300);
        const PrintOutcome outcome = PrintPages::draw(writer, options, t, people);
        return outcome.cancelled ? QString() : path;
    }
    int m_files = 0;

private slots:
    void listPages_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("tallRows");
        QTest::addColumn<int>("pages");
        QTest::newRow("one row") << 1 << 0 << 1;
        QTest::newRow("1000 rows") << 1000 << 0 << 24;
        QTest::newRow("1000 rows, every 7th four lines high") << 1000 << 7 << 31;
    }
    void listPages()
    {
        QFETCH(int, rows);
        QFETCH(int, tallRows);
        QFETCH(int, pages);
        const QString pdf = render(PrintOptions{}, table(rows, tallRows), {});
        QCOMPARE(pdfPages(pdf), pages);

        const QString text = pdfLayoutText(pdf);
        QCOMPARE(text.count(u"通讯录列表"_s), pages);
        QCOMPARE(text.count(u"姓名"_s), pages); // the header row on every page
        // pdftotext drops the blanks beside Chinese characters.
        QVERIFY(QString(text).remove(u' ').contains(u"第%1页/共%1页"_s.arg(pages)));
        // Every row's first and last word on one page, above the page's foot.
        std::map<QString, int> firstOn;
        std::map<QString, PdfWord> lastOf;
        for (const PdfWord& word : pdfWords(pdf)) {
            if (word.text.startsWith(u"张伟"_s))
                firstOn[word.text.mid(2)] = word.page;
            else if (word.text.startsWith(u'E'))
                lastOf.emplace(word.text.mid(1), word);
        }
        for (const auto& [mark, last] : lastOf) {
            QCOMPARE(firstOn[mark], last.page);
            QVERIFY2(last.mm.bottom() < 297 - 12 - 8, qPrintable(mark));
        }
        QCOMPARE(int(lastOf.size()), rows);
        QCOMPARE(int(firstOn.size()), rows);
        // Names and numbers side by side as the row shows them.
        QVERIFY(text.contains(QRegularExpression(u"张伟0000\\s+13800130000"_s)));
    }

    void envelope_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("offsetX");
        QTest::addColumn<double>("offsetY");
        QTest::newRow("DL") << 0 << 0.0 << 0.0;
        QTest::newRow("C5 moved right and up") << 1 << 3.5 << -2.0;
        QTest::newRow("B6 moved left and down") << 3 << -4.0 << 6.0;
    }
    void envelope()
    {
        QFETCH(int, size);
        QFETCH(double, offsetX);
        QFETCH(double, offsetY);
        PrintOptions options;
        options.kind = PrintKind::Envelopes;
        options.envelope = size;
        options.sender = {u"上海市徐汇区漕溪北路88号"_s, u"200030"_s, offsetX, offsetY};
        auto people = contacts(2);
        people[1].values[u"ZipCode"_s] = u"518057"_s;
        const QString pdf = render(options, {}, people);
        QCOMPARE(pdfPages(pdf), 2);

        const QString text = pdfLayoutText(pdf);
        for (const QString& expected :
             {u"北京市海淀区中关村大街1号"_s, u"华信公司"_s, u"张伟0001"_s, u"收"_s,
              u"上海市徐汇区漕溪北路88号"_s, u"邮政编码：200030"_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));

        QCOMPARE(EnvelopePages::postcodeBox(5, options.sender).topLeft(),
                 QPointF(70 + offsetX, 10 + offsetY));
        // Each postcode digit inside its box, within 1 mm.
        const QString postcodes[] = {u"100080"_s, u"518057"_s};
        int digits = 0;
        for (const PdfWord& word : pdfWords(pdf)) {
            if (word.mm.top() > 30 + offsetY ||
                !word.text.contains(QRegularExpression(u"^\\d+$"_s)))
                continue;
            const double charWidth = word.mm.width() / word.text.size();
            for (int i = 0; i < word.text.size(); ++i, ++digits) {
                const QRectF glyph(word.mm.left() + i * charWidth, word.mm.top(), charWidth,
                                   word.mm.height());
                const int box = int((glyph.center().x() - 20 - offsetX) / 10);
                QVERIFY(box >= 0 && box < 6);
                QCOMPARE(word.text.at(i), postcodes[word.page].at(box));
                QVERIFY2(near(glyph, EnvelopePages::postcodeBox(box, options.sender), 1.0),
                         qPrintable(word.text));
            }
        }
        QCOMPARE(digits, 12);
    }

    void labels_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("pages");
        QTest::newRow("2×7 from the first") << 0 << 1 << 14 << 1;
        QTest::newRow("3×7 from the 20th, over three sheets") << 1 << 20 << 30 << 3;
        QTest::newRow("3×8 from the 5th") << 2 << 5 << 3 << 1;
        QTest::newRow("2×5 from the last") << 3 << 10 << 2 << 2;
    }
    void labels()
    {
        QFETCH(int, sheet);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(int, pages);
        PrintOptions options;
        options.kind = PrintKind::Labels;
        options.labelSheet = sheet;
        options.firstLabel = first;
        // An address far too long for one line: shrunk to fit, never cut.
        const QString address =
            u"广东省深圳市南山区科技园高新南一道飞亚达科技大厦十六层1601室（前台代收，转研发中心第三项目组）"_s;
        const QString pdf = render(options, {}, contacts(count, address));
        QCOMPARE(pdfPages(pdf), pages);
        const LabelSheet& layout = labelSheets[sheet];
        const int perSheet = layout.columns * layout.rows;
        // Every word inside a label, each label holding every character of its lines.
        std::map<std::pair<int, int>, qsizetype> characters;
        int names = 0;
        for (const PdfWord& word : pdfWords(pdf)) {
            int cell = 0;
            while (cell < perSheet && !near(word.mm, LabelPages::labelCell(layout, cell), 0.2))
                ++cell;
            QVERIFY2(cell < perSheet, qPrintable(word.text));
            characters[{word.page, cell}] += word.text.size();
            if (!word.text.startsWith(u"张伟"_s))
                continue;
            const int position = first - 1 + word.text.mid(2).toInt();
            QCOMPARE(word.page, position / perSheet);
            QCOMPARE(cell, position % perSheet);
            ++names;
        }
        QCOMPARE(names, count);
        const qsizetype perLabel = QString(u"100080华信公司张伟0000"_s + address).size();
        QCOMPARE(int(characters.size()), count);
        for (const auto& [where, found] : characters)
            QCOMPARE(found, perLabel);
    }

    // A file of the layout before the print settings gets their table when it is opened; the
    // settings are kept from one print to the next.
    void settingsKeptInAnEarlierFile()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        book.run(u"DROP TABLE Vardelin_Print"_s);
        book.run(u"PRAGMA user_version = 6"_s);
        Database db;
        QVERIFY(db.open(book.path()).ok());
        QCOMPARE(book.scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
        QCOMPARE(PrintSettings::read(db).value(), PrintSettings{});
        const PrintSettings sender{u"上海市漕溪北路88号"_s, u"200030"_s, 2.5, -1};
        QVERIFY(sender.save(db).ok());
        QCOMPARE(PrintSettings::read(db).value(), sender);
    }

    void cards_data()
    {
        QTest::addColumn<int>("perPage");
        QTest::addColumn<int>("pages");
        QTest::newRow("one to a page") << 1 << 3;
        QTest::newRow("two to a page") << 2 << 2;
    }
    void cards()
    {
        QFETCH(int, perPage);
        QFETCH(int, pages);
        PrintOptions options;
        options.kind = PrintKind::Cards;
        options.cardsPerPage = perPage;
        const QString pdf = render(options, {}, contacts(3));
        QCOMPARE(pdfPages(pdf), pages);
        const QString text = pdfLayoutText(pdf);
        for (const QString& expected : {u"张伟0002"_s, u"手机："_s, u"13800130002"_s,
                                        u"单位名称："_s, u"华信公司"_s, u"邮编："_s})
            QVERIFY2(text.contains(expected), qPrintable(expected));
        QVERIFY(!text.contains(u"QQ："_s)); // an empty field is left out
        // Only the Chinese font, embedded (subset by Qt, unnamed as such) with its Unicode map: the
        // text reads the same on a machine without it.
        const QStringList fonts = runPoppler({u"pdffonts"_s, pdf}).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(fonts.size() > 2);
        for (const QString& font : fonts.mid(2))
            QVERIFY2(font.contains(QRegularExpression(u"WenQuanYi.*\\syes\\s+\\S+\\s+yes\\s"_s)),
                     qPrintable(font));
    }
};

QTEST_MAIN(TestPrintPages)
#include "tst_printpages.moc"
