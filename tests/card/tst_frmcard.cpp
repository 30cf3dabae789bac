// SPDX-License-Identifier: GPL-3.0-or-later
// The contact card as a user drives it: each mode, every field through a save and a load, the
// checks and questions, the photo, and failures while saving.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "card/OptionalDateEdit.h"
#include "card/PhotoFrame.h"
#include "db/PictureBag.h"
#include "card/frmCard.h"
#include "db/Session.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

const QString title = QStringLiteral("提示！");

// One card over the test's database, shown so that clicks and keys land.
struct OpenCard {
    Session session;
    ScriptedPrompter prompter;
    std::unique_ptr<frmCard> card;

    OpenCard(Database& db, const CardRequest& request, qint64 userId = 1)
    {
        session.currentUserId = userId;
        card = std::make_unique<frmCard>(db, session, prompter, request);
        card->show();
    }
    template <typename T = QWidget> T* find(const char* name) const
    {
        return card->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* line(const char* name) const { return find<QLineEdit>(name); }
    QComboBox* combo(const char* name) const { return find<QComboBox>(name); }
    OptionalDateEdit* date(const char* name) const { return find<OptionalDateEdit>(name); }
    PhotoFrame* photo() const { return find<PhotoFrame>("Edit_Photo"); }
    void click(const char* button) const
    {
        QTest::mouseClick(find<QToolButton>(button), Qt::LeftButton);
    }
};

// The text columns and the values a test puts in them.
QList<std::pair<QString, QString>> awkwardTexts()
{
    QList<std::pair<QString, QString>> texts;
    int n = 0;
    for (const CardField& field : CardFields::all) {
        if (field.editor != CardField::Editor::Line || field.column.isEmpty() ||
            field.column == QLatin1StringView("Name"))
            continue;
        const QString control(field.control);
        texts.append(
            {control,
             QStringLiteral("%1 O'Neil \"引号\" \\ %2 ; --").arg(control).arg(QChar(0x2028)) +
                 QChar(char16_t(1 + n % 30))});
        ++n;
    }
    return texts;
}

QString writeImage(const QString& folder, const QString& name, const char* format,
                   QSize size = {60, 90})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = folder + u'/' + name;
    if (!image.save(path, format))
        qFatal("cannot write the test picture");
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariantMap storedRow(TestDatabase& data, qint64 id)
{
    QVariantMap row;
    auto q = data.db().query(QStringLiteral("SELECT * FROM Vardelin_Contact WHERE ID = ?"), {id});
    if (q && q.value().next()) {
        const QSqlRecord record = q.value().record();
        for (int i = 0; i < record.count(); ++i)
            row.insert(record.fieldName(i), q.value().value(i));
    }
    return row;
}

} // namespace

class TestFrmCard : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newCardStartsEmptyInItsGroup();
    void everyFieldSurvivesASaveAndALoad();
    void editCardKeepsNullDatesAndToleratesOddValues();
    void copyCardAddsASecondContactWithNothingAttached();
    void saveChecksKeepTheCardOpen();
    void closeBoxAsksAndCommandsDoNot();
    void saveAndNewAndCopyTellTheCallerWhatNext();
    void photoIsChosenClearedAndStoredAsABag();
    void rowOrGroupDeletedMeanwhileGetsNothingWritten();
    void rowChangedMeanwhileIsReloadedKeptOrOverwritten();
    void databaseErrorWhileSavingKeepsTheCardAndTheRow();
    void layoutShowsEveryFieldUnclippedInCardOrder();
    void lunarBirthdayIsShownMarkedSavedAndLoaded();
    void typedDatesAreStoredAsMeantAndANonDateIsRefused();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_friends = 0;
    qint64 m_work = 0;
};

void TestFrmCard::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_friends = m_data->addGroup(1, 2, QStringLiteral("朋友"));
    m_work = m_data->addGroup(1, 1, QStringLiteral("同事"));
}

void TestFrmCard::cleanup()
{
    m_data.reset();
}

