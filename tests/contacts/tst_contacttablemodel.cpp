// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list's model and view: structure, check marks, images and the
// header-click sort.
#include "contacts/ContactListView.h"
#include "contacts/ContactTableModel.h"
#include "db/ListWidths.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QSignalSpy>
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
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"姓名"_s);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), u"排序"_s);
        QCOMPARE(column(model, model.sortColumn()), u"100 101 102 103"_s);
        QCOMPARE(model.index(3, 1).data(ContactTableModel::ContactIdRole).toLongLong(), 103);
        QCOMPARE(iconOf(model, 0, 0), male.cacheKey());
        for (int row : {1, 2, 3}) // "男 " with a blank is no man
            QCOMPARE(iconOf(model, row, 0), female.cacheKey());
        QVERIFY(!model.index(0, 1).data(Qt::DecorationRole).isValid());
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
        QVERIFY(tick(model, 1, 0)); // 李四
        QVERIFY(!tick(model, 1, 1));

        // "9" before "10", the two 9s in their order, text after the numbers; ticks go along.
        model.sortBy(1, Qt::AscendingOrder);
        QCOMPARE(column(model, 0), u"李四 安然 王五 张三"_s);
        QCOMPARE(model.index(0, model.sortColumn()).data().toString(), u"0000000000009.00"_s);
        QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        model.sortBy(1, Qt::DescendingOrder);
        QCOMPARE(column(model, 0), u"张三 王五 李四 安然"_s);

        // Removed rows stay gone through later sorts; the ticks of the rest stay.
        model.sortBy(0, Qt::AscendingOrder); // 安然 李四 王五 张三
        QVERIFY(tick(model, 3, 0));          // 张三
        model.removeContacts({101, 999});
        QCOMPARE(column(model, 0), u"安然 王五 张三"_s);
        QCOMPARE(model.checkedIds(), std::vector<qint64>{103});
        QCOMPARE(model.rowOf(103), 2);
        QCOMPARE(model.rowOf(101), -1);
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
        model.sortBy(0, Qt::AscendingOrder);
        QCOMPARE(model.rowCount(), 0);
    }

    void theViewKeepsItsSortWidthsAndCurrentRow()
    {
        ContactListView view;
        view.showRows(sample(), {}, {});
        QVERIFY(view.isColumnHidden(1) && view.isColumnHidden(2));
        // Stored in twips, shown in pixels of the screen's resolution.
        QCOMPARE(view.columnWidth(0), ListWidths::pixelsFromTwips(2000, view.logicalDpiX()));
        view.sortByHeader(0);
        view.sortByHeader(0); // descending by name
        view.showRows(sample(), {}, {});
        QCOMPARE(column(*view.model(), 0), u"张三 王五 李四 安然"_s);
        QCOMPARE(view.sortDirection(), Qt::DescendingOrder);

        view.setColumnWidth(0, 173); // as a user drags it
        view.setCurrentIndex(view.model()->index(0, 0));
        view.removeContacts({102}); // 安然
        QCOMPARE(column(*view.model(), 0), u"张三 王五 李四"_s);
        QCOMPARE(view.columnWidth(0), 173);
        QVERIFY(view.isColumnHidden(1) && view.isColumnHidden(2));
        QVERIFY(view.horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(view.currentIndex().data().toString(), u"张三"_s);

        // A build without that column shows the rows as they come.
        ContactRows other = sample();
        other.columns[0].aliasId = 99;
        view.showRows(std::move(other), {}, {});
        QCOMPARE(column(*view.model(), 0), u"王五 李四 安然 张三"_s);
        QVERIFY(!view.horizontalHeader()->isSortIndicatorShown());
    }

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
        QCOMPARE(model->leadColumn(), 1);
        QVERIFY(view.isColumnHidden(0) && !view.isColumnHidden(1));
        QCOMPARE(iconOf(*model, 0, 1), male.cacheKey());
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).isValid());
        QVERIFY(!tick(*model, 1, 0));
        QVERIFY(tick(*model, 1, 1));
        QCOMPARE(model->checkedIds(), std::vector<qint64>{101});
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        model->setAllChecked(true);
        QCOMPARE(changed.first()[0].toModelIndex().column(), 1);

        // A later build whose first column has a width takes them back.
        view.showRows(sample(), {}, {});
        QCOMPARE(model->leadColumn(), 0);
        QVERIFY(model->index(0, 0).data(Qt::CheckStateRole).isValid());
        // A width too small for a single pixel keeps its column for the boxes alone.
        ContactRows narrow = sample();
        narrow.columns[0].width = 3;
        view.showRows(std::move(narrow), {}, {});
        QCOMPARE(model->leadColumn(), 0);
        QVERIFY(!view.isColumnHidden(0) && view.columnWidth(0) > 0);
    }

    void theListDrawsUnshapedInTheApplicationFont()
    {
        const QFont before = QApplication::font();
        QFont chosen(u"DejaVu Sans"_s);
        chosen.setPointSizeF(15.5);
        QApplication::setFont(chosen);
        ContactListView view;
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
};

QTEST_MAIN(TestContactTableModel)
#include "tst_contacttablemodel.moc"
