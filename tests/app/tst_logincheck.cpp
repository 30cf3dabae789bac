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
    void cleanup() { m_data.reset(); }

    // Accounts 2 to 10 beside the administrator (1), as the rows of check() name them.
    void init()
    {
        m_data = std::make_unique<TestDatabase>(TestDatabase::backendOfRow());
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
        for (const auto& [name, pass] : accounts) {
            // A server stores no U+0000: that account is left out there.
            if (m_data->db().backend() == Backend::Server && name == u"怪"_s)
                continue;
            m_data->run(
                u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, ?, ?, ?)"_s,
                {name, pass, u"Black"_s, QString(u"layout "_s + name)});
        }
    }

    void check_data()
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
        // The suffix is text appended to the password: "1232" + "24" is not "123" + "2024".
        row("suffix digits moved", u"小王"_s, u"1232"_s, 24, Verdict::WrongPassword);
        row("password case counts", u"Tom"_s, u"A"_s, 2024, Verdict::WrongPassword);
        // The name is bound: any character is just text, and nothing but the whole name matches.
        for (const QString& typed :
             {u"admin'"_s, u"' OR '1'='1"_s, u"admin'--"_s, u"adm%"_s, u"admin "_s, QString()})
            row(qPrintable(u"name "_s + typed), typed, admin, root, Verdict::NoSuchUser);
        // Neither nothing, nor the suffix itself, nor anything else opens an account without one.
        for (const QString& name : {u"无密码 null"_s, u"无密码 empty"_s, u"无密码 bare suffix"_s}) {
            for (const QString& typed : {QString(), u"2024"_s, u"x"_s})
                row(qPrintable(name + u" typed "_s + typed), name, typed, 2024,
                    Verdict::WrongPassword);
        }
        row("quote and control characters scrambled", u"怪"_s, oddPassword(), 2024,
            Verdict::Accepted, 10);
        // Of two accounts of one name the older opens; the younger's password is wrong.
        row("shared name, older", u"重名"_s, u"a"_s, 2024, Verdict::Accepted, 6);
        row("shared name, younger", u"重名"_s, u"b"_s, 2024, Verdict::WrongPassword);
        // Case does not tell names apart; two an earlier build let differ only in case each open
        // with their own spelling, the older with any other.
        row("case, administrator", u"ADMIN"_s, admin, root, Verdict::Accepted, 1);
        row("case, own spelling", u"tom"_s, u"b"_s, 2024, Verdict::Accepted, 9);
        row("case, older's spelling", u"Tom"_s, u"a"_s, 2024, Verdict::Accepted, 8);
        row("case, other spelling", u"TOM"_s, u"a"_s, 2024, Verdict::Accepted, 8);
        // The same look-up on a server, whose statements name the same collation.
        row("server, right password", u"小王"_s, u"123"_s, 2024, Verdict::Accepted, 2);
        row("server, unknown name", u"小李"_s, u"123"_s, 2024, Verdict::NoSuchUser);
        row("server, case, administrator", u"ADMIN"_s, admin, root, Verdict::Accepted, 1);
        row("server, case, own spelling", u"tom"_s, u"b"_s, 2024, Verdict::Accepted, 9);
        row("server, case, other spelling", u"TOM"_s, u"a"_s, 2024, Verdict::Accepted, 8);
    }

    void check()
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

private:
    std::unique_ptr<TestDatabase> m_data;
};

QTEST_GUILESS_MAIN(TestLoginCheck)
#include "tst_logincheck.moc"
