// SPDX-License-Identifier: GPL-3.0-or-later
// The login decision: which name and password open which account.
#include "TestDatabase.h"

#include "app/LoginCheck.h"
#include "db/InitialData.h"
#include "db/Scramble.h"

#include <QTest>

#include <tuple>

using LoginCheck::Verdict;

class TestLoginCheck : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void passwordAccepted_data();
    void passwordAccepted();
    void newBookOpensForTheAdministrator();
    void unknownNameAndWrongPasswordAreTold();
    void nameIsMatchedExactlyAsText_data();
    void nameIsMatchedExactlyAsText();
    void accountWithoutPasswordIsRefused_data();
    void accountWithoutPasswordIsRefused();
    void newSuffixTurnsOldPasswordsAway();
    void scrambledQuotesAndControlCharactersMatch();
    void twoAccountsOfOneNameOpenTheOlder();
    void letterCaseDoesNotTellNamesApart();
    void failedReadIsAnErrorNotANoSuchUser();

private:
    qint64 addAccount(const QString& name, const QVariant& pass, const QString& skin = {},
                      const QString& dock = {});

    std::unique_ptr<TestDatabase> m_data;
};

void TestLoginCheck::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
}

void TestLoginCheck::cleanup()
{
    m_data.reset();
}

qint64 TestLoginCheck::addAccount(const QString& name, const QVariant& pass, const QString& skin,
                                  const QString& dock)
{
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) "
                               "VALUES (?, ?, ?, ?)"),
                {name, pass, skin, dock});
    return m_data->scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
}

void TestLoginCheck::passwordAccepted_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("suffix");
    QTest::addColumn<bool>("accepted");

    const QString stored739 = Scramble::storedPassword(QStringLiteral("739"), 2024);
    QTest::newRow("right") << QVariant(stored739) << QStringLiteral("739") << 2024 << true;
    QTest::newRow("wrong") << QVariant(stored739) << QStringLiteral("738") << 2024 << false;
    QTest::newRow("empty typed") << QVariant(stored739) << QString() << 2024 << false;
    QTest::newRow("other suffix") << QVariant(stored739) << QStringLiteral("739") << 2025 << false;
    // The suffix is text appended to the password: "73" + "92024" is not "739" + "2024".
    QTest::newRow("suffix digits moved")
        << QVariant(stored739) << QStringLiteral("7392") << 24 << false;
    QTest::newRow("negative suffix") << QVariant(Scramble::storedPassword(QStringLiteral("pw"), -7))
                                     << QStringLiteral("pw") << -7 << true;
    QTest::newRow("case counts") << QVariant(Scramble::storedPassword(QStringLiteral("Abc"), 5))
                                 << QStringLiteral("abc") << 5 << false;
    QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << QString() << 2024 << false;
    QTest::newRow("bare suffix scrambled")
        << QVariant(Scramble::storedPassword(QString(), 2024)) << QString() << 2024 << false;
    QTest::newRow("empty text") << QVariant(QStringLiteral("")) << QString() << 2024 << false;
}

void TestLoginCheck::passwordAccepted()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, typed);
    QFETCH(int, suffix);
    QFETCH(bool, accepted);
    QCOMPARE(LoginCheck::passwordAccepted(stored, typed, qint16(suffix)), accepted);
}

void TestLoginCheck::newBookOpensForTheAdministrator()
{
    auto outcome =
        LoginCheck::check(m_data->db(), QStringLiteral("admin"),
                          QString::fromUtf16(InitialData::adminPassword), InitialData::rootNumber);
    QVERIFY(outcome);
    QCOMPARE(outcome.value().verdict, Verdict::Accepted);
    QVERIFY(outcome.value().account);
    QCOMPARE(outcome.value().account->id, 1);
    QCOMPARE(outcome.value().account->skin, QStringLiteral("Silver"));
}

void TestLoginCheck::unknownNameAndWrongPasswordAreTold()
{
    const qint64 id =
        addAccount(QStringLiteral("小王"), Scramble::storedPassword(QStringLiteral("123"), 2024),
                   QStringLiteral("Black"), QStringLiteral("layout"));

    auto unknown =
        LoginCheck::check(m_data->db(), QStringLiteral("小李"), QStringLiteral("123"), 2024);
    QVERIFY(unknown);
    QCOMPARE(unknown.value().verdict, Verdict::NoSuchUser);
    QVERIFY(!unknown.value().account);

    auto wrong =
        LoginCheck::check(m_data->db(), QStringLiteral("小王"), QStringLiteral("12"), 2024);
    QVERIFY(wrong);
    QCOMPARE(wrong.value().verdict, Verdict::WrongPassword);
    QVERIFY(!wrong.value().account);

    auto right =
        LoginCheck::check(m_data->db(), QStringLiteral("小王"), QStringLiteral("123"), 2024);
    QVERIFY(right);
    QCOMPARE(right.value().verdict, Verdict::Accepted);
    QCOMPARE(right.value().account->id, id);
    QCOMPARE(right.value().account->skin, QStringLiteral("Black"));
    QCOMPARE(right.value().account->dock, QStringLiteral("layout"));
}

void TestLoginCheck::nameIsMatchedExactlyAsText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("quote") << QStringLiteral("admin'");
    QTest::newRow("injection") << QStringLiteral("' OR '1'='1");
    QTest::newRow("comment") << QStringLiteral("admin'--");
    QTest::newRow("wildcard") << QStringLiteral("adm%");
    QTest::newRow("trailing blank") << QStringLiteral("admin ");
    QTest::newRow("empty") << QString();
}

