// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list's model and view: ticks, images, widths, and the sort through rebuilds.
#include "contacts/ContactListView.h"
#include "contacts/ContactTableModel.h"
#include "contacts/SortKey.h"
#include "db/ListWidths.h"
#include "ui/ChineseFont.h"
#include "ui/Skin.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QIcon filled(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Rows of ID, name and an ASCII-only phone, under the columns 姓名 and 电话1.
using Book = std::vector<std::tuple<qint64, QString, QString>>;
ContactRows rowsOf(const Book& book)
{
    ContactRows rows;
    rows.columns = {{11, u"C.Name"_s, u"姓名"_s, 1500}, {13, u"C.Tel1"_s, u"电话1"_s, 1500}};
    rows.cells.resize(2);
    for (const auto& [id, name, phone] : book) {
        rows.ids.push_back(id);
        rows.male.push_back(false);
        rows.cells[0].push_back(name);
        rows.cells[1].push_back(phone);
    }
    return rows;
}

// 王五 100 (the only man), 李四 101, 安然 102, 张三 103 under 姓名 and a hidden phone column.
ContactRows sample()
{
    ContactRows rows = rowsOf({{100, u"王五"_s, u"10"_s},
                               {101, u"李四"_s, u"9"_s},
                               {102, u"安然"_s, u"9"_s},
                               {103, u"张三"_s, u"138-0000"_s}});
    rows.columns[1].width = 0;
    rows.male[0] = true;
    return rows;
}

// Texts that trip a sort, or plain ASCII ones, keyed without the collator.
QString randomText(QRandomGenerator& random, bool ascii)
{
    static const QStringList pieces =
        u"张三|王五|李四|安然|O'Brien|100%|a_b|%|_|wang|Wang|WANG|3M公司| 42 |-0.004|12.345|9|10|"
        "0010|-3|+5|.5|5.|-|1e3|1,000|１２|\u00a07|\t8|12\n34|😀笑|Ａ全角|138-0000|99.995|-0|0.00|"
        "赵'钱|\\"_s.split(u'|');
    static const QStringList asciiPieces =
        u"010-|+86 |138|(0755)|9|10|0010|-3| 42 |.|wang|Wang|W|@qq.com|_|~|a|A|Z|'|\\|x#1|%|^`"_s
            .split(u'|');
    if (random.bounded(4) == 0) // empty, or one of many equal numbers
        return random.bounded(2) ? QString() : QString::number(random.bounded(200));
    const QStringList& from = ascii ? asciiPieces : pieces;
    QString text;
    for (int parts = int(random.bounded(1, 4)); parts > 0; --parts)
        text += from[random.bounded(int(from.size()))];
    return text;
}

QString column(const QAbstractItemModel& model, int column)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.index(row, column).data().toString();
    return values.join(u' ');
}

qint64 iconOf(const QAbstractItemModel& model, int row, int column)
{
    return model.index(row, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
}

bool tick(QAbstractItemModel& model, int row, int column)
{
    return model.setData(model.index(row, column), Qt::Checked, Qt::CheckStateRole);
}

} // namespace

