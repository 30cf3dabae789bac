// SPDX-License-Identifier: GPL-3.0-or-later
// Adding, renaming and deleting accounts, and what each leaves stored.
#include "TestDatabase.h"

#include "admin/Accounts.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Outcome = Accounts::Outcome;

class TestAccounts : public QObject {
    Q_OBJECT

    std::optional<TestDatabase> book;
    qint64 idOf(const QString& name)
    {
        return book->scalar(u"SELECT ID FROM Vardelin_Login WHERE Name = ?"_s, {name}).toLongLong();
    }
    int count() { return book->scalar(u"SELECT count(*) FROM Vardelin_Login"_s).toInt(); }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    // Names are compared as the login looks them up: in any letter case.
    void namesStayUnique_data()
    {
        QTest::addColumn<QString>("renamed"); // empty: add the name instead
        QTest::addColumn<QString>("name");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("told");
        QTest::newRow("new, with a quote") << u""_s << u"O'Brien"_s << Outcome::Done << u""_s;
        QTest::newRow("taken") << u""_s << u"admin"_s << Outcome::NameTaken
                               << u"此用户已经存在，不能重复添加！"_s;
        QTest::newRow("taken in other case")
            << u""_s << u"Admin"_s << Outcome::NameTaken << u"此用户已经存在，不能重复添加！"_s;
        QTest::newRow("own name kept") << u"张三"_s << u"张三"_s << Outcome::Done << u""_s;
        QTest::newRow("another's name") << u"张三"_s << u"李四"_s << Outcome::NewNameTaken
                                        << u"此用户名已被其他用户使用，不能重命名！"_s;
        QTest::newRow("another's, other case") << u"张三"_s << u"ADMIN"_s << Outcome::NewNameTaken
                                               << u"此用户名已被其他用户使用，不能重命名！"_s;
        QTest::newRow("deleted meanwhile")
            << u"王五"_s << u"赵六"_s << Outcome::Missing << u"没有此用户，不能修改！"_s;
    }
    void namesStayUnique()
    {
        QFETCH(QString, renamed);
        QFETCH(QString, name);
        QFETCH(Outcome, outcome);
        QFETCH(QString, told);
        for (const QString& existing : {u"张三"_s, u"李四"_s})
            QVERIFY(Accounts::add(book->db(), existing, 0).ok());
        const int before = count();
        const auto done = renamed.isEmpty() ? Accounts::add(book->db(), name, 0)
                                            : Accounts::rename(book->db(), idOf(renamed), name);
        QCOMPARE(done.value(), outcome);
        QCOMPARE(Accounts::refusal(outcome), told);
        QCOMPARE(count(), before + (renamed.isEmpty() && outcome == Outcome::Done ? 1 : 0));
    }

    void removal_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("current");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("told");
        QTest::newRow("administrator")
            << u"admin"_s << u"张三"_s << Outcome::IsAdministrator << u"管理员用户不能删除！"_s;
        QTest::newRow("the user in use")
            << u"张三"_s << u"张三"_s << Outcome::IsCurrentUser << u"当前登录的用户不能删除！"_s;
        QTest::newRow("another") << u"李四"_s << u"张三"_s << Outcome::Done << u""_s;
    }
    void removal()
    {
        QFETCH(QString, removed);
        QFETCH(QString, current);
        QFETCH(Outcome, outcome);
        QFETCH(QString, told);
        for (const QString& existing : {u"张三"_s, u"李四"_s})
            QVERIFY(Accounts::add(book->db(), existing, 0).ok());
        const qint64 id = idOf(removed);
        const qint64 contact = book->addContact({{u"Name"_s, u"客户"_s}, {u"UID"_s, id}});
        QCOMPARE(Accounts::remove(book->db(), id, idOf(current)).value(), outcome);
        QCOMPARE(Accounts::refusal(outcome), told);
        QCOMPARE(idOf(removed) == id, outcome != Outcome::Done);
        QCOMPARE(count(), outcome == Outcome::Done ? 2 : 3);
        // The contacts recorded for the account stay as they were.
        QCOMPARE(book->scalar(u"SELECT UID FROM Vardelin_Contact WHERE ID = ?"_s, {contact})
                     .toLongLong(),
                 id);
    }

    void aFailedWriteIsAnErrorNotAnOutcome()
    {
        book->run(u"CREATE TRIGGER NoMore BEFORE INSERT ON Vardelin_Login "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        auto added = Accounts::add(book->db(), u"张三"_s, 0);
        QVERIFY(!added.ok() && added.error().description.contains(u"refused"_s));
        QCOMPARE(count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAccounts)
#include "tst_accounts.moc"
