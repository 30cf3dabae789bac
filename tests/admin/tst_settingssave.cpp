// SPDX-License-Identifier: GPL-3.0-or-later
// What confirming the settings window checks and writes: password, columns and
// options, all in one transaction.
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

    QString storedPass(qint64 id = 1)
    {
        return book->scalar(u"SELECT Pass FROM Vardelin_Login WHERE ID = ?"_s, {id}).toString();
    }
    // Width, Seq and IsDisplay of every column row, in ID order.
    QString aliasTable()
    {
        auto rows = book->db().query(
            u"SELECT group_concat(Width || '/' || Seq || '/' || IsDisplay, ' ') FROM "
            "(SELECT * FROM Vardelin_Alias ORDER BY ID)"_s);
        return rows.value().next() ? rows.value().value(0).toString() : QString();
    }

private slots:
    void init() { QVERIFY(book.emplace().ok()); }

    void onlyPlainWholeNumbersAreWidthsOrOrders_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << u"120"_s << true << 120;
        QTest::newRow("zero") << u"0"_s << true << 0;
        QTest::newRow("leading zeros") << u"007"_s << true << 7;
        QTest::newRow("minus") << u"-3"_s << true << -3;
        QTest::newRow("nine digits") << u"999999999"_s << true << 999999999;
        for (const QString& refused :
             {u""_s, u"-"_s, u"abc"_s, u"1.5"_s, u"1e3"_s, u"0x10"_s, u" 5"_s, u"5 "_s, u"+5"_s,
              u"１２"_s, u"٣"_s, u"1,000"_s, u"1234567890"_s, u"5; DROP TABLE X"_s, u"--1"_s})
            QTest::addRow("refused '%s'", qPrintable(refused)) << refused << false << 0;
    }

    void onlyPlainWholeNumbersAreWidthsOrOrders()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, value);
        const std::optional<int> read = ColumnSettings::wholeNumber(text);
        QCOMPARE(read.has_value(), accepted);
        if (accepted)
            QCOMPARE(*read, value);
    }

    void blankCaptionsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("Chinese") << u"姓名"_s << true;
        QTest::newRow("one letter") << u"x"_s << true;
        QTest::newRow("blanks around") << u" 手机 "_s << true;
        QTest::newRow("empty") << u""_s << false;
        QTest::newRow("blanks") << u"   "_s << false;
        QTest::newRow("ideographic space and tab") << u"\u3000\t"_s << false;
    }

    void blankCaptionsAreRefused()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(ColumnSettings::showableCaption(text), accepted);
    }

    void columnRowsComeBackAsWritten()
    {
        book->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'false' WHERE Name = 'C.Name'"_s);
        book->run(u"UPDATE Vardelin_Alias SET IsDisplay = 'TRUE' WHERE Name = 'C.Py'"_s);
        auto read = ColumnSettings::read(book->db());
        QVERIFY(read.ok());
        std::vector<ColumnSetting> columns = read.value();
        QCOMPARE(columns.size(), 44u);
        QCOMPARE(columns[0].caption, u"姓名"_s);
        QVERIFY(!columns[0].shown);
        QVERIFY(columns[1].shown);

        for (ColumnSetting& column : columns) {
            column.caption = u"列 '%1'"_s.arg(column.id);
            column.width = int(column.id) * 10;
            column.seq = 100 - int(column.id);
            column.shown = column.id % 2 == 0;
        }
        QVERIFY(book->db().transaction([&] { return ColumnSettings::write(book->db(), columns); }));
        auto again = ColumnSettings::read(book->db());
        QVERIFY(again.ok());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            QCOMPARE(again.value()[i].caption, columns[i].caption);
            QCOMPARE(again.value()[i].width, columns[i].width);
            QCOMPARE(again.value()[i].seq, columns[i].seq);
            QCOMPARE(again.value()[i].shown, columns[i].shown);
        }
        // Written as the numbers the program writes, not as text.
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Alias WHERE typeof(IsDisplay) <> "
                              "'integer' OR typeof(Width) <> 'integer'"_s)
                     .toInt(),
                 0);
    }

    void optionsAreWrittenOneByOne_data()
    {
        QTest::addColumn<int>("which");
        // rowGone: another program deleted the options row; writing it puts it back.
        QTest::addColumn<bool>("rowGone");
        for (int i = 0; i < 6; ++i)
            QTest::addRow("option %d", i) << i << false;
        QTest::newRow("option 2, row deleted meanwhile") << 2 << true;
    }

    void optionsAreWrittenOneByOne()
    {
        QFETCH(int, which);
        QFETCH(bool, rowGone);
        if (rowGone)
            book->run(u"DELETE FROM Vardelin_System"_s);
        SystemOptions options;
        bool* flags[] = {&options.isLogin, &options.isAllUser, &options.isExpanded,
                         &options.isZip,   &options.isMax,     &options.isTop};
        *flags[which] = true;
        QVERIFY(SettingsSave::writeOptions(book->db(), options));
        auto read = SystemOptions::read(book->db());
        QVERIFY(read.ok());
        const SystemOptions& back = read.value();
        const bool readFlags[] = {back.isLogin, back.isAllUser, back.isExpanded,
                                  back.isZip,   back.isMax,     back.isTop};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(readFlags[i], i == which);
        QCOMPARE(book->scalar(u"SELECT group_concat(ID) FROM Vardelin_System"_s).toString(),
                 u"1"_s);
    }

    void passwordChecksComeInOrder()
    {
        const qint16 suffix = 2024;
        const std::optional<QString> current = u"secret2024"_s;
        using Input = PasswordChange::Input;
        QCOMPARE(PasswordChange::refusal(current, Input{u"wrong"_s, u""_s, u"x"_s}, suffix),
                 u"原密码不正确！"_s);
        // Case counts, and the suffix is part of the comparison.
        QCOMPARE(PasswordChange::refusal(current, Input{u"Secret"_s, u"n"_s, u"n"_s}, suffix),
                 u"原密码不正确！"_s);
        QCOMPARE(PasswordChange::refusal(current, Input{u"secret"_s, u"n"_s, u"n"_s}, 2025),
                 u"原密码不正确！"_s);
        QCOMPARE(PasswordChange::refusal(current, Input{u"secret"_s, u""_s, u"x"_s}, suffix),
                 u"新密码不能为空！"_s);
        QCOMPARE(PasswordChange::refusal(current, Input{u"secret"_s, u"new"_s, u"New"_s}, suffix),
                 u"两次新密码不一致！"_s);
        QCOMPARE(PasswordChange::refusal(current, Input{u"secret"_s, u"new"_s, u"new"_s}, suffix),
                 std::nullopt);
        // An account that was not found refuses everything, an empty old password included.
        QCOMPARE(PasswordChange::refusal(std::nullopt, Input{u""_s, u"n"_s, u"n"_s}, suffix),
                 u"原密码不正确！"_s);
    }

    void charactersOutsideTheBasicPlaneAreRefused()
    {
        using Input = PasswordChange::Input;
        const std::optional<QString> current = u"0"_s;
        for (const QString& password : {u"pw😀"_s, u"𠀀"_s}) {
            QVERIFY(!PasswordChange::isStorable(password));
            const auto refused =
                PasswordChange::refusal(current, Input{u""_s, password, password}, 0);
            QVERIFY(refused);
            QVERIFY(refused->contains(u"新密码"_s));
        }
        // Everything in the basic plane scrambles and unscrambles cleanly.
        for (const QString& password : {u"密码abc"_s, u"it's"_s, u"\t\x7f"_s, u"\uFFFD"_s}) {
            QVERIFY(PasswordChange::isStorable(password));
            QVERIFY(Scramble::matches(Scramble::storedPassword(password, 5), password, 5));
        }
    }

    void theCurrentPasswordIsReadBackWithItsSuffix()
    {
        book->run(u"UPDATE Vardelin_Login SET Pass = ? WHERE ID = 1"_s,
                  {Scramble::storedPassword(u"TnQ"_s, 31)});
        QCOMPARE(PasswordChange::currentPlain(book->db(), 1, 31).value(), u"TnQ31"_s);
        // No password at all: the suffix digits alone, so an empty old password passes.
        book->run(u"UPDATE Vardelin_Login SET Pass = NULL WHERE ID = 1"_s);
        QCOMPARE(PasswordChange::currentPlain(book->db(), 1, -7).value(), u"-7"_s);
        book->run(u"UPDATE Vardelin_Login SET Pass = '' WHERE ID = 1"_s);
        QCOMPARE(PasswordChange::currentPlain(book->db(), 1, 0).value(), u"0"_s);
        QCOMPARE(PasswordChange::currentPlain(book->db(), 77, 0).value(), std::nullopt);
    }

    void passwordsThatScrambleToQuotesAndControlsRoundTrip_data()
    {
        QTest::addColumn<QString>("password");
        // Under the key "TnQ" gives U+0000, U+0001 and a quote; "Tovarsek@#" all zeros.
        QTest::newRow("zero, control, quote") << u"TnQ"_s;
        QTest::newRow("all zeros") << u"Tovarsek@#"_s;
        QTest::newRow("quotes typed") << u"a'b\"c';--"_s;
        QTest::newRow("long, wraps the key") << u"abcdefghijklmnopqrstuvwxyz0123456789"_s;
    }

    void passwordsThatScrambleToQuotesAndControlsRoundTrip()
    {
        QFETCH(QString, password);
        SettingsChange change;
        change.newPassword = password;
        change.userId = 1;
        change.suffix = 2024;
        QVERIFY(SettingsSave::save(book->db(), change));
        QCOMPARE(storedPass(), Scramble::storedPassword(password, 2024));
        QVERIFY(Scramble::matches(storedPass(), password, 2024));
        QCOMPARE(PasswordChange::currentPlain(book->db(), 1, 2024).value(), password + u"2024"_s);
    }

    void aFailureAnywhereWritesNothing_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("options fail last") << u"Vardelin_System"_s;
        QTest::newRow("columns fail") << u"Vardelin_Alias"_s;
    }

    void aFailureAnywhereWritesNothing()
    {
        QFETCH(QString, table);
        const QString passBefore = storedPass();
        const QString aliasBefore = aliasTable();
        const QVariant loginBefore =
            book->scalar(u"SELECT IsLogin FROM Vardelin_System WHERE ID = 1"_s);
        // The table name is the test's own literal.
        book->run(u"CREATE TRIGGER Refuse BEFORE UPDATE ON %1 "
                  "BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(table));

        SettingsChange change;
        change.newPassword = u"changed"_s;
        change.userId = 1;
        change.suffix = 1;
        change.columns = ColumnSettings::read(book->db()).value();
        for (ColumnSetting& column : change.columns) {
            column.width += 1;
            column.shown = !column.shown;
        }
        change.options.isLogin = !loginBefore.toBool();
        const auto saved = SettingsSave::save(book->db(), change);
        QVERIFY(!saved.ok());
        QVERIFY(saved.error().description.contains(u"refused"_s));

        QCOMPARE(storedPass(), passBefore);
        QCOMPARE(aliasTable(), aliasBefore);
        QCOMPARE(book->scalar(u"SELECT IsLogin FROM Vardelin_System WHERE ID = 1"_s), loginBefore);
    }
};

QTEST_GUILESS_MAIN(TestSettingsSave)
#include "tst_settingssave.moc"
