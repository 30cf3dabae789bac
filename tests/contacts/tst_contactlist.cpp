// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of which contacts the list holds and which columns it shows.
#include "TestDatabase.h"

#include "contacts/ContactListLoader.h"
#include "contacts/ContactListQuery.h"
#include "contacts/ListColumns.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Groups and contacts spread over several accounts:
//   全部分组 (1): 孙八 (user 3)
//     朋友: 张三, 赵六 (user 3)
//       老同学: 王五
//     同事: 李四 (user 3)
//     大编号 (ID 70000): 周九 (user 40000)
//   钱七 sits in a group that has been deleted.
struct Book {
    TestDatabase file;
    qint64 friends = 0;
    qint64 colleagues = 0;
    qint64 classmates = 0;
    qint64 gone = 0;
    qint64 large = 70000;
    qint64 zhang = 0;
    qint64 li = 0;
    qint64 wang = 0;
    qint64 zhao = 0;
    qint64 sun = 0;
    qint64 qian = 0;
    qint64 zhou = 0;

    Book()
    {
        friends = file.addGroup(1, 1, u"朋友"_s);
        colleagues = file.addGroup(1, 2, u"同事"_s);
        classmates = file.addGroup(friends, 1, u"老同学"_s);
        gone = file.addGroup(1, 3, u"已删除"_s);
        file.run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (?, 1, 4, '大编号')"_s,
                 {large});

        zhang = file.addContact({{u"Name"_s, u"张三"_s},
                                 {u"Py"_s, u"Z"_s},
                                 {u"Sex"_s, u"男"_s},
                                 {u"TID"_s, friends},
                                 {u"Tel1"_s, u"010-1111"_s},
                                 {u"Moblie1"_s, u"13800000001"_s},
                                 {u"CompanyName"_s, u"北京公司"_s},
                                 {u"Birthday"_s, u"1990-01-02"_s}});
        li = file.addContact({{u"Name"_s, u"李四"_s},
                              {u"Py"_s, u"L"_s},
                              {u"Sex"_s, u"女"_s},
                              {u"UID"_s, 3},
                              {u"TID"_s, colleagues},
                              {u"Tel2"_s, u"13800000002"_s}});
        wang = file.addContact({{u"Name"_s, u"王五"_s},
                                {u"Py"_s, u"W"_s},
                                {u"Sex"_s, u"男"_s},
                                {u"TID"_s, classmates},
                                {u"Moblie3"_s, u"13800000003"_s}});
        zhao = file.addContact({{u"Name"_s, u"赵六"_s},
                                {u"Py"_s, u"Z"_s},
                                {u"UID"_s, 3},
                                {u"TID"_s, friends},
                                {u"Address"_s, u"13800000004"_s}});
        sun = file.addContact({{u"Name"_s, u"孙八"_s}, {u"Py"_s, u"S"_s}, {u"UID"_s, 3}});
        qian = file.addContact({{u"Name"_s, u"钱七"_s},
                                {u"Py"_s, u"Q"_s},
                                {u"TID"_s, gone},
                                {u"Moblie1"_s, u"13800000005"_s}});
        zhou = file.addContact(
            {{u"Name"_s, u"周九"_s}, {u"Py"_s, u"Z"_s}, {u"UID"_s, 40000}, {u"TID"_s, large}});
        file.run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {gone});
    }
};

ContactListFilter filterFor(qint64 groupId, qint64 userId = 1)
{
    ContactListFilter filter;
    filter.groupId = groupId;
    filter.userId = userId;
    return filter;
}