void TestFrmCard::newCardStartsEmptyInItsGroup()
{
    m_data->addContact({{QStringLiteral("Name"), QStringLiteral("甲")},
                        {QStringLiteral("Deptment"), QStringLiteral("销售部")},
                        {QStringLiteral("Post"), QVariant()}});
    OpenCard open(m_data->db(), {false, 0, m_friends, false});
    QCOMPARE(open.card->objectName(), QStringLiteral("frmCard"));
    QCOMPARE(open.card->windowTitle(), QStringLiteral("新建联系人"));
    QVERIFY(!open.card->loadError());
    QVERIFY(!open.find<QToolButton>("Button_Copy")->isEnabled());
    QCOMPARE(open.combo("Edit_Sex")->currentText(), QStringLiteral("男"));
    QCOMPARE(open.combo("Edit_Grade")->count(), 5);
    QCOMPARE(open.combo("Edit_Grade")->currentText(), QStringLiteral("1星"));
    QCOMPARE(open.combo("Edit_Type")->currentText(), QStringLiteral("朋友"));
    QCOMPARE(open.combo("Edit_Deptment")->count(), 1);
    QVERIFY(open.combo("Edit_Deptment")->currentText().isEmpty());
    QCOMPARE(open.combo("Edit_Post")->count(), 0);
    // No date is set and none is shown; ticked, a box offers today.
    for (const char* name : {"Edit_Birthday", "Edit_MemorialDay"}) {
        QVERIFY(!open.date(name)->date().has_value());
        QVERIFY(open.date(name)->textBox()->displayText().isEmpty());
        QVERIFY(open.date(name)->textBox()->placeholderText().isEmpty());
        open.date(name)->checkBox()->setChecked(true);
        QCOMPARE(open.date(name)->date(), std::optional(QDate::currentDate()));
        open.date(name)->checkBox()->setChecked(false);
        QVERIFY(open.date(name)->textBox()->text().isEmpty());
    }
    // The focus starts in the name.
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    QCOMPARE(QApplication::focusWidget(), open.line("Edit_Name"));
    QVERIFY(open.photo()->image().isNull());

    // A group that does not exist preselects nothing, and saving asks for one.
    OpenCard orphan(m_data->db(), {false, 0, 555, false});
    QCOMPARE(orphan.combo("Edit_Type")->currentIndex(), -1);
    orphan.line("Edit_Name")->setText(QStringLiteral("乙"));
    orphan.prompter.expectMessage(QStringLiteral("请选择所属分类！"));
    QVERIFY(!orphan.card->SaveCard());
    QVERIFY(orphan.prompter.scriptDone());

    // A new card stores no invented birthday.
    open.line("Edit_Name")->setText(QStringLiteral("丙"));
    open.prompter.expectQuestion(true, QStringLiteral("是否确认保存联系人信息？"));
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    const QVariantMap row = storedRow(
        *m_data,
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong());
    QVERIFY(row.value(QStringLiteral("Birthday")).isNull());
    QVERIFY(row.value(QStringLiteral("MemorialDay")).isNull());
    QCOMPARE(row.value(QStringLiteral("TID")).toLongLong(), m_friends);
    QCOMPARE(row.value(QStringLiteral("Py")).toString(), QStringLiteral("B"));
}

