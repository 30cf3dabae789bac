// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list's model and view: check marks, images, the header-click sort and the
// widths; and the letter tabs above it.
#include "contacts/ContactListView.h"
#include "contacts/ContactTableModel.h"
#include "contacts/LetterTabs.h"
#include "db/ListWidths.h"
#include "ui/Skin.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QIcon filled(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// 王五 100, 李四 101, 安然 102, 张三 103 under the columns 姓名 and 手机1 (hidden by its width
// of 0); only exactly "男" is male.
ContactRows sample()
{
    ContactRows rows;
    rows.columns = {{11, u"C.Name"_s, u"姓名"_s, 2000}, {12, u"C.Moblie1"_s, u"手机1"_s, 0}};
    rows.cells.resize(2);
    qint64 id = 100;
    for (const auto& [name, mobile, sex] : {std::tuple{u"王五"_s, u"10"_s, u"男"_s},
                                            {u"李四"_s, u"9"_s, u"女"_s},
                                            {u"安然"_s, u"9"_s, QString()},
                                            {u"张三"_s, u"138-0000"_s, u"男 "_s}}) {
        rows.ids.push_back(id++);
        rows.male.push_back(sex == u"男"_s);
        rows.cells[0].push_back(name);
        rows.cells[1].push_back(mobile);
    }
    return rows;
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
        QCOMPARE(iconOf(model, 3, 0), female.cacheKey()); // "男 " with a blank is no man
        QVERIFY(!model.index(0, 1).data(Qt::DecorationRole).isValid());
        QVERIFY(tick(model, 1, 0)); // 李四
        QVERIFY(!tick(model, 1, 1));

        // "9" before "10", the two 9s in their order, text after the numbers; ticks go along.
        model.sortBy(1, Qt::AscendingOrder);
        QCOMPARE(column(model, 0), u"李四 安然 王五 张三"_s);
        QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        model.sortBy(1, Qt::DescendingOrder);
        QCOMPARE(column(model, 0), u"张三 王五 李四 安然"_s);

        // Removed rows stay gone through later sorts; the ticks of the rest stay.
        model.sortBy(0, Qt::AscendingOrder); // 安然 李四 王五 张三
        QVERIFY(tick(model, 3, 0));          // 张三
        model.removeContacts({101, 999});
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
    }

    // Widths stored in twips show in pixels; a user's width, the sort and the current row
    // survive removals and rebuilds; a build without the sorted column shows rows as they come.
    void theViewKeepsItsSortWidthsAndCurrentRow()
    {
        ContactListView view;
        view.showRows(sample(), {}, {});
        QVERIFY(view.isColumnHidden(1) && view.isColumnHidden(2));
        QCOMPARE(view.columnWidth(0), ListWidths::pixelsFromTwips(2000, view.logicalDpiX()));
        view.sortByHeader(0);
        view.sortByHeader(0); // descending by name
        view.showRows(sample(), {}, {});
        QCOMPARE(column(*view.model(), 0), u"张三 王五 李四 安然"_s);
        view.setColumnWidth(0, 173); // as a user drags it
        view.setCurrentIndex(view.model()->index(0, 0));
        view.removeContacts({102}); // 安然
        QCOMPARE(column(*view.model(), 0), u"张三 王五 李四"_s);
        QCOMPARE(view.columnWidth(0), 173);
        QCOMPARE(view.currentIndex().data().toString(), u"张三"_s);
        ContactRows other = sample();
        other.columns[0].aliasId = 99;
        view.showRows(std::move(other), {}, {});
        QCOMPARE(column(*view.model(), 0), u"王五 李四 安然 张三"_s);
        QVERIFY(!view.horizontalHeader()->isSortIndicatorShown());
    }

    // A zero-width first column hands the tick box and image on to the next; a later build whose
    // first column has a width, even one too small for a pixel, takes them back.
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

    // A later change of the application font still reaches the list, which draws unshaped.
    void theListDrawsUnshapedInTheApplicationFont()
    {
        ContactListView view;
        QFont chosen = QApplication::font();
        chosen.setPointSizeF(15.5);
        QApplication::setFont(chosen);
        QCoreApplication::sendPostedEvents(); // the change reaches widgets as posted events
        QCOMPARE(view.font().pointSizeF(), 15.5);
        QVERIFY(view.font().styleStrategy() & QFont::PreferNoShaping);
    }

    // The letter tabs are laid out as a plain tab bar with the same tabs lays them out, with the
    // count start-up shows on the selected tab; Qt's own look first, then the theme, which once
    // applied stays for the whole program.
    void letterTabsAreMeasuredLikeAPlainTabBars()
    {
        for (const QString& skin : {QString(), u"Blue"_s}) {
            QVERIFY(skin.isEmpty() || Skin::apply(skin));
            LetterTabs tabs;
            tabs.showCount(100000);
            QTabBar plain; // set up as LetterTabs sets itself up
            plain.setExpanding(false);
            plain.setUsesScrollButtons(true);
            plain.setDrawBase(true);
            plain.addTab(u"全部(100000)"_s);
            for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
                plain.addTab(QString(QChar(letter)));
            for (QWidget* bar : std::initializer_list<QWidget*>{&tabs, &plain}) {
                bar->resize(900, 40);
                bar->show();
                QVERIFY(QTest::qWaitForWindowExposed(bar));
            }
            QCOMPARE(tabs.sizeHint(), plain.sizeHint());
            for (int index = 0; index < 27; ++index)
                QCOMPARE(tabs.tabRect(index), plain.tabRect(index));
        }
    }
};

QTEST_MAIN(TestContactTableModel)
#include "tst_contacttablemodel.moc"
