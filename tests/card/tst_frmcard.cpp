// SPDX-License-Identifier: GPL-3.0-or-later
// The contact card as a user drives it: each mode, every field through a save and a load, the
// checks and questions, the photo, and failures while saving.
#include "OpenCard.h"
#include "TestDatabase.h"

#include "db/PictureBag.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlRecord>

namespace {

using namespace Qt::StringLiterals;

// The text columns and the values a test puts in them: quotes, separators, control characters.
QList<std::pair<const CardField*, QString>> awkwardTexts()
{
    QList<std::pair<const CardField*, QString>> texts;
    for (const CardField& field : CardFields::all) {
        if (field.editor == CardField::Editor::Line && !field.column.isEmpty() &&
            field.column != "Name"_L1)
            texts.append(
                {&field, u"%1 O'Neil \"引号\" \\ %2 ; --"_s.arg(field.control).arg(QChar(0x2028)) +
                             QChar(char16_t(1 + texts.size() % 30))});
    }
    return texts;
}

} // namespace

class TestFrmCard : public QObject {
    Q_OBJECT

private slots:
    void init();

    void newCardStartsEmptyInItsGroup();
    void everyFieldSurvivesASaveAndALoad();
    void editCardKeepsNullDatesAndToleratesOddValues();
    void copyCardAddsASecondContactWithNothingAttached();
    void saveChecksKeepTheCardOpen();
    void closeBoxAsksAndCommandsDoNot();
    void photoIsChosenClearedAndStoredAsABag();
    void rowOrGroupDeletedMeanwhileGetsNothingWritten();
    void rowChangedMeanwhileIsReloadedKeptOrOverwritten();
    void databaseErrorWhileSavingKeepsTheCardAndTheRow();
    void layoutShowsEveryFieldUnclippedInCardOrder();
    void lunarBirthdayIsShownMarkedSavedAndLoaded();
    void typedDatesAreStoredAsMeantAndANonDateIsRefused();

private:
    QVariantMap row(qint64 id);
    QVariantMap newest()
    {
        return row(scalar(u"SELECT max(ID) FROM Vardelin_Contact"_s).toLongLong());
    }
    QVariant scalar(const QString& sql, const QVariantList& values = {})
    {
        return m_data->scalar(sql, values);
    }
    int contacts() { return scalar(u"SELECT count(*) FROM Vardelin_Contact"_s).toInt(); }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    qint64 m_work = 0;
};

void TestFrmCard::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 2, u"朋友"_s);
    m_work = m_data->addGroup(1, 1, u"同事"_s);
}

QVariantMap TestFrmCard::row(qint64 id)
{
    QVariantMap row;
    auto q = m_data->db().query(u"SELECT * FROM Vardelin_Contact WHERE ID = ?"_s, {id});
    if (q && q.value().next()) {
        const QSqlRecord record = q.value().record();
        for (int i = 0; i < record.count(); ++i)
            row.insert(record.fieldName(i), q.value().value(i));
    }
    return row;
}

