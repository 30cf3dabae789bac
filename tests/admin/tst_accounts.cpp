// SPDX-License-Identifier: GPL-3.0-or-later
// Adding, renaming and deleting accounts, and what each leaves stored.
#include "TestDatabase.h"

#include "admin/Accounts.h"
#include "admin/SettingsSave.h"
#include "app/LoginCheck.h"
#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAccounts : public QObject {
    Q_OBJECT

    std::optional<TestDatabase> book;

    qint64 accountCount()
    {
        return book->scalar(u"SELECT count(*) FROM Vardelin_Login"_s).toLongLong();
    }
    qint64 idOf(const QString& name)
    {
        return book->scalar(u"SELECT ID FROM Vardelin_Login WHERE Name = ?"_s, {name}).toLongLong();
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void aNewAccountStartsWith739UnderTheSuffix()
    {
        auto added = Accounts::add(book->db(), u"李明"_s, -42);
        QVERIFY(added.ok());
        QCOMPARE(added.value(), Accounts::Outcome::Done);
        const qint64 id = idOf(u"李明"_s);
        QVERIFY(id > 1);
        const QString stored =
            book->scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString();
        QCOMPARE(stored, Scramble::scramble(u"739-42"_s, QString::fromUtf16(Scramble::key)));
        QVERIFY(Scramble::matches(stored, u"739"_s, -42));
        QCOMPARE(book->scalar(u"SELECT Skin FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString(),
                 u"Silver"_s);
        QCOMPARE(book->scalar(u"SELECT Dock FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString(),
                 QString());

        auto listed = Accounts::list(book->db());
        QVERIFY(listed.ok());
        QCOMPARE(listed.value().size(), 2u);
        QCOMPARE(listed.value()[1].name, u"李明"_s);
        QCOMPARE(listed.value()[1].skin, u"Silver"_s);
    }

    void aNewAccountLogsInWith739UntilItsPasswordChanges()
    {
        const qint16 suffix = -1234;
        QVERIFY(Accounts::add(book->db(), u"李明"_s, suffix).ok());
        const auto verdict = [&](const QString& name, const QString& typed) {
            return LoginCheck::check(book->db(), name, typed, suffix).value().verdict;
        };
        QCOMPARE(verdict(u"李明"_s, u"739"_s), LoginCheck::Verdict::Accepted);
        QCOMPARE(verdict(u"李明"_s, u"7390"_s), LoginCheck::Verdict::WrongPassword);

        // A rename keeps the password; the old name opens nothing.
        const qint64 id = idOf(u"李明"_s);
        QVERIFY(Accounts::rename(book->db(), id, u"李'明"_s).ok());
        QCOMPARE(verdict(u"李'明"_s, u"739"_s), LoginCheck::Verdict::Accepted);
        QCOMPARE(verdict(u"李明"_s, u"739"_s), LoginCheck::Verdict::NoSuchUser);

        // A password whose stored form holds U+0000, U+0001 and a quote.
        SettingsChange change;
        change.newPassword = u"TnQ"_s;
        change.userId = id;
        change.suffix = suffix;
        QVERIFY(SettingsSave::save(book->db(), change));
        QCOMPARE(verdict(u"李'明"_s, u"TnQ"_s), LoginCheck::Verdict::Accepted);
        QCOMPARE(verdict(u"李'明"_s, u"739"_s), LoginCheck::Verdict::WrongPassword);
        // The administrator's own password is untouched.
        QCOMPARE(verdict(u"admin"_s, u"TnQ"_s), LoginCheck::Verdict::WrongPassword);
    }

    void aNameIsTakenOnceAndQuotesAreJustCharacters()
    {
        QCOMPARE(Accounts::add(book->db(), u"O'Brien"_s, 0).value(), Accounts::Outcome::Done);
        QCOMPARE(Accounts::add(book->db(), u"O'Brien"_s, 0).value(), Accounts::Outcome::NameTaken);
        QCOMPARE(Accounts::add(book->db(), u"admin"_s, 0).value(), Accounts::Outcome::NameTaken);
        // The login finds a name in any letter case, so a second spelling is the same name.
        QCOMPARE(Accounts::add(book->db(), u"Admin"_s, 0).value(), Accounts::Outcome::NameTaken);
        QCOMPARE(Accounts::add(book->db(), u"o'brien"_s, 0).value(), Accounts::Outcome::NameTaken);
        QCOMPARE(accountCount(), 2);
        QCOMPARE(Accounts::refusal(Accounts::Outcome::NameTaken),
                 u"此用户已经存在，不能重复添加！"_s);
    }

    void renameChangesOnlyTheNameAndKeepsNamesUnique()
    {
        QVERIFY(Accounts::add(book->db(), u"张三"_s, 7).ok());
        QVERIFY(Accounts::add(book->db(), u"李四"_s, 7).ok());
        const qint64 zhang = idOf(u"张三"_s);
        book->run(u"UPDATE Vardelin_Login SET Skin = 'Black', Dock = 'layout' WHERE ID = ?"_s,
                  {zhang});
        const QVariant pass =
            book->scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = ?"_s, {zhang});

        QCOMPARE(Accounts::rename(book->db(), zhang, u"张三丰"_s).value(), Accounts::Outcome::Done);
        QCOMPARE(idOf(u"张三丰"_s), zhang);
        QCOMPARE(
            book->scalar(u"SELECT Pass || Skin || Dock FROM Vardelin_Login WHERE ID = ?"_s, {zhang})
                .toString(),
            pass.toString() + u"Blacklayout"_s);
        // Keeping one's own name is no clash.
        QCOMPARE(Accounts::rename(book->db(), zhang, u"张三丰"_s).value(), Accounts::Outcome::Done);

        // Another account's name would make the login's lookup ambiguous.
        QCOMPARE(Accounts::rename(book->db(), zhang, u"李四"_s).value(),
                 Accounts::Outcome::NewNameTaken);
        QCOMPARE(Accounts::rename(book->db(), zhang, u"admin"_s).value(),
                 Accounts::Outcome::NewNameTaken);
        QCOMPARE(Accounts::rename(book->db(), zhang, u"ADMIN"_s).value(),
                 Accounts::Outcome::NewNameTaken);
        QCOMPARE(idOf(u"张三丰"_s), zhang);
        // Told in its own words, not as a refused add.
        QCOMPARE(Accounts::refusal(Accounts::Outcome::NewNameTaken),
                 u"此用户名已被其他用户使用，不能重命名！"_s);

        QCOMPARE(Accounts::rename(book->db(), 999, u"王五"_s).value(), Accounts::Outcome::Missing);
        QCOMPARE(idOf(u"王五"_s), 0);
    }

    void theAdministratorAndTheUserInUseCannotBeDeleted()
    {
        QVERIFY(Accounts::add(book->db(), u"张三"_s, 0).ok());
        QVERIFY(Accounts::add(book->db(), u"李四"_s, 0).ok());
        const qint64 zhang = idOf(u"张三"_s);
        const qint64 li = idOf(u"李四"_s);
        const qint64 contact = book->addContact({{u"Name"_s, u"客户"_s}, {u"UID"_s, li}});

        QCOMPARE(Accounts::remove(book->db(), 1, 1).value(), Accounts::Outcome::IsAdministrator);
        QCOMPARE(Accounts::remove(book->db(), 1, zhang).value(),
                 Accounts::Outcome::IsAdministrator);
        QCOMPARE(Accounts::remove(book->db(), zhang, zhang).value(),
                 Accounts::Outcome::IsCurrentUser);
        QCOMPARE(accountCount(), 3);

        QCOMPARE(Accounts::remove(book->db(), li, zhang).value(), Accounts::Outcome::Done);
        QCOMPARE(accountCount(), 2);
        QCOMPARE(idOf(u"李四"_s), 0);
        // The contacts recorded for the account stay as they were.
        QCOMPARE(book->scalar(u"SELECT UID FROM Vardelin_Contact WHERE ID = ?"_s, {contact})
                     .toLongLong(),
                 li);
        QVERIFY(!Accounts::refusal(Accounts::Outcome::IsAdministrator).isEmpty());
        QVERIFY(!Accounts::refusal(Accounts::Outcome::IsCurrentUser).isEmpty());
    }

    void aFailedWriteIsAnErrorNotAnOutcome()
    {
        book->run(u"CREATE TRIGGER NoMore BEFORE INSERT ON Vardelin_Login "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        auto added = Accounts::add(book->db(), u"张三"_s, 0);
        QVERIFY(!added.ok());
        QVERIFY(added.error().description.contains(u"refused"_s));
        QCOMPARE(accountCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAccounts)
#include "tst_accounts.moc"
