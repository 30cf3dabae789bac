// SPDX-License-Identifier: GPL-3.0-or-later
// The import page of a real settings window, by the paths a user takes through it: a file
// chosen, linked and imported, checked against the contacts the address book holds afterwards.
// The readers' and the import's own cases live in tst_csvtable, tst_vcard, tst_workbookreader
// and tst_contactimport; here one case each shows the page wires them.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "admin/ImportPage.h"
#include "admin/frmSystem.h"
#include "db/Session.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Two rows as a spreadsheet program saves them: a name with quotes, a mobile number, a remark
// over two lines, a date, and a second row of empty cells but its name.
const QString twoPeople = u"姓名,手机,备注,生日\r\n"
                          u"\"王\"\"小二\"\"\",13800138000,\"第一行\r\n第二行\",1990-05-01\r\n"
                          u"李四,,,\r\n"_s;
const QString done = u"导入联系人完成！"_s;

class ImportWindow {
public:
    ImportWindow(Database& db, Session& session)
        : window(std::make_unique<frmSystem>(db, session, prompter, [this]() -> Status {
            ++rebuilds;
            return {};
        }))
    {
    }

    bool show()
    {
        if (!window->load().ok())
            return false;
        window->findChild<QTabWidget*>(u"TabC"_s)->setCurrentIndex(frmSystem::ImportTab);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QComboBox* field() const { return find<QComboBox>(u"Edit_Field"_s); }
    void click(const QString& button) const
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    void open(const QString& path)
    {
        prompter.expectOpenFile(path);
        click(u"Button_Open"_s);
    }
    // Imports, expecting a message with this text (any text when empty).
    void import(const QString& message)
    {
        prompter.expectMessage(message);
        click(u"Button_Input"_s);
    }
    // Selects the grid row of the target caption, then chooses the file column in Edit_Field.
    void link(const QString& targetCaption, const QString& source)
    {
        QTreeWidget* grid = find<QTreeWidget>(u"ListData"_s);
        const auto rows = grid->findItems(targetCaption, Qt::MatchExactly, 2);
        QVERIFY(rows.size() == 1);
        grid->setCurrentItem(rows.first());
        choose(source);
    }
    void choose(const QString& source)
    {
        const int index = field()->findText(source);
        QVERIFY(index >= 0);
        field()->setCurrentIndex(index);
        emit field()->activated(index);
    }
    QString linkedTo(const QString& targetCaption) const
    {
        const auto rows =
            find<QTreeWidget>(u"ListData"_s)->findItems(targetCaption, Qt::MatchExactly, 2);
        return rows.isEmpty() ? u"?"_s : rows.first()->text(0);
    }
    const ScriptedPrompter::Shown& last() const { return prompter.shown().last(); }
    int bar() const { return find<QProgressBar>(u"Bar"_s)->value(); }

    ScriptedPrompter prompter;
    int rebuilds = 0;
    std::unique_ptr<frmSystem> window;
};

} // namespace

class tst_ImportPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void importsACsvFileForTheUserAndRebuildsTheListOnClose();
    void aCsvFileIsReadAgainInTheEncodingTheUserPicks();
    void aFailureHalfwayAddsNothingAndASecondRunAddsOnce();
    void importsAPhonesVCardFileAndTellsWhatWasLost();
    void aSecondFileAppendsItsColumnsAndKeepsTheLinks();
    void refusesWithoutFileLinkOrTargetRow();
    void importsAWorkbooksSheet();
    void aWorkbookThatCannotBeReadIsNotImported();
    void aCloseRequestDuringAnImportWaitsForIt();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QString writeUtf8(const QString& name, const QString& text)
    {
        return writeFile(name, "\xEF\xBB\xBF" + text.toUtf8());
    }
    QString value(const QString& column, const QString& name)
    {
        return m_data
            ->scalar(u"SELECT %1 FROM Vardelin_Contact WHERE Name = ?"_s.arg(column), {name})
            .toString();
    }
    qint64 count()
    {
        return m_data->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact"_s).toLongLong();
    }
    // A thousand names, of which the database refuses row500 until the trigger is dropped.
    QString thousandWithRow500Refused();

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
    std::unique_ptr<ImportWindow> m_open;
};