void TestFrmCard::everyFieldSurvivesASaveAndALoad()
{
    const QString jpeg = writeImage(m_data->folder(), QStringLiteral("face.JPG"), "JPG");
    const QString remark = QStringLiteral("第一行\n\n第三行\n") + QString(100000, u'长') +
                           QChar(0x00A0) + u'\t' + QChar(char16_t(7));
    qint64 id = 0;
    {
        OpenCard open(m_data->db(), {false, 0, m_work, false}, 4);
        open.line("Edit_Name")->setText(QStringLiteral("张 \"三\" 's"));
        open.combo("Edit_Sex")->setCurrentIndex(1);
        open.combo("Edit_Type")
            ->setCurrentIndex(open.combo("Edit_Type")->findText(QStringLiteral("朋友")));
        for (const auto& [control, text] : awkwardTexts())
            open.line(control.toLatin1().constData())->setText(text);
        open.line("Edit1_Fax")->setText(QStringLiteral("010-1"));
        open.combo("Edit_Deptment")->setEditText(QStringLiteral("新部门'"));
        open.combo("Edit_Post")->setEditText(QStringLiteral("总监\n"));
        open.combo("Edit_Grade")->setCurrentIndex(4);
        open.find<QPlainTextEdit>("Edit_Remark")->setPlainText(remark);
        open.date("Edit_Birthday")->setDate(QDate(1988, 2, 29));
        open.date("Edit_MemorialDay")->checkBox()->setChecked(true);
        open.date("Edit_MemorialDay")->textBox()->setText(QStringLiteral("2010-10-10"));
        open.prompter.expectOpenFile(jpeg);
        open.photo()->setFocus();
        QTest::keyClick(open.photo(), Qt::Key_Space);
        QVERIFY(!open.photo()->image().isNull());

        open.prompter.expectQuestion(true);
        open.click("Button_Save");
        QVERIFY(open.prompter.scriptDone());
        QVERIFY(open.card->saved());
        QCOMPARE(open.card->result(), int(QDialog::Accepted));
        QVERIFY(!open.card->isVisible());
        QCOMPARE(open.prompter.shown().first().filter,
                 QStringLiteral("JPG图片 (*.jpg *.JPG *.jpeg);;GIF图片 (*.gif *.GIF);;"
                                "BMP图片 (*.bmp *.BMP);;PNG图片 (*.png)"));
        id = m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong();
    }
    const QVariantMap first = storedRow(*m_data, id);
    QCOMPARE(first.value(QStringLiteral("Name")).toString(), QStringLiteral("张 \"三\" 's"));
    QCOMPARE(first.value(QStringLiteral("Py")).toString(), QStringLiteral("Z"));
    QCOMPARE(first.value(QStringLiteral("UID")).toLongLong(), 4);
    QCOMPARE(first.value(QStringLiteral("TID")).toLongLong(), m_friends);
    QCOMPARE(first.value(QStringLiteral("Sex")).toString(), QStringLiteral("女"));
    QCOMPARE(first.value(QStringLiteral("Grade")).toString(), QStringLiteral("5星"));
    QCOMPARE(first.value(QStringLiteral("Deptment")).toString(), QStringLiteral("新部门'"));
    QCOMPARE(first.value(QStringLiteral("Post")).toString(), QStringLiteral("总监\n"));
    QCOMPARE(first.value(QStringLiteral("Remark")).toString(), remark);
    QCOMPARE(first.value(QStringLiteral("Birthday")).toString(), QStringLiteral("1988-02-29"));
    QCOMPARE(first.value(QStringLiteral("MemorialDay")).toString(), QStringLiteral("2010-10-10"));
    QCOMPARE(first.value(QStringLiteral("AddDate")).toString(),
             QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    for (const auto& [control, text] : awkwardTexts()) {
        const CardField* field = nullptr;
        for (const CardField& candidate : CardFields::all)
            if (QString(candidate.control) == control)
                field = &candidate;
        QCOMPARE(first.value(QString(field->column)).toString(), text);
    }
    // The chosen file's own bytes, not re-encoded.
    QCOMPARE(PictureBag::pictureOf(first.value(QStringLiteral("Photo")).toByteArray()),
             std::optional(fileBytes(jpeg)));
    QVERIFY(!first.values().contains(QStringLiteral("010-1")));

    // Opened again and saved unchanged, the row is the same.
    OpenCard again(m_data->db(), {true, id, 0, false}, 4);
    QCOMPARE(again.card->windowTitle(), QStringLiteral("修改联系人"));
    QCOMPARE(again.line("Edit_Name")->text(), QStringLiteral("张 \"三\" 's"));
    QCOMPARE(again.combo("Edit_Type")->currentText(), QStringLiteral("朋友"));
    QCOMPARE(again.date("Edit_Birthday")->date(), std::optional(QDate(1988, 2, 29)));
    QVERIFY(again.line("Edit1_Fax")->text().isEmpty());
    QVERIFY(!again.photo()->image().isNull());
    QCOMPARE(again.photo()->image().size(), QSize(60, 90));
    again.prompter.expectQuestion(true);
    QVERIFY(again.card->SaveCard());
    QCOMPARE(storedRow(*m_data, id), first);

    // Remarks another program wrote with carriage returns survive a save that leaves them be.
    const QString windowsRemark = QStringLiteral("一\r\n二\r三");
    m_data->run(QStringLiteral("UPDATE Vardelin_Contact SET Remark = ? WHERE ID = ?"),
                {windowsRemark, id});
    OpenCard third(m_data->db(), {true, id, 0, false}, 4);
    third.prompter.expectQuestion(true);
    QVERIFY(third.card->SaveCard());
    QCOMPARE(storedRow(*m_data, id).value(QStringLiteral("Remark")).toString(), windowsRemark);
}

void TestFrmCard::editCardKeepsNullDatesAndToleratesOddValues()
{
    const qint64 id = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("李四")},
         {QStringLiteral("TID"), 999},
         {QStringLiteral("UID"), 1},
         {QStringLiteral("Sex"), QStringLiteral("未知")},
         {QStringLiteral("Grade"), QStringLiteral("9星")},
         {QStringLiteral("Tel1"), QVariant()},
         {QStringLiteral("Birthday"), QVariant()},
         {QStringLiteral("MemorialDay"), QStringLiteral("乱写")},
         {QStringLiteral("Photo"), PictureBag::ofPicture("not a picture").left(20)}});
    OpenCard open(m_data->db(), {true, id, 0, false}, 2);
    QVERIFY(!open.card->loadError());
    QCOMPARE(open.combo("Edit_Sex")->currentText(), QStringLiteral("男"));
    QCOMPARE(open.combo("Edit_Grade")->currentText(), QStringLiteral("1星"));
    QCOMPARE(open.combo("Edit_Type")->currentIndex(), -1);
    QVERIFY(!open.date("Edit_Birthday")->date().has_value());
    QVERIFY(!open.date("Edit_MemorialDay")->date().has_value());
    QVERIFY(open.photo()->image().isNull());

    open.prompter.expectMessage(QStringLiteral("请选择所属分类！"));
    QVERIFY(!open.card->SaveCard());
    open.combo("Edit_Type")->setCurrentIndex(0);
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    const QVariantMap row = storedRow(*m_data, id);
    QVERIFY(row.value(QStringLiteral("Birthday")).isNull());
    QVERIFY(row.value(QStringLiteral("MemorialDay")).isNull());
    QCOMPARE(row.value(QStringLiteral("UID")).toLongLong(), 2);
    QVERIFY(!row.value(QStringLiteral("Tel1")).isNull());
    // The damaged photo became the empty picture's bag.
    QCOMPARE(PictureBag::pictureOf(row.value(QStringLiteral("Photo")).toByteArray()),
             std::optional(QByteArray()));
}

