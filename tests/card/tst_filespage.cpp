// SPDX-License-Identifier: GPL-3.0-or-later
// The card's documents page as a user drives it: the list and its columns, adding, saving back
// out and deleting only the ticked files, a new card that cannot attach and a copy card on the
// source's files.
#include "OpenCard.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "card/FileAttachments.h"
#include "card/FilesPage.h"
#include "card/TransferProgress.h"
#include "card/frmCard.h"
#include "db/Session.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

const QString title = QStringLiteral("提示！");

struct FilesCard : OpenCard {
    FilesCard(Database& db, const CardRequest& request)
        : OpenCard(db, request, QStringLiteral("PageFiles"))
    {
    }
    QTreeWidget* list() const { return card->findChild<QTreeWidget*>(QStringLiteral("ListView")); }
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
    void tick(int index) const { list()->topLevelItem(index)->setCheckState(0, Qt::Checked); }
};

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestFilesPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageShowsItsNoteAndColumns();
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
    qint64 addStored(const QString& name, const QByteArray& bytes, QDate day);

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_contact = 0;
};

void TestFilesPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_contact = m_data->addContact({{QStringLiteral("Name"), QStringLiteral("张三")}});
}

void TestFilesPage::cleanup()
{
    m_data.reset();
}

qint64 TestFilesPage::addStored(const QString& name, const QByteArray& bytes, QDate day)
{
    const QString path = writeFile(m_data->folder() + QStringLiteral("/stored.tmp"), bytes);
    auto added = FileAttachments::add(m_data->db(), {m_contact, name, path, day});
    if (!added)
        qFatal("cannot store the test file");
    QFile::remove(path);
    return added.value().id;
}

void TestFilesPage::pageShowsItsNoteAndColumns()
{
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    QStringList captions;
    for (const char* name : {"Button_AddFiles", "Button_Saves", "Button_DelFiles"})
        captions << open.button(name)->text();
    QCOMPARE(captions, texts({u"添加(&A)", u"另存为(&S)", u"删除(&D)"}));
    bool noteShown = false;
    for (const QLabel* label : open.card->findChildren<QLabel*>())
        noteShown |= label->text() == QStringLiteral("注意：不要添加过大的文件！");
    QVERIFY(noteShown);
    QTreeWidgetItem* header = open.list()->headerItem();
    QCOMPARE(texts({header->text(0), header->text(1), header->text(2), header->text(3)}),
             texts({u"文件名称", u"上传日期", u"文件大小", u"文件类型"}));
    // Widths are given in twips: 3000, 2000, 1500 and 1000 of them.
    const double pixelsPerTwip = open.list()->logicalDpiX() / 1440.0;
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(open.list()->header()->sectionSize(column),
                 qRound(FilesPage::columnTwips[column] * pixelsPerTwip));
    }
    QVERIFY(open.list()->header()->sectionSize(0) > open.list()->header()->sectionSize(3));
}

void TestFilesPage::newCardCannotAddAndSaysWhatIsMissing()
{
    FilesCard open(m_data->db(), {false, 0, 1, false});
    QVERIFY(!open.button("Button_AddFiles")->isEnabled());
    QCOMPARE(open.list()->topLevelItemCount(), 0);
    open.prompter.expectMessage(QStringLiteral("请选择另存的文件！"));
    open.click("Button_Saves");
    open.prompter.expectMessage(QStringLiteral("没有需要删除的文件！"));
    open.click("Button_DelFiles");
    QVERIFY(open.prompter.scriptDone());
    for (const auto& shown : open.prompter.shown()) {
        QCOMPARE(shown.title, title);
        QCOMPARE(shown.icon, Prompter::Icon::Information);
    }
}

