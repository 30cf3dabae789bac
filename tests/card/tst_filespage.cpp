// SPDX-License-Identifier: GPL-3.0-or-later
// The card's documents page as a user drives it: adding, saving back out, deleting the ticked
// files, the refusals and failures it shows, and the page in a new card.
#include "CardHistoryTests.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "card/FileAttachments.h"

#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct FilesCard : PageCard {
    FilesCard(Database& db, const CardRequest& request)
        : PageCard(db, request, u"PageFiles"_s, "ListView")
    {
    }
    QTreeWidget* list() const { return static_cast<QTreeWidget*>(view); }
};

} // namespace

class TestFilesPage : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    void addStored(const QString& name, const QByteArray& bytes, QDate day = {2026, 1, 1})
    {
        const QString path = TestFiles::write(book->folder() + u"/stored.tmp"_s, bytes);
        if (!FileAttachments::add(book->db(), {1, name, path, day}))
            qFatal("cannot store the test file");
    }
    QString names()
    {
        return book->scalar(u"SELECT group_concat(Name, '|') FROM Vardelin_Files"_s).toString();
    }

private slots:
    void init()
    {
        book.emplace(TestDatabase::backendOfRow());
        QVERIFY2(book->ok(), qPrintable(book->error()));
        book->addContact({{u"Name"_s, u"张三"_s}}); // ID 1
    }

    void newCardCannotAddAndSaysWhatIsMissing()
    {
        FilesCard fresh(book->db(), {false, 0, 1, false});
        QVERIFY(!fresh.button("Button_AddFiles")->isEnabled());
        fresh.prompter.expectMessage(u"请选择另存的文件！"_s);
        fresh.click("Button_Saves");
        fresh.prompter.expectMessage(u"没有需要删除的文件！"_s);
        fresh.click("Button_DelFiles");
        QCOMPARE(fresh.prompter.shown().last().title, u"提示！"_s);
    }

    void fileIsAddedListedAndSavedBackByteForByte_data() { TestDatabase::addBackendRows(); }
    void fileIsAddedListedAndSavedBackByteForByte()
    {
        const QByteArray bytes = QByteArray(1000, 'r') + '\0' + '\xff';
        const QString report = TestFiles::write(book->folder() + u"/报告.docx"_s, bytes);
        addStored(u"older"_s, "x", QDate::currentDate().addDays(-3));
        FilesCard open(book->db(), {true, 1, 0, false});
        open.prompter.expectOpenFile(QString());
        open.prompter.expectOpenFile(report);
        open.prompter.expectInput(QString());
        open.prompter.expectOpenFile(report);
        open.prompter.expectInput(u"季度报告"_s, u"输入文件名称"_s);
        for (int i = 0; i < 3; ++i)
            open.click("Button_AddFiles");
        QCOMPARE(open.prompter.shown().at(4).defaultText, u"报告.docx"_s);
        const QStringList first{open.column(0), open.column(1), open.column(2), open.column(3)};
        QCOMPARE(first.join(u' '), u"季度报告|older %1|%2 0.98|0 .docx|.tmp"_s.arg(
                                       QDate::currentDate().toString(Qt::ISODate),
                                       QDate::currentDate().addDays(-3).toString(Qt::ISODate)));
        QCOMPARE(open.list()->topLevelItem(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(open.list()->topLevelItem(0)->textAlignment(2) & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
        // Saved out: a cancelled dialog leaves the file there, a chosen one gets the bytes.
        const QString target =
            TestFiles::write(book->folder() + u"/existing.pdf"_s, "older content");
        open.pick(0);
        open.prompter.expectSaveFile(QString());
        open.prompter.expectSaveFile(target);
        open.prompter.expectMessage(u"另存文件完成！"_s);
        open.click("Button_Saves");
        QCOMPARE(TestFiles::read(target), QByteArray("older content"));
        open.click("Button_Saves");
        QCOMPARE(open.prompter.shown().at(5).suggestedName, u"季度报告"_s);
        QCOMPARE(TestFiles::read(target), bytes);
    }

    void failuresShowTheErrorBoxAndChangeNothing()
    {
        addStored(u"one"_s, "1", {2026, 1, 2});
        addStored(u"two"_s, "2");
        FilesCard open(book->db(), {true, 1, 0, false});
        for (const QString& path :
             QStringList{book->folder() + u"/vanished.txt"_s, u"/dev/null"_s}) {
            open.prompter.expectOpenFile(path);
            open.prompter.expectInput(u"x"_s);
            open.prompter.expectMessage();
            open.click("Button_AddFiles");
            QCOMPARE(open.prompter.shown().last().title, u"错误75"_s);
        }
        QVERIFY(open.prompter.shown().last().text.contains(u"“null”不是普通文件"_s));
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
        QCOMPARE(names(), u"one|two"_s);
        // Saving a file deleted meanwhile writes nothing, and the list drops it.
        open.pick(0);
        book->run(u"DELETE FROM Vardelin_Files WHERE Name = 'one'"_s);
        open.prompter.expectSaveFile(book->folder() + u"/out"_s);
        open.prompter.expectMessage();
        open.click("Button_Saves");
        QCOMPARE(open.prompter.shown().last().title, u"错误3021"_s);
        QVERIFY(!QFileInfo::exists(book->folder() + u"/out"_s));
        QCOMPARE(open.column(0), u"two"_s);
        // A contact deleted meanwhile by another program takes no file.
        book->run(u"DELETE FROM Vardelin_Contact WHERE ID = 1"_s);
        open.prompter.expectOpenFile(TestFiles::write(book->folder() + u"/late.txt"_s, "late"));
        open.prompter.expectInput(u"迟到"_s);
        open.prompter.expectMessage(u"联系人已被删除，无法添加文件！"_s);
        open.click("Button_AddFiles");
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);
        QCOMPARE(names(), u"two"_s);
    }

    void onlyTickedFilesAreDeletedAfterAYes()
    {
        for (int i = 0; i < 4; ++i)
            addStored(QString::number(i), "x", QDate(2026, 2, 1).addDays(-i));
        FilesCard open(book->db(), {true, 1, 0, false});
        open.pick(1); // highlighted but not ticked: asked, and nothing goes
        open.prompter.expectQuestion(true, u"是否删除选中的文件？"_s);
        open.click("Button_DelFiles");
        open.list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        open.list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
        open.prompter.expectQuestion(false);
        open.click("Button_DelFiles");
        QCOMPARE(names(), u"0|1|2|3"_s);
        open.prompter.expectQuestion(true);
        open.click("Button_DelFiles");
        QCOMPARE(open.column(0), u"1|3"_s);
        QCOMPARE(names(), u"1|3"_s);
    }
};

QTEST_MAIN(TestFilesPage)
#include "tst_filespage.moc"