void TestFrmCard::copyCardAddsASecondContactWithNothingAttached()
{
    const qint64 source = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("原件")},
         {QStringLiteral("TID"), m_work},
         {QStringLiteral("Mail1"), QStringLiteral("a@b.c")},
         {QStringLiteral("Birthday"), QStringLiteral("1990-01-02")},
         {QStringLiteral("Photo"), PictureBag::ofPicture(fileBytes(writeImage(
                                       m_data->folder(), QStringLiteral("p.png"), "PNG")))}});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name) VALUES (?, 'P', 'x')"),
                {source});
    m_data->run(QStringLiteral("INSERT INTO Vardelin_History (CID, Remark) VALUES (?, 'y')"),
                {source});
    const QVariantMap before = storedRow(*m_data, source);

    OpenCard open(m_data->db(), {true, source, 0, true});
    QCOMPARE(open.card->windowTitle(), QStringLiteral("新建联系人"));
    QVERIFY(!open.card->isEdit());
    QCOMPARE(open.card->contactId(), source);
    open.prompter.expectQuestion(true);
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());

    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 2);
    const qint64 copy =
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong();
    QVERIFY(copy != source);
    QCOMPARE(storedRow(*m_data, source), before);
    QVariantMap copied = storedRow(*m_data, copy);
    QCOMPARE(copied.value(QStringLiteral("Mail1")).toString(), QStringLiteral("a@b.c"));
    QCOMPARE(copied.value(QStringLiteral("Birthday")).toString(), QStringLiteral("1990-01-02"));
    QCOMPARE(copied.value(QStringLiteral("TID")).toLongLong(), m_work);
    QCOMPARE(copied.value(QStringLiteral("Photo")), before.value(QStringLiteral("Photo")));
    for (const char* table : {"Vardelin_Files", "Vardelin_History"}) {
        QCOMPARE(m_data
                     ->scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE CID = ?")
                                  .arg(QString::fromLatin1(table)),
                              {copy})
                     .toInt(),
                 0);
    }
}

void TestFrmCard::saveChecksKeepTheCardOpen()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    open.line("Edit_Tel1")->setText(QStringLiteral("12345"));
    open.prompter.expectMessage(QStringLiteral("姓名不能为空！"));
    open.click("Button_Save");
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Information);

    // Spaces are a name.
    open.line("Edit_Name")->setText(QStringLiteral("  "));
    open.combo("Edit_Type")->setCurrentIndex(-1);
    open.prompter.expectMessage(QStringLiteral("请选择所属分类！"));
    QVERIFY(!open.card->SaveCard());
    open.combo("Edit_Type")->setCurrentIndex(1);
    open.prompter.expectQuestion(false, QStringLiteral("是否确认保存联系人信息？"));
    QVERIFY(!open.card->SaveCard());
    QCOMPARE(open.prompter.shown().last().title, title);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.card->isVisible());
    QVERIFY(!open.card->saved());
    QCOMPARE(open.line("Edit_Tel1")->text(), QStringLiteral("12345"));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);

    // Ctrl+S saves from any box.
    open.card->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    open.prompter.expectQuestion(true);
    QTest::keyClick(open.line("Edit_Tel1"), Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(open.card->saved()); // a shortcut clicks its button a moment later
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact")).toString(),
             QStringLiteral("  "));
}

void TestFrmCard::closeBoxAsksAndCommandsDoNot()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    open.line("Edit_Name")->setText(QStringLiteral("未存"));
    open.prompter.expectQuestion(false, QStringLiteral("是否关闭联系人窗口？"));
    QVERIFY(!open.card->close());
    QVERIFY(open.card->isVisible());
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.line("Edit_Name")->text(), QStringLiteral("未存"));
    open.prompter.expectQuestion(false, QStringLiteral("是否关闭联系人窗口？"));
    QTest::keyClick(open.line("Edit_Name"), Qt::Key_Escape);
    QVERIFY(open.card->isVisible());
    open.prompter.expectQuestion(true, QStringLiteral("是否关闭联系人窗口？"));
    QVERIFY(open.card->close());
    QVERIFY(!open.card->saved());
    QCOMPARE(open.card->then(), frmCard::Then::Nothing);
    QVERIFY(open.prompter.scriptDone());

    OpenCard exit(m_data->db(), {false, 0, m_work, false});
    exit.line("Edit_Name")->setText(QStringLiteral("未存"));
    exit.click("Button_Exit");
    QVERIFY(!exit.card->isVisible());
    QVERIFY(exit.prompter.shown().isEmpty());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);
}