QList<qint64> sortedIds(const ContactRows& rows)
{
    QList<qint64> ids(rows.ids.begin(), rows.ids.end());
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<qint64> sorted(QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The rows the list holds for the filter, as sorted contact IDs; a failed load
// gives an empty list and a warning that names the error.
QList<qint64> listed(const Database& db, const ContactListFilter& filter)
{
    const auto rows = ContactListLoader::load(db, filter);
    if (!rows) {
        qWarning("load failed: %s", qPrintable(rows.error().description));
        return {-1};
    }
    return sortedIds(rows.value());
}

QStringList fieldsOf(const std::vector<ListColumn>& columns)
{
    QStringList fields;
    for (const ListColumn& column : columns)
        fields << column.field;
    return fields;
}

bool shapeIsConsistent(const ContactRows& rows)
{
    if (rows.cells.size() != rows.columns.size() || rows.male.size() != rows.rowCount())
        return false;
    return std::all_of(rows.cells.begin(), rows.cells.end(),
                       [&](const auto& column) { return column.size() == rows.rowCount(); });
}

} // namespace

class TestContactList : public QObject {
    Q_OBJECT

private slots:
    void rootListsEveryGroupsContacts();
    void groupListsOnlyItsOwnContacts_data();
    void groupListsOnlyItsOwnContacts();
    void contactWhoseGroupIsGoneIsListedNowhere();
    void accountsSeeOnlyTheirOwnContacts_data();
    void accountsSeeOnlyTheirOwnContacts();
    void letterTabListsThatLetterOnly_data();
    void letterTabListsThatLetterOnly();

    void keywordIsLookedForInTheNineFields_data();
    void keywordIsLookedForInTheNineFields();
    void searchFromTheRootCoversEveryGroup_data();
    void searchFromTheRootCoversEveryGroup();
    void keywordIsMatchedLiterally_data();
    void keywordIsMatchedLiterally();
    void emptyKeywordListsAsWithoutOne();

    void topCapsOnlyTheRootList_data();
    void topCapsOnlyTheRootList();

    void newBookShowsItsDisplayedColumns();
    void columnsComeInSeqOrder();
    void unlistableColumnRowsNeverReachTheStatement_data();
    void unlistableColumnRowsNeverReachTheStatement();
    void withoutDisplayedColumnsTheNameIsShown_data();
    void withoutDisplayedColumnsTheNameIsShown();
    void nullCellsReadAsEmptyText();
    void maleOnlyForExactlyTheMaleSign_data();
    void maleOnlyForExactlyTheMaleSign();

    void containsPatternEscapesWildcards_data();
    void containsPatternEscapesWildcards();
};

void TestContactList::rootListsEveryGroupsContacts()
{
    Book book;
    QVERIFY(book.file.ok());
    const auto rows = ContactListLoader::load(book.file.db(), filterFor(1));
    QVERIFY(rows.ok());
    QVERIFY(shapeIsConsistent(rows.value()));
    QCOMPARE(sortedIds(rows.value()),
             sorted({book.zhang, book.li, book.wang, book.zhao, book.sun, book.zhou}));
}

void TestContactList::groupListsOnlyItsOwnContacts_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("with a subgroup") << u"朋友"_s << QStringList{u"张三"_s, u"赵六"_s};
    QTest::newRow("the subgroup") << u"老同学"_s << QStringList{u"王五"_s};
    QTest::newRow("another group") << u"同事"_s << QStringList{u"李四"_s};
    QTest::newRow("identifier above 32767") << u"大编号"_s << QStringList{u"周九"_s};
    QTest::newRow("empty group") << u"空组"_s << QStringList{};
}