void tst_ImportPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_session = Session{};
    m_open = std::make_unique<ImportWindow>(m_data->db(), m_session);
    QVERIFY(m_open->show());
}

void tst_ImportPage::cleanup()
{
    const bool scriptDone = m_open->prompter.scriptDone();
    const QString faults = m_open->prompter.faults().join(u'\n');
    m_open.reset();
    m_data.reset();
    QVERIFY2(scriptDone, qPrintable(faults));
}

QString tst_ImportPage::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_data->folder() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

QString tst_ImportPage::thousandWithRow500Refused()
{
    QString text = u"姓名\r\n"_s;
    for (int i = 1; i <= 1000; ++i)
        text += u"row%1\r\n"_s.arg(i);
    m_data->run(u"CREATE TRIGGER refuse500 BEFORE INSERT ON Vardelin_Contact "
                u"WHEN NEW.Name = 'row500' BEGIN SELECT RAISE(ABORT, 'row 500 refused'); END"_s);
    return writeUtf8(u"thousand.csv"_s, text);
}

void tst_ImportPage::importsACsvFileForTheUserAndRebuildsTheListOnClose()
{
    m_data->run(
        u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, NULL, 'Blue', '')"_s,
        {u"职员"_s});
    const qint64 clerk = m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
    m_session.currentUserId = clerk;
    ImportWindow& open = *m_open;
    const QString path = writeFile(u"people.csv"_s, QStringEncoder("GB18030")(twoPeople));
    open.open(path);
    QCOMPARE(open.last().text, u"\"打开\""_s);
    QCOMPARE(open.last().filter, ImportPage::fileFilter());
    QCOMPARE(open.find<QLineEdit>(u"Edit_Files"_s)->text(), path);
    QCOMPARE(open.field()->count(), 4);
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.link(u"备注"_s, u"备注"_s);
    open.link(u"生日"_s, u"生日"_s);
    QCOMPARE(open.linkedTo(u"手机1"_s), u"手机"_s);
    open.import(done);
    QCOMPARE(open.last().title, u"提示！"_s);
    QCOMPARE(open.bar(), 0);

    const QString wang = u"王\"小二\""_s;
    QCOMPARE(value(u"Py"_s, wang), u"W"_s);
    QCOMPARE(value(u"Moblie1"_s, wang), u"13800138000"_s);
    QCOMPARE(value(u"Remark"_s, wang), u"第一行\r\n第二行"_s);
    QCOMPARE(value(u"Birthday"_s, wang), u"1990-05-01"_s);
    QCOMPARE(value(u"Py"_s, u"李四"_s), u"L"_s);
    QCOMPARE(
        m_data->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact WHERE UID = ?"_s, {clerk}).toInt(),
        2);
    QCOMPARE(count(), 2);
    QCOMPARE(open.rebuilds, 0);
    open.click(u"Button_Cancel"_s);
    QCOMPARE(open.rebuilds, 1);
}

void tst_ImportPage::aCsvFileIsReadAgainInTheEncodingTheUserPicks()
{
    // Hong Kong names in Big5 under an English header decode as GB18030 too (into other
    // characters): the guess is wrong, and the user sees it and picks Big5.
    QStringEncoder big5("Big5");
    const QByteArray bytes =
        big5(u"Name;Mobile\r\n黃家駒;91234567\r\n劉德華;98765432\r\n梁朝偉;61234567\r\n"_s);
    ImportWindow& open = *m_open;
    auto* encoding = open.find<QComboBox>(u"Combo_Encoding"_s);
    auto* preview = open.find<QTableWidget>(u"List_Preview"_s);
    QVERIFY(!encoding->isVisible());
    open.open(writeFile(u"hk.csv"_s, bytes));
    QVERIFY(encoding->isVisible());
    QCOMPARE(encoding->currentText(), u"GB18030（简体中文）"_s);
    QCOMPARE(open.find<QComboBox>(u"Combo_Separator"_s)->currentText(), u"分号"_s);
    QCOMPARE(preview->rowCount(), 3);
    QVERIFY(preview->item(0, 0)->text() != u"黃家駒"_s);

    const int big5Index = encoding->findText(u"Big5（繁体中文）"_s);
    QVERIFY(big5Index >= 0);
    encoding->setCurrentIndex(big5Index);
    emit encoding->activated(big5Index);
    QCOMPARE(preview->item(0, 0)->text(), u"黃家駒"_s);
    // The file's names are read again, not added a second time.
    QCOMPARE(open.field()->count(), 2);

    open.link(u"姓名"_s, u"Name"_s);
    open.link(u"手机1"_s, u"Mobile"_s);
    open.import(done);
    QCOMPARE(value(u"Moblie1"_s, u"黃家駒"_s), u"91234567"_s);
    QCOMPARE(value(u"Moblie1"_s, u"梁朝偉"_s), u"61234567"_s);
    QCOMPARE(count(), 3);
}