void TestFrmCard::saveAndNewAndCopyTellTheCallerWhatNext()
{
    {
        OpenCard open(m_data->db(), {false, 0, m_work, false});
        open.prompter.expectMessage(QStringLiteral("姓名不能为空！"));
        open.click("Button_New");
        QVERIFY(open.card->isVisible());
        QCOMPARE(open.card->then(), frmCard::Then::Nothing);
        open.line("Edit_Name")->setText(QStringLiteral("新"));
        open.prompter.expectQuestion(true);
        open.click("Button_New");
        QVERIFY(open.prompter.scriptDone());
        QVERIFY(open.card->saved());
        QCOMPARE(open.card->then(), frmCard::Then::NewCard);
    }
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT ID FROM Vardelin_Contact")).toLongLong();
    OpenCard edit(m_data->db(), {true, id, 0, false});
    QVERIFY(edit.find<QToolButton>("Button_Copy")->isEnabled());
    edit.line("Edit_Name")->setText(QStringLiteral("改了不存"));
    edit.click("Button_Copy");
    QVERIFY(edit.prompter.shown().isEmpty());
    QVERIFY(!edit.card->isVisible());
    QVERIFY(!edit.card->saved());
    QCOMPARE(edit.card->then(), frmCard::Then::CopyCard);
    QCOMPARE(edit.card->contactId(), id);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Contact")).toString(),
             QStringLiteral("新"));
}

void TestFrmCard::photoIsChosenClearedAndStoredAsABag()
{
    const QString gif = writeImage(m_data->folder(), QStringLiteral("wide.bmp"), "BMP", {300, 100});
    QFile broken(m_data->folder() + QStringLiteral("/broken.jpg"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\xff\xd8 this is not really a JPEG");
    broken.close();
    const qint64 id =
        m_data->addContact({{QStringLiteral("Name"), QStringLiteral("照片人")},
                            {QStringLiteral("TID"), m_work},
                            {QStringLiteral("Photo"), PictureBag::ofPicture("\x89PNG broken")}});
    // A bag whose picture cannot be decoded shows no picture.
    OpenCard open(m_data->db(), {true, id, 0, false});
    QVERIFY(open.photo()->image().isNull());

    open.prompter.expectOpenFile(gif);
    QTest::mouseClick(open.photo(), Qt::LeftButton);
    QCOMPARE(open.photo()->image().size(), QSize(300, 100));
    const QByteArray shown = open.photo()->pictureBytes();

    // A file that is no picture, a missing file and a cancelled dialog change nothing.
    open.prompter.expectOpenFile(broken.fileName());
    open.prompter.expectMessage();
    open.prompter.expectOpenFile(m_data->folder() + QStringLiteral("/missing.jpg"));
    open.prompter.expectMessage();
    open.prompter.expectOpenFile(QString());
    for (int i = 0; i < 3; ++i) {
        open.photo()->setFocus();
        QTest::keyClick(open.photo(), Qt::Key_Return);
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(2).icon, Prompter::Icon::Critical);
    QVERIFY(open.prompter.shown().at(2).title.startsWith(QStringLiteral("错误")));
    QCOMPARE(open.photo()->pictureBytes(), shown);
    // Nothing is written until the card is saved.
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Photo FROM Vardelin_Contact")).toByteArray(),
             PictureBag::ofPicture("\x89PNG broken"));

    // Shown scaled to the frame, keeping the picture's proportions.
    const QImage painted = open.photo()->grab().toImage();
    QVERIFY(painted.pixelColor(painted.width() / 2, painted.height() / 2) == QColor(Qt::darkCyan));
    QVERIFY(painted.pixelColor(painted.width() / 2, 6) != QColor(Qt::darkCyan));

    open.click("Button_Clear");
    QVERIFY(open.photo()->image().isNull());
    QVERIFY(open.prompter.scriptDone());
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    const QByteArray stored =
        m_data->scalar(QStringLiteral("SELECT Photo FROM Vardelin_Contact")).toByteArray();
    QVERIFY(!stored.isEmpty());
    QCOMPARE(PictureBag::pictureOf(stored), std::optional(QByteArray()));
}

void TestFrmCard::rowOrGroupDeletedMeanwhileGetsNothingWritten()
{
    const qint64 id = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("将删")}, {QStringLiteral("TID"), m_work}});
    OpenCard open(m_data->db(), {true, id, 0, false});
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID = ?"), {id});
    open.line("Edit_Name")->setText(QStringLiteral("改名"));
    // Cancel: back to the card, nothing written.
    const QString deleted = QStringLiteral("此联系人在您打开后已在别处被删除。\n\n"
                                           "“另存为新联系人”：把您填写的内容保存为一个新联系人；\n"
                                           "“取消”：返回继续编辑。");
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(1, deleted);
    QVERIFY(!open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.prompter.shown().last().buttons,
             QStringList({QStringLiteral("另存为新联系人(&N)"), QStringLiteral("取消(&C)")}));
    QVERIFY(open.card->isVisible());
    QCOMPARE(open.line("Edit_Name")->text(), QStringLiteral("改名"));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);
    // Saved as a new contact instead.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(0, deleted);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT group_concat(Name) FROM Vardelin_Contact"))
                 .toString(),
             QStringLiteral("改名"));
    QVERIFY(m_data->scalar(QStringLiteral("SELECT ID FROM Vardelin_Contact")).toLongLong() != id);
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Contact"));

    // The chosen group deleted meanwhile: the card says so and offers the groups that remain.
    const qint64 doomed = m_data->addGroup(1, 3, QStringLiteral("将删分组"));
    OpenCard newCard(m_data->db(), {false, 0, doomed, false});
    newCard.line("Edit_Name")->setText(QStringLiteral("无家可归"));
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {doomed});
    newCard.prompter.expectQuestion(true);
    newCard.prompter.expectMessage(QStringLiteral("所属分类已被删除，请重新选择！"));
    QVERIFY(!newCard.card->SaveCard());
    QVERIFY(newCard.prompter.scriptDone());
    QVERIFY(newCard.card->isVisible());
    QCOMPARE(newCard.combo("Edit_Type")->currentIndex(), -1);
    QCOMPARE(newCard.combo("Edit_Type")->findText(QStringLiteral("将删分组")), -1);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt(), 0);

    // A read that fails is reported, never shown as an empty card that a save would write over.
    m_data->run(QStringLiteral("ALTER TABLE Vardelin_Contact RENAME TO Elsewhere"));
    OpenCard unreadable(m_data->db(), {true, id, 0, false});
    QVERIFY(unreadable.card->loadError().has_value());
    m_data->run(QStringLiteral("ALTER TABLE Elsewhere RENAME TO Vardelin_Contact"));

    // A card opened on a row already gone shows an empty edit card.
    OpenCard gone(m_data->db(), {true, id, 0, false});
    QVERIFY(!gone.card->loadError());
    QCOMPARE(gone.card->windowTitle(), QStringLiteral("修改联系人"));
    QVERIFY(gone.line("Edit_Name")->text().isEmpty());
}

