// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the keyword search: its search table, the pinyin and number matches, the migration.
#include "TestDatabase.h"

#include "card/ContactCard.h"
#include "contacts/ContactCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListQuery.h"
#include "contacts/NamePinyin.h"
#include "contacts/PhoneDigits.h"
#include "db/Schema.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

ContactListFilter search(const QString& keyword, qint64 user = 1, const QString& letter = {},
                         bool top = false)
{
    return {1, user, letter, keyword, top};
}

std::vector<qint64> idsOf(const Result<ContactRows>& rows)
{
    return rows ? rows.value().ids : std::vector<qint64>{-1};
}

// The names found, sorted; a failed load gives the error.
QStringList found(const Database& db, const QString& keyword)
{
    const auto rows = ContactListLoader::load(db, search(keyword));
    if (!rows)
        return {u"error: "_s + rows.error().description};
    QStringList names;
    for (std::size_t row = 0; row < rows.value().rowCount(); ++row)
        names << rows.value().cells[0][row];
    names.sort();
    return names;
}

// The IDs the literal statement gives, read row by row as the plain SQL of the list.
std::vector<qint64> literalIds(const Database& db, const ContactListFilter& filter)
{
    const ContactListStatement statement =
        ContactListQuery::buildLiteral({{0, u"C.Name"_s, {}, 0}}, filter);
    auto rows = db.query(statement.sql, statement.values);
    std::vector<qint64> ids;
    if (!rows)
        return {-1};
    while (rows.value().next())
        ids.push_back(rows.value().value(1).toLongLong());
    return ids;
}

struct Generated {
    QString name;
    QStringList telephones;
};

QString randomText(QRandomGenerator& random, int length)
{
    static const QString pool = u"李明朗王张三a%_\\'\"Bb-+ 1386０中單曾"_s;
    QString text;
    for (int i = 0; i < length; ++i)
        text += pool.at(random.bounded(int(pool.size())));
    return text;
}

} // namespace

