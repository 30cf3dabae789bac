// SPDX-License-Identifier: GPL-3.0-or-later
// The search structure held in memory: no write leaves it behind. The rules it answers for are
// tested in tst_contactsearch.
#include "TestDatabase.h"

#include "admin/ContactImport.h"
#include "card/ContactCard.h"
#include "contacts/ContactCommands.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListQuery.h"
#include "contacts/ContactMerge.h"
#include "contacts/SearchStructure.h"
#include "db/Backup.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The names the list shows for keyword, sorted; a failed load gives the error.
QStringList found(const Database& db, const QString& keyword, qint64 userId = 1)
{
    const auto rows = ContactListLoader::load(db, {1, userId, {}, keyword, false});
    if (!rows)
        return {u"error: "_s + rows.error().description};
    QStringList names;
    for (std::size_t row = 0; row < rows.value().rowCount(); ++row)
        names << rows.value().cells[0][row];
    names.sort();
    return names;
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

enum class Write { None, SaveNew, SaveEdit, Import, Delete, Move, Merge, Restore, Other };

} // namespace

class TestSearchStructure : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_book.emplace().ok());
        m_book->setDisplayedColumns({u"C.Name"_s});
    }

    // Each write comes after a search, which read the structure; the next search must see it.
    void everyWriteIsSeenByTheNextSearch_data()
    {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<qint64>("userId");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("saved new") << Write::SaveNew << u"zs"_s << 1LL << QStringList{u"张三"_s};
        QTest::newRow("saved under a new name")
            << Write::SaveEdit << u"lml"_s << 1LL << QStringList();
        QTest::newRow("imported") << Write::Import << u"赵"_s << 1LL << QStringList{u"赵六"_s};
        QTest::newRow("deleted") << Write::Delete << u"王"_s << 1LL << QStringList();
        QTest::newRow("moved, found by the group's name")
            << Write::Move << u"销售部"_s << 1LL << QStringList{u"李明朗"_s, u"王芳"_s};
        QTest::newRow("merged, the other's number kept")
            << Write::Merge << u"13800138000"_s << 1LL << QStringList{u"王芳"_s};
        QTest::newRow("restored from a copy")
            << Write::Restore << u"王"_s << 1LL << QStringList{u"王芳"_s};
        QTest::newRow("written by another program")
            << Write::Other << u"wm"_s << 1LL << QStringList{u"王明"_s};
        QTest::newRow("another account's contact, its owner")
            << Write::None << u"周"_s << 2LL << QStringList{u"周八"_s};
        QTest::newRow("another account's contact, someone else")
            << Write::None << u"周"_s << 3LL << QStringList();
    }

    void everyWriteIsSeenByTheNextSearch()
    {
        QFETCH(Write, write);
        QFETCH(QString, keyword);
        QFETCH(qint64, userId);
        QFETCH(QStringList, names);
        Database& db = m_book->db();
        const qint64 sales = m_book->addGroup(1, 2, u"销售部"_s);
        const qint64 li =
            m_book->addContact({{u"Name"_s, u"李明朗"_s}, {u"Moblie1"_s, u"138 0013 8000"_s}});
        m_book->addContact({{u"Name"_s, u"周八"_s}, {u"UID"_s, 2}});
        const qint64 wang = m_book->addContact({{u"Name"_s, u"王芳"_s}, {u"TID"_s, sales}});
        const QString copy = m_book->folder() + u"/copy.xml"_s;
        QVERIFY(Backup::copyTo(db, copy));
        if (write == Write::Restore)
            QVERIFY(ContactCommands::deleteContacts(db, {wang}));
        found(db, keyword, userId); // reads the structure

        switch (write) {
        case Write::None:
            break;
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
            ContactMerge::Request request{
                1, wang, {li}, QDate(2026, 12, 7), plan.value()->conflicts, {}};
            for (const ContactMerge::Conflict& conflict : request.shownConflicts) {
                for (qsizetype c = 0; c < conflict.columns.size(); ++c)
                    request.choices.insert(conflict.columns[c],
                                           conflict.candidates[conflict.defaults[c]].value);
            }
            QCOMPARE(ContactMerge::merge(db, request).value(), ContactMerge::Outcome::Merged);
            break;
        }
        case Write::Restore:
            QVERIFY(Backup::restore(db, copy, QDate(2026, 12, 7)));
            break;
        case Write::Other: {
            Database other;
            QVERIFY(other.open(m_book->path()));
            QVERIFY(
                other.exec(u"UPDATE Vardelin_Contact SET Name = '王明' WHERE ID = ?"_s, {wang}));
            break;
        }
        }
        QCOMPARE(found(db, keyword, userId), names);
        // The rows read by ID hide a contact deleted since, but not from the structure itself.
        const auto matches = SearchStructure::matches(db, keyword);
        QVERIFY(matches);
        QCOMPARE(matches.value(), searchTableIds(db, keyword));
    }

private:
    std::optional<TestDatabase> m_book;
};

QTEST_GUILESS_MAIN(TestSearchStructure)
#include "tst_searchstructure.moc"