void TestFrmCard::rowChangedMeanwhileIsReloadedKeptOrOverwritten()
{
    const qint64 id = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("原名")},
                                          {QStringLiteral("Tel1"), QStringLiteral("111")},
                                          {QStringLiteral("TID"), m_work}});
    OpenCard open(m_data->db(), {true, id, 0, false});
    open.line("Edit_Name")->setText(QStringLiteral("我的改名"));
    // Another program (or window) saves the contact while this card is open.
    Database other;
    QVERIFY(other.open(m_data->path()));
    const auto changeElsewhere = [&other, id](const QString& tel) {
        QVERIFY(other.exec(QStringLiteral("UPDATE Vardelin_Contact SET Tel1 = ? WHERE ID = ?"),
                           {tel, id}));
    };
    changeElsewhere(QStringLiteral("222"));
    const QString changed = QStringLiteral("此联系人在您打开后已在别处被修改并保存。\n\n"
                                           "“重新读取”：放弃您的修改，显示已保存的内容；\n"
                                           "“覆盖保存”：用您的修改替换已保存的内容；\n"
                                           "“取消”：返回继续编辑。");
    const auto stored = [this, id](const char* column) {
        return storedRow(*m_data, id).value(QString::fromLatin1(column)).toString();
    };

    // Cancel: the card keeps the user's input and nothing is written.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(2, changed);
    QVERIFY(!open.card->SaveCard());
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.prompter.shown().last().buttons,
             QStringList({QStringLiteral("重新读取(&R)"), QStringLiteral("覆盖保存(&O)"),
                          QStringLiteral("取消(&C)")}));
    QVERIFY(open.card->isVisible());
    QCOMPARE(open.line("Edit_Name")->text(), QStringLiteral("我的改名"));
    QCOMPARE(stored("Name"), QStringLiteral("原名"));
    QCOMPARE(stored("Tel1"), QStringLiteral("222"));

    // Reload: the card shows the stored contact, and a save from there writes over nothing.
    open.prompter.expectQuestion(true);
    open.prompter.expectChoice(0, changed);
    QVERIFY(!open.card->SaveCard());
    QVERIFY(open.card->isVisible());
    QCOMPARE(open.line("Edit_Name")->text(), QStringLiteral("原名"));
    QCOMPARE(open.line("Edit_Tel1")->text(), QStringLiteral("222"));
    QCOMPARE(stored("Name"), QStringLiteral("原名"));
    open.line("Edit_Tel2")->setText(QStringLiteral("333"));
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(stored("Tel1") + stored("Tel2"), QStringLiteral("222333"));

    // Overwrite on purpose: the card's values replace what was saved meanwhile.
    OpenCard again(m_data->db(), {true, id, 0, false});
    again.line("Edit_Name")->setText(QStringLiteral("覆盖"));
    changeElsewhere(QStringLiteral("444"));
    again.prompter.expectQuestion(true);
    again.prompter.expectChoice(1, changed);
    QVERIFY(again.card->SaveCard());
    QVERIFY(again.prompter.scriptDone());
    QCOMPARE(stored("Name") + stored("Tel1"), QStringLiteral("覆盖222"));
}