void TestContactList::groupListsOnlyItsOwnContacts()
{
    QFETCH(QString, group);
    QFETCH(QStringList, expected);
    Book book;
    QVERIFY(book.file.ok());
    book.file.addGroup(1, 9, u"空组"_s);
    book.file.setDisplayedColumns({u"C.Name"_s});
    const qint64 groupId =
        book.file.scalar(u"SELECT ID FROM Vardelin_Type WHERE Name = ?"_s, {group}).toLongLong();

    const auto rows = ContactListLoader::load(book.file.db(), filterFor(groupId));
    QVERIFY(rows.ok());
    QVERIFY(shapeIsConsistent(rows.value()));
    QStringList names(rows.value().cells[0].begin(), rows.value().cells[0].end());
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestContactList::contactWhoseGroupIsGoneIsListedNowhere()
{
    Book book;
    QVERIFY(book.file.ok());
    const Database& db = book.file.db();
    QVERIFY(!listed(db, filterFor(1)).contains(book.qian));
    QCOMPARE(listed(db, filterFor(book.gone)), QList<qint64>());

    ContactListFilter search = filterFor(1);
    search.keyword = u"钱七"_s;
    QCOMPARE(listed(db, search), QList<qint64>());
    search.keyword = u"13800000005"_s;
    QCOMPARE(listed(db, search), QList<qint64>());
}

void TestContactList::accountsSeeOnlyTheirOwnContacts_data()
{
    QTest::addColumn<qint64>("user");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("administrator, root")
        << qint64(1) << u"全部分组"_s
        << QStringList{u"周九"_s, u"孙八"_s, u"张三"_s, u"李四"_s, u"王五"_s, u"赵六"_s};
    QTest::newRow("administrator, a group")
        << qint64(1) << u"朋友"_s << QStringList{u"张三"_s, u"赵六"_s};
    QTest::newRow("user 3, root") << qint64(3) << u"全部分组"_s
                                  << QStringList{u"孙八"_s, u"李四"_s, u"赵六"_s};
    QTest::newRow("user 3, a group") << qint64(3) << u"朋友"_s << QStringList{u"赵六"_s};
    QTest::newRow("user 3, a group of others' only") << qint64(3) << u"老同学"_s << QStringList{};
    QTest::newRow("user without contacts") << qint64(2) << u"全部分组"_s << QStringList{};
    QTest::newRow("user 40000") << qint64(40000) << u"全部分组"_s << QStringList{u"周九"_s};
}

void TestContactList::accountsSeeOnlyTheirOwnContacts()
{
    QFETCH(qint64, user);
    QFETCH(QString, group);
    QFETCH(QStringList, expected);
    Book book;
    QVERIFY(book.file.ok());
    book.file.setDisplayedColumns({u"C.Name"_s});
    const qint64 groupId =
        book.file.scalar(u"SELECT ID FROM Vardelin_Type WHERE Name = ?"_s, {group}).toLongLong();

    const auto rows = ContactListLoader::load(book.file.db(), filterFor(groupId, user));
    QVERIFY(rows.ok());
    QStringList names(rows.value().cells[0].begin(), rows.value().cells[0].end());
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestContactList::letterTabListsThatLetterOnly_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("group");
    QTest::addColumn<qint64>("user");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Z, root") << u"Z"_s << u"全部分组"_s << qint64(1)
                             << QStringList{u"周九"_s, u"张三"_s, u"赵六"_s};
    QTest::newRow("Z, a group") << u"Z"_s << u"朋友"_s << qint64(1)
                                << QStringList{u"张三"_s, u"赵六"_s};
    QTest::newRow("Z, user 3") << u"Z"_s << u"全部分组"_s << qint64(3) << QStringList{u"赵六"_s};
    QTest::newRow("L") << u"L"_s << u"全部分组"_s << qint64(1) << QStringList{u"李四"_s};
    QTest::newRow("letter nobody has") << u"X"_s << u"全部分组"_s << qint64(1) << QStringList{};
    QTest::newRow("every letter") << QString() << u"朋友"_s << qint64(1)
                                  << QStringList{u"张三"_s, u"赵六"_s};
}

void TestContactList::letterTabListsThatLetterOnly()
{
    QFETCH(QString, letter);
    QFETCH(QString, group);
    QFETCH(qint64, user);
    QFETCH(QStringList, expected);
    Book book;
    QVERIFY(book.file.ok());
    book.file.setDisplayedColumns({u"C.Name"_s});
    const qint64 groupId =
        book.file.scalar(u"SELECT ID FROM Vardelin_Type WHERE Name = ?"_s, {group}).toLongLong();

    ContactListFilter filter = filterFor(groupId, user);
    filter.letter = letter;
    const auto rows = ContactListLoader::load(book.file.db(), filter);
    QVERIFY(rows.ok());
    QStringList names(rows.value().cells[0].begin(), rows.value().cells[0].end());
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestContactList::keywordIsLookedForInTheNineFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("searched");

    const QStringList searched{u"Name"_s, u"CompanyName"_s, u"T.Name"_s,  u"Tel1"_s,   u"Tel2"_s,
                               u"Tel3"_s, u"Moblie1"_s,     u"Moblie2"_s, u"Moblie3"_s};
    for (const QString& field : searched)
        QTest::addRow("%s", qPrintable(field)) << field << true;
    const QStringList notSearched{u"Address"_s,      u"Py"_s,    u"Deptment"_s,
                                  u"OfficePhone1"_s, u"Mail1"_s, u"Remark"_s,
                                  u"SpouseTel"_s,    u"QQ1"_s,   u"CompanyAddress"_s};
    for (const QString& field : notSearched)
        QTest::addRow("%s", qPrintable(field)) << field << false;
}

void TestContactList::keywordIsLookedForInTheNineFields()
{
    QFETCH(QString, field);
    QFETCH(bool, searched);
    TestDatabase book;
    QVERIFY(book.ok());
    const QString value = u"甲乙丙"_s;
    qint64 id = 0;
    if (field == u"T.Name"_s) {
        const qint64 group = book.addGroup(1, 1, value);
        id = book.addContact({{u"Name"_s, u"某人"_s}, {u"TID"_s, group}});
    } else {
        const qint64 group = book.addGroup(1, 1, u"某组"_s);
        QVariantMap fields{{u"TID"_s, group}, {field, value}};
        if (field != u"Name"_s)
            fields.insert(u"Name"_s, u"某人"_s);
        id = book.addContact(fields);
    }
    // Another contact that holds nothing searched for.
    book.addContact({{u"Name"_s, u"别人"_s}});

    ContactListFilter filter = filterFor(1);
    filter.keyword = u"乙"_s;
    QCOMPARE(listed(book.db(), filter), searched ? QList<qint64>{id} : QList<qint64>{});
}

void TestContactList::searchFromTheRootCoversEveryGroup_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<qint64>("user");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QStringList>("expected");

    // 13800 is in 张三's, 李四's and 王五's telephones, 赵六's address and
    // the deleted group's 钱七.
    QTest::newRow("root") << u"全部分组"_s << qint64(1) << QString()
                          << QStringList{u"张三"_s, u"李四"_s, u"王五"_s};
    QTest::newRow("a group, not its subgroup")
        << u"朋友"_s << qint64(1) << QString() << QStringList{u"张三"_s};
    QTest::newRow("the subgroup") << u"老同学"_s << qint64(1) << QString()
                                  << QStringList{u"王五"_s};
    QTest::newRow("user 3 finds only their own")
        << u"全部分组"_s << qint64(3) << QString() << QStringList{u"李四"_s};
    QTest::newRow("with a letter")
        << u"全部分组"_s << qint64(1) << u"W"_s << QStringList{u"王五"_s};
}

