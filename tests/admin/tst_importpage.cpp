// SPDX-License-Identifier: GPL-3.0-or-later
// The import page of a real settings window, by the paths a user takes through it, checked against
// what the address book holds afterwards. The readers' and the import's own cases live in the core
// tests (tst_csvtable, tst_vcard, tst_workbookreader, tst_contactimport, tst_contactexport).
#include "ScriptedPrompter.h"
#include "TestDatabase.h"
#include "TestFiles.h"

#include "admin/CsvTable.h"
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
// A name with quotes, a mobile number, a remark over two lines, and a row with only a name.
const QString twoPeople =
    u"姓名,手机,备注\r\n\"王\"\"小二\"\"\",13800138000,\"第一行\r\n第二行\"\r\n"
    u"李四,,\r\n"_s;
const QString done = u"导入联系人完成！"_s;
} // namespace

class tst_ImportPage : public QObject {
    Q_OBJECT

private:
    template <typename T> T* find(const QString& name) { return m_window->findChild<T*>(name); }
    QComboBox* field() { return find<QComboBox>(u"Edit_Field"_s); }
    void click(const QString& button)
    {
        QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton);
    }
    void open(const QString& path)
    {
        m_prompter.expectOpenFile(path);
        click(u"Button_Open"_s);
    }
    // Imports, expecting a message with this text (any text when empty).
    void import(const QString& message)
    {
        m_prompter.expectMessage(message);
        click(u"Button_Input"_s);
    }
    // Links the grid row of a target caption to a column of the file, as a user does.
    void link(const QString& target, const QString& source)
    {
        QTreeWidget* grid = find<QTreeWidget>(u"ListData"_s);
        grid->setCurrentItem(grid->findItems(target, Qt::MatchExactly, 2).value(0));
        choose(field(), source);
    }
    static void choose(QComboBox* box, const QString& text)
    {
        const int index = box->findText(text);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        return TestFiles::write(m_data->folder() + u'/' + name, bytes);
    }
    QString value(const QString& column, const QString& name)
    {
        return m_data
            ->scalar(u"SELECT %1 FROM Vardelin_Contact WHERE Name = ?"_s.arg(column), {name})
            .toString();
    }
    int count() { return m_data->scalar(u"SELECT COUNT(*) FROM Vardelin_Contact"_s).toInt(); }
    const ScriptedPrompter::Shown& last() const { return m_prompter.shown().last(); }
    int bar() { return find<QProgressBar>(u"Bar"_s)->value(); }

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
    ScriptedPrompter m_prompter;
    int m_rebuilds = 0;
    std::unique_ptr<frmSystem> m_window;

