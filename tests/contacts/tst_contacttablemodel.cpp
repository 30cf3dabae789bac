// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list's model and view: structure, check marks, images and the
// header-click sort.
#include "contacts/ContactListView.h"
#include "contacts/ContactTableModel.h"
#include "db/ListWidths.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

namespace {

QIcon filled(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Rows (name, mobile, sex) under the columns 姓名 and 手机1.
ContactRows makeRows(const QList<std::tuple<QString, QString, QString>>& people)
{
    ContactRows rows;
    rows.columns = {{11, QStringLiteral("C.Name"), QStringLiteral("姓名"), 2000},
                    {12, QStringLiteral("C.Moblie1"), QStringLiteral("手机1"), 0}};
    rows.cells.resize(2);
    qint64 id = 100;
    for (const auto& [name, mobile, sex] : people) {
        rows.ids.push_back(id++);
        rows.male.push_back(sex == QStringLiteral("男"));
        rows.cells[0].push_back(name);
        rows.cells[1].push_back(mobile);
    }
    return rows;
}

ContactRows sample()
{
    return makeRows({{QStringLiteral("王五"), QStringLiteral("10"), QStringLiteral("男")},
                     {QStringLiteral("李四"), QStringLiteral("9"), QStringLiteral("女")},
                     {QStringLiteral("安然"), QStringLiteral("9"), QString()},
                     {QStringLiteral("张三"), QStringLiteral("138-0000"), QStringLiteral("男 ")}});
}

QStringList column(const QAbstractItemModel& model, int column)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.index(row, column).data().toString();
    return values;
}

} // namespace

class TestContactTableModel : public QObject {
    Q_OBJECT

private slots:
    void modelStaysConsistentThroughBuildsSortsAndTicks();
    void rowsCarryIdsImagesAndTheHiddenSortColumn();
    void ticksFollowTheirRowsAndClearOnABuild();
    void sortKeepsTiesInOrderAndReverses();
    void aNewBuildKeepsTheSortOfTheSameColumn();
    void removedRowsStayGoneThroughSortsAndTicks();
    void tickingAllReachesEveryRowAtOnce();
    void removingRowsKeepsTheViewsColumnsAndSort();
    void aZeroWidthFirstColumnHandsOnTheTickBoxAndImage();
    void theListDrawsUnshapedInTheApplicationFont();
};

void TestContactTableModel::modelStaysConsistentThroughBuildsSortsAndTicks()
{
    ContactTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(sample(), filled(Qt::red), filled(Qt::blue));
    model.sortBy(1, Qt::AscendingOrder);
    QVERIFY(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
    model.sortBy(0, Qt::DescendingOrder);
    model.setRows(makeRows({}), {}, {});
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 3);
}

void TestContactTableModel::rowsCarryIdsImagesAndTheHiddenSortColumn()
{
    ContactTableModel model;
    const QIcon female = filled(Qt::red);
    const QIcon male = filled(Qt::blue);
    model.setRows(sample(), female, male);

    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("姓名"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("排序"));
    QCOMPARE(column(model, model.sortColumn()),
             (QStringList{QStringLiteral("100"), QStringLiteral("101"), QStringLiteral("102"),
                          QStringLiteral("103")}));
    QCOMPARE(model.contactId(3), 103);
    QCOMPARE(model.index(3, 1).data(ContactTableModel::ContactIdRole).toLongLong(), 103);

    // Only exactly "男" gets the male image; "男 " with a blank does not.
    const auto imageOf = [&](int row) {
        return model.index(row, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey();
    };
    QCOMPARE(imageOf(0), male.cacheKey());
    QCOMPARE(imageOf(1), female.cacheKey());
    QCOMPARE(imageOf(2), female.cacheKey());
    QCOMPARE(imageOf(3), female.cacheKey());
    QVERIFY(!model.index(0, 1).data(Qt::DecorationRole).isValid());
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
}

void TestContactTableModel::ticksFollowTheirRowsAndClearOnABuild()
{
    ContactTableModel model;
    model.setRows(sample(), {}, {});
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole)); // 李四, 101
    QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
    model.sortBy(0, Qt::AscendingOrder); // 安然 李四 王五 张三
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("李四"));
    QCOMPARE(model.index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(model.checkedIds(), std::vector<qint64>{101});

    model.setRows(sample(), {}, {});
    QVERIFY(model.checkedIds().empty());
}

void TestContactTableModel::sortKeepsTiesInOrderAndReverses()
{
    ContactTableModel model;
    model.setRows(sample(), {}, {});
    model.sortBy(1, Qt::AscendingOrder);
    // "9" before "10"; the two 9s keep their order; text after the numbers.
    QCOMPARE(column(model, 0), (QStringList{QStringLiteral("李四"), QStringLiteral("安然"),
                                            QStringLiteral("王五"), QStringLiteral("张三")}));
    QCOMPARE(model.index(0, model.sortColumn()).data().toString(),
             QStringLiteral("0000000000009.00"));
    QCOMPARE(model.index(3, model.sortColumn()).data().toString(), QStringLiteral("138-0000"));
    model.sortBy(1, Qt::DescendingOrder);
    QCOMPARE(column(model, 0), (QStringList{QStringLiteral("张三"), QStringLiteral("王五"),
                                            QStringLiteral("李四"), QStringLiteral("安然")}));
}

