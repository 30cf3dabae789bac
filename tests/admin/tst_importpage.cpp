// SPDX-License-Identifier: GPL-3.0-or-later
// The import page of a real settings window: workbooks, CSV and vCard files chosen, linked and
// imported, checked against the contacts the address book holds afterwards.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "admin/ImportPage.h"
#include "admin/frmSystem.h"
#include "contacts/ContactListQuery.h"
#include "db/Session.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlQuery>
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
    void click(const QString& button) const
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    void open(const QString& path)
    {
        prompter.expectOpenFile(path);
        click(u"Button_Open"_s);
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
        QComboBox* field = find<QComboBox>(u"Edit_Field"_s);
        const int index = field->findText(source);
        QVERIFY(index >= 0);
        field->setCurrentIndex(index);
        emit field->activated(index);
    }
    QString linkedTo(const QString& targetCaption) const
    {
        const auto rows =
            find<QTreeWidget>(u"ListData"_s)->findItems(targetCaption, Qt::MatchExactly, 2);
        return rows.isEmpty() ? u"?"_s : rows.first()->text(0);
    }
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

    void importsCsvRowsWithTheirValues_data();
    void importsCsvRowsWithTheirValues();
    void aCsvFileIsShownAndReadInTheChosenEncoding();
    void importedContactsAreUnderTheirLetterTab();
    void aFailureHalfwayAddsNothingAndASecondRunAddsOnce();
    void aNonAdministratorsImportBelongsToThatUser();
    void importsEveryCardOfAVCardFileWithoutLinks();
    void aPhonesExportTellsWhatWentIntoRemarksAndWhatWasLost();
    void aSecondFileAppendsItsColumnsAndKeepsTheLinks();
    void refusesWithoutFileLinkOrTargetRow();
    void importsAWorkbooksSheet_data();
    void importsAWorkbooksSheet();
    void aWorkbookThatCannotBeReadAddsNothing_data();
    void aWorkbookThatCannotBeReadAddsNothing();
    void aWorkbookFailingInRow500AddsNothing_data();
    void aWorkbookFailingInRow500AddsNothing();
    void cancelAfterAnImportStillRebuildsTheList();
    void aDateTheTargetCannotTakeIsRefused();
    void aCloseRequestDuringAnImportWaitsForIt();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QString writeUtf8(const QString& name, const QString& text)
    {
        return writeFile(name, "\xEF\xBB\xBF" + text.toUtf8());
    }
    qint64 count()
    {
        return m_data->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact"_s).toLongLong();
    }
    void importTwoPeople(ImportWindow& open);
    QString makeWorkbook(const QString& workbookCase, const QString& name);

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
};

void tst_ImportPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_session = Session{};
}

void tst_ImportPage::cleanup()
{
    m_data.reset();
}

QString tst_ImportPage::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_data->folder() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

void tst_ImportPage::importTwoPeople(ImportWindow& open)
{
    open.open(writeUtf8(u"people.csv"_s, twoPeople));
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
}

void tst_ImportPage::importsCsvRowsWithTheirValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QStringEncoder gbk("GB18030");
    QVERIFY(gbk.isValid());
    QTest::newRow("GBK") << QByteArray(gbk(twoPeople));
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + twoPeople.toUtf8());
}

