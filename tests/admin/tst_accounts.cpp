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

private slots:
    void init() { QVERIFY(book.emplace(TestDatabase::backendOfRow()).ok()); }

    // On admin, 张三 and 李四. Names are compared as the login looks them up: in any letter case.
    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("stored");
        const QString all = u"admin 张三 李四"_s, taken = u"此用户已经存在，不能重复添加！"_s,
                      used = u"此用户名已被其他用户使用，不能重命名！"_s;
        QTest::newRow("new, with a quote")
            << u"add O'Brien"_s << Outcome::Done << u""_s << all + u" O'Brien"_s;
        QTest::newRow("taken") << u"add admin"_s << Outcome::NameTaken << taken << all;
        QTest::newRow("taken in other case")
            << u"add Admin"_s << Outcome::NameTaken << taken << all;
        QTest::newRow("renamed") << u"rename 张三 张三丰"_s << Outcome::Done << u""_s
                                 << u"admin 张三丰 李四"_s;
        QTest::newRow("own name kept") << u"rename 张三 张三"_s << Outcome::Done << u""_s << all;
        QTest::newRow("another's name")
            << u"rename 张三 李四"_s << Outcome::NewNameTaken << used << all;
        QTest::newRow("deleted meanwhile")
            << u"rename 王五 赵六"_s << Outcome::Missing << u"没有此用户，不能修改！"_s << all;
        QTest::newRow("administrator") << u"remove admin 张三"_s << Outcome::IsAdministrator
                                       << u"管理员用户不能删除！"_s << all;
        QTest::newRow("the user in use") << u"remove 张三 张三"_s << Outcome::IsCurrentUser
                                         << u"当前登录的用户不能删除！"_s << all;
        QTest::newRow("another") << u"remove 李四 张三"_s << Outcome::Done << u""_s
                                 << u"admin 张三"_s;
        QTest::newRow("server, taken in other case")
            << u"add Admin"_s << Outcome::NameTaken << taken << all;
        QTest::newRow("server, another's name")
            << u"rename 张三 李四"_s << Outcome::NewNameTaken << used << all;
        QTest::newRow("server, renamed")
            << u"rename 张三 张三丰"_s << Outcome::Done << u""_s << u"admin 张三丰 李四"_s;
    }
    void commands()
    {
        QFETCH(QString, command);
        QFETCH(Outcome, outcome);
        QFETCH(QString, told);
        QFETCH(QString, stored);
        for (const QString& existing : {u"张三"_s, u"李四"_s})
            QVERIFY(Accounts::add(book->db(), existing, 0).ok());
        const qint64 li = idOf(u"李四"_s);
        const qint64 contact = book->addContact({{u"Name"_s, u"客户"_s}, {u"UID"_s, li}});
        const QStringList w = command.split(u' ');
        const auto done = w[0] == u"add" ? Accounts::add(book->db(), w[1], 0)
                          : w[0] == u"rename"
                              ? Accounts::rename(book->db(), idOf(w[1]), w[2])
                              : Accounts::remove(book->db(), idOf(w[1]), idOf(w[2]));
        QVERIFY2(done, qPrintable(done ? QString() : done.error().description));
        QCOMPARE(done.value(), outcome);
        QCOMPARE(Accounts::refusal(outcome), told);
        QCOMPARE(TestDatabase::rowsOf(book->db(), u"SELECT Name FROM Vardelin_Login ORDER BY ID"_s)
                     .join(u' '),
                 stored);
        // The contacts recorded for a deleted account stay as they were.
        QCOMPARE(book->scalar(u"SELECT UID FROM Vardelin_Contact WHERE ID = ?"_s, {contact})
                     .toLongLong(),
                 li);
    }

    // Another program adds the same name in a transaction still open: this add waits for it
    // (here it gives up, told the book is busy) instead of adding the name a second time.
    void oneNameIsNeverAddedTwice_data() { TestDatabase::addBackendRows(); }
    void oneNameIsNeverAddedTwice()
    {
        QVERIFY(TestDatabase::waitBriefly(book->db()));
        Database colleague;
        QVERIFY(colleague.open(book->path()));
        QVERIFY(TestDatabase::beginWrite(colleague));
        QVERIFY(colleague.exec(u"INSERT INTO Vardelin_Login (Name, Pass) VALUES ('王五', '')"_s));
        QCOMPARE(Accounts::add(book->db(), u"王五"_s, 0).error().number, SqliteCode::Busy);
        QVERIFY(colleague.exec(u"COMMIT"_s));
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Login WHERE Name = '王五'"_s).toInt(),
                 1);
    }

    void aFailedWriteIsAnErrorNotAnOutcome()
    {
        book->run(u"CREATE TRIGGER NoMore BEFORE INSERT ON Vardelin_Login "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        auto added = Accounts::add(book->db(), u"张三"_s, 0);
        QVERIFY(!added.ok() && added.error().description.contains(u"refused"_s));
    }
};

QTEST_GUILESS_MAIN(TestAccounts)
#include "tst_accounts.moc"
