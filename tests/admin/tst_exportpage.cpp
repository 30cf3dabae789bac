// SPDX-License-Identifier: GPL-3.0-or-later
// "导出联系人" on the settings window's import page: the file chosen, written, and the user told.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "admin/ContactExport.h"
#include "admin/CsvTable.h"
#include "admin/frmSystem.h"
#include "db/Session.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class tst_ExportPage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesTheChosenFileAndSaysSo();
    void aSaveThatFailsShowsTheErrorBoxAndLeavesNoFile();
    void anEndingOfNoFormatIsRefused();

private:
    // Chooses path in the save dialog; the one message that follows must say text (any, if empty).
    void exportTo(const QString& path, const QString& text)
    {
        m_prompter.expectSaveFile(path);
        m_prompter.expectMessage(text);
        QTest::mouseClick(m_window->findChild<QPushButton*>(u"Button_Output"_s), Qt::LeftButton);
    }

    std::unique_ptr<TestDatabase> m_data;
    Session m_session;
    ScriptedPrompter m_prompter;
    std::unique_ptr<frmSystem> m_window;
};

void tst_ExportPage::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_data->addContact({{u"Name"_s, u"张三"_s}, {u"Moblie1"_s, u"13800138000"_s}});
    m_prompter = ScriptedPrompter();
    m_window = std::make_unique<frmSystem>(m_data->db(), m_session, m_prompter,
                                           []() -> Status { return {}; });
    QVERIFY(m_window->load().ok());
    m_window->findChild<QTabWidget*>(u"TabC"_s)->setCurrentIndex(frmSystem::ImportTab);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_ExportPage::cleanup()
{
    m_window.reset();
    m_data.reset();
}

void tst_ExportPage::writesTheChosenFileAndSaysSo()
{
    const QString path = m_data->folder() + u"/联系人.csv"_s;
    exportTo(path, u"导出联系人完成！"_s);
    QVERIFY(m_prompter.scriptDone());
    const auto& dialog = m_prompter.shown().first();
    QCOMPARE(dialog.text, u"导出联系人"_s);
    QCOMPARE(dialog.filter, ContactExport::fileFilter());
    QCOMPARE(m_prompter.shown().last().title, u"提示！"_s);
    QCOMPARE(m_window->findChild<QProgressBar*>(u"Bar"_s)->value(), 0);
    QVERIFY(m_window->findChild<QPushButton*>(u"Button_Output"_s)->isEnabled());

    auto table = CsvTable::readFile(path);
    QVERIFY(table.ok());
    QCOMPARE(table.value().rows.size(), 1);
    QCOMPARE(table.value().rows[0][table.value().columnOf(u"手机1"_s)], u"13800138000"_s);
}

void tst_ExportPage::aSaveThatFailsShowsTheErrorBoxAndLeavesNoFile()
{
    // A plain file where the folder should be: no account, root included, can write there.
    const QString notAFolder = m_data->folder() + u"/plain"_s;
    QFile plain(notAFolder);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString path = notAFolder + u"/联系人.xlsx"_s;
    exportTo(path, {});
    QVERIFY(m_prompter.scriptDone());
    const auto& shown = m_prompter.shown().last();
    QVERIFY(shown.title.startsWith(u"错误"_s));
    QCOMPARE(shown.icon, Prompter::Icon::Critical);
    QVERIFY(!QFile::exists(path));
}

void tst_ExportPage::anEndingOfNoFormatIsRefused()
{
    const QString path = m_data->folder() + u"/联系人.txt"_s;
    exportTo(
        path,
        u"请选择导出的文件类型：Excel工作簿（*.xlsx）、CSV文件（*.csv）或vCard文件（*.vcf）。"_s);
    QVERIFY(m_prompter.scriptDone());
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(tst_ExportPage)
#include "tst_exportpage.moc"