// The import's all-or-nothing rule is tested in tst_contactimport; here the page shows the
// failure as an error, leaves the bar and the list alone, and can run again.
void tst_ImportPage::aFailureHalfwayAddsNothingAndASecondRunAddsOnce()
{
    ImportWindow& open = *m_open;
    open.open(thousandWithRow500Refused());
    open.link(u"姓名"_s, u"姓名"_s);
    open.import({});
    QVERIFY(open.last().title.startsWith(u"错误"_s));
    QCOMPARE(open.last().icon, Prompter::Icon::Critical);
    QVERIFY(open.last().text.contains(u"row 500 refused"_s));
    QCOMPARE(count(), 0);
    QCOMPARE(open.bar(), 0);

    m_data->run(u"DROP TRIGGER refuse500"_s);
    open.import(done);
    QCOMPARE(m_data->scalar(u"SELECT COUNT(DISTINCT Name) FROM Vardelin_Contact"_s).toInt(), 1000);
    QCOMPARE(count(), 1000);
}

// An Android phone's six cards (tests/data/vcard), imported without links: one card's photo is
// cut short, another holds a stray byte, and both have a value with no column of its own.
void tst_ImportPage::importsAPhonesVCardFileAndTellsWhatWasLost()
{
    ImportWindow& open = *m_open;
    open.open(QStringLiteral(VCARD_DATA "/John_Doe_ANDROID.vcf"));
    QCOMPARE(open.field()->count(), 0);
    open.import(u"导入联系人完成！\n"
                u"2位联系人的电话、邮箱、网址或地址等多于可存放的栏目，已逐行写入其“备注”。\n"
                u"以下名片的照片无法读取，已不带照片导入：Ñ Ñ Ñ Ñ\n"
                u"以下名片含有无法识别的字符，已显示为“\uFFFD”：ÑÑÑÑ"_s);
    QCOMPARE(count(), 6);
    QCOMPARE(value(u"Remark"_s, u"Ñ Ñ Ñ Ñ"_s), u"网址：http://www.company.com"_s);
    QVERIFY(m_data->scalar(u"SELECT Photo IS NULL FROM Vardelin_Contact WHERE Name = 'Ñ Ñ Ñ Ñ'"_s)
                .toBool());
}

void tst_ImportPage::aSecondFileAppendsItsColumnsAndKeepsTheLinks()
{
    ImportWindow& open = *m_open;
    open.open(writeUtf8(u"people.csv"_s, twoPeople));
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.import(done);
    open.open(writeUtf8(u"more.csv"_s, u"名字,电话\r\n赵六,010-5555\r\n"_s));
    QCOMPARE(open.field()->count(), 6);
    QCOMPARE(open.field()->itemText(5), u"电话"_s);
    QCOMPARE(open.linkedTo(u"姓名"_s), u"姓名"_s);

    // The earlier link to 手机 names a column this file lacks: refused, nothing added.
    open.link(u"姓名"_s, u"名字"_s);
    open.import({});
    QVERIFY(open.last().text.contains(u"手机"_s));
    QCOMPARE(count(), 2);

    open.link(u"手机1"_s, u"电话"_s);
    open.import(done);
    QCOMPARE(count(), 3);
    QCOMPARE(value(u"Moblie1"_s, u"赵六"_s), u"010-5555"_s);
}

