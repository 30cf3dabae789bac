// SPDX-License-Identifier: GPL-3.0-or-later
// The card's pictures page as a user drives it: adding, showing, renaming and deleting, a new
// card that cannot attach, a copy card on the source's pictures, and stored rows that cannot
// be shown.
#include "OpenCard.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "db/PictureBag.h"
#include "card/PicturesPage.h"
#include "card/StoredPictures.h"
#include "card/frmCard.h"
#include "db/Session.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

const QString title = QStringLiteral("提示！");
const QString namePrompt = QStringLiteral("输入文件名称");

struct PicturesCard : OpenCard {
    PicturesCard(Database& db, const CardRequest& request)
        : OpenCard(db, request, QStringLiteral("PagePictures"))
    {
    }
    PicturesPage* page() const
    {
        return card->findChild<PicturesPage*>(QStringLiteral("PagePictures"));
    }
    QListWidget* list() const { return card->findChild<QListWidget*>(QStringLiteral("ListBox")); }
    QLabel* picture() const { return card->findChild<QLabel*>(QStringLiteral("Edit_Picture")); }
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

QString writeImage(const QString& folder, const QString& name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = folder + u'/' + name;
    if (!image.save(path))
        qFatal("cannot write the test picture");
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPicturesPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newCardCannotAddAndAsksForASelection();
    void pictureIsAddedShownRenamedAndDeleted();
    void cancelledChoiceOrNameAddsNothing();
    void fileThatIsNotAPictureIsRefused();
    void keyboardMoveShowsThePicture();
    void largePicturesFitWholeInTheirOwnColours();
    void storedRowThatIsNotABagShowsTheErrorBox();
    void rowDeletedMeanwhileShowsTheErrorBox();
    void copyCardWorksOnTheSourcesPictures();

private:
    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestPicturesPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
}

void TestPicturesPage::cleanup()
{
    m_data.reset();
}

void TestPicturesPage::newCardCannotAddAndAsksForASelection()
{
    PicturesCard open(m_data->db(), {false, 0, 1, false});
    QVERIFY(!open.button("Button_ADDPIC")->isEnabled());
    QVERIFY(open.button("Button_EditPic")->isEnabled());
    QCOMPARE(open.list()->count(), 0);
    open.prompter.expectMessage(QStringLiteral("请选择需要修改的图片！"));
    open.click("Button_EditPic");
    open.prompter.expectMessage(QStringLiteral("请选择需要删除的图片！"));
    open.click("Button_DelPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(0).title, title);
    QCOMPARE(open.prompter.shown().at(0).icon, Prompter::Icon::Information);
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
}

void TestPicturesPage::pictureIsAddedShownRenamedAndDeleted()
{
    const QString red = writeImage(m_data->folder(), QStringLiteral("红.png"), {40, 30}, Qt::red);
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    QVERIFY(open.button("Button_ADDPIC")->isEnabled());
    QCOMPARE(open.button("Button_ADDPIC")->text(), QStringLiteral("添加(&A)"));

    for (const QString& name : {QStringLiteral("第一张"), QStringLiteral("第一张")}) {
        open.prompter.expectOpenFile(red);
        open.prompter.expectInput(name, namePrompt);
        open.click("Button_ADDPIC");
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(1).defaultText, QStringLiteral("红.png"));
    QCOMPARE(open.prompter.shown().at(1).title, QStringLiteral("提示"));
    // Names need not be unique; the list is rebuilt with nothing picked.
    QCOMPARE(open.names(), texts({u"第一张", u"第一张"}));
    QCOMPARE(open.list()->currentRow(), -1);
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE CID = ? AND "
                                         "Type = 'P' AND Files = ?"),
                          {m_contact, PictureBag::ofPicture(fileBytes(red))})
                 .toInt(),
             2);
    QVERIFY(open.picture()->pixmap().isNull());

    open.pick(1);
    QCOMPARE(open.page()->shownImage().size(), QSize(40, 30));
    QCOMPARE(open.page()->shownImage().pixel(5, 5), QColor(Qt::red).rgb());
    QCOMPARE(open.picture()->pixmap().size(), QSize(40, 30)); // small pictures are not enlarged

    const QString awkward = QStringLiteral("O'Neil 的 \"家\"");
    open.prompter.expectInput(awkward, namePrompt);
    open.prompter.expectQuestion(true, QStringLiteral("是否修改选中图片的名称？"));
    open.click("Button_EditPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(open.names(), texts({u"第一张", awkward}));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Files ORDER BY ID DESC"))
                 .toString(),
             awkward);

    // A No or an empty name changes nothing.
    open.pick(1);
    open.prompter.expectInput(QStringLiteral("不要"), namePrompt);
    open.prompter.expectQuestion(false);
    open.click("Button_EditPic");
    open.prompter.expectInput(QString(), namePrompt);
    open.click("Button_EditPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(open.prompter.shown().size() - 1).defaultText, awkward);
    QCOMPARE(open.names(), texts({u"第一张", awkward}));

    open.pick(0);
    open.prompter.expectQuestion(false, QStringLiteral("是否删除选中的图片？"));
    open.click("Button_DelPic");
    open.prompter.expectQuestion(true, QStringLiteral("是否删除选中的图片？"));
    open.click("Button_DelPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({awkward}));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT Name FROM Vardelin_Files")).toString(), awkward);
    // The deleted picture stays in view until another is picked.
    QVERIFY(!open.picture()->pixmap().isNull());
}