void TestFrmCard::newCardStartsEmptyInItsGroup()
{
    m_data->addContact({{u"Name"_s, u"甲"_s}, {u"Deptment"_s, u"销售部"_s}, {u"Post"_s, {}}});
    OpenCard open(m_data->db(), {false, 0, m_friends, false});
    QCOMPARE(open.card->windowTitle(), u"新建联系人"_s);
    QVERIFY(!open.find<QToolButton>("Button_Copy")->isEnabled());
    QCOMPARE(open.combo("Edit_Sex")->currentText() + open.combo("Edit_Grade")->currentText() +
                 open.combo("Edit_Type")->currentText(),
             u"男1星朋友"_s);
    QCOMPARE(open.combo("Edit_Grade")->count(), 5);
    // Stored departments are offered, and the new card starts on none of them.
    QCOMPARE(open.combo("Edit_Deptment")->count(), 1);
    QVERIFY(open.combo("Edit_Deptment")->currentText().isEmpty());
    QCOMPARE(open.combo("Edit_Post")->count(), 0);
    for (const char* name : {"Edit_Birthday", "Edit_MemorialDay"}) {
        QVERIFY(!open.date(name)->date().has_value());
        QVERIFY(open.date(name)->textBox()->displayText().isEmpty());
        QVERIFY(open.date(name)->textBox()->placeholderText().isEmpty());
        open.date(name)->checkBox()->setChecked(true); // ticked, the box offers today
        QCOMPARE(open.date(name)->date(), std::optional(QDate::currentDate()));
        open.date(name)->checkBox()->setChecked(false);
        QVERIFY(open.date(name)->textBox()->text().isEmpty());
    }
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    QCOMPARE(QApplication::focusWidget(), open.line("Edit_Name"));

    // A group that does not exist preselects nothing, and saving asks for one.
    OpenCard orphan(m_data->db(), {false, 0, 555, false});
    QCOMPARE(orphan.combo("Edit_Type")->currentIndex(), -1);
    orphan.line("Edit_Name")->setText(u"乙"_s);
    orphan.prompter.expectMessage(u"请选择所属分类！"_s);
    QVERIFY(!orphan.card->SaveCard());
    QVERIFY(orphan.prompter.scriptDone());

    // A new card stores no invented date.
    open.line("Edit_Name")->setText(u"丙"_s);
    open.prompter.expectQuestion(true, u"是否确认保存联系人信息？"_s);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    const QVariantMap stored = newest();
    QVERIFY(stored[u"Birthday"_s].isNull() && stored[u"MemorialDay"_s].isNull());
    QCOMPARE(stored[u"TID"_s].toLongLong(), m_friends);
    QCOMPARE(stored[u"Py"_s].toString(), u"B"_s);
}

