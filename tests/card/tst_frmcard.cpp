// SPDX-License-Identifier: GPL-3.0-or-later
// The contact card as a user drives it: every field through a save and a load, odd stored values,
// the checks and questions, the photo, and what another program changed or deleted meanwhile.
#include "CardHistoryTests.h"
#include "PgServer.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "db/PictureBag.h"
#include "db/Schema.h"
#include "db/SqlDialect.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

class TestFrmCard : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    qint64 friends = 0;
    qint64 work = 0;

    // By the columns' names as the file spells them; a server gives them in lower case.
    QVariantMap row(qint64 id)
    {
        QVariantMap row;
        const Schema::Table& contacts = *std::find_if(
            Schema::tables().begin(), Schema::tables().end(),
            [](const Schema::Table& table) { return table.name == "Vardelin_Contact"_L1; });
        auto q = book->db().query(u"SELECT * FROM Vardelin_Contact WHERE ID = ?"_s, {id});
        if (q && q.value().next()) {
            for (const Schema::Column& column : contacts.columns)
                row.insert(column.name, q.value().value(column.name));
        }
        return row;
    }
    qint64 newest() { return book->scalar(u"SELECT max(ID) FROM Vardelin_Contact"_s).toLongLong(); }
    int lunarMarks(qint64 id)
    {
        return book->scalar(u"SELECT count(*) FROM Vardelin_LunarBirthday WHERE CID = ?"_s, {id})
            .toInt();
    }
    int contacts() { return book->scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(); }
    static QString joined(const QVariantMap& row, const QStringList& columns)
    {
        QStringList values;
        for (const QString& column : columns)
            values << row.value(column).toString();
        return values.join(u'|');
    }
    // Every text box with a column but the name, and a value with quotes and separators.
    static QList<std::pair<QString, QString>> awkwardTexts()
    {
        QList<std::pair<QString, QString>> texts;
        for (const CardField& field : CardFields::all) {
            if (field.editor == CardField::Editor::Line && !field.column.isEmpty() &&
                field.column != "Name"_L1)
                texts.append({field.control, u"%1 O'Neil \"引号\" ; --"_s.arg(field.column)});
        }
        return texts;
    }

