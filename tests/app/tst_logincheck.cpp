// SPDX-License-Identifier: GPL-3.0-or-later
// The login decision: which name and password open which account.
#include "TestDatabase.h"

#include "app/LoginCheck.h"
#include "db/InitialData.h"
#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;
using LoginCheck::Verdict;

namespace {

// Against the key "Tov...": 'T' ^ 'T' is NUL, ('\'' ^ 'o') ^ 'o' a quote, 'w' ^ 'v' is 1.
QString oddPassword()
{
    return u"T"_s + QChar(u'\'' ^ u'o') + u"w"_s;
}

} // namespace

class TestLoginCheck : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_data.reset(); }

    void passwordAccepted_data();
    void passwordAccepted();
    void check_data();
    void check();
    void failedReadIsAnErrorNotANoSuchUser();

private:
    std::unique_ptr<TestDatabase> m_data;
};

// Accounts 2 to 10 beside the administrator (1), as the rows of check() name them.
void TestLoginCheck::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    const QString odd = Scramble::storedPassword(oddPassword(), 2024);
    QVERIFY(odd.contains(QChar(0)) && odd.contains(QChar(1)) && odd.contains(u'\''));
    const auto scrambled = [](const char* password) {
        return QVariant(Scramble::storedPassword(QString::fromUtf8(password), 2024));
    };
    const QList<std::pair<QString, QVariant>> accounts{
        {u"小王"_s, scrambled("123")},
        {u"无密码 null"_s, QVariant(QMetaType(QMetaType::QString))},
        {u"无密码 empty"_s, QVariant(u""_s)},
        {u"无密码 bare suffix"_s, scrambled("")},
        {u"重名"_s, scrambled("a")},
        {u"重名"_s, scrambled("b")},
        {u"Tom"_s, scrambled("a")},
        {u"tom"_s, scrambled("b")},
        {u"怪"_s, odd}};
    for (const auto& [name, pass] : accounts)
        m_data->run(u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, ?, ?, ?)"_s,
                    {name, pass, u"Black"_s, QString(u"layout "_s + name)});
    QCOMPARE(m_data->scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = 10"_s).toString(), odd);
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

void TestLoginCheck::check_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("suffix");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("account"); // its ID when accepted
    const int root = InitialData::rootNumber;
    const QString admin = QString::fromUtf16(InitialData::adminPassword);
    const auto row = [](const char* what, const QString& name, const QString& typed, int suffix,
                        Verdict verdict, int account = 0) {
        QTest::newRow(what) << name << typed << suffix << int(verdict) << account;
    };
    row("new book's administrator", u"admin"_s, admin, root, Verdict::Accepted, 1);
    row("right password", u"小王"_s, u"123"_s, 2024, Verdict::Accepted, 2);
    row("wrong password", u"小王"_s, u"12"_s, 2024, Verdict::WrongPassword);
    row("unknown name", u"小李"_s, u"123"_s, 2024, Verdict::NoSuchUser);
    row("the book's suffix changed", u"小王"_s, u"123"_s, 31, Verdict::WrongPassword);
    // The name is bound: any character is just text, and nothing but the whole name matches.
    for (const QString& typed :
         {u"admin'"_s, u"' OR '1'='1"_s, u"admin'--"_s, u"adm%"_s, u"admin "_s, QString()})
        row(qPrintable(u"name "_s + typed), typed, admin, root, Verdict::NoSuchUser);
    // Neither nothing, nor the suffix itself, nor anything else opens an account without one.
    for (const QString& name : {u"无密码 null"_s, u"无密码 empty"_s, u"无密码 bare suffix"_s}) {
        for (const QString& typed : {QString(), u"2024"_s, u"x"_s})
            row(qPrintable(name + u" typed "_s + typed), name, typed, 2024, Verdict::WrongPassword);
    }
    row("quote and control characters scrambled", u"怪"_s, oddPassword(), 2024, Verdict::Accepted,
        10);
    // Of two accounts of one name the older opens; the younger's password is wrong.
    row("shared name, older", u"重名"_s, u"a"_s, 2024, Verdict::Accepted, 6);
    row("shared name, younger", u"重名"_s, u"b"_s, 2024, Verdict::WrongPassword);
    // Case does not tell names apart; two an earlier build let differ only in case each open
    // with their own spelling, the older with any other.
    row("case, administrator", u"ADMIN"_s, admin, root, Verdict::Accepted, 1);
    row("case, own spelling", u"tom"_s, u"b"_s, 2024, Verdict::Accepted, 9);
    row("case, older's spelling", u"Tom"_s, u"a"_s, 2024, Verdict::Accepted, 8);
    row("case, other spelling", u"TOM"_s, u"a"_s, 2024, Verdict::Accepted, 8);
}

void TestLoginCheck::check()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(int, suffix);
    QFETCH(int, verdict);
    QFETCH(int, account);
    auto outcome = LoginCheck::check(m_data->db(), name, typed, qint16(suffix));
    QVERIFY(outcome);
    QCOMPARE(int(outcome.value().verdict), verdict);
    QCOMPARE(outcome.value().account.has_value(), account != 0);
    if (account == 0)
        return;
    QCOMPARE(outcome.value().account->id, account);
    const auto stored = m_data->scalar(
        u"SELECT COALESCE(Skin, '') || '|' || COALESCE(Dock, '') FROM Vardelin_Login WHERE ID = ?"_s,
        {account});
    QCOMPARE(outcome.value().account->skin + u'|' + outcome.value().account->dock,
             stored.toString());
}

void TestLoginCheck::failedReadIsAnErrorNotANoSuchUser()
{
    m_data->run(u"ALTER TABLE Vardelin_Login RENAME TO Vardelin_Login_Gone"_s);
    auto outcome = LoginCheck::check(m_data->db(), u"admin"_s, u"admin"_s, InitialData::rootNumber);
    QVERIFY(!outcome);
    QVERIFY(!outcome.error().description.isEmpty());
}

QTEST_GUILESS_MAIN(TestLoginCheck)
#include "tst_logincheck.moc"