void TestFrmCard::everyFieldSurvivesASaveAndALoad()
{
    const QString jpeg = writeCardImage(m_data->folder() + u"/face.JPG"_s);
    const QString remark = u"第一行\n\n第三行\n"_s + QString(100000, u'长') + QChar(0x00A0) +
                           u'\t' + QChar(char16_t(7));
    qint64 id = 0;
    {
        OpenCard open(m_data->db(), {false, 0, m_work, false}, 4);
        open.line("Edit_Name")->setText(u"张 \"三\" 's"_s);
        open.combo("Edit_Sex")->setCurrentIndex(1);
        open.combo("Edit_Type")->setCurrentIndex(open.combo("Edit_Type")->findText(u"朋友"_s));
        for (const auto& [field, text] : awkwardTexts())
            open.line(field->control.data())->setText(text);
        open.line("Edit1_Fax")->setText(u"010-1"_s); // a box no column holds
        open.combo("Edit_Deptment")->setEditText(u"新部门'"_s);
        open.combo("Edit_Post")->setEditText(u"总监\n"_s);
        open.combo("Edit_Grade")->setCurrentIndex(4);
        open.find<QPlainTextEdit>("Edit_Remark")->setPlainText(remark);
        open.date("Edit_Birthday")->setDate(QDate(1988, 2, 29));
        open.date("Edit_MemorialDay")->checkBox()->setChecked(true);
        open.date("Edit_MemorialDay")->textBox()->setText(u"2010-10-10"_s);
        open.prompter.expectOpenFile(jpeg);
        open.photo()->setFocus();
        QTest::keyClick(open.photo(), Qt::Key_Space);
        open.prompter.expectQuestion(true);
        open.press("Button_Save");
        QVERIFY(open.prompter.scriptDone());
        QVERIFY(open.card->saved());
        QVERIFY(!open.card->isVisible());
        QCOMPARE(open.prompter.shown().first().filter,
                 u"JPG图片 (*.jpg *.JPG *.jpeg);;GIF图片 (*.gif *.GIF);;"
                 "BMP图片 (*.bmp *.BMP);;PNG图片 (*.png)"_s);
        id = scalar(u"SELECT max(ID) FROM Vardelin_Contact"_s).toLongLong();
    }
    const QVariantMap first = row(id);
    const QVariantMap expected{{u"Name"_s, u"张 \"三\" 's"_s},
                               {u"Py"_s, u"Z"_s},
                               {u"UID"_s, u"4"_s},
                               {u"TID"_s, QString::number(m_friends)},
                               {u"Sex"_s, u"女"_s},
                               {u"Grade"_s, u"5星"_s},
                               {u"Deptment"_s, u"新部门'"_s},
                               {u"Post"_s, u"总监\n"_s},
                               {u"Remark"_s, remark},
                               {u"Birthday"_s, u"1988-02-29"_s},
                               {u"MemorialDay"_s, u"2010-10-10"_s},
                               {u"AddDate"_s, QDate::currentDate().toString(Qt::ISODate)}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(first.value(it.key()).toString(), it.value().toString());
    for (const auto& [field, text] : awkwardTexts())
        QCOMPARE(first.value(QString(field->column)).toString(), text);
    // The chosen file's own bytes, not re-encoded.
    QCOMPARE(PictureBag::pictureOf(first.value(u"Photo"_s).toByteArray()),
             std::optional(cardFileBytes(jpeg)));
    QVERIFY(!first.values().contains(u"010-1"_s));

    // Opened again and saved unchanged, the row is the same.
    OpenCard again(m_data->db(), {true, id, 0, false}, 4);
    QCOMPARE(again.card->windowTitle(), u"修改联系人"_s);
    QCOMPARE(again.combo("Edit_Type")->currentText(), u"朋友"_s);
    QCOMPARE(again.photo()->image().size(), QSize(60, 90));
    again.prompter.expectQuestion(true);
    QVERIFY(again.card->SaveCard());
    QCOMPARE(row(id), first);

    // Remarks another program wrote with carriage returns survive a save that leaves them be.
    const QString windowsRemark = u"一\r\n二\r三"_s;
    m_data->run(u"UPDATE Vardelin_Contact SET Remark = ? WHERE ID = ?"_s, {windowsRemark, id});
    OpenCard third(m_data->db(), {true, id, 0, false}, 4);
    third.prompter.expectQuestion(true);
    QVERIFY(third.card->SaveCard());
    QCOMPARE(row(id).value(u"Remark"_s).toString(), windowsRemark);
}

void TestFrmCard::editCardKeepsNullDatesAndToleratesOddValues()
{
    const qint64 id =
        m_data->addContact({{u"Name"_s, u"李四"_s},
                            {u"TID"_s, 999},
                            {u"Sex"_s, u"未知"_s},
                            {u"Grade"_s, u"9星"_s},
                            {u"Tel1"_s, {}},
                            {u"MemorialDay"_s, u"乱写"_s},
                            {u"Photo"_s, PictureBag::ofPicture("not a picture").left(20)}});
    OpenCard open(m_data->db(), {true, id, 0, false}, 2);
    QVERIFY(!open.card->loadError());
    QCOMPARE(open.combo("Edit_Sex")->currentText() + open.combo("Edit_Grade")->currentText(),
             u"男1星"_s);
    QVERIFY(!open.date("Edit_MemorialDay")->date().has_value());
    QVERIFY(open.photo()->image().isNull());

    open.prompter.expectMessage(u"请选择所属分类！"_s);
    QVERIFY(!open.card->SaveCard());
    open.combo("Edit_Type")->setCurrentIndex(0);
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    const QVariantMap stored = row(id);
    QVERIFY(stored[u"Birthday"_s].isNull() && stored[u"MemorialDay"_s].isNull());
    QCOMPARE(stored[u"UID"_s].toLongLong(), 2);
    QVERIFY(!stored[u"Tel1"_s].isNull());
    // The damaged photo became the empty picture's bag.
    QCOMPARE(PictureBag::pictureOf(stored[u"Photo"_s].toByteArray()), std::optional(QByteArray()));
}

void TestFrmCard::copyCardAddsASecondContactWithNothingAttached()
{
    const QByteArray photo =
        PictureBag::ofPicture(cardFileBytes(writeCardImage(m_data->folder() + u"/p.png"_s)));
    const qint64 source = m_data->addContact({{u"Name"_s, u"原件"_s},
                                              {u"TID"_s, m_work},
                                              {u"Mail1"_s, u"a@b.c"_s},
                                              {u"Birthday"_s, u"1990-01-02"_s},
                                              {u"Photo"_s, photo}});
    m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'P', 'x')"_s, {source});
    m_data->run(u"INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'y')"_s, {source});
    const QVariantMap before = row(source);

    OpenCard open(m_data->db(), {true, source, 0, true});
    QCOMPARE(open.card->windowTitle(), u"新建联系人"_s);
    open.prompter.expectQuestion(true);
    open.press("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(contacts(), 2);
    const QVariantMap copied = newest();
    QVERIFY(copied[u"ID"_s] != source);
    QCOMPARE(row(source), before);
    for (const QString& column : {u"Mail1"_s, u"Birthday"_s, u"TID"_s, u"Photo"_s})
        QCOMPARE(copied[column], before[column]);
    QCOMPARE(scalar(u"SELECT (SELECT count(*) FROM Vardelin_Files WHERE CID = ?) + "
                    "(SELECT count(*) FROM Vardelin_History WHERE CID = ?)"_s,
                    {copied[u"ID"_s], copied[u"ID"_s]})
                 .toInt(),
             0);
}

void TestFrmCard::saveChecksKeepTheCardOpen()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    open.line("Edit_Tel1")->setText(u"12345"_s);
    open.prompter.expectMessage(u"姓名不能为空！"_s);
    open.press("Button_New");
    QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
    QCOMPARE(open.card->then(), frmCard::Then::Nothing);

    // Spaces are a name; a No to the question writes nothing and keeps the input.
    open.line("Edit_Name")->setText(u"  "_s);
    open.prompter.expectQuestion(false, u"是否确认保存联系人信息？"_s);
    QVERIFY(!open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.card->isVisible() && !open.card->saved());
    QCOMPARE(open.line("Edit_Tel1")->text(), u"12345"_s);
    QCOMPARE(contacts(), 0);

    // Ctrl+S saves from any box.
    open.card->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    open.prompter.expectQuestion(true);
    QTest::keyClick(open.line("Edit_Tel1"), Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(open.card->saved()); // a shortcut clicks its button a moment later
    QCOMPARE(scalar(u"SELECT Name FROM Vardelin_Contact"_s).toString(), u"  "_s);
}

void TestFrmCard::closeBoxAsksAndCommandsDoNot()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    open.line("Edit_Name")->setText(u"新"_s);
    open.prompter.expectQuestion(false, u"是否关闭联系人窗口？"_s);
    QVERIFY(!open.card->close());
    open.prompter.expectQuestion(false, u"是否关闭联系人窗口？"_s);
    QTest::keyClick(open.line("Edit_Name"), Qt::Key_Escape);
    QVERIFY(open.card->isVisible());
    QCOMPARE(open.line("Edit_Name")->text(), u"新"_s);
    // Save and new tells the caller to open a new card.
    open.prompter.expectQuestion(true);
    open.press("Button_New");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.card->then(), frmCard::Then::NewCard);

    // Copy and exit close without a question and write nothing.
    const qint64 id = scalar(u"SELECT ID FROM Vardelin_Contact"_s).toLongLong();
    OpenCard edit(m_data->db(), {true, id, 0, false});
    edit.line("Edit_Name")->setText(u"改了不存"_s);
    edit.press("Button_Copy");
    QVERIFY(!edit.card->isVisible() && !edit.card->saved());
    QCOMPARE(edit.card->then(), frmCard::Then::CopyCard);
    QCOMPARE(edit.card->contactId(), id);
    OpenCard exit(m_data->db(), {true, id, 0, false});
    exit.line("Edit_Name")->setText(u"改了不存"_s);
    exit.press("Button_Exit");
    QVERIFY(!exit.card->isVisible());
    QCOMPARE(exit.card->then(), frmCard::Then::Nothing);
    QVERIFY(edit.prompter.shown().isEmpty() && exit.prompter.shown().isEmpty());
    QCOMPARE(scalar(u"SELECT group_concat(Name) FROM Vardelin_Contact"_s).toString(), u"新"_s);
    OpenCard last(m_data->db(), {true, id, 0, false});
    last.prompter.expectQuestion(true, u"是否关闭联系人窗口？"_s);
    QVERIFY(last.card->close());
    QVERIFY(last.prompter.scriptDone());
}

