// SPDX-License-Identifier: GPL-3.0-or-later
// Which contacts the list holds (filters; the keyword literally, by pinyin and by number through
// the search table and the search structure that follows every write) and which columns it shows.
#include "TestDatabase.h"

#include "admin/ContactImport.h"
#include "card/ContactCard.h"
#include "contacts/ContactCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListQuery.h"
#include "contacts/ContactMerge.h"
#include "contacts/PhoneDigits.h"
#include "contacts/SearchIndex.h"
#include "contacts/SearchStructure.h"
#include "db/Backup.h"
#include "db/BookCopy.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 friends = 2, classmates = 3, gone = 5, large = 70000, zhang = 1;

// 朋友 holds 张三 (ID 1), 赵六 (user 3) and 老同学 with 王五; 同事 holds 李四 (user 3); the root
// holds 孙八 (user 3); 大编号 holds 周九 (user 40000); 钱七's group is deleted.
void fillBook(TestDatabase& book)
{
    book.run(u"INSERT INTO Vardelin_Type (ID, PID, Name) VALUES (2, 1, '朋友'), (3, 2, '老同学'), "
             "(4, 1, '同事'), (5, 1, '已删除'), (70000, 1, '大编号')"_s);
    book.run(u"INSERT INTO Vardelin_Contact (Name, Py, Sex, UID, TID, Moblie1, Address) VALUES "
             "('张三', 'Z', '男', 1, 2, '13800000001', NULL), ('赵六', 'Z', '男 ', 3, 2, NULL, "
             "'13800000004'), ('王五', 'W', NULL, 1, 3, '13800000003', NULL), ('李四', 'L', '女', "
             "3, 4, '13800000002', NULL), ('孙八', 'S', NULL, 3, 1, NULL, NULL), ('周九', 'Z', "
             "NULL, 40000, 70000, NULL, NULL), ('钱七', 'Q', NULL, 1, 5, '13800000005', NULL)"_s);
    book.run(u"DELETE FROM Vardelin_Type WHERE ID = 5"_s);
}

ContactListFilter filter(qint64 group, qint64 user = 1, const QString& letter = {},
                         const std::optional<QString>& keyword = {}, bool top = false)
{
    return {group, user, letter, keyword, top};
}

// The first column, sorted by code unit as the tables give it; a failed load gives the error.
QStringList listed(const Database& db, const ContactListFilter& filter)
{
    const auto rows = ContactListLoader::load(db, filter);
    if (!rows)
        return {u"error: "_s + rows.error().description};
    QStringList cells;
    for (std::size_t row = 0; row < rows.value().rowCount(); ++row)
        cells << rows.value().cells[0][row];
    cells.sort();
    return cells;
}
QStringList found(const Database& db, const QString& keyword)
{
    return listed(db, filter(1, 1, {}, keyword));
}

// The contacts the statement over Vardelin_Search finds for the administrator, in its order.
std::vector<qint64> searchTableIds(const Database& db, const QString& keyword)
{
    const ContactListStatement statement = ContactListQuery::build({}, {1, 1, {}, keyword, false});
    auto query = db.query(statement.sql, statement.values);
    std::vector<qint64> ids;
    while (query && query.value().next())
        ids.push_back(query.value().value(0).toLongLong());
    return ids;
}

enum class Write {
    SaveNew,
    SaveEdit,
    Import,
    Delete,
    Move,
    Merge,
    Restore,
    Other,
    RolledBack,
    OtherThenLogEmptied
};

} // namespace