void TestFilesPage::filesAreAddedAndListedWithSizeAndType()
{
    QVERIFY(QDir(m_data->folder()).mkpath(QStringLiteral("v1.d")));
    const QString report =
        writeFile(m_data->folder() + QStringLiteral("/报告.docx"), QByteArray(1000, 'r'));
    const QString readme =
        writeFile(m_data->folder() + QStringLiteral("/v1.d/README"), QByteArray(1024, 'm'));
    addStored(QStringLiteral("older"), "x", QDate::currentDate().addDays(-3));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    QVERIFY(open.button("Button_AddFiles")->isEnabled());

    open.prompter.expectOpenFile(report);
    open.prompter.expectInput(QStringLiteral("季度报告"), QStringLiteral("输入文件名称"));
    open.click("Button_AddFiles");
    open.prompter.expectOpenFile(readme);
    open.prompter.expectInput(QStringLiteral("README"));
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(1).defaultText, QStringLiteral("报告.docx"));
    QCOMPARE(open.prompter.shown().at(1).title, QStringLiteral("提示"));
    QCOMPARE(open.prompter.shown().at(3).defaultText, QStringLiteral("README"));

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    // Newest upload day first; the two of today in no set order among themselves.
    QCOMPARE(open.list()->topLevelItemCount(), 3);
    QStringList todays = {open.row(0).join(u'|'), open.row(1).join(u'|')};
    todays.sort();
    const QStringList expected{QStringLiteral("README|") + today + QStringLiteral("|1|"),
                               QStringLiteral("季度报告|") + today + QStringLiteral("|0.98|.docx")};
    QCOMPARE(todays, expected);
    QCOMPARE(open.row(2).at(0), QStringLiteral("older"));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(open.list()->topLevelItem(i)->checkState(0), Qt::Unchecked);
    QCOMPARE(open.list()->topLevelItem(0)->textAlignment(2) & Qt::AlignHorizontal_Mask,
             int(Qt::AlignRight));
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT Files FROM Vardelin_Files WHERE Name = ?"),
                          {QStringLiteral("季度报告")})
                 .toByteArray(),
             fileBytes(report));
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT Ext IS NOT NULL AND Ext = '' FROM Vardelin_Files "
                                         "WHERE Name = 'README'"))
                 .toBool(),
             true);
}

void TestFilesPage::cancelledChoiceOrNameAddsNothing()
{
    const QString file = writeFile(m_data->folder() + QStringLiteral("/a.txt"), "a");
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    open.prompter.expectOpenFile(QString());
    open.click("Button_AddFiles");
    open.prompter.expectOpenFile(file);
    open.prompter.expectInput(QString());
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
}

void TestFilesPage::unreadableFileShowsTheErrorBoxAndAddsNoRow()
{
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    for (const QString& path : QStringList{m_data->folder() + QStringLiteral("/vanished.txt"),
                                           QStringLiteral("/dev/null")}) {
        open.prompter.expectOpenFile(path);
        open.prompter.expectInput(QStringLiteral("x"));
        open.prompter.expectMessage();
        open.click("Button_AddFiles");
    }
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(2).title, QStringLiteral("错误75"));
    QCOMPARE(open.prompter.shown().at(2).icon, Prompter::Icon::Critical);
    QCOMPARE(open.prompter.shown().at(5).title, QStringLiteral("错误75"));
    QCOMPARE(m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files")).toInt(), 0);
    QVERIFY(open.button("Button_AddFiles")->isEnabled());
}

void TestFilesPage::savedCopyIsByteForByteAndSaysSo()
{
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.append(char(i * 7));
    addStored(QStringLiteral("合同 v2.pdf"), bytes, QDate(2026, 1, 1));
    const QString target =
        writeFile(m_data->folder() + QStringLiteral("/existing.pdf"), "older content");
    FilesCard open(m_data->db(), {true, m_contact, 0, false});

    open.prompter.expectMessage(QStringLiteral("请选择另存的文件！"));
    open.click("Button_Saves");
    open.pick(0);
    open.prompter.expectSaveFile(QString());
    open.click("Button_Saves");
    QCOMPARE(fileBytes(target), QByteArray("older content"));
    open.prompter.expectSaveFile(target);
    open.prompter.expectMessage(QStringLiteral("另存文件完成！"));
    open.click("Button_Saves");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().at(1).suggestedName, QStringLiteral("合同 v2.pdf"));
    QCOMPARE(open.prompter.shown().last().title, title);
    QCOMPARE(fileBytes(target), bytes);
}