void TestFrmCard::photoIsChosenClearedAndStoredAsABag()
{
    const QString wide = writeCardImage(m_data->folder() + u"/wide.bmp"_s, {300, 100});
    const QString broken =
        writeCardFile(m_data->folder() + u"/broken.jpg"_s, "\xff\xd8 this is not really a JPEG");
    const QByteArray damaged = PictureBag::ofPicture("\x89PNG broken");
    const qint64 id =
        m_data->addContact({{u"Name"_s, u"照片人"_s}, {u"TID"_s, m_work}, {u"Photo"_s, damaged}});
    // A bag whose picture cannot be decoded shows no picture.
    OpenCard open(m_data->db(), {true, id, 0, false});
    QVERIFY(open.photo()->image().isNull());

    open.prompter.expectOpenFile(wide);
    QTest::mouseClick(open.photo(), Qt::LeftButton);
    QCOMPARE(open.photo()->image().size(), QSize(300, 100));
    const QByteArray shown = open.photo()->pictureBytes();

    // A file that is no picture, a missing file and a cancelled dialog change nothing.
    for (const QString& path :
         QStringList{broken, m_data->folder() + u"/missing.jpg"_s, QString()}) {
        open.prompter.expectOpenFile(path);
        if (!path.isEmpty())
            open.prompter.expectMessage();
        open.photo()->setFocus();
        QTest::keyClick(open.photo(), Qt::Key_Return);
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(2).icon, Prompter::Icon::Critical);
    QCOMPARE(open.photo()->pictureBytes(), shown);
    // Nothing is written until the card is saved.
    QCOMPARE(scalar(u"SELECT Photo FROM Vardelin_Contact"_s).toByteArray(), damaged);

    // Shown scaled to the frame, keeping the picture's proportions.
    const QImage painted = open.photo()->grab().toImage();
    QVERIFY(painted.pixelColor(painted.width() / 2, painted.height() / 2) == QColor(Qt::darkCyan));
    QVERIFY(painted.pixelColor(painted.width() / 2, 6) != QColor(Qt::darkCyan));

    open.press("Button_Clear");
    QVERIFY(open.photo()->image().isNull());
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    const QByteArray stored = scalar(u"SELECT Photo FROM Vardelin_Contact"_s).toByteArray();
    QVERIFY(!stored.isEmpty());
    QCOMPARE(PictureBag::pictureOf(stored), std::optional(QByteArray()));
}