void tst_ImportPage::importsCsvRowsWithTheirValues()
{
    QFETCH(QByteArray, bytes);
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    const QString path = writeFile(u"people.csv"_s, bytes);
    open.open(path);
    QCOMPARE(open.prompter.shown().last().text, u"\"打开\""_s);
    QCOMPARE(open.prompter.shown().last().filter, ImportPage::fileFilter());
    QCOMPARE(open.find<QLineEdit>(u"Edit_Files"_s)->text(), path);
    QComboBox* field = open.find<QComboBox>(u"Edit_Field"_s);
    QVERIFY(field->isEnabled());
    QCOMPARE(field->count(), 4);
    QCOMPARE(field->itemText(0), u"姓名"_s);
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.link(u"备注"_s, u"备注"_s);
    open.link(u"生日"_s, u"生日"_s);
    QCOMPARE(open.linkedTo(u"手机1"_s), u"手机"_s);

    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
    QCOMPARE(open.bar(), 0);

    QSqlQuery rows(m_data->db().connection());
    QVERIFY(rows.exec(u"SELECT UID, TID, Name, Py, Moblie1, Remark, Birthday, AddDate, Tel1 "
                      u"FROM Vardelin_Contact ORDER BY ID"_s));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toLongLong(), 1);
    QCOMPARE(rows.value(1).toLongLong(), 1);
    QCOMPARE(rows.value(2).toString(), u"王\"小二\""_s);
    QCOMPARE(rows.value(3).toString(), u"W"_s);
    QCOMPARE(rows.value(4).toString(), u"13800138000"_s);
    QCOMPARE(rows.value(5).toString(), u"第一行\r\n第二行"_s);
    QCOMPARE(rows.value(6).toString(), u"1990-05-01"_s);
    QCOMPARE(rows.value(7).toString(), QDate::currentDate().toString(Qt::ISODate));
    QVERIFY(rows.value(8).isNull());
    QVERIFY(rows.next());
    QCOMPARE(rows.value(2).toString(), u"李四"_s);
    QCOMPARE(rows.value(3).toString(), u"L"_s);
    QVERIFY(rows.value(4).isNull());
    QVERIFY(rows.value(5).isNull());
    QVERIFY(rows.value(6).isNull());
    QVERIFY(!rows.next());
}

void tst_ImportPage::aCsvFileIsShownAndReadInTheChosenEncoding()
{
    // Hong Kong names in Big5 under an English header decode as GB18030 too (into other
    // characters): the guess is wrong, and the user sees it and picks Big5.
    QStringEncoder big5("Big5");
    const QByteArray bytes =
        big5(u"Name;Mobile\r\n黃家駒;91234567\r\n劉德華;98765432\r\n梁朝偉;61234567\r\n"_s);
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    auto* encoding = open.find<QComboBox>(u"Combo_Encoding"_s);
    auto* separator = open.find<QComboBox>(u"Combo_Separator"_s);
    auto* preview = open.find<QTableWidget>(u"List_Preview"_s);
    QComboBox* field = open.find<QComboBox>(u"Edit_Field"_s);
    QVERIFY(!encoding->isVisible());
    open.open(writeFile(u"hk.csv"_s, bytes));
    QVERIFY(encoding->isVisible());
    QCOMPARE(encoding->currentText(), u"GB18030（简体中文）"_s);
    QCOMPARE(separator->currentText(), u"分号"_s);
    QCOMPARE(preview->rowCount(), 3);
    QCOMPARE(preview->horizontalHeaderItem(1)->text(), u"Mobile"_s);
    QVERIFY(preview->item(0, 0)->text() != u"黃家駒"_s);

    const int big5Index = encoding->findText(u"Big5（繁体中文）"_s);
    QVERIFY(big5Index >= 0);
    encoding->setCurrentIndex(big5Index);
    emit encoding->activated(big5Index);
    QCOMPARE(preview->item(0, 0)->text(), u"黃家駒"_s);
    QCOMPARE(preview->item(2, 1)->text(), u"61234567"_s);
    // The file's names are read again, not added a second time.
    QCOMPARE(field->count(), 2);

    open.link(u"姓名"_s, u"Name"_s);
    open.link(u"手机1"_s, u"Mobile"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(m_data->scalar(u"SELECT Moblie1 FROM Vardelin_Contact WHERE Name = ?"_s, {u"黃家駒"_s})
                 .toString(),
             u"91234567"_s);
    QCOMPARE(m_data
                 ->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact WHERE Name IN (?, ?)"_s,
                          {u"劉德華"_s, u"梁朝偉"_s})
                 .toInt(),
             2);
    QCOMPARE(count(), 3);
}

void tst_ImportPage::importedContactsAreUnderTheirLetterTab()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    importTwoPeople(open);
    QVERIFY(open.prompter.scriptDone());

    ContactListFilter filter;
    filter.letter = u"L"_s;
    const ContactListStatement statement =
        ContactListQuery::build({{0, u"C.Name"_s, u"姓名"_s, 1000}}, filter);
    auto rows = m_data->db().query(statement.sql, statement.values);
    QVERIFY(rows.ok());
    QStringList names;
    while (rows.value().next())
        names << rows.value().value(0).toString();
    QCOMPARE(names, QStringList{u"李四"_s});
}