void TestLoginCheck::nameIsMatchedExactlyAsText()
{
    QFETCH(QString, typed);
    auto outcome =
        LoginCheck::check(m_data->db(), typed, QString::fromUtf16(InitialData::adminPassword),
                          InitialData::rootNumber);
    QVERIFY(outcome);
    QCOMPARE(outcome.value().verdict, Verdict::NoSuchUser);
}

void TestLoginCheck::accountWithoutPasswordIsRefused_data()
{
    QTest::addColumn<QVariant>("pass");
    QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString));
    QTest::newRow("empty text") << QVariant(QStringLiteral(""));
    QTest::newRow("bare suffix") << QVariant(Scramble::storedPassword(QString(), 2024));
}

void TestLoginCheck::accountWithoutPasswordIsRefused()
{
    QFETCH(QVariant, pass);
    addAccount(QStringLiteral("无密码"), pass);
    // Neither nothing, nor the suffix itself, nor anything else opens it.
    for (const QString& typed : {QString(), QStringLiteral("2024"), QStringLiteral("x")}) {
        auto outcome = LoginCheck::check(m_data->db(), QStringLiteral("无密码"), typed, 2024);
        QVERIFY(outcome);
        QCOMPARE(outcome.value().verdict, Verdict::WrongPassword);
    }
}

void TestLoginCheck::newSuffixTurnsOldPasswordsAway()
{
    addAccount(QStringLiteral("小王"), Scramble::storedPassword(QStringLiteral("123"), 2024));
    auto before =
        LoginCheck::check(m_data->db(), QStringLiteral("小王"), QStringLiteral("123"), 2024);
    QVERIFY(before);
    QCOMPARE(before.value().verdict, Verdict::Accepted);
    auto after = LoginCheck::check(m_data->db(), QStringLiteral("小王"), QStringLiteral("123"), 31);
    QVERIFY(after);
    QCOMPARE(after.value().verdict, Verdict::WrongPassword);
}

void TestLoginCheck::scrambledQuotesAndControlCharactersMatch()
{
    // Against the key "Tov...": 'T' ^ 'T' is NUL, ('\'' ^ 'o') ^ 'o' a quote, 'w' ^ 'v' is 1.
    const QString password = QStringLiteral("T") + QChar(u'\'' ^ u'o') + QStringLiteral("w");
    const QString stored = Scramble::storedPassword(password, 2024);
    QVERIFY(stored.contains(QChar(0)));
    QVERIFY(stored.contains(QChar(1)));
    QVERIFY(stored.contains(u'\''));
    addAccount(QStringLiteral("怪"), stored);
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT Pass FROM Vardelin_Login WHERE Name = ?"),
                          {QStringLiteral("怪")})
                 .toString(),
             stored);
    auto outcome = LoginCheck::check(m_data->db(), QStringLiteral("怪"), password, 2024);
    QVERIFY(outcome);
    QCOMPARE(outcome.value().verdict, Verdict::Accepted);
}

void TestLoginCheck::twoAccountsOfOneNameOpenTheOlder()
{
    const qint64 older =
        addAccount(QStringLiteral("重名"), Scramble::storedPassword(QStringLiteral("a"), 2024));
    addAccount(QStringLiteral("重名"), Scramble::storedPassword(QStringLiteral("b"), 2024));
    auto first = LoginCheck::check(m_data->db(), QStringLiteral("重名"), QStringLiteral("a"), 2024);
    QVERIFY(first);
    QCOMPARE(first.value().verdict, Verdict::Accepted);
    QCOMPARE(first.value().account->id, older);
    auto second =
        LoginCheck::check(m_data->db(), QStringLiteral("重名"), QStringLiteral("b"), 2024);
    QVERIFY(second);
    QCOMPARE(second.value().verdict, Verdict::WrongPassword);
}

void TestLoginCheck::letterCaseDoesNotTellNamesApart()
{
    const QString adminPassword = QString::fromUtf16(InitialData::adminPassword);
    auto upper = LoginCheck::check(m_data->db(), QStringLiteral("ADMIN"), adminPassword,
                                   InitialData::rootNumber);
    QVERIFY(upper);
    QCOMPARE(upper.value().verdict, Verdict::Accepted);
    QCOMPARE(upper.value().account->id, 1);
    // Two names an earlier build let differ only in case: each opens with its own spelling,
    // the older with any other.
    const qint64 tom =
        addAccount(QStringLiteral("Tom"), Scramble::storedPassword(QStringLiteral("a"), 2024));
    const qint64 lowerTom =
        addAccount(QStringLiteral("tom"), Scramble::storedPassword(QStringLiteral("b"), 2024));
    for (const auto& [typed, password, id] :
         {std::tuple{QStringLiteral("tom"), QStringLiteral("b"), lowerTom},
          std::tuple{QStringLiteral("Tom"), QStringLiteral("a"), tom},
          std::tuple{QStringLiteral("TOM"), QStringLiteral("a"), tom}}) {
        auto outcome = LoginCheck::check(m_data->db(), typed, password, 2024);
        QVERIFY(outcome);
        QCOMPARE(outcome.value().verdict, Verdict::Accepted);
        QCOMPARE(outcome.value().account->id, id);
    }
}

void TestLoginCheck::failedReadIsAnErrorNotANoSuchUser()
{
    m_data->run(QStringLiteral("ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"));
    auto outcome = LoginCheck::check(m_data->db(), QStringLiteral("admin"), QStringLiteral("admin"),
                                     InitialData::rootNumber);
    QVERIFY(!outcome);
    QVERIFY(!outcome.error().description.isEmpty());
}

QTEST_GUILESS_MAIN(TestLoginCheck)
#include "tst_logincheck.moc"