void TestFrmCard::rowOrGroupDeletedMeanwhileGetsNothingWritten()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"将删"_s}, {u"TID"_s, m_work}});
    OpenCard open(m_data->db(), {true, id, 0, false});
    m_data->run(u"DELETE FROM Vardelin_Contact WHERE ID = ?"_s, {id});
    open.line("Edit_Name")->setText(u"改名"_s);
    const QString deleted = u"此联系人在您打开后已在别处被删除。\n\n"
                            "“另存为新联系人”：把您填写的内容保存为一个新联系人；\n"
                            "“取消”：返回继续编辑。"_s;
    // Cancel: back to the card, nothing written.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(1, deleted);
    QVERIFY(!open.card->SaveCard());
    QCOMPARE(open.prompter.shown().last().buttons,
             QStringList({u"另存为新联系人(&N)"_s, u"取消(&C)"_s}));
    QVERIFY(open.card->isVisible());
    QCOMPARE(contacts(), 0);
    // Saved as a new contact instead.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(0, deleted);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(
        scalar(u"SELECT group_concat(Name) FROM Vardelin_Contact WHERE ID != ?"_s, {id}).toString(),
        u"改名"_s);
    m_data->run(u"DELETE FROM Vardelin_Contact"_s);

    // The chosen group deleted meanwhile: the card says so and offers the groups that remain.
    const qint64 doomed = m_data->addGroup(1, 3, u"将删分组"_s);
    OpenCard newCard(m_data->db(), {false, 0, doomed, false});
    newCard.line("Edit_Name")->setText(u"无家可归"_s);
    m_data->run(u"DELETE FROM Vardelin_Type WHERE ID = ?"_s, {doomed});
    newCard.prompter.expectQuestion(true);
    newCard.prompter.expectMessage(u"所属分类已被删除，请重新选择！"_s);
    QVERIFY(!newCard.card->SaveCard());
    QVERIFY(newCard.prompter.scriptDone());
    QCOMPARE(newCard.combo("Edit_Type")->currentIndex(), -1);
    QCOMPARE(newCard.combo("Edit_Type")->findText(u"将删分组"_s), -1);
    QCOMPARE(contacts(), 0);

    // A read that fails is reported, never shown as an empty card that a save would write over.
    m_data->run(u"ALTER TABLE Vardelin_Contact RENAME TO Elsewhere"_s);
    OpenCard unreadable(m_data->db(), {true, id, 0, false});
    QVERIFY(unreadable.card->loadError().has_value());
    m_data->run(u"ALTER TABLE Elsewhere RENAME TO Vardelin_Contact"_s);
    // A card opened on a row already gone shows an empty edit card.
    OpenCard gone(m_data->db(), {true, id, 0, false});
    QVERIFY(!gone.card->loadError());
    QVERIFY(gone.line("Edit_Name")->text().isEmpty());
}

