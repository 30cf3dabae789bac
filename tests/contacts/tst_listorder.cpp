// SPDX-License-Identifier: GPL-3.0-or-later
// The list's rows and header-click orders against the plain statement and the plain sort rule,
// on generated contacts with quotes, wildcards, Chinese, numbers and blanks.
#include "TestDatabase.h"

#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"
#include "contacts/SortKey.h"
#include "contacts/VisibleText.h"

#include <QHeaderView>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList shownFields{u"C.Name"_s, u"C.Moblie1"_s, u"C.CompanyName"_s, u"T.Name"_s,
                              u"C.Tel1"_s};

// Texts that trip a sort or a statement: numbers of every shape, blanks around them, quotes,
// LIKE's wildcards, Chinese, full-width and non-BMP characters, line breaks.
const QStringList pieces = u"张三|王五|李四|安然|O'Brien|100%|a_b|%|_|wang|Wang|WANG|3M公司| 42 |"
                           "-0.004|12.345|9|10|0010|-3|+5|.5|5.|-|1e3|1,000|１２|\u00a07|\t8|"
                           "12\n34|😀笑|Ａ全角|138-0000|13800138000|99.995|-0|0.00|2026-01-02|"
                           "赵'钱|\\"_s.split(u'|');
// Phone numbers and e-mail addresses: plain ASCII, whose keys are built without the collator.
const QStringList asciiPieces = u"010-|+86 |138|(0755)|9|10|0010|-3| 42 |.|wang|Wang|W|@qq.com|"
                                "_|~|a|A|Z|'|\\|x#1|%|^`|"_s.split(u'|');

QVariant randomValue(QRandomGenerator& random, const QStringList& from)
{
    const quint32 kind = random.bounded(8);
    if (kind < 3) // Null, empty, or one of many equal numbers
        return kind == 0 ? QVariant(QMetaType::fromType<QString>())
                         : QVariant(kind == 1 ? QString() : QString::number(random.bounded(200)));
    QString text;
    for (int parts = int(random.bounded(1, 4)); parts > 0; --parts)
        text += from[random.bounded(int(from.size()))];
    return text;
}

void fillBook(TestDatabase& book, int contacts)
{
    QRandomGenerator random(20261207);
    for (int group = 2; group <= 6; ++group)
        book.addGroup(1, group, pieces[random.bounded(int(pieces.size()))]);
    book.run(u"BEGIN"_s);
    for (int i = 0; i < contacts; ++i)
        book.run(u"INSERT INTO Vardelin_Contact (Name, Py, Sex, UID, TID, Moblie1, CompanyName, "
                 "Tel1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s,
                 {randomValue(random, pieces), random.bounded(3) ? u"Z"_s : u"W"_s,
                  random.bounded(2) ? u"男"_s : u"女"_s, random.bounded(4) ? 1 : 3,
                  int(random.bounded(1, 7)), randomValue(random, pieces),
                  randomValue(random, pieces), randomValue(random, asciiPieces)});
    book.run(u"COMMIT"_s);
    book.setDisplayedColumns(shownFields);
}

// The statement read through Qt Sql, every value converted the ordinary way: the IDs and each
// row's cells.
struct PlainRows {
    std::vector<qint64> ids;
    std::vector<QStringList> cells;
};
PlainRows plainRows(Database& db, const ContactListFilter& filter = {})
{
    const auto columns = ListColumns::displayed(db).value();
    const ContactListStatement statement = ContactListQuery::build(columns, filter);
    auto query = db.query(statement.sql, statement.values);
    PlainRows rows;
    while (query.value().next()) {
        rows.cells.emplace_back();
        for (int c = 0; c < int(columns.size()); ++c)
            rows.cells.back() << query.value().value(c).toString();
        rows.ids.push_back(query.value().value(int(columns.size())).toLongLong());
    }
    return rows;
}

// The contact IDs in the order the plain rule gives: each cell's sort key, compared by the
// list's collation, ties in the statement's order.
std::vector<qint64> plainOrder(const PlainRows& rows, int column, Qt::SortOrder direction)
{
    std::vector<QString> keys;
    for (const QStringList& cells : rows.cells)
        keys.push_back(SortKey::of(cells[column]));
    std::vector<qint64> ids;
    for (int position : SortKey::order(keys, direction))
        ids.push_back(rows.ids[position]);
    return ids;
}

std::vector<qint64> shownIds(const ContactTableModel& model)
{
    std::vector<qint64> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids.push_back(model.contactId(row));
    return ids;
}

ContactRows loaded(Database& db, const ContactListFilter& filter = {})
{
    auto rows = ContactListLoader::load(db, filter);
    return rows ? std::move(rows).value() : ContactRows{};
}

