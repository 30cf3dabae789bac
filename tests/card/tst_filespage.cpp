// SPDX-License-Identifier: GPL-3.0-or-later
// The card's documents page as a user drives it: the list and its columns, adding, saving back
// out and deleting only the ticked files, a new card that cannot attach and a copy card on the
// source's files.
#include "OpenCard.h"
#include "TestDatabase.h"

#include "card/FileAttachments.h"
#include "card/FilesPage.h"
#include "card/TransferProgress.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QTreeWidget>

namespace {

using namespace Qt::StringLiterals;

struct FilesCard : OpenCard {
    FilesCard(Database& db, const CardRequest& request)
        : OpenCard(db, request, u"PageFiles"_s)
    {
    }
    QTreeWidget* list() const { return card->findChild<QTreeWidget*>(u"ListView"_s); }
    QStringList row(int index) const
    {
        QStringList cells;
        for (int column = 0; column < list()->columnCount(); ++column)
            cells << list()->topLevelItem(index)->text(column);
        return cells;
    }
    QStringList names() const
    {
        QStringList shown;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            shown << list()->topLevelItem(i)->text(0);
        return shown;
    }
    void pick(int index) const
    {
        const QRect place = list()->visualItemRect(list()->topLevelItem(index));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, place.center());
    }
};

} // namespace

class TestFilesPage : public QObject {
    Q_OBJECT

private slots:
    void init();

    void newCardCannotAddAndSaysWhatIsMissing();
    void filesAreAddedAndListedWithSizeAndType();
    void cancelledChoiceOrNameAddsNothing();
    void unreadableFileShowsTheErrorBoxAndAddsNoRow();
    void savedCopyIsByteForByteAndSaysSo();
    void saveOfARowDeletedMeanwhileShowsTheErrorBox();
    void onlyTickedFilesAreDeleted();
    void copyCardWorksOnTheSourcesFiles();
    void cancelInTheProgressStopsTheMove();

private:
    void addStored(const QString& name, const QByteArray& bytes, QDate day);
    int files() { return m_data->scalar(u"SELECT count(*) FROM Vardelin_Files"_s).toInt(); }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestFilesPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{u"Name"_s, u"张三"_s}});
}

void TestFilesPage::addStored(const QString& name, const QByteArray& bytes, QDate day)
{
    const QString path = writeCardFile(m_data->folder() + u"/stored.tmp"_s, bytes);
    if (!FileAttachments::add(m_data->db(), {m_contact, name, path, day}))
        qFatal("cannot store the test file");
}

void TestFilesPage::newCardCannotAddAndSaysWhatIsMissing()
{
    FilesCard open(m_data->db(), {false, 0, 1, false});
    QVERIFY(!open.button("Button_AddFiles")->isEnabled());
    open.prompter.expectMessage(u"请选择另存的文件！"_s);
    open.click("Button_Saves");
    open.prompter.expectMessage(u"没有需要删除的文件！"_s);
    open.click("Button_DelFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
}

void TestFilesPage::filesAreAddedAndListedWithSizeAndType()
{
    const QString report = writeCardFile(m_data->folder() + u"/报告.docx"_s, QByteArray(1000, 'r'));
    addStored(u"older"_s, "x", QDate::currentDate().addDays(-3));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    QStringList captions;
    for (const char* name : {"Button_AddFiles", "Button_Saves", "Button_DelFiles"})
        captions << open.button(name)->text();
    QCOMPARE(captions, texts({u"添加(&A)", u"另存为(&S)", u"删除(&D)"}));
    bool noteShown = false;
    for (const QLabel* label : open.card->findChildren<QLabel*>())
        noteShown |= label->text() == u"注意：不要添加过大的文件！"_s;
    QVERIFY(noteShown);
    const QTreeWidgetItem* header = open.list()->headerItem();
    QCOMPARE(texts({header->text(0), header->text(1), header->text(2), header->text(3)}),
             texts({u"文件名称", u"上传日期", u"文件大小", u"文件类型"}));
    // Widths are given in twips.
    for (int column = 0; column < 4; ++column)
        QCOMPARE(open.list()->header()->sectionSize(column),
                 qRound(FilesPage::columnTwips[column] * open.list()->logicalDpiX() / 1440.0));

    open.prompter.expectOpenFile(report);
    open.prompter.expectInput(u"季度报告"_s, u"输入文件名称"_s);
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(1).defaultText, u"报告.docx"_s);
    // Newest upload day first, nothing ticked, the size right-aligned.
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    QCOMPARE(open.row(0), texts({u"季度报告", today, u"0.98", u".docx"}));
    QCOMPARE(open.row(1).at(0), u"older"_s);
    QCOMPARE(open.list()->topLevelItem(0)->checkState(0), Qt::Unchecked);
    QCOMPARE(open.list()->topLevelItem(0)->textAlignment(2) & Qt::AlignHorizontal_Mask,
             int(Qt::AlignRight));
    QCOMPARE(
        m_data->scalar(u"SELECT Files FROM Vardelin_Files WHERE Name = '季度报告'"_s).toByteArray(),
        cardFileBytes(report));
}

