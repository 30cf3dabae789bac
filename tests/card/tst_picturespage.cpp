// SPDX-License-Identifier: GPL-3.0-or-later
// The card's pictures page as a user drives it: adding, showing, renaming and deleting, the
// failures it shows, and the page in a new and in a copy card.
#include "CardHistoryTests.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "card/PicturesPage.h"
#include "card/StoredPictures.h"
#include "db/PictureBag.h"

#include <QLabel>
#include <QListWidget>

using namespace Qt::StringLiterals;

namespace {

struct PicturesCard : PageCard {
    PicturesCard(Database& db, const CardRequest& request)
        : PageCard(db, request, u"PagePictures"_s, "ListBox")
    {
    }
    QRgb shown() const
    {
        return card->findChild<PicturesPage*>(u"PagePictures"_s)->shownImage().pixel(1, 1);
    }
    QLabel* picture() const { return card->findChild<QLabel*>(u"Edit_Picture"_s); }
};

} // namespace

class TestPicturesPage : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    void addStored(const QList<QColor>& colours, QSize size = {6, 6})
    {
        for (const QColor& colour : colours) {
            const QString path = writeCardImage(book->folder() + u"/c.png"_s, size, colour);
            if (!StoredPictures::add(book->db(), 1, colour.name(), TestFiles::read(path)))
                qFatal("cannot store the test picture");
        }
    }
    QString stored()
    {
        auto rows = book->db().query(u"SELECT Name FROM Vardelin_Files ORDER BY ID"_s);
        QStringList names;
        while (rows && rows.value().next())
            names << rows.value().value(0).toString();
        return names.join(u'|');
    }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
    }

    void newCardCannotAddAndCopyCardWorksOnTheSourcesPictures()
    {
        {
            PicturesCard fresh(book->db(), {false, 0, 1, false});
            QVERIFY(!fresh.button("Button_ADDPIC")->isEnabled());
            fresh.prompter.expectMessage(u"请选择需要修改的图片！"_s);
            fresh.click("Button_EditPic");
            fresh.prompter.expectMessage(u"请选择需要删除的图片！"_s);
            fresh.click("Button_DelPic");
            QCOMPARE(fresh.prompter.shown().at(0).title, u"提示！"_s);
        }
        addStored({Qt::red});
        PicturesCard copy(book->db(), {true, 1, 0, true});
        copy.prompter.expectOpenFile(book->folder() + u"/c.png"_s);
        copy.prompter.expectInput(u"再加一张"_s);
        copy.click("Button_ADDPIC");
        QCOMPARE(copy.column(), u"#ff0000|再加一张"_s);
        QCOMPARE(book->scalar(u"SELECT count(*) FROM Vardelin_Files WHERE CID = 1"_s).toInt(), 2);
    }

    void pictureIsAddedShownRenamedAndDeleted_data() { TestDatabase::addBackendRows(); }
    void pictureIsAddedShownRenamedAndDeleted()
    {
        const QString red = writeCardImage(book->folder() + u"/红.png"_s, {40, 30}, Qt::red);
        addStored({Qt::blue});
        PicturesCard open(book->db(), {true, 1, 0, false});
        open.prompter.expectOpenFile(QString()); // a cancelled choice or name adds nothing
        open.prompter.expectOpenFile(red);
        open.prompter.expectInput(QString());
        open.prompter.expectOpenFile(red);
        open.prompter.expectInput(u"第一张"_s, u"输入文件名称"_s);
        for (int i = 0; i < 3; ++i)
            open.click("Button_ADDPIC");
        QCOMPARE(open.prompter.shown().at(4).defaultText, u"红.png"_s);
        QCOMPARE(open.column() + u' ' + QString::number(open.view->currentIndex().row()),
                 u"#0000ff|第一张 -1"_s);
        QCOMPARE(book->scalar(u"SELECT Files FROM Vardelin_Files WHERE ID = 2"_s),
                 PictureBag::ofPicture(TestFiles::read(red)));
        open.pick(0);
        QCOMPARE(open.shown(), QColor(Qt::blue).rgb());
        QTest::keyClick(open.view, Qt::Key_End); // the keys show the picture moved to
        QCOMPARE(open.shown(), QColor(Qt::red).rgb());
        QCOMPARE(open.picture()->pixmap().size(), QSize(40, 30)); // small ones are not enlarged
        const QString awkward = u"O'Neil 的 \"家\""_s;
        open.prompter.expectInput(u"不要"_s, u"输入文件名称"_s);
        open.prompter.expectQuestion(false, u"是否修改选中图片的名称？"_s);
        open.prompter.expectInput(QString());
        open.prompter.expectInput(awkward);
        open.prompter.expectQuestion(true);
        for (int i = 0; i < 3; ++i)
            open.click("Button_EditPic");
        QCOMPARE(open.prompter.shown().at(5).defaultText, u"第一张"_s); // the box offers the name
        QCOMPARE(open.column(), u"#0000ff|"_s + awkward);
        QCOMPARE(stored(), open.column());
        open.pick(0);
        open.prompter.expectQuestion(false, u"是否删除选中的图片？"_s);
        open.prompter.expectQuestion(true, u"是否删除选中的图片？"_s);
        open.click("Button_DelPic");
        open.click("Button_DelPic");
        QCOMPARE(open.column(), awkward);
        QCOMPARE(stored(), awkward);
        QVERIFY(!open.picture()->pixmap().isNull()); // in view until another is picked
    }

    void failuresShowTheErrorBoxAndChangeNothing()
    {
        addStored({Qt::red, Qt::green, Qt::blue});
        book->run(u"INSERT INTO Vardelin_Files (CID, Type, Name, Files) VALUES "
                  "(1, 'P', 'raw', x'ffd8ffe000'), (1, 'P', 'junk', ?)"_s,
                  {PictureBag::ofPicture("not an image")});
        const QString text = TestFiles::write(book->folder() + u"/notes.jpg"_s, "just some words");
        PicturesCard open(book->db(), {true, 1, 0, false});
        for (const QString& path : QStringList{text, book->folder() + u"/gone.jpg"_s}) {
            open.prompter.expectOpenFile(path);
            open.prompter.expectInput(u"x"_s);
            open.prompter.expectMessage();
            open.click("Button_ADDPIC");
            QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
        }
        QCOMPARE(open.prompter.shown().at(2).title + open.prompter.shown().at(5).title,
                 u"错误481错误75"_s);
        open.pick(0);
        for (int row : {3, 4}) {
            open.prompter.expectMessage();
            open.pick(row);
            QCOMPARE(open.prompter.shown().last().title, u"错误481"_s);
        }
        QCOMPARE(open.shown(), QColor(Qt::red).rgb());
        open.pick(0);
        book->run(u"DELETE FROM Vardelin_Files WHERE Name = '#ff0000'"_s);
        open.prompter.expectInput(u"新名字"_s);
        open.prompter.expectQuestion(true);
        open.prompter.expectMessage();
        open.click("Button_EditPic");
        QCOMPARE(open.prompter.shown().last().title, u"错误3021"_s);
        QCOMPARE(stored(), u"#00ff00|#0000ff|raw|junk"_s);
        QCOMPARE(open.column(), stored());
        book->run(u"DELETE FROM Vardelin_Files WHERE Name = '#0000ff'"_s); // gone before shown
        open.prompter.expectMessage();
        open.pick(1);
        QTRY_COMPARE(open.column(), u"#00ff00|raw|junk"_s);
        // A contact deleted meanwhile by another program takes no picture.
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = 1"_s);
        open.prompter.expectOpenFile(
            writeCardImage(book->folder() + u"/late.png"_s, {6, 6}, Qt::red));
        open.prompter.expectInput(u"迟到"_s);
        open.prompter.expectMessage(u"联系人已被删除，无法添加图片！"_s);
        open.click("Button_ADDPIC");
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
        QCOMPARE(stored(), u"#00ff00|raw|junk"_s);
    }
};

QTEST_MAIN(TestPicturesPage)
#include "tst_picturespage.moc"