void TestContactList::searchFromTheRootCoversEveryGroup()
{
    QFETCH(QString, group);
    QFETCH(qint64, user);
    QFETCH(QString, letter);
    QFETCH(QStringList, expected);
    Book book;
    QVERIFY(book.file.ok());
    book.file.setDisplayedColumns({u"C.Name"_s});
    const qint64 groupId =
        book.file.scalar(u"SELECT ID FROM Vardelin_Type WHERE Name = ?"_s, {group}).toLongLong();

    ContactListFilter filter = filterFor(groupId, user);
    filter.letter = letter;
    filter.keyword = u"13800"_s;
    const auto rows = ContactListLoader::load(book.file.db(), filter);
    QVERIFY(rows.ok());
    QStringList names(rows.value().cells[0].begin(), rows.value().cells[0].end());
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestContactList::keywordIsMatchedLiterally_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("found");

    QTest::newRow("100% in 1000") << u"1000"_s << u"100%"_s << false;
    QTest::newRow("100% in 100%") << u"满意度100%"_s << u"100%"_s << true;
    QTest::newRow("% alone in text without it") << u"abc"_s << u"%"_s << false;
    QTest::newRow("a_b in axb") << u"axb"_s << u"a_b"_s << false;
    QTest::newRow("a_b in a_b") << u"x_a_b_x"_s << u"a_b"_s << true;
    QTest::newRow("_ alone in text without it") << u"abc"_s << u"_"_s << false;
    QTest::newRow("backslash in ab") << u"ab"_s << u"a\\b"_s << false;
    QTest::newRow("backslash in a\\b") << u"C:\\a\\b"_s << u"a\\b"_s << true;
    QTest::newRow("backslash percent in percent") << u"50%"_s << u"\\%"_s << false;
    QTest::newRow("backslash percent in itself") << u"50\\%"_s << u"\\%"_s << true;
    QTest::newRow("single quote") << u"O'Brien"_s << u"O'B"_s << true;
    QTest::newRow("single quote alone") << u"O'Brien"_s << u"'"_s << true;
    QTest::newRow("single quote missing") << u"OBrien"_s << u"'"_s << false;
    QTest::newRow("quote closing the text") << u"abc"_s << u"') OR ('1' = '1"_s << false;
    QTest::newRow("inside Chinese") << u"张三丰"_s << u"三"_s << true;
    QTest::newRow("not inside") << u"张三丰"_s << u"四"_s << false;
}