void tst_ImportPage::aFailureHalfwayAddsNothingAndASecondRunAddsOnce()
{
    QString text = u"姓名\r\n"_s;
    for (int i = 1; i <= 1000; ++i)
        text += u"row%1\r\n"_s.arg(i);
    const QString path = writeUtf8(u"thousand.csv"_s, text);
    m_data->run(u"CREATE TRIGGER refuse500 BEFORE INSERT ON Vardelin_Contact "
                u"WHEN NEW.Name = 'row500' BEGIN SELECT RAISE(ABORT, 'row 500 refused'); END"_s);

    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(path);
    open.link(u"姓名"_s, u"姓名"_s);
    open.prompter.expectMessage();
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().title.startsWith(u"错误"_s));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    QVERIFY(open.prompter.shown().last().text.contains(u"row 500 refused"_s));
    QCOMPARE(count(), 0);
    QCOMPARE(open.bar(), 0);
    QCOMPARE(open.rebuilds, 0);

    m_data->run(u"DROP TRIGGER refuse500"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(count(), 1000);
    QCOMPARE(m_data->scalar(u"SELECT COUNT(DISTINCT Name) FROM Vardelin_Contact"_s).toInt(), 1000);
}

void tst_ImportPage::aNonAdministratorsImportBelongsToThatUser()
{
    m_data->run(
        u"INSERT INTO Vardelin_Login (Name, Pass, Skin, Dock) VALUES (?, NULL, 'Blue', '')"_s,
        {u"职员"_s});
    const qint64 clerk = m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
    m_session.currentUserId = clerk;
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    importTwoPeople(open);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(
        m_data->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact WHERE UID = ?"_s, {clerk}).toInt(),
        2);
    QCOMPARE(count(), 2);
}

void tst_ImportPage::importsEveryCardOfAVCardFileWithoutLinks()
{
    const QByteArray cards =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nTEL;TYPE=CELL:13900000001\r\n"
        "EMAIL:zs@example.com\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob Lee\r\nTEL;TYPE=WORK:010-1234\r\n"
        "END:VCARD\r\n";
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(writeFile(u"phone.vcf"_s, cards));
    QCOMPARE(open.find<QComboBox>(u"Edit_Field"_s)->count(), 0);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());

    QSqlQuery rows(m_data->db().connection());
    QVERIFY(rows.exec(u"SELECT Name, Py, Moblie1, Mail1, OfficePhone1, TID, AddDate "
                      u"FROM Vardelin_Contact ORDER BY ID"_s));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), u"张三"_s);
    QCOMPARE(rows.value(1).toString(), u"Z"_s);
    QCOMPARE(rows.value(2).toString(), u"13900000001"_s);
    QCOMPARE(rows.value(3).toString(), u"zs@example.com"_s);
    QCOMPARE(rows.value(5).toLongLong(), 1);
    QCOMPARE(rows.value(6).toString(), QDate::currentDate().toString(Qt::ISODate));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), u"Bob Lee"_s);
    QCOMPARE(rows.value(1).toString(), u"B"_s);
    QCOMPARE(rows.value(4).toString(), u"010-1234"_s);
    QVERIFY(!rows.next());
}

// An Android phone's six cards (tests/data/vcard): one card's photo is cut short, another holds a
// stray byte, and both have a value with no column of its own.
void tst_ImportPage::aPhonesExportTellsWhatWentIntoRemarksAndWhatWasLost()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(QStringLiteral(VCARD_DATA "/John_Doe_ANDROID.vcf"));
    open.prompter.expectMessage(
        u"导入联系人完成！\n"
        u"2位联系人的电话、邮箱、网址或地址等多于可存放的栏目，已逐行写入其“备注”。\n"
        u"以下名片的照片无法读取，已不带照片导入：Ñ Ñ Ñ Ñ\n"
        u"以下名片含有无法识别的字符，已显示为“\uFFFD”：ÑÑÑÑ"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(count(), 6);
    QCOMPARE(
        m_data->scalar(u"SELECT Remark FROM Vardelin_Contact WHERE Name = 'Ñ Ñ Ñ Ñ'"_s).toString(),
        u"网址：http://www.company.com"_s);
    QVERIFY(m_data->scalar(u"SELECT Photo IS NULL FROM Vardelin_Contact WHERE Name = 'Ñ Ñ Ñ Ñ'"_s)
                .toBool());
}