class TestContactSearch : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_book.emplace(TestDatabase::backendOfRow()).ok());
        m_book->setDisplayedColumns({u"C.Name"_s});
    }

    void pinyinAndNumbersFindTheContact_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& keyword, const QString& expected) {
            QTest::newRow(name) << keyword << expected;
        };
        row("initials", u"lml"_s, u"李明朗"_s);
        row("first initials, upper case", u"LM"_s, u"李明朗"_s);
        row("full pinyin", u"liminglang"_s, u"李明朗"_s);
        row("full pinyin with a blank", u"li ming"_s, u"李明朗"_s);
        row("not from the middle", u"minglang"_s, {});
        row("the last letter, its range past z", u"z"_s, u"张三 曾国藩 長孫無忌 长孙无忌"_s);
        row("单 as a surname", u"shantianfang"_s, u"单田芳 單田芳"_s);
        row("曾 as a surname", u"zengguo"_s, u"曾国藩"_s);
        row("曾 elsewhere, its common reading", u"wangceng"_s, u"王曾"_s);
        row("a traditional surname", u"stf"_s, u"单田芳 單田芳"_s);
        // 安百川 by its initials, 张三 by the company ABC.
        row("initials and a company name", u"abc"_s, u"安百川 张三"_s);
        row("Latin name, literal only", u"bob"_s, u"Bob_Smith"_s);
        row("Latin name's initials are no pinyin", u"bs"_s, {});
        row("+86", u"+86 13800138000"_s, u"张三 李明朗"_s);
        row("0086 and a part", u"0086-0013"_s, u"张三 李明朗"_s);
        row("full-width digits", u"１３８００"_s, u"张三 李明朗"_s);
        row("+86 alone, literal only", u"+86"_s, u"张三"_s);
        row("digits and a letter, literal only", u"x8000"_s, {});
        row("brackets", u"(138) 0013-8000"_s, u"张三 李明朗"_s);
        row("a percent sign, literal only", u"800%"_s, u"百分店"_s);
        row("a full stop, literal only", u"138.0013"_s, {});
        row("another country code, literal only", u"+1 3800"_s, {});
        // Compound surnames read as a whole, not character by character.
        row("万俟 mòqí", u"moqi"_s, u"万俟卨 萬俟卨"_s);
        row("万俟 by its initials", u"mq"_s, u"万俟卨 萬俟卨"_s);
        row("万俟 is no wàn", u"wan"_s, u"王曾"_s);
        row("单于 chányú", u"chanyu"_s, u"单于青 單于青"_s);
        row("长孙 zhǎngsūn", u"zhangsun"_s, u"長孫無忌 长孙无忌"_s);
        row("拓跋 tuòbá", u"tuoba"_s, u"拓跋宏"_s);
        row("尉迟 yùchí", u"yuchi"_s, u"尉遲恭"_s);
    }

    void pinyinAndNumbersFindTheContact()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, expected);
        m_book->addContact({{u"Name"_s, u"李明朗"_s}, {u"Tel2"_s, u"13800138000"_s}});
        m_book->addContact({{u"Name"_s, u"张三"_s},
                            {u"CompanyName"_s, u"ABC"_s},
                            {u"Tel2"_s, u"+86 138-0013-8000"_s}});
        m_book->addContact({{u"Name"_s, u"百分店"_s}, {u"CompanyName"_s, u"让利800%"_s}});
        for (const QString& name :
             u"单田芳 單田芳 曾国藩 王曾 安百川 Bob_Smith 万俟卨 萬俟卨 单于青 "
             "單于青 长孙无忌 長孫無忌 拓跋宏 尉遲恭"_s.split(u' '))
            m_book->addContact({{u"Name"_s, QString(name).replace(u'_', u' ')}});
        QCOMPARE(found(m_book->db(), keyword).join(u' '), QString(expected).replace(u'_', u' '));
    }

    // Telephone numbers written the ways people write them reduce to the same digits.
    void phoneDigits_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("digits");
        const QString mobile = u"13800138000"_s;
        for (const QString& written :
             {mobile, u"138 0013 8000"_s, u"138-0013-8000"_s, u"+86 13800138000"_s,
              u"+ 86-138-0013-8000"_s, u"0086 138 0013 8000"_s, u"１３８００１３８０００"_s,
              u"＋８６13800138000"_s})
            QTest::addRow("%s", qPrintable(written)) << written << mobile;
        QTest::newRow("area code in brackets") << u"(010) 6552-1234"_s << u"01065521234"_s;
        QTest::newRow("86 without sign is kept") << u"8613800138000"_s << u"8613800138000"_s;
        QTest::newRow("other country kept") << u"+1 555 0100"_s << u"15550100"_s;
        QTest::newRow("plus after digits is no sign") << u"138+8613800"_s << u"1388613800"_s;
        QTest::newRow("extension letters dropped") << u"6552 1234 ext. 8"_s << u"655212348"_s;
        QTest::newRow("no digits") << u"无"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void phoneDigits()
    {
        QFETCH(QString, written);
        QFETCH(QString, digits);
        QCOMPARE(PhoneDigits::normalized(written), digits);
    }

    // A table or trigger another program dropped is built again at the next start.
    void lostSearchTableOrTriggerIsBuiltAgain()
    {
        m_book->addContact({{u"Name"_s, u"李明朗"_s}});
        m_book->run(u"DROP TRIGGER Search_Insert"_s);
        m_book->addContact({{u"Name"_s, u"王芳"_s}});
        QVERIFY(Database().open(m_book->path()));
        QCOMPARE(found(m_book->db(), u"王"_s) + found(m_book->db(), u"wf"_s),
                 QStringList(2, u"王芳"_s));
        m_book->run(u"DROP TABLE Vardelin_Search"_s);
        m_book->run(u"DROP TRIGGER LunarBirthday_ContactDeleted"_s);
        m_book->run(u"DROP TABLE Vardelin_Print"_s);
        QVERIFY(Database().open(m_book->path()));
        QCOMPARE(found(m_book->db(), u"lml"_s), QStringList{u"李明朗"_s});
        QCOMPARE(m_book
                     ->scalar(u"SELECT count(*) FROM sqlite_master WHERE name IN ('Search_Insert', "
                              "'LunarBirthday_ContactDeleted', 'Vardelin_Print')"_s)
                     .toInt(),
                 3);
    }

    void filtersPickTheRows_data()
    {
        QTest::addColumn<ContactListFilter>("filter");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const ContactListFilter& filter,
                            const QString& names) {
            QTest::newRow(tag) << filter << names;
        };
        const QString everyone = u"周九 孙八 张三 李四 王五 赵六"_s;
        row("root, without the deleted group's", filter(1), everyone);
        row("group, without its subgroup", filter(friends), u"张三 赵六"_s);
        row("subgroup", filter(classmates), u"王五"_s);
        row("group above 32767", filter(large), u"周九"_s);
        row("deleted group", filter(gone), {});
        row("user", filter(1, 3), u"孙八 李四 赵六"_s);
        row("user in a group", filter(friends, 3), u"赵六"_s);
        row("user above 32767", filter(1, 40000), u"周九"_s);
        row("letter", filter(1, 1, u"Z"_s), u"周九 张三 赵六"_s);
        row("letter and user", filter(1, 3, u"Z"_s), u"赵六"_s);
        // 13800 is also in 赵六's address, which is not searched, and in 钱七's mobile.
        row("keyword", filter(1, 1, {}, u"13800"_s), u"张三 李四 王五"_s);
        row("keyword in a group", filter(friends, 1, {}, u"13800"_s), u"张三"_s);
        row("keyword and user", filter(1, 3, {}, u"13800"_s), u"李四"_s);
        row("keyword and letter", filter(1, 1, u"W"_s, u"13800"_s), u"王五"_s);
        row("deleted group's contact by name", filter(1, 1, {}, u"钱七"_s), {});
        row("empty keyword", filter(1, 1, {}, QString()), everyone);
        // The search table's pinyin and number matches pass the same filters.
        row("pinyin and user", filter(1, 3, {}, u"z"_s), u"赵六"_s);
        row("pinyin in a group", filter(friends, 1, {}, u"zs"_s), u"张三"_s);
        row("pinyin and letter", filter(1, 1, u"W"_s, u"zs"_s), {});
        row("deleted group's contact by pinyin", filter(1, 1, {}, u"qq"_s), {});
        row("number and user", filter(1, 3, {}, u"138 0000 000"_s), u"李四"_s);
        row("number in a subgroup", filter(classmates, 1, {}, u"+8613800000003"_s), u"王五"_s);
    }

    void filtersPickTheRows()
    {
        QFETCH(ContactListFilter, filter);
        QFETCH(QString, expected);
        fillBook(*m_book);
        QCOMPARE(listed(m_book->db(), filter), expected.split(u' ', Qt::SkipEmptyParts));
    }

    void keywordIsFoundLiterallyInTheNineFields_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const QString& keyword, const QString& names) {
            QTest::newRow(tag) << keyword << names;
        };
        row("nine fields", u"乙"_s,
            u"CompanyName Moblie1 Moblie2 Moblie3 T.Name Tel1 Tel2 Tel3 甲乙丙 长乙"_s);
        row("%", u"100%"_s, u"满意度100%"_s);
        row("_", u"a_b"_s, u"x_a_b_x"_s);
        row("\\", u"a\\b"_s, u"C:\\a\\b"_s);
        row("quote", u"O'B"_s, u"O'Brien"_s);
        // Only ASCII letters match without regard to case, as SQLite's LIKE always did.
        row("ASCII case", u"o'b"_s, u"O'Brien"_s);
        row("case beside a wildcard", u"C:\\A"_s, u"C:\\a\\b"_s);
        row("accented case", u"ÉCOLE"_s, u"ÉCOLE"_s);
        row("full-width case", u"ａｂ"_s, u"ａｂ"_s);
        // Text goes on past a NUL; LIKE would have ended the pattern there and found "x_a_b_x".
        row("NUL", u"X\0y"_s, u"x\0Y"_s);
        // SQLite refuses LIKE patterns over 50,000 bytes; the search has no such limit.
        row("long, past LIKE's limit", u"张%_\\"_s.repeated(20000), u"长甲"_s);
        row("long letters in any case", u"Ab_"_s.repeated(20000), u"长乙"_s);
        // The search table joins a contact's fields with this sign; no field holds it.
        row("field separator", u"\x1f"_s, {});
    }

    void keywordIsFoundLiterallyInTheNineFields()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, expected);
        // Each contact is named after the one field that holds 甲乙丙.
        for (const QString& field :
             u"CompanyName Tel1 Tel2 Tel3 Moblie1 Moblie2 Moblie3 Address Py "
             "Deptment OfficePhone1 Mail1 Remark SpouseTel QQ1 CompanyAddress"_s.split(u' '))
            m_book->addContact({{u"Name"_s, field}, {field, u"甲乙丙"_s}});
        m_book->addContact(
            {{u"Name"_s, u"T.Name"_s}, {u"TID"_s, m_book->addGroup(1, 1, u"甲乙丙"_s)}});
        // Beside each literal match, a name the keyword's wildcards would match if left unescaped.
        for (const QString& name :
             {u"甲乙丙"_s, u"1000"_s, u"满意度100%"_s, u"axb"_s, u"x_a_b_x"_s, u"ab"_s,
              u"C:\\a\\b"_s, u"O'Brien"_s, u"ÉCOLE"_s, u"école"_s, u"ａｂ"_s, u"ＡＢ"_s, u"x\0Y"_s})
            m_book->addContact({{u"Name"_s, name}});
        m_book->addContact(
            {{u"Name"_s, u"长甲"_s},
             {u"CompanyName"_s, QString(u"前"_s + u"张%_\\"_s.repeated(20000) + u"后"_s)}});
        m_book->addContact({{u"Name"_s, u"长乙"_s}, {u"Moblie3"_s, u"AB_"_s.repeated(20000)}});
        QCOMPARE(listed(m_book->db(), filter(1, 1, {}, keyword)),
                 expected.split(u' ', Qt::SkipEmptyParts));
    }

    // Null fields hold no text, not even the empty keyword, whichever way the keyword is compared.
    void nullFieldsNeverMatch()
    {
        m_book->run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (9, 1, 1, NULL)"_s);
        m_book->run(u"INSERT INTO Vardelin_Contact (UID, TID, Name) VALUES (1, 9, NULL)"_s);
        // An empty field holds the empty keyword.
        m_book->addContact({{u"TID"_s, 9}, {u"Tel2"_s, u""_s}});
        const QString longLetters = u"Ab"_s.repeated(30000);
        for (const QString& keyword : {QString(), u"5"_s, u"Ab"_s, longLetters})
            QCOMPARE(listed(m_book->db(), filter(1, 1, {}, keyword)).size(),
                     keyword.isEmpty() ? 1 : 0);
    }

    void topCapsOnlyTheRootList_data() { TestDatabase::addBackendRows(); }
    void topCapsOnlyTheRootList()
    {
        const qint64 group = m_book->addGroup(1, 1, u"大组"_s);
        m_book->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 501) "
            "INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, ?, i FROM n"_s,
            {group});
        // The first 500 by ID: a contact changed since stays among them (a server keeps the
        // changed row at the end of its table).
        m_book->run(u"UPDATE Vardelin_Contact SET Name = '改' WHERE ID = 1"_s);
        const QStringList top = listed(m_book->db(), filter(1, 1, {}, {}, true));
        QCOMPARE(top.size(), 500);
        QVERIFY(top.contains(u"改"_s) && !top.contains(u"501"_s));
        QCOMPARE(listed(m_book->db(), filter(1, 1, {}, u"大组"_s, true)).size(), 500);
        QCOMPARE(listed(m_book->db(), filter(group, 1, {}, {}, true)).size(), 501);
        QCOMPARE(listed(m_book->db(), filter(1)).size(), 501);
    }

    void columnsFollowTheAliasTable_data()
    {
        QTest::addColumn<QStringList>("displayed");
        QTest::addColumn<QString>("extraRow");
        QTest::addColumn<QStringList>("expected");

        const QStringList order{u"C.Moblie1"_s, u"T.Name"_s, u"C.Name"_s};
        // Widths in twips, as stored.
        const QStringList shown{u"C.Moblie1 手机1 1650"_s, u"T.Name 所属分类 1350"_s,
                                u"C.Name 姓名 1500"_s};
        QTest::newRow("in Seq order") << order << QString() << shown;
        const QStringList nameOnly{u"C.Name 姓名 1650"_s};
        QTest::newRow("none displayed") << QStringList() << QString() << nameOnly;
        QTest::newRow("only unlistable") << QStringList() << u"C.Photo"_s << nameOnly;
        for (const char* name :
             {"C.ID", "C.UID", "C.ID; DELETE FROM Vardelin_Contact", "1) OR (1", "C.Name --",
              "(SELECT Pass FROM Vardelin_Login)", "Name", "c.name", "C.Nickname", ""})
            QTest::addRow("unlistable '%s'", name) << order << QString::fromLatin1(name) << shown;
    }

    void columnsFollowTheAliasTable()
    {
        QFETCH(QStringList, displayed);
        QFETCH(QString, extraRow);
        QFETCH(QStringList, expected);
        fillBook(*m_book);
        m_book->setDisplayedColumns(displayed);
        if (!extraRow.isNull()) // Seq 0 puts it first.
            m_book->run(u"INSERT INTO Vardelin_Alias (Name, Alias, Width, Seq, IsDisplay) "
                        "VALUES (?, '坏列', 50, 0, 1)"_s,
                        {extraRow});
        const ContactRows list = ContactListLoader::load(m_book->db(), filter(friends)).value();
        QStringList shown;
        for (const ListColumn& column : list.columns)
            shown << u"%1 %2 %3"_s.arg(column.field, column.caption).arg(column.width);
        QCOMPARE(shown, expected);
        // Only exactly "男" is male: 张三's "男", not 赵六's "男 ".
        QCOMPARE(list.male[0] + 2 * list.male[1], list.ids[0] == zhang ? 1 : 2);
        // Columns handed in directly are held to the same rule.
        const ListColumn name{0, u"C.Name"_s, u"姓名"_s, 90};
        QCOMPARE(ContactListQuery::build({{0, extraRow, {}, 50}, name}, {}).sql,
                 ContactListQuery::build({name}, {}).sql);
    }

    // Each write comes after a search, which read the structure; the next search must see it.
    void everyWriteIsSeenByTheNextSearch_data()
    {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("names");
        // On a file and on a server, whose copy follows the server's log of written rows.
        const auto row = [](const char* tag, Write write, const QString& keyword,
                            const QStringList& names) {
            if (write != Write::OtherThenLogEmptied)
                QTest::newRow(tag) << write << keyword << names;
            QTest::addRow("server, %s", tag) << write << keyword << names;
        };
        row("saved new", Write::SaveNew, u"zs"_s, {u"张三"_s});
        row("saved under a new name", Write::SaveEdit, u"lml"_s, {});
        row("imported", Write::Import, u"赵"_s, {u"赵六"_s});
        row("deleted", Write::Delete, u"王"_s, {});
        row("moved, found by the group's name", Write::Move, u"销售部"_s, {u"李明朗"_s, u"王芳"_s});
        row("moved, the group's name in another case", Write::Move, u"vip"_s,
            {u"李明朗"_s, u"王芳"_s});
        row("merged, the other's number kept", Write::Merge, u"13800138000"_s, {u"王芳"_s});
        row("restored from a copy", Write::Restore, u"王"_s, {u"王芳"_s});
        row("renamed, searched and rolled back", Write::RolledBack, u"lml"_s, {u"李明朗"_s});
        row("written by another program", Write::Other, u"wm"_s, {u"王明"_s});
        row("written by another, the log emptied", Write::OtherThenLogEmptied, u"wm"_s,
            {u"王明"_s});
    }

    void everyWriteIsSeenByTheNextSearch()
    {
        QFETCH(Write, write);
        QFETCH(QString, keyword);
        QFETCH(QStringList, names);
        Database& db = m_book->db();
        const qint64 sales = m_book->addGroup(1, 2, u"销售部VIP"_s);
        const qint64 li =
            m_book->addContact({{u"Name"_s, u"李明朗"_s}, {u"Moblie1"_s, u"138 0013 8000"_s}});
        const qint64 wang = m_book->addContact({{u"Name"_s, u"王芳"_s}, {u"TID"_s, sales}});
        // Enough other rows that a write or two is read again alone, not with the whole table.
        m_book->run(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
            "INSERT INTO Vardelin_Contact (UID, TID, Name) SELECT 1, 1, '填充' || i FROM n"_s);
        const QString copy = m_book->folder() + u"/copy.xml"_s;
        QVERIFY(db.backend() == Backend::Server ? bool(BookCopy::copy(m_book->path(), copy))
                                                : bool(Backup::copyTo(db, copy)));
        if (write == Write::Restore)
            QVERIFY(ContactCommands::deleteContacts(db, {wang}));
        // Read as a search reads it: the rows completed first, then the structure.
        QVERIFY(SearchIndex::refreshAlone(db) && SearchStructure::prepare(db));

        switch (write) {
        case Write::SaveNew:
        case Write::SaveEdit: {
            ContactCard::SaveRequest request{std::nullopt, 1, QDate(2026, 12, 7), {}, std::nullopt};
            if (write == Write::SaveEdit)
                request.updateId = li;
            request.record.groupId = 1;
            request.record.texts = {{u"Name"_s, write == Write::SaveEdit ? u"李四"_s : u"张三"_s}};
            QVERIFY(ContactCard::save(db, request));
            break;
        }
        case Write::Import: {
            const ImportTable table{{u"姓名"_s}, {{u"赵六"_s}}};
            QVERIFY(ContactImport::importTable(db, table, {{u"Name"_s, u"姓名"_s}},
                                               {1, QDate(2026, 12, 7)}));
            break;
        }
        case Write::Delete:
            QVERIFY(ContactCommands::deleteContacts(db, {wang}));
            break;
        case Write::Move:
            QVERIFY(ContactCommands::moveContacts(db, {li}, sales).value());
            break;
        case Write::Merge: {
            auto plan = ContactMerge::plan(db, 1, wang, {li});
            QVERIFY(plan && plan.value());
            // The plan's values hold every conflicting column at its default.
            const ContactMerge::Request request{
                1, wang, {li}, QDate(2026, 12, 7), plan.value()->conflicts, plan.value()->values};
            const auto merged = ContactMerge::merge(db, request);
            QVERIFY2(merged, qPrintable(merged ? QString() : merged.error().description));
            QCOMPARE(merged.value(), ContactMerge::Outcome::Merged);
            break;
        }
        case Write::Restore:
            QVERIFY(db.backend() == Backend::Server
                        ? bool(BookCopy::replace(copy, db))
                        : bool(Backup::restore(db, copy, QDate(2026, 12, 7))));
            break;
        case Write::RolledBack:
            QVERIFY(!db.transaction([&] {
                m_book->run(u"UPDATE Vardelin_Contact SET Name = '李四' WHERE ID = ?"_s, {li});
                const Result<std::vector<qint64>> inside = SearchStructure::matches(db, keyword);
                return inside && inside.value().empty() ? Status{DbError{1, u"回滚"_s}} : Status{};
            }));
            break;
        case Write::Other:
        case Write::OtherThenLogEmptied: {
            Database other;
            QVERIFY(other.open(m_book->path()));
            QVERIFY(
                other.exec(u"UPDATE Vardelin_Contact SET Name = '王明' WHERE ID = ?"_s, {wang}));
            // The row made whole, so that this program writes nothing before its search; then,
            // as the log's pruning or an administrator might, the entries go.
            if (write == Write::OtherThenLogEmptied) {
                QVERIFY(SearchIndex::refreshAlone(other));
                QVERIFY(other.exec(u"DELETE FROM Vardelin_SearchLog"_s));
            }
            break;
        }
        }
        QCOMPARE(found(db, keyword), names);
        // A deleted contact's row leaves the search table with it.
        QCOMPARE(
            m_book->scalar(u"SELECT count(*) FROM Vardelin_Search WHERE ID = ?"_s, {wang}).toInt(),
            write == Write::Delete ? 0 : 1);
        // The rows read by ID hide a contact deleted since, but not from the structure itself.
        // (A server's LIKE minds the case of a group's name: there the statement is no measure.)
        const auto matches = SearchStructure::matches(db, keyword);
        QVERIFY(matches);
        if (db.backend() == Backend::File)
            QCOMPARE(matches.value(), searchTableIds(db, keyword));
    }

private:
    std::optional<TestDatabase> m_book;
};

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