class TestContactTableModel : public QObject {
    Q_OBJECT

private slots:
    void rowsTicksAndSortsThroughBuildsAndRemovals()
    {
        ContactTableModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QIcon female = filled(Qt::red), male = filled(Qt::blue);
        model.setRows(sample(), female, male);
        QCOMPARE(column(model, model.sortColumn()), u"100 101 102 103"_s);
        QCOMPARE(model.index(3, 1).data(ContactTableModel::ContactIdRole).toLongLong(), 103);
        QCOMPARE(iconOf(model, 0, 0), male.cacheKey());
        QCOMPARE(iconOf(model, 3, 0), female.cacheKey());
        QVERIFY(tick(model, 1, 0)); // 李四
        QVERIFY(!tick(model, 1, 1));

        // "9" before "10", the two 9s in their order, text after the numbers; ticks go along.
        model.sortBy(1, Qt::AscendingOrder);
        QCOMPARE(column(model, 0), u"李四 安然 王五 张三"_s);
        QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        // Removed rows stay gone through later sorts; the ticks of the rest stay.
        model.sortBy(0, Qt::AscendingOrder); // 安然 李四 王五 张三
        QVERIFY(tick(model, 3, 0));          // 张三
        model.removeContacts({101, 999});
        QCOMPARE(model.rowOf(101), -1);
        QCOMPARE(model.checkedIds(), std::vector<qint64>{103});
        model.sortBy(1, Qt::DescendingOrder);
        QCOMPARE(column(model, 0), u"张三 王五 安然"_s);

        // Ticking all reaches every row in one change; a new build clears the ticks.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setAllChecked(true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.checkedIds(), (std::vector<qint64>{103, 100, 102})); // in row order
        model.setRows(sample(), {}, {});
        QVERIFY(model.checkedIds().empty());
        model.removeContacts({100, 101, 102, 103});
        model.setAllChecked(true); // nothing to tick, nothing reported
        QCOMPARE(changed.count(), 1);

        // Rows added to a sorted build come after it, unticked; the next sort ranks them too.
        model.setRows(sample(), {}, {});
        model.sortBy(0, Qt::AscendingOrder);
        QVERIFY(tick(model, 0, 0)); // 安然
        model.appendRows(rowsOf({{104, u"白一"_s, u"7"_s}}));
        QCOMPARE(column(model, 0), u"安然 李四 王五 张三 白一"_s);
        model.sortBy(0, Qt::AscendingOrder);
        QCOMPARE(column(model, 0), u"安然 白一 李四 王五 张三"_s);
        QCOMPARE(model.checkedIds(), std::vector<qint64>{102});
    }

    // Widths stored in twips show in pixels; a user's width survives a removal; a build
    // without the sorted column shows its rows as they come.
    void theViewKeepsItsWidthsAndDropsAGoneSort()
    {
        ContactListView view;
        view.showRows(sample(), {}, {});
        QCOMPARE(view.columnWidth(0), ListWidths::pixelsFromTwips(1500, view.logicalDpiX()));
        view.sortByHeader(0);
        view.setColumnWidth(0, 173); // as a user drags it
        view.removeContacts({102});
        QCOMPARE(view.columnWidth(0), 173);
        ContactRows other = sample();
        other.columns[0].aliasId = 99;
        view.showRows(std::move(other), {}, {});
        QCOMPARE(column(*view.model(), 0), u"王五 李四 安然 张三"_s);
        QVERIFY(!view.horizontalHeader()->isSortIndicatorShown());
    }