void tst_ImportPage::aSecondFileAppendsItsColumnsAndKeepsTheLinks()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    importTwoPeople(open);
    open.open(writeUtf8(u"more.csv"_s, u"名字,电话\r\n赵六,010-5555\r\n"_s));
    QComboBox* field = open.find<QComboBox>(u"Edit_Field"_s);
    QCOMPARE(field->count(), 6);
    QCOMPARE(field->itemText(4), u"名字"_s);
    QCOMPARE(field->itemText(5), u"电话"_s);
    QCOMPARE(open.linkedTo(u"姓名"_s), u"姓名"_s);

    // The earlier link to 手机 names a column this file lacks: refused, nothing added.
    open.link(u"姓名"_s, u"名字"_s);
    open.prompter.expectMessage();
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.shown().last().text.contains(u"手机"_s));
    QCOMPARE(count(), 2);

    open.link(u"手机1"_s, u"电话"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(count(), 3);
    QCOMPARE(m_data->scalar(u"SELECT Moblie1 FROM Vardelin_Contact WHERE Name = ?"_s, {u"赵六"_s})
                 .toString(),
             u"010-5555"_s);
}

void tst_ImportPage::refusesWithoutFileLinkOrTargetRow()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.prompter.expectMessage(u"请选择需要导入的Excel文件！"_s);
    open.click(u"Button_Input"_s);
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Exclamation);

    open.open(writeUtf8(u"people.csv"_s, twoPeople));
    open.prompter.expectMessage(u"没有关联来源字段！"_s);
    open.click(u"Button_Input"_s);

    open.find<QTreeWidget>(u"ListData"_s)->clearSelection();
    open.prompter.expectMessage(u"请选择一个目标行！"_s);
    open.choose(u"姓名"_s);
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Information);
    QCOMPARE(open.linkedTo(u"姓名"_s), QString());
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(count(), 0);
}

QString tst_ImportPage::makeWorkbook(const QString& workbookCase, const QString& name)
{
    const QString path = m_data->folder() + u'/' + name;
    QProcess python;
    python.start(u"/usr/bin/python3"_s, {QStringLiteral(MAKE_WORKBOOK), workbookCase, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("make_workbook.py failed: %s", python.readAllStandardError().constData());
    return path;
}

void tst_ImportPage::importsAWorkbooksSheet_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("xls") << u".xls"_s;
    QTest::newRow("xlsx") << u".xlsx"_s;
}

void tst_ImportPage::importsAWorkbooksSheet()
{
    QFETCH(QString, suffix);
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(makeWorkbook(u"people"_s, u"people"_s + suffix));
    QCOMPARE(open.find<QComboBox>(u"Edit_Field"_s)->count(), 5);
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"手机1"_s, u"手机"_s);
    open.link(u"生日"_s, u"生日"_s);
    open.link(u"备注"_s, u"备注"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.bar(), 0);
    QCOMPARE(open.rebuilds, 0);

    QSqlQuery rows(m_data->db().connection());
    QVERIFY(rows.exec(u"SELECT Name, Py, Moblie1, Birthday, Remark FROM Vardelin_Contact "
                      u"ORDER BY ID"_s));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), u"王小二"_s);
    QCOMPARE(rows.value(1).toString(), u"W"_s);
    QCOMPARE(rows.value(2).toString(), u"13800138000"_s);
    QCOMPARE(rows.value(3).toString(), u"1990-05-01"_s);
    QCOMPARE(rows.value(4).toString(), u"第一行\n第二行"_s);
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), u"李四"_s);
    QVERIFY(rows.value(2).isNull());
    QVERIFY(rows.value(3).isNull());
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toString(), u"张三"_s);
    QCOMPARE(rows.value(3).toString(), u"2001-12-31"_s);
    QVERIFY(!rows.next());
}

void tst_ImportPage::aWorkbookThatCannotBeReadAddsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("workbookCase");
    QTest::newRow("no Sheet1") << u"other.xls"_s << QByteArray() << u"othersheet"_s;
    QTest::newRow("xlsx renamed xls") << u"renamed.xls"_s << QByteArray() << u"people"_s;
    QTest::newRow("corrupt xlsx") << u"broken.xlsx"_s << QByteArray("PK\x03\x04garbage")
                                  << QString();
}

