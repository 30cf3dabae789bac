// SPDX-License-Identifier: GPL-3.0-or-later
// The card's pictures page as a user drives it: adding, showing, renaming and deleting, a new
// card that cannot attach, a copy card on the source's pictures, and stored rows that cannot
// be shown.
#include "OpenCard.h"
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "card/PicturesPage.h"
#include "card/StoredPictures.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>

namespace {

using namespace Qt::StringLiterals;

const QString namePrompt = u"输入文件名称"_s;

struct PicturesCard : OpenCard {
    PicturesCard(Database& db, const CardRequest& request)
        : OpenCard(db, request, u"PagePictures"_s)
    {
    }
    QImage shown() const { return card->findChild<PicturesPage*>(u"PagePictures"_s)->shownImage(); }
    QListWidget* list() const { return card->findChild<QListWidget*>(u"ListBox"_s); }
    QLabel* picture() const { return card->findChild<QLabel*>(u"Edit_Picture"_s); }
    QStringList names() const
    {
        QStringList shown;
        for (int i = 0; i < list()->count(); ++i)
            shown << list()->item(i)->text();
        return shown;
    }
    void pick(int row) const
    {
        const QRect place = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, place.center());
    }
};

} // namespace

class TestPicturesPage : public QObject {
    Q_OBJECT

private slots:
    void init();

    void newCardCannotAddAndAsksForASelection();
    void pictureIsAddedShownRenamedAndDeleted();
    void keyboardMoveShowsThePicture();
    void cancelledOrUnreadableChoiceAddsNothing();
    void largePicturesFitWholeInTheirOwnColours();
    void storedRowThatIsNotABagShowsTheErrorBox();
    void rowDeletedMeanwhileShowsTheErrorBox();
    void copyCardWorksOnTheSourcesPictures();

private:
    // Stores pictures of the given colours under their colour names.
    void addStored(const QList<QColor>& colours, QSize size = {6, 6});
    int files() { return m_data->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(); }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestPicturesPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{u"Name"_s, u"张三"_s}});
}

void TestPicturesPage::addStored(const QList<QColor>& colours, QSize size)
{
    for (const QColor& colour : colours) {
        const QString path = writeCardImage(m_data->folder() + u"/c.png"_s, size, colour);
        if (!StoredPictures::add(m_data->db(), m_contact, colour.name(), cardFileBytes(path)))
            qFatal("cannot store the test picture");
    }
}