class TestContactSearch : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_book.emplace().ok());
        m_book->setDisplayedColumns({u"C.Name"_s});
    }

    // Every keyword finds what the nine comparisons find, plus names whose pinyin starts with a
    // keyword of letters and numbers that hold a keyword written as a number; same order, same
    // filters, same cap.
    void searchTableFindsWhatThePlainStatementFinds()
    {
        QRandomGenerator random(20261207);
        m_book->run(u"INSERT INTO Vardelin_Type (ID, PID, Name) VALUES (2, 1, 'Ab%'), "
                    "(3, 1, '王_组'), (4, 1, '已删')"_s);
        std::map<qint64, Generated> contacts;
        m_book->run(u"BEGIN"_s); // one sync for all rows
        for (int i = 0; i < 600; ++i) {
            QVariantMap fields{{u"Name"_s, randomText(random, 1 + random.bounded(4))},
                               {u"TID"_s, 1 + random.bounded(4)},
                               {u"UID"_s, 1 + random.bounded(2)},
                               {u"Py"_s, random.bounded(2) ? u"L"_s : u"W"_s}};
            if (random.bounded(2))
                fields[u"CompanyName"_s] = randomText(random, 3);
            if (random.bounded(2))
                fields[u"Moblie2"_s] = randomText(random, 6);
            if (random.bounded(3))
                fields[u"Tel1"_s] = u"138-%1"_s.arg(random.bounded(1000));
            const qint64 id = m_book->addContact(fields);
            contacts[id] = {fields[u"Name"_s].toString(),
                            {fields[u"Tel1"_s].toString(), fields[u"Moblie2"_s].toString()}};
        }
        m_book->run(u"COMMIT"_s);
        m_book->run(u"DELETE FROM Vardelin_Type WHERE ID = 4"_s);
        m_book->run(u"UPDATE Vardelin_Type SET Name = 'AB%x' WHERE ID = 2"_s);

        const QStringList keywords{u"李"_s,    u"ab%"_s,
                                   u"_"_s,     u"\\"_s,
                                   u"'"_s,     u"\""_s,
                                   u"王_"_s,   u"b b"_s,
                                   u"lm"_s,    u"LI MING"_s,
                                   u"zeng"_s,
                                   u"z"_s, // the last letter: its range ends past 'z'
                                   u"Zh"_s,    u"zhangz"_s,
                                   u"shan"_s,  u"138"_s,
                                   u"1-3"_s,   u"+86"_s,
                                   u"０"_s,    u"x"_s,
                                   u"a%_\\"_s, u"-"_s,
                                   u" "_s,     u""_s,
                                   u"\x1f"_s,  QString(300, u'李')};
        const Database& db = m_book->db();
        for (const QString& keyword : keywords) {
            for (const ContactListFilter& filter :
                 {search(keyword), search(keyword, 2), search(keyword, 1, u"L"_s),
                  search(keyword, 1, {}, true)}) {
                const std::vector<qint64> literal = literalIds(db, filter);
                std::vector<qint64> expected;
                const QString letters = ContactListQuery::pinyinKeyword(keyword);
                const QString digits = ContactListQuery::numberKeyword(keyword);
                auto searched = ContactListLoader::load(db, filter);
                // Literal matches plus pinyin and number matches among rows the filters pass.
                auto all = ContactListLoader::load(db, {1, filter.userId, filter.letter, {}});
                QVERIFY(all);
                for (qint64 id : all.value().ids) {
                    const Generated& contact = contacts.at(id);
                    const NamePinyin pinyin = namePinyin(contact.name);
                    bool extra = !letters.isEmpty() && (pinyin.spelling.startsWith(letters) ||
                                                        pinyin.initials.startsWith(letters));
                    for (const QString& telephone : contact.telephones)
                        extra = extra || (!digits.isEmpty() &&
                                          PhoneDigits::normalized(telephone).contains(digits));
                    if (extra || std::find(literal.begin(), literal.end(), id) != literal.end())
                        expected.push_back(id);
                }
                if (filter.top && expected.size() > ContactListQuery::topRowCount)
                    expected.resize(ContactListQuery::topRowCount);
                QVERIFY2(idsOf(searched) == expected, qPrintable(keyword));
                if (letters.isEmpty() && digits.isEmpty())
                    QVERIFY2(expected == literal, qPrintable(keyword));
            }
        }
    }

    void savedAndDeletedContactsAreFoundOrGoneAtOnce()
    {
        const Database& db = m_book->db();
        QCOMPARE(found(db, u"lml"_s), QStringList());
        ContactCard::SaveRequest request{std::nullopt, 1, QDate(2026, 12, 7), {}};
        request.record.groupId = 1;
        request.record.texts = {{u"Name"_s, u"李明朗"_s}, {u"Moblie1"_s, u"138 0013 8000"_s}};
        auto saved = ContactCard::save(db, request);
        QVERIFY(saved);
        QCOMPARE(m_book->scalar(u"SELECT Spelling || Digits FROM Vardelin_Search"_s).toString(),
                 u"liminglang,,,13800138000,,"_s); // committed with the save
        QCOMPARE(found(db, u"lml"_s), QStringList{u"李明朗"_s});
        QCOMPARE(found(db, u"+8613800138000"_s), QStringList{u"李明朗"_s});

        // Rewritten by a statement of its own, as a merge does: found under the new name only.
        m_book->run(u"UPDATE Vardelin_Contact SET Name = '王明', Moblie1 = NULL"_s);
        QCOMPARE(found(db, u"lml"_s), QStringList());
        QCOMPARE(found(db, u"13800138000"_s), QStringList());
        QCOMPARE(found(db, u"wm"_s), QStringList{u"王明"_s});
        QVERIFY(ContactCommands::deleteContacts(db, std::vector<qint64>{saved.value().contactId}));
        QCOMPARE(found(db, u"王"_s), QStringList());
        QCOMPARE(found(db, u"wm"_s), QStringList());
        QCOMPARE(m_book->scalar(u"SELECT count(*) FROM Vardelin_Search"_s).toInt(), 0);
    }

    void pinyinAndNumbersFindTheContact_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("expected");
        QTest::newRow("initials") << u"lml"_s << u"李明朗"_s;
        QTest::newRow("first initials, upper case") << u"LM"_s << u"李明朗"_s;
        QTest::newRow("full pinyin") << u"liminglang"_s << u"李明朗"_s;
        QTest::newRow("full pinyin with a blank") << u"li ming"_s << u"李明朗"_s;
        QTest::newRow("not from the middle") << u"minglang"_s << QString();
        QTest::newRow("单 as a surname") << u"shantianfang"_s << u"单田芳 單田芳"_s;
        QTest::newRow("曾 as a surname") << u"zengguo"_s << u"曾国藩"_s;
        QTest::newRow("曾 elsewhere, its common reading") << u"wangceng"_s << u"王曾"_s;
        QTest::newRow("a traditional surname") << u"stf"_s << u"单田芳 單田芳"_s;
        // 安百川 by its initials, 张三 by the company ABC.
        QTest::newRow("initials and a company name") << u"abc"_s << u"安百川 张三"_s;
        QTest::newRow("Latin name, literal only") << u"bob"_s << u"Bob Smith"_s;
        QTest::newRow("Latin name's initials are no pinyin") << u"bs"_s << QString();
        QTest::newRow("dashes") << u"138-0013-8000"_s << u"张三 李明朗"_s;
        QTest::newRow("blanks") << u"138 0013 8000"_s << u"张三 李明朗"_s;
        QTest::newRow("+86") << u"+86 13800138000"_s << u"张三 李明朗"_s;
        QTest::newRow("0086 and a part") << u"0086-0013"_s << u"张三 李明朗"_s;
        QTest::newRow("+86 alone, literal only") << u"+86"_s << u"张三"_s;
        QTest::newRow("digits and a letter, literal only") << u"x8000"_s << QString();
        QTest::newRow("brackets") << u"(138) 0013-8000"_s << u"张三 李明朗"_s;
        QTest::newRow("a percent sign, literal only") << u"800%"_s << u"百分店"_s;
        QTest::newRow("a full stop, literal only") << u"138.0013"_s << QString();
        QTest::newRow("another country code, literal only") << u"+1 3800"_s << QString();
        // Compound surnames read as a whole, not character by character.
        QTest::newRow("万俟 mòqí") << u"moqi"_s << u"万俟卨 萬俟卨"_s;
        QTest::newRow("万俟 by its initials") << u"mq"_s << u"万俟卨 萬俟卨"_s;
        QTest::newRow("万俟 is no wàn") << u"wan"_s << u"王曾"_s;
        QTest::newRow("单于 chányú") << u"chanyu"_s << u"单于青 單于青"_s;
        QTest::newRow("长孙 zhǎngsūn") << u"zhangsun"_s << u"長孫無忌 长孙无忌"_s;
        QTest::newRow("拓跋 tuòbá") << u"tuoba"_s << u"拓跋宏"_s;
        QTest::newRow("尉迟 yùchí") << u"yuchi"_s << u"尉遲恭"_s;
    }

    void pinyinAndNumbersFindTheContact()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, expected);
        for (const auto& [name, company, mobile] :
             {std::tuple{u"李明朗"_s, QString(), u"13800138000"_s},
              {u"单田芳"_s, QString(), QString()},
              {u"單田芳"_s, QString(), QString()},
              {u"曾国藩"_s, QString(), QString()},
              {u"王曾"_s, QString(), QString()},
              {u"安百川"_s, QString(), QString()},
              {u"张三"_s, u"ABC"_s, u"+86 138-0013-8000"_s},
              {u"Bob Smith"_s, QString(), QString()},
              {u"百分店"_s, u"让利800%"_s, QString()},
              {u"万俟卨"_s, QString(), QString()},
              {u"萬俟卨"_s, QString(), QString()},
              {u"单于青"_s, QString(), QString()},
              {u"單于青"_s, QString(), QString()},
              {u"长孙无忌"_s, QString(), QString()},
              {u"長孫無忌"_s, QString(), QString()},
              {u"拓跋宏"_s, QString(), QString()},
              {u"尉遲恭"_s, QString(), QString()}}) {
            m_book->addContact({{u"Name"_s, name},
                                {u"CompanyName"_s, company.isEmpty() ? QVariant() : company},
                                {u"Tel2"_s, mobile.isEmpty() ? QVariant() : mobile}});
        }
        QCOMPARE(found(m_book->db(), keyword).join(u' '), expected);
    }

    // A file of layout 3 gets the table filled from its contacts at the open.
    void migrationAddsTheSearchTable()
    {
        makeLayoutThree();
        Database db;
        QVERIFY(db.open(m_book->path()));
        QCOMPARE(found(db, u"lml"_s), QStringList{u"李明朗"_s});
        QCOMPARE(found(db, u"8000"_s), QStringList{u"李明朗"_s});
        m_book->addContact({{u"Name"_s, u"李明"_s}});
        QCOMPARE(found(db, u"lm"_s), (QStringList{u"李明"_s, u"李明朗"_s}));
        QCOMPARE(m_book->scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
    }

    // A step failing after the table was made leaves the file as the earlier build wrote it.
    void interruptedMigrationLeavesTheOldFile()
    {
        makeLayoutThree();
        std::vector<Schema::Migration> steps(Schema::migrations().begin(),
                                             Schema::migrations().end());
        steps.push_back({Schema::version + 1, [](const Database& db) {
                             return db.exec(u"INSERT INTO NoSuchTable VALUES (1)"_s);
                         }});
        QVERIFY(!Schema::migrateAndVerify(m_book->db(), 3, steps));
        QCOMPARE(m_book->scalar(u"PRAGMA user_version"_s).toInt(), 3);
        QCOMPARE(m_book
                     ->scalar(u"SELECT count(*) FROM sqlite_master WHERE name LIKE "
                              "'Search%' OR name = 'Vardelin_Search'"_s)
                     .toInt(),
                 0);
        Database db;
        QVERIFY(db.open(m_book->path()));
        QCOMPARE(found(db, u"lml"_s), QStringList{u"李明朗"_s});
    }

    // Another program dropped our table or a trigger: the next start builds them again, and
    // contacts written meanwhile are found.
    void lostSearchTableOrTriggerIsBuiltAgain()
    {
        m_book->addContact({{u"Name"_s, u"李明朗"_s}});
        m_book->run(u"DROP TRIGGER Search_Insert"_s);
        m_book->addContact({{u"Name"_s, u"王芳"_s}});
        {
            Database db;
            QVERIFY(db.open(m_book->path()));
            QCOMPARE(found(db, u"王"_s), QStringList{u"王芳"_s});
            QCOMPARE(found(db, u"wf"_s), QStringList{u"王芳"_s});
        }
        m_book->run(u"DROP TABLE Vardelin_Search"_s);
        m_book->run(u"DROP TRIGGER LunarBirthday_ContactDeleted"_s);
        Database db;
        QVERIFY(db.open(m_book->path()));
        QCOMPARE(found(db, u"lml"_s), QStringList{u"李明朗"_s});
        QCOMPARE(m_book
                     ->scalar(u"SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                              "name IN ('Search_Insert', 'LunarBirthday_ContactDeleted')"_s)
                     .toInt(),
                 2);
        QCOMPARE(m_book->scalar(u"PRAGMA user_version"_s).toInt(), Schema::version);
    }

private:
    // What a build of layout 3 wrote: no search table, no triggers.
    void makeLayoutThree()
    {
        for (const char* trigger :
             {"Search_Insert", "Search_Update", "Search_Move", "Search_Delete"})
            m_book->run(u"DROP TRIGGER "_s + QLatin1StringView(trigger));
        m_book->run(u"DROP TABLE Vardelin_Search"_s);
        m_book->run(u"PRAGMA user_version = 3"_s);
        m_book->addContact({{u"Name"_s, u"李明朗"_s}, {u"Moblie3"_s, u"138-0013-8000"_s}});
    }

    std::optional<TestDatabase> m_book;
};

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