void tst_ImportPage::aWorkbookThatCannotBeReadAddsNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, workbookCase);
    QString path;
    if (name == u"renamed.xls") {
        path = m_data->folder() + u"/renamed.xls"_s;
        QVERIFY(QFile::rename(makeWorkbook(workbookCase, u"real.xlsx"_s), path));
    } else {
        path = workbookCase.isEmpty() ? writeFile(name, bytes) : makeWorkbook(workbookCase, name);
    }
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.prompter.expectOpenFile(path);
    open.prompter.expectMessage();
    open.click(u"Button_Open"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().title.startsWith(u"错误"_s));
    QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Critical);
    QCOMPARE(open.find<QComboBox>(u"Edit_Field"_s)->count(), 0);
    QVERIFY(open.find<QPushButton>(u"Button_Open"_s)->isEnabled());

    // Linked from an earlier file, the import still refuses this one and adds nothing.
    open.open(writeUtf8(u"names.csv"_s, u"姓名\r\n甲\r\n"_s));
    open.link(u"姓名"_s, u"姓名"_s);
    open.prompter.expectOpenFile(path);
    open.prompter.expectMessage();
    open.click(u"Button_Open"_s);
    open.prompter.expectMessage();
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().title.startsWith(u"错误"_s));
    QCOMPARE(count(), 0);
    QCOMPARE(open.bar(), 0);
}

void tst_ImportPage::aWorkbookFailingInRow500AddsNothing_data()
{
    importsAWorkbooksSheet_data();
}

void tst_ImportPage::aWorkbookFailingInRow500AddsNothing()
{
    QFETCH(QString, suffix);
    m_data->run(u"CREATE TRIGGER refuse500 BEFORE INSERT ON Vardelin_Contact "
                u"WHEN NEW.Name = 'row500' BEGIN SELECT RAISE(ABORT, 'row 500 refused'); END"_s);
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(makeWorkbook(u"thousand"_s, u"thousand"_s + suffix));
    open.link(u"姓名"_s, u"姓名"_s);
    open.prompter.expectMessage();
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().text.contains(u"row 500 refused"_s));
    QCOMPARE(count(), 0);
    QCOMPARE(open.bar(), 0);

    m_data->run(u"DROP TRIGGER refuse500"_s);
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(count(), 1000);
}

void tst_ImportPage::cancelAfterAnImportStillRebuildsTheList()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.click(u"Button_Cancel"_s);
    QCOMPARE(open.rebuilds, 0);

    ImportWindow second(m_data->db(), m_session);
    QVERIFY(second.show());
    importTwoPeople(second);
    second.click(u"Button_Cancel"_s);
    QCOMPARE(second.rebuilds, 1);
    QCOMPARE(count(), 2);
}

void tst_ImportPage::aDateTheTargetCannotTakeIsRefused()
{
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(writeUtf8(u"dates.csv"_s, u"姓名,生日\r\n甲,1990/5/1\r\n乙,明天\r\n"_s));
    open.link(u"姓名"_s, u"姓名"_s);
    open.link(u"生日"_s, u"生日"_s);
    open.prompter.expectMessage();
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.prompter.shown().last().text.contains(u"第3行"_s));
    QCOMPARE(count(), 0);
}

void tst_ImportPage::aCloseRequestDuringAnImportWaitsForIt()
{
    // Large enough that the bar is repainted (and timers run) while the rows go in.
    QString text = u"姓名\r\n"_s;
    for (int i = 0; i < 20000; ++i)
        text += u"人%1\r\n"_s.arg(i);
    ImportWindow open(m_data->db(), m_session);
    QVERIFY(open.show());
    open.open(writeUtf8(u"many.csv"_s, text));
    open.link(u"姓名"_s, u"姓名"_s);
    bool busyWhenAsked = false;
    bool barMoved = false;
    QTimer::singleShot(0, open.window.get(), [&] {
        ImportPage* page = open.window->findChild<ImportPage*>();
        busyWhenAsked = page->busy();
        barMoved = open.bar() > 0;
        open.window->close();
    });
    open.prompter.expectMessage(u"导入联系人完成！"_s);
    open.click(u"Button_Input"_s);
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(busyWhenAsked);
    QVERIFY(barMoved);
    QVERIFY(open.window->isVisible());
    QCOMPARE(count(), 20000);
    open.click(u"Button_Cancel"_s);
    QVERIFY(!open.window->isVisible());
    QCOMPARE(open.rebuilds, 1);
}

QTEST_MAIN(tst_ImportPage)
#include "tst_importpage.moc"