void TestPicturesPage::newCardCannotAddAndAsksForASelection()
{
    PicturesCard open(m_data->db(), {false, 0, 1, false});
    QVERIFY(!open.button("Button_ADDPIC")->isEnabled());
    open.prompter.expectMessage(u"请选择需要修改的图片！"_s);
    open.click("Button_EditPic");
    open.prompter.expectMessage(u"请选择需要删除的图片！"_s);
    open.click("Button_DelPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(0).title, u"提示！"_s);
}

void TestPicturesPage::pictureIsAddedShownRenamedAndDeleted()
{
    const QString red = writeCardImage(m_data->folder() + u"/红.png"_s, {40, 30}, Qt::red);
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    QCOMPARE(open.button("Button_ADDPIC")->text(), u"添加(&A)"_s);
    for (int i = 0; i < 2; ++i) {
        open.prompter.expectOpenFile(red);
        open.prompter.expectInput(u"第一张"_s, namePrompt);
        open.click("Button_ADDPIC");
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(1).defaultText, u"红.png"_s);
    // Names need not be unique; the list is rebuilt with nothing picked.
    QCOMPARE(open.names(), texts({u"第一张", u"第一张"}));
    QCOMPARE(open.list()->currentRow(), -1);
    QCOMPARE(m_data
                 ->scalar(u"SELECT count(*) FROM Vardelin_Files WHERE CID = ? AND "
                          "Type = 'P' AND Files = ?"_s,
                          {m_contact, PictureBag::ofPicture(cardFileBytes(red))})
                 .toInt(),
             2);
    QVERIFY(open.picture()->pixmap().isNull());

    open.pick(1);
    QCOMPARE(open.shown().pixel(5, 5), QColor(Qt::red).rgb());
    QCOMPARE(open.picture()->pixmap().size(), QSize(40, 30)); // small pictures are not enlarged

    // A No or an empty name changes nothing; a Yes stores the name exactly.
    const QString awkward = u"O'Neil 的 \"家\""_s;
    open.prompter.expectInput(u"不要"_s, namePrompt);
    open.prompter.expectQuestion(false, u"是否修改选中图片的名称？"_s);
    open.click("Button_EditPic");
    open.prompter.expectInput(QString(), namePrompt);
    open.click("Button_EditPic");
    QCOMPARE(open.names(), texts({u"第一张", u"第一张"}));
    QCOMPARE(open.prompter.shown().at(4).defaultText, u"第一张"_s); // the name box offers the name
    open.prompter.expectInput(awkward, namePrompt);
    open.prompter.expectQuestion(true);
    open.click("Button_EditPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({u"第一张", awkward}));
    QCOMPARE(m_data->scalar(u"SELECT Name FROM Vardelin_Files ORDER BY ID DESC"_s).toString(),
             awkward);

    open.pick(0);
    open.prompter.expectQuestion(false, u"是否删除选中的图片？"_s);
    open.click("Button_DelPic");
    open.prompter.expectQuestion(true, u"是否删除选中的图片？"_s);
    open.click("Button_DelPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({awkward}));
    QCOMPARE(m_data->scalar(u"SELECT Name FROM Vardelin_Files"_s).toString(), awkward);
    // The deleted picture stays in view until another is picked.
    QVERIFY(!open.picture()->pixmap().isNull());
}

void TestPicturesPage::keyboardMoveShowsThePicture()
{
    addStored({Qt::red, Qt::blue});
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    QCOMPARE(open.shown().pixel(1, 1), QColor(Qt::red).rgb());
    QTest::keyClick(open.list(), Qt::Key_Down);
    QCOMPARE(open.shown().pixel(1, 1), QColor(Qt::blue).rgb());
}

void TestPicturesPage::cancelledOrUnreadableChoiceAddsNothing()
{
    const QString text = writeCardFile(m_data->folder() + u"/notes.jpg"_s, "just some words");
    const QString red = writeCardImage(m_data->folder() + u"/r.png"_s, {4, 4}, Qt::red);
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectOpenFile(QString());
    open.click("Button_ADDPIC");
    open.prompter.expectOpenFile(red);
    open.prompter.expectInput(QString());
    open.click("Button_ADDPIC");
    // A file that is no picture, and one gone since it was chosen.
    for (const QString& path : QStringList{text, m_data->folder() + u"/gone.jpg"_s}) {
        open.prompter.expectOpenFile(path);
        open.prompter.expectInput(u"x"_s);
        open.prompter.expectMessage();
        open.click("Button_ADDPIC");
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(5).title, u"错误481"_s);
    QCOMPARE(open.prompter.shown().at(8).title, u"错误75"_s);
    QCOMPARE(files(), 0);
}

void TestPicturesPage::largePicturesFitWholeInTheirOwnColours()
{
    // A scanned two-colour logo: a 1-bit palette PNG whose navy is dithered half and half
    // with white, pixel by pixel.
    QImage logo(3000, 2000, QImage::Format_Mono);
    logo.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 128)});
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixel(x, y, (x + y) % 2);
    }
    const QString logoPath = m_data->folder() + u"/logo.png"_s;
    QVERIFY(logo.save(logoPath));
    QCOMPARE(QImage(logoPath).format(), QImage::Format_Mono);
    QVERIFY(StoredPictures::add(m_data->db(), m_contact, u"logo"_s, cardFileBytes(logoPath)).ok());
    addStored({Qt::green}, {1200, 900});
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    auto* frame = open.card->findChild<QScrollArea*>(u"Resizer1"_s);
    const QSize room = frame->viewport()->size();
    QVERIFY2(room.width() < 1000 && room.width() > 300, qPrintable(QString::number(room.width())));

    for (int row : {1, 0}) {
        open.pick(row);
        const QSize shown = open.picture()->size();
        QVERIFY(shown.width() <= room.width() && shown.height() <= room.height());
        QVERIFY(shown.width() == room.width() || shown.height() == room.height());
        QCoreApplication::processEvents(); // scroll bars follow a posted layout request
        QVERIFY(!frame->horizontalScrollBar()->isVisible());
        QVERIFY(!frame->verticalScrollBar()->isVisible());
    }
    // Shrunk, the dither blends into the logo's light navy instead of sampled black and white.
    const QImage shown = open.picture()->pixmap().toImage();
    for (int x = 0; x < shown.width(); ++x) {
        const QRgb pixel = shown.pixel(x, shown.height() / 2);
        QVERIFY2(qAbs(qRed(pixel) - 128) < 24 && qAbs(qBlue(pixel) - 191) < 24,
                 qPrintable(u"%1 at %2"_s.arg(QColor(pixel).name()).arg(x)));
    }
}