void TestFilesPage::cancelledChoiceOrNameAddsNothing()
{
    const QString file = writeCardFile(m_data->folder() + u"/a.txt"_s, "a");
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectOpenFile(QString());
    open.click("Button_AddFiles");
    open.prompter.expectOpenFile(file);
    open.prompter.expectInput(QString());
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(files(), 0);
}

void TestFilesPage::unreadableFileShowsTheErrorBoxAndAddsNoRow()
{
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    // A file gone since it was chosen, and a device that has no length to store.
    for (const QString& path : QStringList{m_data->folder() + u"/vanished.txt"_s, u"/dev/null"_s}) {
        open.prompter.expectOpenFile(path);
        open.prompter.expectInput(u"x"_s);
        open.prompter.expectMessage();
        open.click("Button_AddFiles");
        QCOMPARE(open.prompter.shown().last().title, u"错误75"_s);
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    }
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().text.contains(u"“null”不是普通文件"_s));
    QCOMPARE(files(), 0);
}

void TestFilesPage::savedCopyIsByteForByteAndSaysSo()
{
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.append(char(i * 7));
    addStored(u"合同 v2.pdf"_s, bytes, QDate(2026, 1, 1));
    const QString target = writeCardFile(m_data->folder() + u"/existing.pdf"_s, "older content");
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    open.prompter.expectSaveFile(QString());
    open.click("Button_Saves");
    QCOMPARE(cardFileBytes(target), QByteArray("older content"));
    open.prompter.expectSaveFile(target);
    open.prompter.expectMessage(u"另存文件完成！"_s);
    open.click("Button_Saves");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().first().suggestedName, u"合同 v2.pdf"_s);
    QCOMPARE(cardFileBytes(target), bytes);
}

void TestFilesPage::saveOfARowDeletedMeanwhileShowsTheErrorBox()
{
    addStored(u"one"_s, "1", QDate(2026, 1, 2));
    addStored(u"two"_s, "2", QDate(2026, 1, 1));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    m_data->run(u"DELETE FROM Vardelin_Files WHERE Name = 'one'"_s);
    const QString target = m_data->folder() + u"/out"_s;
    open.prompter.expectSaveFile(target);
    open.prompter.expectMessage();
    open.click("Button_Saves");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, u"错误3021"_s);
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(open.names(), texts({u"two"}));
}

void TestFilesPage::onlyTickedFilesAreDeleted()
{
    for (int i = 0; i < 4; ++i)
        addStored(QString::number(i), "x", QDate(2026, 2, 1).addDays(-i));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    // Highlighted but not ticked: asked, and nothing goes; a No keeps the ticked ones.
    open.pick(1);
    open.prompter.expectQuestion(true, u"是否删除选中的文件？"_s);
    open.click("Button_DelFiles");
    open.list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    open.list()->topLevelItem(2)->setCheckState(0, Qt::Checked);
    open.prompter.expectQuestion(false);
    open.click("Button_DelFiles");
    QCOMPARE(open.names(), texts({u"0", u"1", u"2", u"3"}));
    open.prompter.expectQuestion(true);
    open.click("Button_DelFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.names(), texts({u"1", u"3"}));
    QCOMPARE(m_data
                 ->scalar(u"SELECT group_concat(Name, ',') FROM "
                          "(SELECT Name FROM Vardelin_Files ORDER BY Name)"_s)
                 .toString(),
             u"1,3"_s);
}

void TestFilesPage::copyCardWorksOnTheSourcesFiles()
{
    addStored(u"源文件"_s, "source", QDate(2026, 1, 1));
    const QString more = writeCardFile(m_data->folder() + u"/more.txt"_s, "more");
    FilesCard open(m_data->db(), {true, m_contact, 0, true});
    QCOMPARE(open.names(), texts({u"源文件"}));
    open.prompter.expectOpenFile(more);
    open.prompter.expectInput(u"more.txt"_s);
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(
        m_data->scalar(u"SELECT count(*) FROM Vardelin_Files WHERE CID = ?"_s, {m_contact}).toInt(),
        2);
    QCOMPARE(open.list()->topLevelItemCount(), 2);
}

void TestFilesPage::cancelInTheProgressStopsTheMove()
{
    QWidget window;
    window.show();
    TransferProgress progress(&window, u"正在添加文件……"_s);
    const BlobStream::Progress told = progress.callback();
    QVERIFY(told(1, 4));
    auto* dialog = window.findChild<QProgressDialog*>(u"TransferProgress"_s);
    QVERIFY(dialog);
    QCOMPARE(dialog->value(), 250);
    QCOMPARE(dialog->labelText(), u"正在添加文件……"_s);
    dialog->cancel();
    QVERIFY(!told(2, 4));
    // An empty file is all there at once.
    TransferProgress other(&window, u"x"_s);
    QVERIFY(other.callback()(0, 0));
    QCOMPARE(window.findChildren<QProgressDialog*>().last()->value(), 1000);
}

QTEST_MAIN(TestFilesPage)
#include "tst_filespage.moc"