private slots:
    void init()
    {
        QVERIFY2(book.emplace(TestDatabase::backendOfRow()).ok(), qPrintable(book->error()));
        friends = book->addGroup(1, 2, u"朋友"_s);
        work = book->addGroup(1, 1, u"同事"_s);
    }

    void everyFieldSurvivesASaveAndALoad()
    {
        const QString jpeg = writeCardImage(book->folder() + u"/face.JPG"_s);
        const QString remark = u"第一行\n\n第三行\t\x07 "_s + QString(100000, u'长');
        {
            CheckedCard open(book->db(), {false, 0, work, false}, 4);
            open.line("Edit_Name")->setText(u"张 \"三\" 's"_s);
            open.combo("Edit_Sex")->setCurrentIndex(1);
            open.combo("Edit_Type")->setCurrentIndex(open.combo("Edit_Type")->findText(u"朋友"_s));
            for (const auto& [control, text] : awkwardTexts())
                open.card->findChild<QLineEdit*>(control)->setText(text);
            open.combo("Edit_Deptment")->setEditText(u"新部门'"_s);
            open.combo("Edit_Post")->setEditText(u"总监\n"_s);
            open.combo("Edit_Grade")->setCurrentIndex(4);
            open.find<QPlainTextEdit>("Edit_Remark")->setPlainText(remark);
            open.date("Edit_Birthday")->setDate(QDate(2023, 3, 22));
            QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), u"农历闰二月初一"_s);
            open.find<QCheckBox>("Edit_LunarBirthday")->setChecked(true);
            open.date("Edit_MemorialDay")->checkBox()->setChecked(true);
            open.date("Edit_MemorialDay")->textBox()->setText(u"2010-10-10"_s);
            open.prompter.expectOpenFile(jpeg);
            open.photo()->setFocus();
            QTest::keyClick(open.photo(), Qt::Key_Space);
            open.prompter.expectQuestion(true);
            open.press("Button_Save");
            QVERIFY(open.card->saved() && !open.card->isVisible());
        }
        const qint64 id = newest();
        const QVariantMap first = row(id);
        QCOMPARE(
            joined(first,
                   {u"Name"_s, u"Py"_s, u"UID"_s, u"TID"_s, u"Sex"_s, u"Grade"_s, u"Deptment"_s,
                    u"Post"_s, u"Birthday"_s, u"MemorialDay"_s, u"AddDate"_s}),
            u"张 \"三\" 's|Z|4|%1|女|5星|新部门'|总监\n|2023-03-22|2010-10-10|%2"_s.arg(friends)
                .arg(QDate::currentDate().toString(Qt::ISODate)));
        QCOMPARE(first[u"Remark"_s].toString(), remark);
        for (const auto& [control, text] : awkwardTexts())
            QCOMPARE(first.value(text.section(u' ', 0, 0)).toString(), text);
        QCOMPARE(PictureBag::pictureOf(first.value(u"Photo"_s).toByteArray()),
                 std::optional(TestFiles::read(jpeg)));
        QCOMPARE(lunarMarks(id), 1);

        // Opened again and saved unchanged, the row is the same.
        CheckedCard again(book->db(), {true, id, 0, false}, 4);
        QVERIFY(again.find<QCheckBox>("Edit_LunarBirthday")->isChecked());
        again.prompter.expectQuestion(true);
        QVERIFY(again.card->SaveCard());
        QCOMPARE(row(id), first);
    }

    void refusalsAndNoKeepTheCardOpenAndCtrlSSaves()
    {
        CheckedCard open(book->db(), {false, 0, work, false});
        QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
        open.line("Edit_Tel1")->setText(u"12345"_s);
        open.prompter.expectMessage(u"姓名不能为空！"_s);
        open.press("Button_New");
        QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
        QCOMPARE(open.card->then(), frmCard::Then::Nothing);
        open.line("Edit_Name")->setText(u"  "_s);
        open.prompter.expectQuestion(false, u"是否确认保存联系人信息？"_s);
        QVERIFY(!open.card->SaveCard());
        // A typed day that is no date: said, and the card shows the box with the text as typed.
        OptionalDateEdit* memorial = open.date("Edit_MemorialDay");
        auto* tabs = open.find<QTabWidget>("TabC");
        tabs->setCurrentIndex(1);
        QTest::mouseClick(memorial->checkBox(), Qt::LeftButton);
        memorial->textBox()->setFocus();
        memorial->textBox()->selectAll(); // typed over the day the box offers
        QTest::keyClicks(memorial->textBox(), u"2001/2/29"_s);
        open.prompter.expectMessage(
            u"纪念日“2001/2/29”不是有效的日期，请按“年-月-日”填写，例如 2001-09-10。"_s);
        tabs->setCurrentIndex(0);
        QVERIFY(!open.card->SaveCard());
        QCOMPARE(QApplication::focusWidget(), memorial->textBox());
        QCOMPARE(memorial->textBox()->text(), u"2001/2/29"_s);
        memorial->textBox()->selectAll();
        QTest::keyClicks(memorial->textBox(), u"20000229"_s);
        QTest::mouseClick(memorial->checkBox(), Qt::LeftButton); // unticked, then ticked again:
        QVERIFY(memorial->textBox()->text().isEmpty());
        QTest::mouseClick(memorial->checkBox(), Qt::LeftButton); // the typed day comes back
        QCOMPARE(memorial->textBox()->text(), u"2000-02-29"_s);
        open.prompter.expectQuestion(false, u"是否关闭联系人窗口？"_s);
        QVERIFY(!open.card->close());
        open.prompter.expectQuestion(false, u"是否关闭联系人窗口？"_s);
        QTest::keyClick(open.line("Edit_Name"), Qt::Key_Escape);
        QVERIFY(open.card->isVisible() && !open.card->saved());
        QCOMPARE(open.line("Edit_Tel1")->text(), u"12345"_s);
        QCOMPARE(contacts(), 0);
        open.prompter.expectQuestion(true);
        QTest::keyClick(open.line("Edit_Tel1"), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(open.card->saved()); // the shortcut clicks its button a moment later
        QCOMPARE(joined(row(newest()), {u"Name"_s, u"MemorialDay"_s}), u"  |2000-02-29"_s);
    }

    void oddValuesAndThePhotoAreShownChosenAndStored()
    {
        const QString wide = writeCardImage(book->folder() + u"/wide.bmp"_s, {300, 100});
        const QString broken = TestFiles::write(book->folder() + u"/broken.jpg"_s,
                                                "\xff\xd8 this is not really a JPEG");
        const QByteArray damaged = PictureBag::ofPicture("\x89PNG broken");
        const qint64 id = book->addContact({{u"Name"_s, u"照片人"_s},
                                            {u"TID"_s, 999},
                                            {u"Sex"_s, u"未知"_s},
                                            {u"Grade"_s, u"9星"_s},
                                            {u"MemorialDay"_s, u"乱写"_s},
                                            {u"Photo"_s, damaged}});
        CheckedCard open(book->db(), {true, id, 0, false}, 2);
        QCOMPARE(open.combo("Edit_Sex")->currentText() + open.combo("Edit_Grade")->currentText(),
                 u"男1星"_s);
        QCOMPARE(open.combo("Edit_Type")->currentIndex(), -1);
        QVERIFY(!open.date("Edit_MemorialDay")->date());
        QVERIFY(open.photo()->image().isNull()); // a bag that cannot be decoded shows nothing
        open.prompter.expectOpenFile(wide);
        QTest::mouseClick(open.photo(), Qt::LeftButton);
        QCOMPARE(open.photo()->image().size(), QSize(300, 100));
        for (const QString& path : QStringList{broken, book->folder() + u"/missing.jpg"_s, {}}) {
            open.prompter.expectOpenFile(path);
            if (!path.isEmpty())
                open.prompter.expectMessage();
            open.photo()->setFocus();
            QTest::keyClick(open.photo(), Qt::Key_Return);
        }
        QCOMPARE(open.prompter.shown().at(2).icon, Prompter::Icon::Critical);
        QCOMPARE(open.photo()->image().size(), QSize(300, 100));
        QCOMPARE(row(id)[u"Photo"_s].toByteArray(), damaged); // nothing written before a save
        // Shown scaled to the frame, keeping the picture's proportions.
        const QImage painted = open.photo()->grab().toImage();
        QCOMPARE(painted.pixelColor(painted.width() / 2, painted.height() / 2),
                 QColor(Qt::darkCyan));
        QVERIFY(painted.pixelColor(painted.width() / 2, 6) != QColor(Qt::darkCyan));
        open.press("Button_Clear");
        QVERIFY(open.photo()->image().isNull());
        open.prompter.expectMessage(u"请选择所属分类！"_s); // the group it names is gone
        QVERIFY(!open.card->SaveCard());
        open.combo("Edit_Type")->setCurrentIndex(0);
        open.prompter.expectQuestion(true);
        QVERIFY(open.card->SaveCard());
        QCOMPARE(joined(row(id), {u"UID"_s, u"MemorialDay"_s}), u"2|"_s);
        QVERIFY(row(id)[u"MemorialDay"_s].isNull());
        QCOMPARE(PictureBag::pictureOf(row(id)[u"Photo"_s].toByteArray()),
                 std::optional(QByteArray()));
    }

    // Another program on the same file or server: what it deleted is never written again, and
    // what it saved since the card was read is never written over unasked.
    void rowOrGroupDeletedMeanwhileGetsNothingWritten_data() { TestDatabase::addBackendRows(); }
    void rowOrGroupDeletedMeanwhileGetsNothingWritten()
    {
        const qint64 id = book->addContact({{u"Name"_s, u"将删"_s}, {u"TID"_s, work}});
        CheckedCard open(book->db(), {true, id, 0, false});
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {id});
        open.line("Edit_Name")->setText(u"改名"_s);
        for (int answer : {1, 0}) {
            open.prompter.expectQuestion(true);
            open.prompter.expectChoice(answer);
            QCOMPARE(open.card->SaveCard(), answer == 0);
            QCOMPARE(contacts(), answer == 0 ? 1 : 0);
        }
        QCOMPARE(open.prompter.shown().last().buttons.join(u' '), u"另存为新联系人(&N) 取消(&C)"_s);
        QCOMPARE(row(newest())[u"Name"_s].toString(), u"改名"_s);
        // The chosen group deleted meanwhile: the card says so and offers the groups that remain.
        const qint64 doomed = book->addGroup(1, 3, u"将删分组"_s);
        CheckedCard newCard(book->db(), {false, 0, doomed, false});
        newCard.line("Edit_Name")->setText(u"无家可归"_s);
        book->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {doomed});
        newCard.prompter.expectQuestion(true);
        newCard.prompter.expectMessage(u"所属分类已被删除，请重新选择！"_s);
        QVERIFY(!newCard.card->SaveCard());
        QCOMPARE(newCard.combo("Edit_Type")->currentIndex() +
                     newCard.combo("Edit_Type")->findText(u"将删分组"_s),
                 -2);
        QCOMPARE(contacts(), 1);
        book->run(u"ALTER TABLE Vardelin_Contact RENAME TO Elsewhere"_s);
        CheckedCard unreadable(book->db(), {true, id, 0, false});
        QVERIFY(unreadable.card->loadError().has_value());
    }

    void rowChangedMeanwhileIsReloadedKeptOrOverwritten_data() { TestDatabase::addBackendRows(); }
    void rowChangedMeanwhileIsReloadedKeptOrOverwritten()
    {
        const qint64 id =
            book->addContact({{u"Name"_s, u"原名"_s}, {u"Tel1"_s, u"111"_s}, {u"TID"_s, work}});
        CheckedCard open(book->db(), {true, id, 0, false});
        open.line("Edit_Name")->setText(u"我的改名"_s);
        Database other; // another program saves the contact while the card is open
        QVERIFY(other.open(book->path()));
        QVERIFY(other.exec(u"UPDATE Vardelin_Contact SET Tel1 = '222' WHERE ID = ?"_s, {id}));
        const auto stored = [this, id] {
            return joined(row(id), {u"Name"_s, u"Tel1"_s, u"Tel2"_s});
        };
        // Cancel keeps the input and writes nothing; reload shows the stored contact, and a save
        // from there writes over nothing.
        for (int answer : {2, 0}) {
            open.prompter.expectQuestion(true);
            open.prompter.expectChoice(answer);
            QVERIFY(!open.card->SaveCard());
            QCOMPARE(stored(), u"原名|222|"_s);
        }
        QCOMPARE(open.prompter.shown().at(1).buttons.join(u' '),
                 u"重新读取(&R) 覆盖保存(&O) 取消(&C)"_s);
        QCOMPARE(open.line("Edit_Name")->text() + open.line("Edit_Tel1")->text(), u"原名222"_s);
        open.line("Edit_Tel2")->setText(u"333"_s);
        open.prompter.expectQuestion(true);
        QVERIFY(open.card->SaveCard());
        QCOMPARE(stored(), u"原名|222|333"_s);
        CheckedCard again(book->db(), {true, id, 0, false});
        again.line("Edit_Name")->setText(u"覆盖"_s);
        QVERIFY(other.exec(u"UPDATE Vardelin_Contact SET Tel1 = '444' WHERE ID = ?"_s, {id}));
        again.prompter.expectQuestion(true);
        again.prompter.expectChoice(1);
        QVERIFY(again.card->SaveCard());
        QCOMPARE(stored(), u"覆盖|222|333"_s);
        QVERIFY(TestDatabase::waitBriefly(book->db()));
        QVERIFY(TestDatabase::beginWrite(other));
        CheckedCard locked(book->db(), {true, id, 0, false});
        locked.line("Edit_Name")->setText(u"新名"_s);
        locked.prompter.expectQuestion(true);
        locked.prompter.expectMessage();
        QVERIFY(!locked.card->SaveCard());
        QCOMPARE(locked.prompter.shown().last().title, u"错误5"_s);
        QVERIFY(locked.card->isVisible());
        locked.prompter.expectQuestion(true, u"是否关闭联系人窗口？"_s);
        QVERIFY(locked.card->close());
        QCOMPARE(stored(), u"覆盖|222|333"_s);
    }

    // The server gone before a save, or its connection cut between the save's statements: the
    // card says so and stays open, nothing is written, and once the server is back the same
    // save goes through.
    void aSaveWithoutTheServerIsToldAndTheNextGoesThrough_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("server") << u"server"_s;
    }
    void aSaveWithoutTheServerIsToldAndTheNextGoesThrough()
    {
        // Once, after the new row: sequences are not rolled back with the transaction.
        book->run(u"CREATE SEQUENCE cut_once"_s);
        for (const QString& statement : SqlDialect::createTrigger(
                 Backend::Server, u"Cut"_s, u"AFTER INSERT"_s, u"Vardelin_Contact"_s,
                 u"IF nextval('cut_once') = 1 THEN PERFORM pg_terminate_backend(pg_backend_pid()); "
                 "END IF"_s))
            book->run(statement);
        for (const bool stopped : {true, false}) {
            CheckedCard open(book->db(), {false, 0, work, false});
            open.line("Edit_Name")->setText(u"新客户"_s);
            if (stopped)
                PgServer::instance().stop();
            open.prompter.expectQuestion(true);
            open.prompter.expectMessage();
            QVERIFY(!open.card->SaveCard());
            QCOMPARE(open.prompter.shown().last().title, u"错误14"_s);
            QVERIFY2(open.prompter.shown().last().text.contains(u"连接已断开"_s),
                     qPrintable(open.prompter.shown().last().text));
            QVERIFY(open.card->isVisible());
            if (stopped)
                QVERIFY(PgServer::instance().restart());
            QCOMPARE(contacts(), 0);
            if (!stopped) {
                open.prompter.expectQuestion(true);
                QVERIFY(open.card->SaveCard());
                QCOMPARE(contacts(), 1);
            }
        }
    }
};

QTEST_MAIN(TestFrmCard)
#include "tst_frmcard.moc"