void TestPicturesPage::storedRowThatIsNotABagShowsTheErrorBox()
{
    addStored({Qt::red});
    m_data->run(u"INSERT INTO Vardelin_Files (CID, Type, Name, Files) VALUES "
                "(?, 'P', 'raw bytes', x'ffd8ffe000'), (?, 'P', 'bag of junk', ?)"_s,
                {m_contact, m_contact, PictureBag::ofPicture("not an image")});
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    for (int row : {1, 2}) {
        open.prompter.expectMessage();
        open.pick(row);
        QCOMPARE(open.prompter.shown().last().title, u"错误481"_s);
    }
    QVERIFY(open.prompter.scriptDone());
    // The last picture that could be shown stays.
    QCOMPARE(open.shown().pixel(1, 1), QColor(Qt::red).rgb());
}

void TestPicturesPage::rowDeletedMeanwhileShowsTheErrorBox()
{
    addStored({Qt::red, Qt::green, Qt::blue});
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    // Renaming a picture deleted since it was picked writes nothing.
    m_data->run(u"DELETE FROM Vardelin_Files WHERE Name = '#ff0000'"_s);
    open.prompter.expectInput(u"新名字"_s);
    open.prompter.expectQuestion(true);
    open.prompter.expectMessage();
    open.click("Button_EditPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, u"错误3021"_s);
    QCOMPARE(open.names(), texts({u"#00ff00", u"#0000ff"})); // the list shows what is left
    QCOMPARE(files(), 2);

    // Showing one deleted since the list was filled.
    m_data->run(u"DELETE FROM Vardelin_Files WHERE Name = '#0000ff'"_s);
    open.prompter.expectMessage();
    open.pick(1);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, u"错误3021"_s);
    QTRY_COMPARE(open.names(), texts({u"#00ff00"}));
}

void TestPicturesPage::copyCardWorksOnTheSourcesPictures()
{
    addStored({Qt::red});
    PicturesCard open(m_data->db(), {true, m_contact, 0, true});
    QCOMPARE(open.names(), texts({u"#ff0000"}));
    open.prompter.expectOpenFile(m_data->folder() + u"/c.png"_s);
    open.prompter.expectInput(u"再加一张"_s);
    open.click("Button_ADDPIC");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({u"#ff0000", u"再加一张"}));
    QCOMPARE(
        m_data->scalar(u"SELECT count(*) FROM Vardelin_Files WHERE CID = ?"_s, {m_contact}).toInt(),
        2);
}

QTEST_MAIN(TestPicturesPage)
#include "tst_picturespage.moc"