void TestContactTableModel::aNewBuildKeepsTheSortOfTheSameColumn()
{
    ContactListView view;
    view.showRows(sample(), {}, {});
    QVERIFY(view.isColumnHidden(2)); // the sort column
    QVERIFY(view.isColumnHidden(1)); // a width of 0 hides a column
    // Stored in twips, shown in pixels of the screen's resolution.
    QCOMPARE(view.columnWidth(0), ListWidths::pixelsFromTwips(2000, view.logicalDpiX()));
    view.sortByHeader(0);
    view.sortByHeader(0); // descending by name
    view.showRows(sample(), {}, {});
    QCOMPARE(column(*view.model(), 0).first(), QStringLiteral("张三"));
    QCOMPARE(view.sortDirection(), Qt::DescendingOrder);

    // A build without that column shows the rows as they come.
    ContactRows other = sample();
    other.columns[0].aliasId = 99;
    view.showRows(std::move(other), {}, {});
    QCOMPARE(column(*view.model(), 0).first(), QStringLiteral("王五"));
    QVERIFY(!view.horizontalHeader()->isSortIndicatorShown());
}

void TestContactTableModel::removedRowsStayGoneThroughSortsAndTicks()
{
    ContactTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(sample(), {}, {});     // 王五 100, 李四 101, 安然 102, 张三 103
    model.sortBy(0, Qt::AscendingOrder); // 安然 李四 王五 张三
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole)); // 李四
    QVERIFY(model.setData(model.index(3, 0), Qt::Checked, Qt::CheckStateRole)); // 张三
    model.removeContacts({101, 999});
    QCOMPARE(column(model, 0),
             (QStringList{QStringLiteral("安然"), QStringLiteral("王五"), QStringLiteral("张三")}));
    QCOMPARE(model.checkedIds(), std::vector<qint64>{103});
    QCOMPARE(model.rowOf(103), 2);
    QCOMPARE(model.rowOf(101), -1);

    // A later sort must not bring the removed row back.
    model.sortBy(1, Qt::DescendingOrder);
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(!column(model, 0).contains(QStringLiteral("李四")));
    model.removeContacts({100, 102, 103});
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.checkedIds().empty());
    model.sortBy(0, Qt::AscendingOrder);
    QCOMPARE(model.rowCount(), 0);
}

void TestContactTableModel::tickingAllReachesEveryRowAtOnce()
{
    ContactTableModel model;
    model.setRows(sample(), {}, {});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setAllChecked(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.checkedIds(), (std::vector<qint64>{100, 101, 102, 103}));
    model.removeContacts({102});
    model.setAllChecked(false);
    QVERIFY(model.checkedIds().empty());
    model.setRows(makeRows({}), {}, {});
    model.setAllChecked(true); // nothing to tick, nothing reported
    QCOMPARE(changed.count(), 2);
}

void TestContactTableModel::removingRowsKeepsTheViewsColumnsAndSort()
{
    ContactListView view;
    view.showRows(sample(), {}, {});
    view.sortByHeader(0);        // ascending: 安然 李四 王五 张三
    view.setColumnWidth(0, 173); // as a user drags it
    view.setCurrentIndex(view.model()->index(3, 0));
    view.removeContacts({102}); // 安然
    QCOMPARE(column(*view.model(), 0),
             (QStringList{QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("张三")}));
    QCOMPARE(view.columnWidth(0), 173);
    QVERIFY(view.isColumnHidden(1));
    QVERIFY(view.isColumnHidden(view.contacts()->sortColumn()));
    QVERIFY(view.horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(view.currentIndex().row(), 2);
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("张三"));
}

void TestContactTableModel::aZeroWidthFirstColumnHandsOnTheTickBoxAndImage()
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
    QCOMPARE(model->leadColumn(), 1);
    QVERIFY(view.isColumnHidden(0));
    QVERIFY(!view.isColumnHidden(1));
    QCOMPARE(model->index(0, 1).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
             male.cacheKey());
    QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).isValid());
    QVERIFY(model->flags(model->index(0, 1)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable));
    QVERIFY(!model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model->setData(model->index(1, 1), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model->checkedIds(), std::vector<qint64>{101});
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    model->setAllChecked(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first()[0].toModelIndex().column(), 1);
    QCOMPARE(model->checkedIds().size(), 4u);

    // A later build whose first column has a width takes them back.
    view.showRows(sample(), {}, {});
    QCOMPARE(model->leadColumn(), 0);
    QVERIFY(!view.isColumnHidden(0));
    QVERIFY(model->index(0, 0).data(Qt::CheckStateRole).isValid());

    // A width too small for a single pixel keeps its column for the boxes alone.
    ContactRows narrow = sample();
    narrow.columns[0].width = 3;
    view.showRows(std::move(narrow), {}, {});
    QCOMPARE(model->leadColumn(), 0);
    QVERIFY(!view.isColumnHidden(0));
    QVERIFY(view.columnWidth(0) > 0);
}

void TestContactTableModel::theListDrawsUnshapedInTheApplicationFont()
{
    const QFont before = QApplication::font();
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(15.5);
    QApplication::setFont(chosen);
    ContactListView view;
    QCOMPARE(view.font().family(), chosen.family());
    QCOMPARE(view.font().pointSizeF(), 15.5);
    QVERIFY(view.font().styleStrategy() & QFont::PreferNoShaping);
    // A later change of the application font still reaches the list.
    chosen.setPointSizeF(9.5);
    QApplication::setFont(chosen);
    QCoreApplication::sendPostedEvents(); // the change reaches widgets as posted events
    QCOMPARE(view.font().pointSizeF(), 9.5);
    QVERIFY(view.font().styleStrategy() & QFont::PreferNoShaping);
    QApplication::setFont(before);
}

QTEST_MAIN(TestContactTableModel)
#include "tst_contacttablemodel.moc"