private slots:
    void init()
    {
        m_data = std::make_unique<TestDatabase>();
        QVERIFY(m_data->ok());
        m_session = Session{};
        m_prompter = ScriptedPrompter();
        m_rebuilds = 0;
        m_window =
            std::make_unique<frmSystem>(m_data->db(), m_session, m_prompter, [this]() -> Status {
                ++m_rebuilds;
                return {};
            });
        QVERIFY(m_window->load().ok());
        find<QTabWidget>(u"TabC"_s)->setCurrentIndex(frmSystem::ImportTab);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_data.reset();
        QVERIFY2(m_prompter.scriptDone(), qPrintable(m_prompter.faults().join(u'\n')));
    }

    // The usual path, with each refusal the page decides on the way (no file, no link, no target
    // row): Big5 names decode as GB18030 too (into other characters), so the user sees it and picks
    // Big5.
    void importsACsvFileInTheEncodingTheUserPicks()
    {
        m_data->run(u"INSERT INTO Vardelin_Login (Name, Skin, Dock) VALUES ('职员', 'Blue', '')"_s);
        m_session.currentUserId = m_data->scalar(u"SELECT last_insert_rowid()"_s).toLongLong();
        import(u"请选择需要导入的Excel文件！"_s);
        auto* encoding = find<QComboBox>(u"Combo_Encoding"_s);
        auto* preview = find<QTableWidget>(u"List_Preview"_s);
        QVERIFY(!encoding->isVisible());
        const QString path = writeFile(
            u"hk.csv"_s,
            QStringEncoder("Big5")(u"Name;Mobile\r\n黃家駒;91234567\r\n劉德華;98765432\r\n"_s));
        open(path);
        QCOMPARE(find<QLineEdit>(u"Edit_Files"_s)->text(), path);
        QVERIFY(encoding->isVisible());
        QCOMPARE(find<QComboBox>(u"Combo_Separator"_s)->currentText(), u"分号"_s);
        QVERIFY(preview->item(0, 0)->text() != u"黃家駒"_s);
        choose(encoding, u"Big5（繁体中文）"_s);
        QCOMPARE(preview->item(0, 0)->text(), u"黃家駒"_s);
        QCOMPARE(field()->count(), 2); // read again, not added a second time
        import(u"没有关联来源字段！"_s);
        find<QTreeWidget>(u"ListData"_s)->clearSelection();
        m_prompter.expectMessage(u"请选择一个目标行！"_s);
        choose(field(), u"Name"_s);
        link(u"姓名"_s, u"Name"_s);
        link(u"手机1"_s, u"Mobile"_s);
        // A close request that the bar's repaints let through mid-import waits for the import.
        QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
        import(done);
        QVERIFY(m_window->isVisible());
        QCOMPARE(bar(), 0);
        QCOMPARE(value(u"Moblie1"_s, u"黃家駒"_s), u"91234567"_s);
        QCOMPARE(value(u"UID"_s, u"劉德華"_s).toLongLong(), m_session.currentUserId);
        QCOMPARE(m_rebuilds, 0);
        click(u"Button_Cancel"_s);
        QCOMPARE(m_rebuilds, 1);
    }

    // The all-or-nothing rule is tested in tst_contactimport; here the page shows the failure as an
    // error and can run again; then a second file adds its columns and keeps the earlier links.
    void aFailureAddsNothingAndASecondFileKeepsTheLinks()
    {
        m_data->run(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Vardelin_Contact WHEN NEW.Name = '李四' "
            u"BEGIN SELECT RAISE(ABORT, 'row refused'); END"_s);
        open(writeFile(u"people.csv"_s, twoPeople.toUtf8()));
        link(u"姓名"_s, u"姓名"_s);
        link(u"手机1"_s, u"手机"_s);
        import({});
        QCOMPARE(last().icon, Prompter::Icon::Critical);
        QVERIFY(last().text.contains(u"row refused"_s));
        QCOMPARE(count(), 0);
        QCOMPARE(bar(), 0);
        m_data->run(u"DROP TRIGGER refuse"_s);
        import(done);
        QCOMPARE(count(), 2);
        open(writeFile(u"more.csv"_s, u"名字,电话\r\n赵六,010-5555\r\n"_s.toUtf8()));
        QCOMPARE(field()->count(), 5);
        // The earlier link to 手机 names a column this file lacks: refused, nothing added.
        link(u"姓名"_s, u"名字"_s);
        import({});
        QVERIFY(last().text.contains(u"手机"_s));
        QCOMPARE(count(), 2);
        link(u"手机1"_s, u"电话"_s);
        import(done);
        QCOMPARE(value(u"Moblie1"_s, u"赵六"_s), u"010-5555"_s);
    }

    // An Android phone's six cards, imported without links: one card's photo is cut short, another
    // holds a stray byte, and both have a value with no column of its own.
    void importsAPhonesVCardFileAndTellsWhatWasLost()
    {
        open(QStringLiteral(VCARD_DATA "/John_Doe_ANDROID.vcf"));
        import(u"导入联系人完成！\n"
               u"2位联系人的电话、邮箱、网址或地址等多于可存放的栏目，已逐行写入其“备注”。\n"
               u"以下名片的照片无法读取，已不带照片导入：Ñ Ñ Ñ Ñ\n"
               u"以下名片含有无法识别的字符，已显示为“\uFFFD”：ÑÑÑÑ"_s);
        QCOMPARE(count(), 6);
        QCOMPARE(value(u"Remark"_s, u"Ñ Ñ Ñ Ñ"_s), u"网址：http://www.company.com"_s);
    }

    // Which workbooks cannot be read is tested in tst_workbookreader; here the page shows the error
    // and forgets the file, so the import linked from the earlier file does not read it either.
    void importsAWorkbooksSheetButNotOneThatCannotBeRead()
    {
        const QString path = m_data->folder() + u"/people.xlsx"_s;
        QCOMPARE(QProcess::execute(u"/usr/bin/python3"_s,
                                   {QStringLiteral(MAKE_WORKBOOK), u"people"_s, path}),
                 0);
        open(path);
        link(u"姓名"_s, u"姓名"_s);
        link(u"生日"_s, u"生日"_s);
        import(done);
        QCOMPARE(value(u"Birthday"_s, u"张三"_s), u"2001-12-31"_s);

        m_prompter.expectOpenFile(writeFile(u"broken.xlsx"_s, "PK\x03\x04garbage"));
        m_prompter.expectMessage();
        click(u"Button_Open"_s);
        QCOMPARE(last().icon, Prompter::Icon::Critical);
        import({});
        QVERIFY(last().title.startsWith(u"错误"_s));
        QCOMPARE(count(), 3);
    }

    // "导出联系人": an ending of no format refused, a failed save shown as an error, then a file
    // written.
    void exportsToTheChosenFileOrSaysWhyNot()
    {
        m_data->addContact({{u"Name"_s, u"张三"_s}, {u"Moblie1"_s, u"13800138000"_s}});
        const auto exportTo = [&](const QString& path, const QString& text) {
            m_prompter.expectSaveFile(path);
            m_prompter.expectMessage(text);
            click(u"Button_Output"_s);
            return !QFile::exists(path);
        };
        QVERIFY(exportTo(
            m_data->folder() + u"/联系人.txt"_s,
            u"请选择导出的文件类型：Excel工作簿（*.xlsx）、CSV文件（*.csv）或vCard文件（*.vcf）。"_s));
        // A plain file where the folder should be: no account, root included, can write there.
        writeFile(u"plain"_s, {});
        QVERIFY(exportTo(m_data->folder() + u"/plain/联系人.xlsx"_s, {}));
        QCOMPARE(last().icon, Prompter::Icon::Critical);
        const QString path = m_data->folder() + u"/联系人.csv"_s;
        QVERIFY(!exportTo(path, u"导出联系人完成！"_s));
        QCOMPARE(bar(), 0);
        auto table = CsvTable::readFile(path);
        QVERIFY(table.ok());
        QCOMPARE(table.value().rows.value(0).value(table.value().columnOf(u"手机1"_s)),
                 u"13800138000"_s);
    }
};

QTEST_MAIN(tst_ImportPage)
#include "tst_importpage.moc"