void TestFrmCard::databaseErrorWhileSavingKeepsTheCardAndTheRow()
{
    const qint64 id = m_data->addContact(
        {{QStringLiteral("Name"), QStringLiteral("原名")}, {QStringLiteral("TID"), m_work}});
    const QVariantMap before = storedRow(*m_data, id);
    OpenCard open(m_data->db(), {true, id, 0, false});
    open.line("Edit_Name")->setText(QStringLiteral("新名"));

    // Another program holds the file's write lock; waiting is kept short here.
    QVERIFY(m_data->db().exec(QStringLiteral("PRAGMA busy_timeout = 50")).ok());
    {
        Database other;
        QVERIFY(other.open(m_data->path()).ok());
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")).ok());
        open.prompter.expectQuestion(true);
        open.prompter.expectMessage();
        QVERIFY(!open.card->SaveCard());
        QCOMPARE(open.prompter.shown().last().title, QStringLiteral("错误5"));
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")).ok());
    }
    QVERIFY(open.card->isVisible());
    QCOMPARE(storedRow(*m_data, id), before);

    // A value the file refuses.
    m_data->run(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Vardelin_Contact "
                               "WHEN NEW.Tel2 = 'x' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    open.line("Edit_Tel2")->setText(QStringLiteral("x"));
    open.prompter.expectQuestion(true);
    open.prompter.expectMessage();
    QVERIFY(!open.card->SaveCard());
    QVERIFY(open.prompter.shown().last().title.startsWith(QStringLiteral("错误")));
    QVERIFY(open.card->isVisible());
    QCOMPARE(storedRow(*m_data, id), before);

    // Once the cause is gone the same input saves.
    open.line("Edit_Tel2")->setText(QStringLiteral("y"));
    open.prompter.expectQuestion(true);
    QVERIFY(open.card->SaveCard());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(storedRow(*m_data, id).value(QStringLiteral("Name")).toString(),
             QStringLiteral("新名"));
}

void TestFrmCard::layoutShowsEveryFieldUnclippedInCardOrder()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    QVERIFY(QTest::qWaitForWindowExposed(open.card.get()));
    auto* tabs = open.find<QTabWidget>("TabC");
    QCOMPARE(tabs->count(), 5);
    const QStringList pages{QStringLiteral("基本信息"), QStringLiteral("自定义信息"),
                            QStringLiteral("图片"), QStringLiteral("文档"),
                            QStringLiteral("联系记录")};
    for (int i = 0; i < tabs->count(); ++i)
        QCOMPARE(tabs->tabText(i), pages[i]);
    for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3"})
        QVERIFY2(open.find<QGroupBox>(name), name);
    const QList<std::pair<const char*, const char*>> tips{{"Button_Save", "保存"},
                                                          {"Button_New", "保存并新建联系人"},
                                                          {"Button_Copy", "复制到新联系人"},
                                                          {"Button_Clear", "清除照片"},
                                                          {"Button_Exit", "不保存退出"}};
    for (const auto& [name, tip] : tips) {
        auto* button = open.find<QToolButton>(name);
        QCOMPARE(button->toolTip(), QString::fromUtf8(tip));
        QCOMPARE(button->accessibleName(), QString::fromUtf8(tip));
        QVERIFY(!button->icon().isNull());
    }

    // A tall photo and a long address change no box's place.
    QVERIFY(open.photo()->setPicture(
        fileBytes(writeImage(m_data->folder(), QStringLiteral("tall.png"), "PNG", {300, 400}))));
    open.line("Edit_Address")->setText(QString(200, u'路'));
    const QString shots = qEnvironmentVariable("VARDELIN_SCREENSHOTS");
    for (int page = 0; page < 2; ++page) {
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        if (!shots.isEmpty())
            open.card->grab().save(shots + QStringLiteral("/card-%1.png").arg(page));
        for (const CardEditors::Entry& entry : open.card->editors().entries()) {
            if (entry.editor->isVisible() != true)
                continue;
            const QByteArray name = entry.field->control.data();
            QWidget* pageWidget = tabs->currentWidget();
            const QRect inPage(entry.editor->mapTo(pageWidget, QPoint()), entry.editor->size());
            QVERIFY2(pageWidget->rect().contains(inPage), name);
            QVERIFY2(entry.editor->width() >= entry.editor->minimumSizeHint().width(), name);
            if (entry.label) {
                QCOMPARE(entry.label->buddy(), entry.editor);
                QVERIFY2(entry.label->width() >= entry.label->sizeHint().width(), name);
            }
        }
    }

    // Tab walks the first page in card order.
    tabs->setCurrentIndex(0);
    open.line("Edit_Name")->setFocus();
    QStringList walked;
    for (int i = 0; i < 30; ++i) {
        walked << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The photo right below the heading comes before the phones beside it.
    QStringList expected{QStringLiteral("Edit_Name"), QStringLiteral("Edit_Sex"),
                         QStringLiteral("Edit_Type"), QStringLiteral("Edit_Photo")};
    for (const CardField& field : CardFields::all)
        if (field.frame >= CardField::Frame::Phones && field.frame <= CardField::Frame::Network)
            expected << QString(field.control);
    QCOMPARE(walked.mid(0, expected.size()), expected);

    // And the second page, a date picker counting once with its check box.
    tabs->setCurrentIndex(1);
    open.line("Edit_Office")->setFocus();
    walked.clear();
    for (int i = 0; i < 30; ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (auto* date = qobject_cast<OptionalDateEdit*>(focused->parentWidget()))
            focused = date;
        if (walked.isEmpty() || walked.last() != focused->objectName())
            walked << focused->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Each band's left column, then its right one; the remarks across the bottom last.
    expected = QStringList{QStringLiteral("Edit_Office"),      QStringLiteral("Edit_Job"),
                           QStringLiteral("Edit_Related1"),    QStringLiteral("Edit_Related2"),
                           QStringLiteral("Edit_Custom1"),     QStringLiteral("Edit_Custom2"),
                           QStringLiteral("Edit_Custom3"),     QStringLiteral("Edit_Custom4"),
                           QStringLiteral("Edit_Grade"),       QStringLiteral("Edit_NickName"),
                           QStringLiteral("Edit_Title"),       QStringLiteral("Edit_Hobby"),
                           QStringLiteral("Edit_Specialty"),   QStringLiteral("Edit_Birthday"),
                           QStringLiteral("Edit_MemorialDay"), QStringLiteral("Edit_Member"),
                           QStringLiteral("Edit_Spouse"),      QStringLiteral("Edit_SpouseTel"),
                           QStringLiteral("Edit_Remark")};
    QCOMPARE(walked.mid(0, expected.size()), expected);
}

void TestFrmCard::lunarBirthdayIsShownMarkedSavedAndLoaded()
{
    const auto marked = [this](qint64 id) {
        return m_data
                   ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_LunarBirthday "
                                           "WHERE CID = ?"),
                            {id})
                   .toInt() == 1;
    };
    qint64 id = 0;
    {
        OpenCard open(m_data->db(), {false, 0, m_work, false});
        auto* lunar = open.find<QCheckBox>("Edit_LunarBirthday");
        QVERIFY(!lunar->isEnabled());
        QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), QString());
        open.line("Edit_Name")->setText(QStringLiteral("张三"));
        open.date("Edit_Birthday")->setDate(QDate(2023, 3, 22));
        QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), QStringLiteral("农历闰二月初一"));
        QVERIFY(lunar->isEnabled());
        lunar->setChecked(true);
        open.prompter.expectQuestion(true);
        open.click("Button_Save");
        QVERIFY(open.card->saved());
        id = m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong();
        QVERIFY(marked(id));
    }
    {
        OpenCard open(m_data->db(), {true, id, 0, false});
        QVERIFY(open.find<QCheckBox>("Edit_LunarBirthday")->isChecked());
        QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), QStringLiteral("农历闰二月初一"));
        // Without a birthday there is nothing to keep by the lunar calendar.
        open.date("Edit_Birthday")->setDate(std::nullopt);
        QCOMPARE(open.find<QLabel>("Label_Lunar")->text(), QString());
        open.prompter.expectQuestion(true);
        open.click("Button_Save");
        QVERIFY(open.card->saved());
        QVERIFY(!marked(id));
    }
}