void TestPicturesPage::cancelledChoiceOrNameAddsNothing()
{
    const QString red = writeImage(m_data->folder(), QStringLiteral("r.png"), {4, 4}, Qt::red);
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectOpenFile(QString());
    open.click("Button_ADDPIC");
    open.prompter.expectOpenFile(red);
    open.prompter.expectInput(QString());
    open.click("Button_ADDPIC");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
}

void TestPicturesPage::fileThatIsNotAPictureIsRefused()
{
    const QString text = m_data->folder() + QStringLiteral("/notes.jpg");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("just some words");
    file.close();
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectOpenFile(text);
    open.prompter.expectInput(QStringLiteral("x"));
    open.prompter.expectMessage();
    open.click("Button_ADDPIC");
    open.prompter.expectOpenFile(m_data->folder() + QStringLiteral("/gone.jpg"));
    open.prompter.expectInput(QStringLiteral("x"));
    open.prompter.expectMessage();
    open.click("Button_ADDPIC");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(2).title, QStringLiteral("错误481"));
    QCOMPARE(open.prompter.shown().at(2).icon, Prompter::Icon::Critical);
    QCOMPARE(open.prompter.shown().at(5).title, QStringLiteral("错误75"));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
}

void TestPicturesPage::keyboardMoveShowsThePicture()
{
    for (const auto& [name, colour] :
         {std::pair{"red", QColor(Qt::red)}, std::pair{"blue", QColor(Qt::blue)}}) {
        QVERIFY(StoredPictures::add(
                    m_data->db(), m_contact, QString::fromLatin1(name),
                    fileBytes(writeImage(m_data->folder(),
                                         QString::fromLatin1(name) + QStringLiteral(".png"), {8, 8},
                                         colour)))
                    .ok());
    }
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    QCOMPARE(open.page()->shownImage().pixel(1, 1), QColor(Qt::red).rgb());
    open.list()->setFocus();
    QTest::keyClick(open.list(), Qt::Key_Down);
    QCOMPARE(open.page()->shownImage().pixel(1, 1), QColor(Qt::blue).rgb());
    QVERIFY(open.prompter.scriptDone());
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
    const QString logoPath = m_data->folder() + QStringLiteral("/logo.png");
    QVERIFY(logo.save(logoPath));
    QCOMPARE(QImage(logoPath).format(), QImage::Format_Mono);
    QVERIFY(
        StoredPictures::add(m_data->db(), m_contact, QStringLiteral("logo"), fileBytes(logoPath))
            .ok());
    QVERIFY(StoredPictures::add(m_data->db(), m_contact, QStringLiteral("medium"),
                                fileBytes(writeImage(m_data->folder(), QStringLiteral("m.png"),
                                                     {1200, 900}, Qt::green)))
                .ok());
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    auto* frame = open.card->findChild<QScrollArea*>(QStringLiteral("Resizer1"));
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
                 qPrintable(QStringLiteral("%1 at %2").arg(QColor(pixel).name()).arg(x)));
    }
    QVERIFY(open.prompter.scriptDone());
}