// Two contacts trade the texts of their first mobile.
void trade(TestDatabase& book, int first, int second)
{
    book.run(u"UPDATE Vardelin_Contact SET Moblie1 = CASE ID WHEN ? THEN (SELECT Moblie1 FROM "
             "Vardelin_Contact WHERE ID = ?) ELSE (SELECT Moblie1 FROM Vardelin_Contact WHERE "
             "ID = ?) END WHERE ID IN (?, ?)"_s,
             {first, second, first, first, second});
}

} // namespace

class TestListOrder : public QObject {
    Q_OBJECT
    TestDatabase book;

private slots:
    void initTestCase()
    {
        QVERIFY(book.ok());
        fillBook(book, 1500);
    }

    void rowsFollowThePlainStatement()
    {
        for (const ContactListFilter& filter : {ContactListFilter{},
                                                {4, 1, {}, {}, false},
                                                {1, 3, u"Z"_s, {}, false},
                                                {1, 1, {}, {}, true}}) {
            const PlainRows plain = plainRows(book.db(), filter);
            ContactTableModel model;
            model.setRows(loaded(book.db(), filter), {}, {});
            QCOMPARE(shownIds(model), plain.ids);
            for (int row = 0; row < model.rowCount(); ++row) {
                for (int c = 0; c < int(shownFields.size()); ++c) {
                    const QString& text = plain.cells[row][c];
                    QCOMPARE(model.index(row, c).data(Qt::ToolTipRole).toString(), text);
                    QCOMPARE(model.index(row, c).data().toString(), VisibleText::oneLine(text));
                }
            }
        }
    }

    // Header clicks, then rebuilds of the sorted list as the book changes, keep the plain order.
    void clicksAndRebuildsKeepThePlainOrder()
    {
        ContactListView view;
        view.showRows(loaded(book.db()), {}, {});
        const PlainRows plain = plainRows(book.db());
        // Each column twice (ascending, then reversed), then the next one in the direction the
        // toggle has reached; then back to the first.
        for (int column : {0, 0, 1, 1, 2, 3, 3, 4, 0, 2, 1}) {
            view.sortByHeader(column);
            QCOMPARE(shownIds(*view.contacts()), plainOrder(plain, column, *view.sortDirection()));
        }
        int sorted = 1, builds = 0;
        const auto check = [&](const ContactListFilter& filter = {}) {
            // The window lets go of its rows before it reads the new ones; the sort survives both.
            if (++builds % 2 == 0)
                view.releaseRows();
            view.showRows(loaded(book.db(), filter), {}, {});
            QCOMPARE(shownIds(*view.contacts()),
                     plainOrder(plainRows(book.db(), filter), sorted, *view.sortDirection()));
            QCOMPARE(view.horizontalHeader()->sortIndicatorSection(), sorted);
        };
        check();                          // the same rows again
        check({1, 1, u"Z"_s, {}, false}); // fewer rows
        check();                          // and back: rows come between those it kept
        trade(book, 3, 900); // as many rows, two texts traded: the last order no longer holds
        check();
        // Seen texts only, on other rows: some rows gone, two texts traded between rows.
        book.run(u"DELETE FROM Vardelin_Contact WHERE ID % 11 = 0"_s);
        trade(book, 5, 700);
        check();
        // Changed, new and deleted contacts, with texts the list has not seen.
        book.run(u"UPDATE Vardelin_Contact SET Moblie1 = Moblie1 || '7' WHERE ID % 9 = 0"_s);
        book.run(u"DELETE FROM Vardelin_Contact WHERE ID % 13 = 0"_s);
        book.run(u"INSERT INTO Vardelin_Contact (Name, TID, UID, Py, Moblie1) "
                 "VALUES ('新', 2, 1, 'X', ' 0.5'), ('新二', 3, 1, 'X', '未见过')"_s);
        check();
        view.sortByHeader(1); // reversed
        check();
        view.sortByHeader(sorted = 3);
        check({1, 1, u"W"_s, {}, false});
        // The ASCII-only column gains a Chinese text and loses it again: its keys change kind.
        view.sortByHeader(sorted = 4);
        check();
        book.run(u"UPDATE Vardelin_Contact SET Tel1 = '王' || Tel1 WHERE ID % 17 = 0"_s);
        check();
        book.run(u"UPDATE Vardelin_Contact SET Tel1 = substr(Tel1, 2) WHERE Tel1 LIKE '王%'"_s);
        check();
        // Every text its own: rebuilt as it is, one text changed, two traded.
        view.sortByHeader(sorted = 1);
        book.run(u"UPDATE Vardelin_Contact SET Moblie1 = printf('139%08d', ID * 7919 % 4001)"_s);
        for (int again = 0; again < 3; ++again)
            check();
        book.run(u"UPDATE Vardelin_Contact SET Moblie1 = '1' WHERE ID = 200"_s);
        check();
        trade(book, 10, 300);
        check();
        check();
    }
};

QTEST_MAIN(TestListOrder)
#include "tst_listorder.moc"