void TestFrmCard::rowChangedMeanwhileIsReloadedKeptOrOverwritten()
{
    const qint64 id =
        m_data->addContact({{u"Name"_s, u"原名"_s}, {u"Tel1"_s, u"111"_s}, {u"TID"_s, m_work}});
    OpenCard open(m_data->db(), {true, id, 0, false});
    open.line("Edit_Name")->setText(u"我的改名"_s);
    // Another program (or window) saves the contact while this card is open.
    Database other;
    QVERIFY(other.open(m_data->path()));
    const auto changeElsewhere = [&other, id](const QString& tel) {
        QVERIFY(other.exec(u"UPDATE Vardelin_Contact SET Tel1 = ? WHERE ID = ?"_s, {tel, id}));
    };
    changeElsewhere(u"222"_s);
    const QString changed = u"此联系人在您打开后已在别处被修改并保存。\n\n"
                            "“重新读取”：放弃您的修改，显示已保存的内容；\n"
                            "“覆盖保存”：用您的修改替换已保存的内容；\n"
                            "“取消”：返回继续编辑。"_s;
    const auto stored = [this, id]() -> QString {
        return row(id).value(u"Name"_s).toString() + u'|' + row(id).value(u"Tel1"_s).toString() +
               row(id).value(u"Tel2"_s).toString();
    };

    // Cancel: the card keeps the user's input and nothing is written.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(2, changed);
    QVERIFY(!open.card->SaveCard());
    QCOMPARE(open.prompter.shown().last().buttons,
             QStringList({u"重新读取(&R)"_s, u"覆盖保存(&O)"_s, u"取消(&C)"_s}));
    QCOMPARE(open.line("Edit_Name")->text(), u"我的改名"_s);
    QCOMPARE(stored(), u"原名|222"_s);

    // Reload: the card shows the stored contact, and a save from there writes over nothing.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(0, changed);
    QVERIFY(!open.card->SaveCard());
    QCOMPARE(open.line("Edit_Name")->text() + open.line("Edit_Tel1")->text(), u"原名222"_s);
    open.line("Edit_Tel2")->setText(u"333"_s);
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(stored(), u"原名|222333"_s);

    // Overwrite on purpose: the card's values replace what was saved meanwhile.
    OpenCard again(m_data->db(), {true, id, 0, false});
    again.line("Edit_Name")->setText(u"覆盖"_s);
    changeElsewhere(u"444"_s);
    again.prompter.expectQuestion(true);
    again.prompter.expectChoice(1, changed);
    QVERIFY(again.card->SaveCard());
    QVERIFY(again.prompter.scriptDone());
    QCOMPARE(stored(), u"覆盖|222333"_s);
}

void TestFrmCard::databaseErrorWhileSavingKeepsTheCardAndTheRow()
{
    const qint64 id = m_data->addContact({{u"Name"_s, u"原名"_s}, {u"TID"_s, m_work}});
    const QVariantMap before = row(id);
    OpenCard open(m_data->db(), {true, id, 0, false});
    open.line("Edit_Name")->setText(u"新名"_s);

    // Another program holds the file's write lock; waiting is kept short here.
    QVERIFY(m_data->db().exec(u"PRAGMA busy_timeout = 50"_s).ok());
    {
        Database other;
        QVERIFY(other.open(m_data->path()).ok());
        QVERIFY(other.exec(u"BEGIN IMMEDIATE"_s).ok());
        open.prompter.expectQuestion(true);
        open.prompter.expectMessage();
        QVERIFY(!open.card->SaveCard());
        QCOMPARE(open.prompter.shown().last().title, u"错误5"_s);
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    }
    QVERIFY(open.card->isVisible());
    QCOMPARE(row(id), before);

    // Once the cause is gone the same input saves.
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(row(id).value(u"Name"_s).toString(), u"新名"_s);
}