void TestPicturesPage::storedRowThatIsNotABagShowsTheErrorBox()
{
    const QString good = writeImage(m_data->folder(), QStringLiteral("g.png"), {6, 6}, Qt::red);
    QVERIFY(
        StoredPictures::add(m_data->db(), m_contact, QStringLiteral("good"), fileBytes(good)).ok());
    m_data->run(QStringLiteral("INSERT INTO Vardelin_Files (CID, Type, Name, Files) VALUES "
                               "(?, 'P', 'raw bytes', x'ffd8ffe000'), (?, 'P', 'bag of junk', ?)"),
                {m_contact, m_contact, PictureBag::ofPicture("not an image")});
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    for (int row : {1, 2}) {
        open.prompter.expectMessage();
        open.pick(row);
    }
    QVERIFY(open.prompter.scriptDone());
    for (int shown : {0, 1}) {
        QCOMPARE(open.prompter.shown().at(shown).title, QStringLiteral("错误481"));
        QCOMPARE(open.prompter.shown().at(shown).icon, Prompter::Icon::Critical);
    }
    // The last picture that could be shown stays.
    QCOMPARE(open.page()->shownImage().pixel(1, 1), QColor(Qt::red).rgb());
    QVERIFY(open.card->isVisible());
}

void TestPicturesPage::rowDeletedMeanwhileShowsTheErrorBox()
{
    const QString good = writeImage(m_data->folder(), QStringLiteral("g.png"), {6, 6}, Qt::red);
    for (const char* name : {"one", "two", "three"}) {
        QVERIFY(
            StoredPictures::add(m_data->db(), m_contact, QString::fromLatin1(name), fileBytes(good))
                .ok());
    }
    PicturesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    // Renaming a picture deleted since it was picked writes nothing.
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Files WHERE Name = 'one'"));
    open.prompter.expectInput(QStringLiteral("新名字"));
    open.prompter.expectQuestion(true);
    open.prompter.expectMessage();
    open.click("Button_EditPic");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, QStringLiteral("错误3021"));
    QCOMPARE(open.names(), texts({u"two", u"three"})); // the list shows what is left
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE Name = ?"),
                          {QStringLiteral("新名字")})
                 .toInt(),
             0);

    // Showing one deleted since the list was filled.
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Files WHERE Name = 'three'"));
    open.prompter.expectMessage();
    open.pick(1);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, QStringLiteral("错误3021"));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    QTRY_COMPARE(open.names(), texts({u"two"}));
    QVERIFY(open.card->isVisible());
}

void TestPicturesPage::copyCardWorksOnTheSourcesPictures()
{
    const QString good = writeImage(m_data->folder(), QStringLiteral("g.png"), {6, 6}, Qt::red);
    QVERIFY(
        StoredPictures::add(m_data->db(), m_contact, QStringLiteral("源"), fileBytes(good)).ok());
    PicturesCard open(m_data->db(), {true, m_contact, 0, true});
    QCOMPARE(open.card->windowTitle(), QStringLiteral("新建联系人"));
    QCOMPARE(open.names(), texts({u"源"}));
    QVERIFY(open.button("Button_ADDPIC")->isEnabled());
    open.prompter.expectOpenFile(good);
    open.prompter.expectInput(QStringLiteral("再加一张"));
    open.click("Button_ADDPIC");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({u"源", u"再加一张"}));
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE CID = ?"),
                          {m_contact})
                 .toInt(),
             2);
}

QTEST_MAIN(TestPicturesPage)
#include "tst_picturespage.moc"