void TestContactList::keywordIsMatchedLiterally()
{
    QFETCH(QString, stored);
    QFETCH(QString, keyword);
    QFETCH(bool, found);
    TestDatabase book;
    QVERIFY(book.ok());
    // The group's name is searched too, so it must not match.
    const qint64 group = book.addGroup(1, 1, u"组"_s);
    const qint64 id = book.addContact({{u"Name"_s, stored}, {u"TID"_s, group}});

    ContactListFilter filter = filterFor(1);
    filter.keyword = keyword;
    QCOMPARE(listed(book.db(), filter), found ? QList<qint64>{id} : QList<qint64>{});
}

void TestContactList::emptyKeywordListsAsWithoutOne()
{
    Book book;
    QVERIFY(book.file.ok());
    // A contact with none of the nine fields filled in.
    book.file.addContact({{u"Address"_s, u"无名"_s}, {u"TID"_s, book.colleagues}});
    for (const ContactListFilter& plain :
         {filterFor(1), filterFor(book.friends), filterFor(book.colleagues), filterFor(1, 3)}) {
        ContactListFilter search = plain;
        search.keyword = QString();
        const QList<qint64> expected = listed(book.file.db(), plain);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(listed(book.file.db(), search), expected);
    }
}

void TestContactList::topCapsOnlyTheRootList_data()
{
    QTest::addColumn<int>("contacts");
    QTest::addColumn<bool>("top");
    QTest::addColumn<bool>("root");
    QTest::addColumn<int>("expected");

    QTest::newRow("501, top, root") << 501 << true << true << 500;
    QTest::newRow("750, top, root") << 750 << true << true << 500;
    QTest::newRow("500, top, root") << 500 << true << true << 500;
    QTest::newRow("499, top, root") << 499 << true << true << 499;
    QTest::newRow("501, top, a group") << 501 << true << false << 501;
    QTest::newRow("501, no top, root") << 501 << false << true << 501;
    QTest::newRow("501, no top, a group") << 501 << false << false << 501;
}