void tst_ImportPage::refusesWithoutFileLinkOrTargetRow()
{
    ImportWindow& open = *m_open;
    open.import(u"请选择需要导入的Excel文件！"_s);
    QCOMPARE(open.last().icon, Prompter::Icon::Exclamation);

    open.open(writeUtf8(u"people.csv"_s, twoPeople));
    open.import(u"没有关联来源字段！"_s);

    open.find<QTreeWidget>(u"ListData"_s)->clearSelection();
    open.prompter.expectMessage(u"请选择一个目标行！"_s);
    open.choose(u"姓名"_s);
    QCOMPARE(open.last().icon, Prompter::Icon::Information);
    QCOMPARE(open.linkedTo(u"姓名"_s), QString());
    QCOMPARE(count(), 0);
    // Nothing was imported, so closing leaves the list as it is.
    open.click(u"Button_Cancel"_s);
    QCOMPARE(open.rebuilds, 0);
}

void tst_ImportPage::importsAWorkbooksSheet()
{
    const QString path = m_data->folder() + u"/people.xlsx"_s;
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {QStringLiteral(MAKE_WORKBOOK), u"people"_s, path});
    QVERIFY(python.waitForFinished(60000) && python.exitCode() == 0);
    ImportWindow& open = *m_open;
    open.open(path);
    QCOMPARE(open.field()->count(), 5);
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.link(u"生日"_s, u"生日"_s);
    open.import(done);
    QCOMPARE(count(), 3);
    QCOMPARE(value(u"Moblie1"_s, u"王小二"_s), u"13800138000"_s);
    QCOMPARE(value(u"Birthday"_s, u"张三"_s), u"2001-12-31"_s);
}

// Which workbooks cannot be read is tested in tst_workbookreader; here the page shows the error
// and forgets the file, so an import linked from an earlier file does not read it either.
void tst_ImportPage::aWorkbookThatCannotBeReadIsNotImported()
{
    const QString broken = writeFile(u"broken.xlsx"_s, "PK\x03\x04garbage");
    ImportWindow& open = *m_open;
    open.open(writeUtf8(u"names.csv"_s, u"姓名\r\n甲\r\n"_s));
    open.link(u"姓名"_s, u"姓名"_s);
    open.prompter.expectOpenFile(broken);
    open.prompter.expectMessage();
    open.click(u"Button_Open"_s);
    QVERIFY(open.last().title.startsWith(u"错误"_s));
    QCOMPARE(open.last().icon, Prompter::Icon::Critical);
    QVERIFY(open.find<QPushButton>(u"Button_Open"_s)->isEnabled());
    open.import({});
    QVERIFY(open.last().title.startsWith(u"错误"_s));
    QCOMPARE(count(), 0);
    QCOMPARE(open.bar(), 0);
}

void tst_ImportPage::aCloseRequestDuringAnImportWaitsForIt()
{
    // Large enough that the bar is repainted (and timers run) while the rows go in.
    QString text = u"姓名\r\n"_s;
    for (int i = 0; i < 20000; ++i)
        text += u"人%1\r\n"_s.arg(i);
    ImportWindow& open = *m_open;
    open.open(writeUtf8(u"many.csv"_s, text));
    open.link(u"姓名"_s, u"姓名"_s);
    bool busyWhenAsked = false;
    bool barMoved = false;
    QTimer::singleShot(0, open.window.get(), [&] {
        busyWhenAsked = open.window->findChild<ImportPage*>()->busy();
        barMoved = open.bar() > 0;
        open.window->close();
    });
    open.import(done);
    QVERIFY(busyWhenAsked);
    QVERIFY(barMoved);
    QVERIFY(open.window->isVisible());
    QCOMPARE(count(), 20000);
    open.click(u"Button_Cancel"_s);
    QVERIFY(!open.window->isVisible());
}

QTEST_MAIN(tst_ImportPage)
#include "tst_importpage.moc"