    // A zero-width first column hands the tick box and image on; a later build takes them back.
    void aZeroWidthFirstColumnHandsOnTheTickBoxAndImage()
    {
        ContactRows rows = sample();
        rows.columns[0].width = 0;
        rows.columns[1].width = 80;
        const QIcon male = filled(Qt::blue);
        ContactListView view;
        QAbstractItemModelTester tester(view.model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        view.showRows(std::move(rows), filled(Qt::red), male);
        ContactTableModel* model = view.contacts();
        QVERIFY(view.isColumnHidden(0) && !view.isColumnHidden(1));
        QCOMPARE(iconOf(*model, 0, 1), male.cacheKey());
        QVERIFY(!tick(*model, 1, 0) && tick(*model, 1, 1));
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        model->setAllChecked(true);
        QCOMPARE(changed.first()[0].toModelIndex().column(), 1);
        ContactRows narrow = sample();
        narrow.columns[0].width = 3;
        view.showRows(std::move(narrow), {}, {});
        QCOMPARE(model->leadColumn(), 0);
        QVERIFY(!view.isColumnHidden(0) && view.columnWidth(0) > 0);
    }

    // Clicks and rebuilds keep the plain order: the cells' sort keys, ties in the rows' order.
    void clicksAndRebuildsKeepThePlainOrder()
    {
        QRandomGenerator random(20261207);
        Book book;
        for (qint64 id = 1; id <= 1500; ++id)
            book.emplace_back(id, randomText(random, false), randomText(random, true));
        ContactListView view;
        int sorted = 0, builds = 0;
        const auto check = [&] {
            std::vector<QString> keys;
            for (const auto& [id, name, phone] : book)
                keys.push_back(SortKey::of(sorted ? phone : name));
            std::vector<qint64> expected, shown;
            for (int position : SortKey::order(keys, *view.sortDirection()))
                expected.push_back(std::get<0>(book[position]));
            for (int row = 0; row < view.contacts()->rowCount(); ++row)
                shown.push_back(view.contacts()->contactId(row));
            QCOMPARE(shown, expected);
        };
        const auto rebuild = [&] {
            if (++builds % 2 == 0) // the window lets go of its rows before it reads new ones
                view.releaseRows();
            view.showRows(rowsOf(book), {}, {});
            check();
        };
        const auto each = [&](int every, const std::function<void(QString&, QString&)>& change) {
            for (auto& [id, name, phone] : book)
                if (id % every == 0)
                    change(name, phone);
        };
        view.showRows(rowsOf(book), {}, {});
        for (int column : {0, 0, 1, 1, 0}) {
            view.sortByHeader(sorted = column);
            check();
        }
        rebuild(); // the same rows again
        const Book all = book;
        std::erase_if(book, [](const auto& row) { return std::get<0>(row) % 3 == 0; });
        rebuild(); // fewer rows
        book = all;
        rebuild(); // and back: rows come between those it kept
        std::swap(std::get<1>(book[3]), std::get<1>(book[900]));
        rebuild(); // as many rows, two texts traded
        std::erase_if(book, [](const auto& row) { return std::get<0>(row) % 11 == 0; });
        std::swap(std::get<1>(book[5]), std::get<1>(book[700]));
        rebuild(); // seen texts only, on other rows
        each(9, [](QString& name, QString&) { name += u'7'; });
        book.emplace_back(9001, u" 0.5"_s, u"9"_s);
        rebuild(); // texts the list has not seen
        view.sortByHeader(sorted = 1);
        each(17, [](QString&, QString& phone) { phone.prepend(u'王'); });
        rebuild(); // the ASCII-only column gains a Chinese text, then loses it
        each(17, [](QString&, QString& phone) { phone.remove(0, 1); });
        rebuild();
        view.sortByHeader(sorted = 0);
        each(1, [&](QString& name, QString&) { name = u"139%1"_s.arg(random.bounded(1u << 30)); });
        rebuild(); // every text its own
        rebuild();
        std::swap(std::get<1>(book[10]), std::get<1>(book[300]));
        rebuild();
        rebuild();
    }

    // The list's cells look exactly as the style draws them: plain, elided, selected, on
    // alternate rows, in the ticked and imaged first column, with characters of another font.
    void cellsLookAsTheStyleDrawsThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("Chinese name") << u"欧阳建国"_s;
        QTest::newRow("phone") << u"138-0013-8000"_s;
        QTest::newRow("elided") << u"广东省深圳市南山区科技园南区高新南七道数字技术园"_s;
        QTest::newRow("elided Latin") << u"wang.jianguo.longname@example-company.com.cn"_s;
        QTest::newRow("spaces around") << u"  张三   "_s;
        QTest::newRow("spaces past the edge") << u"王五王五王五王五王五王五王五王  "_s;
        QTest::newRow("line break sign") << u"北京\n海淀"_s;
        QTest::newRow("another font") << u"😀笑 Ω ﷺ"_s;
    }
    void cellsLookAsTheStyleDrawsThem()
    {
        QFETCH(QString, text);
        preferSimplifiedChineseFont();
        QVERIFY(Skin::apply(u"Blue"_s));
        Book book;
        for (qint64 id = 1; id <= 4; ++id)
            book.emplace_back(id, text, text.left(int(id) * 3));
        ContactRows rows = rowsOf(book);
        rows.columns[1].width = 2000;
        ContactListView view;
        view.resize(360, 160);
        view.showRows(std::move(rows), filled(Qt::red), filled(Qt::blue));
        view.selectRow(1);
        view.contacts()->setData(view.model()->index(2, 0), Qt::Checked, Qt::CheckStateRole);
        const QImage ours = view.viewport()->grab().toImage();
        QStyledItemDelegate styles;
        view.setItemDelegate(&styles);
        const QImage theStyles = view.viewport()->grab().toImage();
        QVERIFY(ours == theStyles);
    }
};

QTEST_MAIN(TestContactTableModel)
#include "tst_contacttablemodel.moc"
