// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the keyword search: its search table, the pinyin and number matches, the migration.
#include "TestDatabase.h"

#include "card/ContactCard.h"
#include "contacts/ContactCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListQuery.h"
#include "contacts/PhoneDigits.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The names found, sorted; a failed load gives the error.
QStringList found(const Database& db, const QString& keyword)
{
    const auto rows = ContactListLoader::load(db, {1, 1, {}, keyword, false});
    if (!rows)
        return {u"error: "_s + rows.error().description};
    QStringList names;
    for (std::size_t row = 0; row < rows.value().rowCount(); ++row)
        names << rows.value().cells[0][row];
    names.sort();
    return names;
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

    // Written in the save's transaction, rewritten by a statement of its own (as a merge does),
    // gone with the delete.
    void savedAndDeletedContactsAreFoundOrGoneAtOnce()
    {
        const Database& db = m_book->db();
        ContactCard::SaveRequest request{std::nullopt, 1, QDate(2026, 12, 7), {}};
        request.record.groupId = 1;
        request.record.texts = {{u"Name"_s, u"李明朗"_s}, {u"Moblie1"_s, u"138 0013 8000"_s}};
        auto saved = ContactCard::save(db, request);
        QVERIFY(saved);
        QCOMPARE(m_book->scalar(u"SELECT Spelling || Digits FROM Vardelin_Search"_s).toString(),
                 u"liminglang,,,13800138000,,"_s);
        QCOMPARE(found(db, u"lml"_s) + found(db, u"+8613800138000"_s), QStringList(2, u"李明朗"_s));
        m_book->run(u"UPDATE Vardelin_Contact SET Name = '王明', Moblie1 = NULL"_s);
        QCOMPARE(found(db, u"lml"_s) + found(db, u"13800138000"_s) + found(db, u"wm"_s),
                 QStringList{u"王明"_s});
        QVERIFY(ContactCommands::deleteContacts(db, std::vector<qint64>{saved.value().contactId}));
        QCOMPARE(found(db, u"王"_s) + found(db, u"wm"_s), QStringList());
        QCOMPARE(m_book->scalar(u"SELECT count(*) FROM Vardelin_Search"_s).toInt(), 0);
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
        row("dashes", u"138-0013-8000"_s, u"张三 李明朗"_s);
        row("blanks", u"138 0013 8000"_s, u"张三 李明朗"_s);
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

    // A file of layout 3 gets the table filled from its contacts at the open.
    void migrationAddsTheSearchTable()
    {
        for (const char* gone :
             {"TRIGGER Search_Insert", "TRIGGER Search_Update", "TRIGGER Search_Move",
              "TRIGGER Search_Delete", "TABLE Vardelin_Search"})
            m_book->run(u"DROP "_s + QLatin1StringView(gone));
        m_book->run(u"PRAGMA user_version = 3"_s);
        m_book->addContact({{u"Name"_s, u"李明朗"_s}, {u"Moblie3"_s, u"138-0013-8000"_s}});
        Database db;
        QVERIFY(db.open(m_book->path()));
        QCOMPARE(found(db, u"lml"_s) + found(db, u"8000"_s), QStringList(2, u"李明朗"_s));
        m_book->addContact({{u"Name"_s, u"李明"_s}});
        QCOMPARE(found(db, u"lm"_s), (QStringList{u"李明"_s, u"李明朗"_s}));
    }

    // Another program dropped our table or a trigger: the next start builds them again, and
    // contacts written meanwhile are found.
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
        QVERIFY(Database().open(m_book->path()));
        QCOMPARE(found(m_book->db(), u"lml"_s), QStringList{u"李明朗"_s});
        QCOMPARE(m_book
                     ->scalar(u"SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND "
                              "name IN ('Search_Insert', 'LunarBirthday_ContactDeleted')"_s)
                     .toInt(),
                 2);
    }

private:
    std::optional<TestDatabase> m_book;
};

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