void TestContactList::topCapsOnlyTheRootList()
{
    QFETCH(int, contacts);
    QFETCH(bool, top);
    QFETCH(bool, root);
    QFETCH(int, expected);
    TestDatabase book;
    QVERIFY(book.ok());
    const qint64 group = book.addGroup(1, 1, u"大组"_s);
    const Status filled = book.db().transaction([&]() -> Status {
        for (int i = 0; i < contacts; ++i) {
            const Status added =
                book.db().exec(u"INSERT INTO Vardelin_Contact (UID, TID, Name) VALUES (1, ?, ?)"_s,
                               {group, QString::number(i)});
            if (!added)
                return added;
        }
        return {};
    });
    QVERIFY(filled.ok());

    ContactListFilter filter = filterFor(root ? 1 : group);
    filter.top = top;
    const auto rows = ContactListLoader::load(book.db(), filter);
    QVERIFY(rows.ok());
    QCOMPARE(int(rows.value().rowCount()), expected);
    QVERIFY(shapeIsConsistent(rows.value()));
}

void TestContactList::newBookShowsItsDisplayedColumns()
{
    TestDatabase book;
    QVERIFY(book.ok());
    auto configured =
        book.db().query(u"SELECT Name FROM Vardelin_Alias WHERE IsDisplay <> 0 ORDER BY Seq, ID"_s);
    QVERIFY(configured.ok());
    QStringList expected;
    while (configured.value().next())
        expected << configured.value().value(0).toString();
    QVERIFY(!expected.isEmpty());

    const auto rows = ContactListLoader::load(book.db(), filterFor(1));
    QVERIFY(rows.ok());
    QCOMPARE(fieldsOf(rows.value().columns), expected);
    QCOMPARE(rows.value().rowCount(), std::size_t(0));
}

void TestContactList::columnsComeInSeqOrder()
{
    Book book;
    QVERIFY(book.file.ok());
    const QStringList order{u"C.Tel1"_s, u"T.Name"_s, u"C.Birthday"_s, u"C.Name"_s,
                            u"C.CompanyName"_s};
    book.file.setDisplayedColumns(order);
    book.file.run(u"UPDATE Vardelin_Alias SET Alias = '座机', Width = 77 WHERE Name = 'C.Tel1'"_s);

    ContactListFilter filter = filterFor(book.friends);
    filter.letter = u"Z"_s;
    filter.keyword = u"张三"_s;
    const auto rows = ContactListLoader::load(book.file.db(), filter);
    QVERIFY(rows.ok());
    const ContactRows& list = rows.value();
    QCOMPARE(fieldsOf(list.columns), order);
    QCOMPARE(list.columns[0].caption, u"座机"_s);
    QCOMPARE(list.columns[0].width, 77);
    QCOMPARE(
        list.columns[0].aliasId,
        book.file.scalar(u"SELECT ID FROM Vardelin_Alias WHERE Name = 'C.Tel1'"_s).toLongLong());
    QCOMPARE(list.rowCount(), std::size_t(1));
    QCOMPARE(list.ids[0], book.zhang);
    QStringList cells;
    for (const auto& column : list.cells)
        cells << column[0];
    QCOMPARE(cells,
             (QStringList{u"010-1111"_s, u"朋友"_s, u"1990-01-02"_s, u"张三"_s, u"北京公司"_s}));
}

void TestContactList::unlistableColumnRowsNeverReachTheStatement_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("photo") << u"C.Photo"_s;
    QTest::newRow("identifier") << u"C.ID"_s;
    QTest::newRow("account") << u"C.UID"_s;
    QTest::newRow("group identifier") << u"T.ID"_s;
    QTest::newRow("statement after a field") << u"C.ID; DROP TABLE x"_s;
    QTest::newRow("parenthesis") << u"1) OR (1"_s;
    QTest::newRow("sub-select") << u"(SELECT Pass FROM Vardelin_Login)"_s;
    QTest::newRow("field without its table") << u"Name"_s;
    QTest::newRow("field with a comment") << u"C.Name --"_s;
    QTest::newRow("another case") << u"c.name"_s;
    QTest::newRow("no such field") << u"C.Nickname"_s;
    QTest::newRow("empty") << u""_s;
}

