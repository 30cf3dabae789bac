// SPDX-License-Identifier: GPL-3.0-or-later
// What confirming the settings window checks and writes, all in one transaction.
#include "TestDatabase.h"

#include "admin/ColumnSettings.h"
#include "admin/PasswordChange.h"
#include "admin/SettingsSave.h"
#include "db/Scramble.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSettingsSave : public QObject {
    Q_OBJECT

    std::optional<TestDatabase> book;
    // Every column row's Width/Seq/IsDisplay, the login option and the password.
    QString settingsNow()
    {
        return book
            ->scalar(u"SELECT group_concat(Width || '/' || Seq || '/' || IsDisplay, ' ') || "
                     "(SELECT IsLogin || Pass FROM Vardelin_System, Vardelin_Login WHERE "
                     "Vardelin_Login.ID = 1) FROM "
                     "(SELECT * FROM Vardelin_Alias ORDER BY ID)"_s)
            .toString();
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void widthsAndOrdersArePlainWholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -1: refused
        QTest::newRow("leading zeros") << u"007"_s << 7;
        QTest::newRow("minus") << u"-3"_s << -3;
        QTest::newRow("nine digits") << u"999999999"_s << 999999999;
        for (const QString& refused : {u""_s, u"-"_s, u"1.5"_s, u" 5"_s, u"+5"_s, u"１２"_s, u"٣"_s,
                                       u"1234567890"_s, u"--1"_s})
            QTest::addRow("refused '%s'", qPrintable(refused)) << refused << -1;
    }
    void widthsAndOrdersArePlainWholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(ColumnSettings::wholeNumber(text).value_or(-1), value);
    }

    // A flag stored as text counts as the word says, and is written back as a number.
    void columnRowsComeBackAsWritten()
    {
        book->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'false' WHERE Name = 'C.Name'"_s);
        book->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'TRUE' WHERE Name = 'C.Py'"_s);
        std::vector<ColumnSetting> columns = ColumnSettings::read(book->db()).value();
        QVERIFY(!columns[0].shown && columns[1].shown);
        columns[0] = {columns[0].id, u"名 '字"_s, 55, 9, true, columns[0].readAs};
        QVERIFY(book->db().transaction([&] { return ColumnSettings::write(book->db(), columns); }));
        const ColumnSetting back = ColumnSettings::read(book->db()).value()[0];
        QCOMPARE(u"%1/%2/%3/%4"_s.arg(back.caption).arg(back.width).arg(back.seq).arg(back.shown),
                 u"名 '字/55/9/1"_s);
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Alias WHERE typeof(IsDisplay) <> "
                              "'integer' OR typeof(Width) <> 'integer'"_s)
                     .toInt(),
                 0);
    }

    // Each flag into its own column; the last round finds the row deleted by another program.
    void optionsAreWrittenOneByOne()
    {
        for (int round = 0; round < 7; ++round) {
            const int which = round % 6 + (round == 6 ? 2 : 0);
            if (round == 6)
                book->run(u"DELETE FROM Vardelin_System"_s);
            SystemOptions options;
            bool* flags[] = {&options.isLogin, &options.isAllUser, &options.isExpanded,
                             &options.isZip,   &options.isMax,     &options.isTop};
            *flags[which] = true;
            QVERIFY(SettingsSave::writeOptions(book->db(), options));
            QString expected = u"1:000000"_s;
            expected[2 + which] = u'1';
            QCOMPARE(book->scalar(u"SELECT group_concat(ID) || ':' || IsLogin || IsAllUser || "
                                  "IsExpanded || IsZip || IsMax || IsTop FROM Vardelin_System"_s)
                         .toString(),
                     expected);
        }
    }

    // The checks come in the order the user is told. current "-": the account was not found.
    void passwordRefusals_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("typed"); // old|new|confirmation
        QTest::addColumn<QString>("refusal");
        const QString wrongOld = u"原密码不正确！"_s,
                      plane = u"新密码不能包含表情符号或生僻字，请修改！"_s;
        QTest::newRow("wrong old") << u"secret2024"_s << u"wrong||x"_s << wrongOld;
        QTest::newRow("case counts") << u"secret2024"_s << u"Secret|n|n"_s << wrongOld;
        QTest::newRow("other suffix") << u"secret2025"_s << u"secret|n|n"_s << wrongOld;
        QTest::newRow("no account") << u"-"_s << u"|n|n"_s << wrongOld;
        QTest::newRow("empty new") << u"secret2024"_s << u"secret||x"_s << u"新密码不能为空！"_s;
        QTest::newRow("emoji") << u"secret2024"_s << u"secret|pw😀|pw😀"_s << plane;
        QTest::newRow("unconfirmed")
            << u"secret2024"_s << u"secret|new|New"_s << u"两次新密码不一致！"_s;
        QTest::newRow("accepted") << u"secret2024"_s << u"secret|新|新"_s << u""_s;
    }
    void passwordRefusals()
    {
        QFETCH(QString, current);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        const QStringList t = typed.split(u'|');
        const auto refused = PasswordChange::refusal(
            current == u"-"_s ? std::nullopt : std::optional(current), {t[0], t[1], t[2]}, 2024);
        QCOMPARE(refused.value_or(QString()), refusal);
    }

    // Saved through the settings, or left by older programs as null or empty: then the suffix
    // alone comes back. "TnQ" scrambles to U+0000, U+0001 and a quote; "Tovarsek@#" to zeros.
    void passwordsComeBackWithTheirSuffix_data()
    {
        QTest::addColumn<QVariant>("password");
        QTest::addColumn<qint64>("account");
        QTest::newRow("zero, control, quote") << QVariant(u"TnQ"_s) << 1ll;
        QTest::newRow("all zeros") << QVariant(u"Tovarsek@#"_s) << 1ll;
        QTest::newRow("quotes, long") << QVariant(u"a'b\"c';--abcdefghijklm"_s) << 1ll;
        QTest::newRow("null") << QVariant() << 1ll;
        QTest::newRow("empty") << QVariant(u""_s) << 1ll;
        QTest::newRow("no account") << QVariant(u""_s) << 77ll;
    }
    void passwordsComeBackWithTheirSuffix()
    {
        QFETCH(QVariant, password);
        QFETCH(qint64, account);
        SettingsChange change;
        change.newPassword = password.toString();
        change.userId = 1;
        change.suffix = 31;
        if (password.toString().isEmpty())
            book->run(u"UPDATE Vardelin_Login SET Pass = ? WHERE ID = 1"_s, {password});
        else
            QVERIFY(SettingsSave::save(book->db(), change));
        QCOMPARE(PasswordChange::currentPlain(book->db(), account, 31).value().value_or(u"-"_s),
                 account == 1 ? password.toString() + u"31"_s : u"-"_s);
    }

    // The options are written last: everything before them goes back.
    void aFailureAnywhereWritesNothing()
    {
        const QString before = settingsNow();
        book->run(u"CREATE TRIGGER Refuse BEFORE UPDATE ON Vardelin_System "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s);
        SettingsChange change;
        change.newPassword = u"changed"_s;
        change.userId = 1;
        change.columns = ColumnSettings::read(book->db()).value();
        change.columns[0].width += 1;
        change.columns[1].shown = !change.columns[1].shown;
        change.options.isLogin = true;
        const auto saved = SettingsSave::save(book->db(), change);
        QVERIFY(!saved.ok() && saved.error().description.contains(u"refused"_s));
        QCOMPARE(settingsNow(), before);
    }
};

QTEST_GUILESS_MAIN(TestSettingsSave)
#include "tst_settingssave.moc"