void TestFilesPage::saveOfARowDeletedMeanwhileShowsTheErrorBox()
{
    addStored(QStringLiteral("one"), "1", QDate(2026, 1, 2));
    addStored(QStringLiteral("two"), "2", QDate(2026, 1, 1));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    open.pick(0);
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Files WHERE Name = 'one'"));
    const QString target = m_data->folder() + QStringLiteral("/out");
    open.prompter.expectSaveFile(target);
    open.prompter.expectMessage();
    open.click("Button_Saves");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, QStringLiteral("错误3021"));
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(open.names(), texts({u"two"}));
}

void TestFilesPage::onlyTickedFilesAreDeleted()
{
    const QDate day(2026, 2, 1);
    for (int i = 0; i < 4; ++i)
        addStored(QString::number(i), "x", day.addDays(-i));
    FilesCard open(m_data->db(), {true, m_contact, 0, false});
    QCOMPARE(open.names(), texts({u"0", u"1", u"2", u"3"}));

    // Highlighted but not ticked: asked, and nothing goes.
    open.pick(1);
    open.prompter.expectQuestion(true, QStringLiteral("是否删除选中的文件？"));
    open.click("Button_DelFiles");
    QCOMPARE(open.names(), texts({u"0", u"1", u"2", u"3"}));

    open.tick(0);
    open.tick(2);
    open.prompter.expectQuestion(false);
    open.click("Button_DelFiles");
    QCOMPARE(open.names(), texts({u"0", u"1", u"2", u"3"}));
    open.prompter.expectQuestion(true);
    open.click("Button_DelFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().first().title, title);
    QCOMPARE(open.names(), texts({u"1", u"3"}));
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT group_concat(Name, ',') FROM "
                                         "(SELECT Name FROM Vardelin_Files ORDER BY Name)"))
                 .toString(),
             QStringLiteral("1,3"));
}

void TestFilesPage::copyCardWorksOnTheSourcesFiles()
{
    addStored(QStringLiteral("源文件"), "source", QDate(2026, 1, 1));
    const QString more = writeFile(m_data->folder() + QStringLiteral("/more.txt"), "more");
    FilesCard open(m_data->db(), {true, m_contact, 0, true});
    QCOMPARE(open.names(), texts({u"源文件"}));
    QVERIFY(open.button("Button_AddFiles")->isEnabled());
    open.prompter.expectOpenFile(more);
    open.prompter.expectInput(QStringLiteral("more.txt"));
    open.click("Button_AddFiles");
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(m_data
                 ->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Files WHERE CID = ?"),
                          {m_contact})
                 .toInt(),
             2);
    QCOMPARE(open.list()->topLevelItemCount(), 2);
}

void TestFilesPage::cancelInTheProgressStopsTheMove()
{
    QWidget window;
    window.show();
    TransferProgress progress(&window, QStringLiteral("正在添加文件……"));
    const BlobStream::Progress told = progress.callback();
    QVERIFY(told(1, 4));
    auto* dialog = window.findChild<QProgressDialog*>(QStringLiteral("TransferProgress"));
    QVERIFY(dialog);
    QCOMPARE(dialog->value(), 250);
    QCOMPARE(dialog->labelText(), QStringLiteral("正在添加文件……"));
    dialog->cancel();
    QVERIFY(!told(2, 4));
    // An empty file is all there at once.
    TransferProgress other(&window, QStringLiteral("x"));
    QVERIFY(other.callback()(0, 0));
    QCOMPARE(window.findChildren<QProgressDialog*>().last()->value(), 1000);
}

QTEST_MAIN(TestFilesPage)
#include "tst_filespage.moc"