void TestFrmCard::layoutShowsEveryFieldUnclippedInCardOrder()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    QVERIFY(QTest::qWaitForWindowExposed(open.card.get()));
    auto* tabs = open.find<QTabWidget>("TabC");
    QStringList pages;
    for (int i = 0; i < tabs->count(); ++i)
        pages << tabs->tabText(i);
    QCOMPARE(pages, texts({u"基本信息", u"自定义信息", u"图片", u"文档", u"联系记录"}));
    for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3"})
        QVERIFY2(open.find<QGroupBox>(name), name);
    const std::pair<const char*, const char16_t*> tips[]{{"Button_Save", u"保存"},
                                                         {"Button_New", u"保存并新建联系人"},
                                                         {"Button_Copy", u"复制到新联系人"},
                                                         {"Button_Clear", u"清除照片"},
                                                         {"Button_Exit", u"不保存退出"}};
    for (const auto& [name, tip] : tips) {
        auto* button = open.find<QToolButton>(name);
        QCOMPARE(button->toolTip(), QString::fromUtf16(tip));
        QCOMPARE(button->accessibleName(), QString::fromUtf16(tip));
        QVERIFY(!button->icon().isNull());
    }

    // A tall photo and a long address change no box's place; every field of a page is shown
    // whole on it, and none is left out.
    QVERIFY(open.photo()->setPicture(
        cardFileBytes(writeCardImage(m_data->folder() + u"/tall.png"_s, {300, 400}))));
    open.line("Edit_Address")->setText(QString(200, u'路'));
    const QString shots = qEnvironmentVariable("VARDELIN_SCREENSHOTS");
    for (int page = 0; page < 2; ++page) {
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        if (!shots.isEmpty())
            open.card->grab().save(shots + u"/card-%1.png"_s.arg(page));
        QWidget* pageWidget = tabs->currentWidget();
        std::size_t onPage = 0;
        for (const CardEditors::Entry& entry : open.card->editors().entries()) {
            if ((entry.field->frame <= CardField::Frame::Network) != (page == 0))
                continue;
            ++onPage;
            const QByteArray name = entry.field->control.data();
            QVERIFY2(entry.editor->isVisible(), name);
            const QRect inPage(entry.editor->mapTo(pageWidget, QPoint()), entry.editor->size());
            QVERIFY2(pageWidget->rect().contains(inPage), name);
            QVERIFY2(entry.editor->width() >= entry.editor->minimumSizeHint().width(), name);
            if (entry.label) {
                QCOMPARE(entry.label->buddy(), entry.editor);
                QVERIFY2(entry.label->isVisible(), name);
                QVERIFY2(entry.label->width() >= entry.label->sizeHint().width(), name);
            }
        }
        QVERIFY(onPage > 10);
    }

    // Tab walks each page in card order, a date picker counting once with its check box.
    const auto walk = [&open, tabs](int page, const char* from) {
        tabs->setCurrentIndex(page);
        open.line(from)->setFocus();
        QStringList walked;
        for (int i = 0; i < 30; ++i) {
            QWidget* focused = QApplication::focusWidget();
            if (auto* date = qobject_cast<OptionalDateEdit*>(focused->parentWidget()))
                focused = date;
            if (walked.isEmpty() || walked.last() != focused->objectName())
                walked << focused->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return walked;
    };
    // The photo right below the heading comes before the phones beside it.
    QStringList expected{u"Edit_Name"_s, u"Edit_Sex"_s, u"Edit_Type"_s, u"Edit_Photo"_s};
    for (const CardField& field : CardFields::all)
        if (field.frame >= CardField::Frame::Phones && field.frame <= CardField::Frame::Network)
            expected << QString(field.control);
    QCOMPARE(walk(0, "Edit_Name").mid(0, expected.size()), expected);
    // Each band's left column, then its right one; the remarks across the bottom last.
    expected = texts({u"Edit_Office", u"Edit_Job", u"Edit_Related1", u"Edit_Related2",
                      u"Edit_Custom1", u"Edit_Custom2", u"Edit_Custom3", u"Edit_Custom4",
                      u"Edit_Grade", u"Edit_NickName", u"Edit_Title", u"Edit_Hobby",
                      u"Edit_Specialty", u"Edit_Birthday", u"Edit_MemorialDay", u"Edit_Member",
                      u"Edit_Spouse", u"Edit_SpouseTel", u"Edit_Remark"});
    QCOMPARE(walk(1, "Edit_Office").mid(0, expected.size()), expected);
}