void TestContactList::unlistableColumnRowsNeverReachTheStatement()
{
    QFETCH(QString, name);
    Book book;
    QVERIFY(book.file.ok());
    book.file.run(u"CREATE TABLE x (y INTEGER)"_s);
    book.file.setDisplayedColumns({u"C.Name"_s, u"C.Tel1"_s});
    // Seq 0 puts the row before every other displayed column.
    book.file.run(u"INSERT INTO Vardelin_Alias (Name, Alias, Width, Seq, IsDisplay) "
                  "VALUES (?, '坏列', 50, 0, 1)"_s,
                  {name});

    const auto columns = ListColumns::displayed(book.file.db());
    QVERIFY(columns.ok());
    QCOMPARE(fieldsOf(columns.value()), (QStringList{u"C.Name"_s, u"C.Tel1"_s}));

    const auto rows = ContactListLoader::load(book.file.db(), filterFor(1));
    QVERIFY2(rows.ok(), qPrintable(rows.ok() ? QString() : rows.error().description));
    QCOMPARE(fieldsOf(rows.value().columns), (QStringList{u"C.Name"_s, u"C.Tel1"_s}));
    QCOMPARE(rows.value().rowCount(), std::size_t(6));
    QVERIFY(shapeIsConsistent(rows.value()));

    // Columns handed in directly are held to the same rule.
    std::vector<ListColumn> handMade{{0, name, u"坏列"_s, 50}, {0, u"C.Name"_s, u"姓名"_s, 90}};
    ContactListFilter search = filterFor(1);
    search.keyword = u"张"_s;
    const ContactListStatement statement = ContactListQuery::build(handMade, search);
    const ContactListStatement clean = ContactListQuery::build({handMade[1]}, search);
    QCOMPARE(statement.sql, clean.sql);
    QCOMPARE(statement.values, clean.values);
    const auto direct = ContactListLoader::load(book.file.db(), handMade, search);
    QVERIFY(direct.ok());
    QCOMPARE(fieldsOf(direct.value().columns), QStringList{u"C.Name"_s});
    QCOMPARE(direct.value().ids, std::vector<qint64>{book.zhang});

    QCOMPARE(book.file.scalar(u"SELECT count(*) FROM sqlite_master WHERE name = 'x'"_s).toInt(), 1);
}

void TestContactList::withoutDisplayedColumnsTheNameIsShown_data()
{
    QTest::addColumn<QString>("onlyRow");

    QTest::newRow("nothing displayed") << QString();
    QTest::newRow("only an unlistable row displayed") << u"C.Photo"_s;
}

void TestContactList::withoutDisplayedColumnsTheNameIsShown()
{
    QFETCH(QString, onlyRow);
    Book book;
    QVERIFY(book.file.ok());
    book.file.setDisplayedColumns({});
    if (!onlyRow.isEmpty()) {
        book.file.run(u"UPDATE Vardelin_Alias SET IsDisplay = 1 WHERE Name = ?"_s, {onlyRow});
        if (book.file.scalar(u"SELECT count(*) FROM Vardelin_Alias WHERE IsDisplay <> 0"_s)
                .toInt() == 0) {
            book.file.run(u"INSERT INTO Vardelin_Alias (Name, Alias, Width, Seq, IsDisplay) "
                          "VALUES (?, '照片', 50, 1, 1)"_s,
                          {onlyRow});
        }
    }

    ContactListFilter filter = filterFor(book.friends);
    const auto rows = ContactListLoader::load(book.file.db(), filter);
    QVERIFY(rows.ok());
    QCOMPARE(fieldsOf(rows.value().columns), QStringList{u"C.Name"_s});
    QVERIFY(!rows.value().columns[0].caption.isEmpty());
    QVERIFY(rows.value().columns[0].width > 0);
    QStringList names(rows.value().cells[0].begin(), rows.value().cells[0].end());
    names.sort();
    QCOMPARE(names, (QStringList{u"张三"_s, u"赵六"_s}));
}