void TestFrmCard::typedDatesAreStoredAsMeantAndANonDateIsRefused()
{
    OpenCard open(m_data->db(), {false, 0, m_work, false});
    QVERIFY(QTest::qWaitForWindowActive(open.card.get()));
    open.line("Edit_Name")->setText(QStringLiteral("王五"));
    open.find<QTabWidget>("TabC")->setCurrentIndex(1);
    // Typed over what the box offers, as it is shown and in another form.
    const auto typeDate = [&open](const char* name, const QString& typed) {
        OptionalDateEdit* date = open.date(name);
        QTest::mouseClick(date->checkBox(), Qt::LeftButton);
        date->textBox()->setFocus();
        date->textBox()->selectAll();
        QTest::keyClicks(date->textBox(), typed);
    };
    typeDate("Edit_Birthday", QStringLiteral("2001-09-10"));
    typeDate("Edit_MemorialDay", QStringLiteral("2001/2/29"));
    const auto contacts = [this] {
        return m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toInt();
    };
    const int before = contacts();

    open.prompter.expectMessage(
        QStringLiteral("纪念日“2001/2/29”不是有效的日期，请按“年-月-日”填写，例如 2001-09-10。"));
    open.find<QTabWidget>("TabC")->setCurrentIndex(0);
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
    QCOMPARE(contacts(), before);
    // The card shows the box that needs a day, with the text as typed.
    QCOMPARE(QApplication::focusWidget(), open.date("Edit_MemorialDay")->textBox());
    QCOMPARE(open.date("Edit_MemorialDay")->textBox()->text(), QStringLiteral("2001/2/29"));

    open.date("Edit_MemorialDay")->textBox()->selectAll();
    QTest::keyClicks(open.date("Edit_MemorialDay")->textBox(), QStringLiteral("20000229"));
    open.prompter.expectQuestion(true);
    open.click("Button_Save");
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.card->saved());
    const QVariantMap row = storedRow(
        *m_data,
        m_data->scalar(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact")).toLongLong());
    QCOMPARE(row.value(QStringLiteral("Name")).toString(), QStringLiteral("王五"));
    QCOMPARE(row.value(QStringLiteral("Birthday")).toString(), QStringLiteral("2001-09-10"));
    QCOMPARE(row.value(QStringLiteral("MemorialDay")).toString(), QStringLiteral("2000-02-29"));
}

QTEST_MAIN(TestFrmCard)
#include "tst_frmcard.moc"