void TestFrmCard::lunarBirthdayIsShownMarkedSavedAndLoaded()
{
    const auto marked = [this](qint64 id) {
        return scalar(u"SELECT count(*) FROM Vardelin_LunarBirthday WHERE CID = ?"_s, {id}).toInt();
    };
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    auto* lunar = open.find<QCheckBox>("Edit_LunarBirthday");
    QVERIFY(!lunar->isEnabled());
    open.line("Edit_Name")->setText(u"张三"_s);
    open.date("Edit_Birthday")->setDate(QDate(2023, 3, 22));
    QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), u"农历闰二月初一"_s);
    QVERIFY(lunar->isEnabled());
    lunar->setChecked(true);
    open.prompter.expectQuestion(true);
    open.press("Button_Save");
    const qint64 id = newest().value(u"ID"_s).toLongLong();
    QCOMPARE(marked(id), 1);

    OpenCard again(m_data->db(), {true, id, 0, false});
    QVERIFY(again.find<QCheckBox>("Edit_LunarBirthday")->isChecked());
    QCOMPARE(again.find<QLabel>("Label_Lunar")->text(), u"农历闰二月初一"_s);
    // Without a birthday there is nothing to keep by the lunar calendar.
    again.date("Edit_Birthday")->setDate(std::nullopt);
    QCOMPARE(again.find<QLabel>("Label_Lunar")->text(), QString());
    again.prompter.expectQuestion(true);
    again.press("Button_Save");
    QVERIFY(again.card->saved());
    QCOMPARE(marked(id), 0);
}

void TestFrmCard::typedDatesAreStoredAsMeantAndANonDateIsRefused()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    open.line("Edit_Name")->setText(u"王五"_s);
    open.find<QTabWidget>("TabC")->setCurrentIndex(1);
    // Typed over what the box offers, as it is shown and in another form.
    const auto typeDate = [&open](const char* name, const QString& typed, bool tick) {
        OptionalDateEdit* date = open.date(name);
        if (tick)
            QTest::mouseClick(date->checkBox(), Qt::LeftButton);
        date->textBox()->setFocus();
        date->textBox()->selectAll();
        QTest::keyClicks(date->textBox(), typed);
    };
    typeDate("Edit_Birthday", u"2001-09-10"_s, true);
    typeDate("Edit_MemorialDay", u"2001/2/29"_s, true);

    open.prompter.expectMessage(
        u"纪念日“2001/2/29”不是有效的日期，请按“年-月-日”填写，例如 2001-09-10。"_s);
    open.find<QTabWidget>("TabC")->setCurrentIndex(0);
    open.press("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
    QCOMPARE(contacts(), 0);
    // The card shows the box that needs a day, with the text as typed.
    QCOMPARE(QApplication::focusWidget(), open.date("Edit_MemorialDay")->textBox());
    QCOMPARE(open.date("Edit_MemorialDay")->textBox()->text(), u"2001/2/29"_s);

    typeDate("Edit_MemorialDay", u"20000229"_s, false);
    open.prompter.expectQuestion(true);
    open.press("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    const QVariantMap stored = newest();
    QCOMPARE(stored[u"Birthday"_s].toString() + u'|' + stored[u"MemorialDay"_s].toString(),
             u"2001-09-10|2000-02-29"_s);
}

QTEST_MAIN(TestFrmCard)
#include "tst_frmcard.moc"