void TestContactList::nullCellsReadAsEmptyText()
{
    TestDatabase book;
    QVERIFY(book.ok());
    book.run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (9, 1, 1, NULL)"_s);
    book.addContact({{u"Name"_s, u"只有名字"_s}, {u"TID"_s, 9}});
    book.setDisplayedColumns(
        {u"C.Name"_s, u"C.Tel1"_s, u"C.Birthday"_s, u"T.Name"_s, u"C.Remark"_s});

    const auto rows = ContactListLoader::load(book.db(), filterFor(1));
    QVERIFY(rows.ok());
    QCOMPARE(rows.value().rowCount(), std::size_t(1));
    QCOMPARE(rows.value().cells[0][0], u"只有名字"_s);
    for (std::size_t c = 1; c < rows.value().cells.size(); ++c)
        QVERIFY(rows.value().cells[c][0].isEmpty());
    QCOMPARE(rows.value().male, std::vector<bool>{false});
}

void TestContactList::maleOnlyForExactlyTheMaleSign_data()
{
    QTest::addColumn<QVariant>("sex");
    QTest::addColumn<bool>("male");

    QTest::newRow("男") << QVariant(u"男"_s) << true;
    QTest::newRow("女") << QVariant(u"女"_s) << false;
    QTest::newRow("Null") << QVariant() << false;
    QTest::newRow("empty") << QVariant(u""_s) << false;
    QTest::newRow("blank before") << QVariant(u" 男"_s) << false;
    QTest::newRow("blank after") << QVariant(u"男 "_s) << false;
    QTest::newRow("男性") << QVariant(u"男性"_s) << false;
    QTest::newRow("M") << QVariant(u"M"_s) << false;
    QTest::newRow("1") << QVariant(1) << false;
}

void TestContactList::maleOnlyForExactlyTheMaleSign()
{
    QFETCH(QVariant, sex);
    QFETCH(bool, male);
    TestDatabase book;
    QVERIFY(book.ok());
    const qint64 other = book.addContact({{u"Name"_s, u"甲"_s}, {u"Sex"_s, u"女"_s}});
    const qint64 id = book.addContact({{u"Name"_s, u"乙"_s}, {u"Sex"_s, sex}});
    // Sex itself need not be a displayed column.
    book.setDisplayedColumns({u"C.Name"_s});

    const auto rows = ContactListLoader::load(book.db(), filterFor(1));
    QVERIFY(rows.ok());
    QCOMPARE(rows.value().rowCount(), std::size_t(2));
    for (std::size_t r = 0; r < 2; ++r) {
        if (rows.value().ids[r] == id)
            QCOMPARE(bool(rows.value().male[r]), male);
        else
            QCOMPARE(rows.value().ids[r], other);
    }
}

void TestContactList::containsPatternEscapesWildcards_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("plain") << u"张三"_s << u"%张三%"_s;
    QTest::newRow("empty") << QString() << u"%%"_s;
    QTest::newRow("percent") << u"100%"_s << u"%100\\%%"_s;
    QTest::newRow("underscore") << u"a_b"_s << u"%a\\_b%"_s;
    QTest::newRow("backslash") << u"a\\b"_s << u"%a\\\\b%"_s;
    QTest::newRow("all three") << u"\\%_"_s << u"%\\\\\\%\\_%"_s;
    QTest::newRow("quote untouched") << u"O'B"_s << u"%O'B%"_s;
}

void TestContactList::containsPatternEscapesWildcards()
{
    QFETCH(QString, keyword);
    QFETCH(QString, pattern);
    QCOMPARE(ContactListQuery::containsPattern(keyword), pattern);
}

QTEST_GUILESS_MAIN(TestContactList)
#include "tst_contactlist.moc"
