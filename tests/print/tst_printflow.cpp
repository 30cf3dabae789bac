// SPDX-License-Identifier: GPL-3.0-or-later
// "打印" on the main window: choose, export to PDF or preview, and the message of the gaps.
#include "PdfText.h"
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "app/Main.h"
#include "contacts/ContactListView.h"
#include "db/Session.h"
#include "print/frmPrint.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Picks a kind of print in the choice and leaves it with the button.
std::function<int(QDialog&)> choose(const char* kind, int outcome)
{
    return [kind, outcome](QDialog& dialog) {
        dialog.findChild<QRadioButton*>(QString::fromLatin1(kind))->setChecked(true);
        dialog.findChild<QLineEdit*>(u"Edit_SenderAddress"_s)->setText(u"上海市漕溪北路88号"_s);
        return outcome;
    };
}

} // namespace

class TestPrintFlow : public QObject {
    Q_OBJECT

    TestDatabase m_data;
    Database m_db;
    Session m_session;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Main> m_window;

private slots:
    void initTestCase()
    {
        QVERIFY(m_data.ok());
        m_data.addContact({{u"Name"_s, u"李明朗"_s},
                           {u"ZipCode"_s, u"100080"_s},
                           {u"Address"_s, u"北京市海淀区"_s}});
        m_data.addContact({{u"Name"_s, u"王芳"_s}, {u"Moblie1"_s, u"13800138000"_s}});
        m_data.addContact({{u"Name"_s, u"赵丽"_s}, {u"Address"_s, u"杭州市西湖区"_s}});
        m_window = std::make_unique<Main>(m_db, m_session, m_prompter);
        QVERIFY(m_window->startUp(m_data.path()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void labelsToPdfTellTheGapsOnce()
    {
        const QString pdf = m_data.folder() + u"/标签.pdf"_s;
        m_prompter.answerDialog = choose("Radio_Labels", frmPrint::Pdf);
        m_prompter.expectSaveFile(pdf);
        m_prompter.expectMessage(u"以下 2 位联系人没有邮编或地址，已照常打印，空处留白：\n"
                                 "王芳、赵丽"_s);
        m_window->findChild<QToolButton*>(u"Button_Print"_s)->click();

        QVERIFY2(m_prompter.scriptDone(), qPrintable(m_prompter.faults().join(u'\n')));
        QCOMPARE(m_prompter.dialogs, QStringList{u"frmPrint"_s});
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfLayoutText(pdf);
        QVERIFY(text.contains(u"李明朗"_s) && text.contains(u"王芳"_s) && text.contains(u"赵丽"_s));
        // The sender is kept for the next envelope.
        QCOMPARE(m_data.scalar(u"SELECT SenderAddress FROM Vardelin_Print"_s).toString(),
                 u"上海市漕溪北路88号"_s);
    }

    void tickedRowPreviewedFromTheListMenu()
    {
        auto* list = m_window->findChild<ContactListView*>(u"ListView"_s);
        ContactTableModel* rows = list->contacts();
        rows->setData(rows->index(1, rows->leadColumn()), Qt::Checked, Qt::CheckStateRole);
        const QString ticked = rows->index(1, 0).data().toString();
        const QString pdf = m_data.folder() + u"/预览.pdf"_s;
        m_prompter.dialogs.clear();
        m_prompter.answerDialog = [&pdf](QDialog& dialog) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog);
            if (!preview)
                return choose("Radio_Cards", frmPrint::Preview)(dialog);
            // What the preview shows, drawn on a printer that writes a file.
            QPrinter printer;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            emit preview->paintRequested(&printer);
            return int(QDialog::Rejected);
        };
        m_window->findChild<QMenu*>(u"RightContact"_s)
            ->findChild<QAction*>(u"PrintList"_s)
            ->trigger();

        QCOMPARE(m_prompter.dialogs, (QStringList{u"frmPrint"_s, u"PrintPreview"_s}));
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfLayoutText(pdf);
        QVERIFY(text.contains(ticked));
        QCOMPARE(text.count(u"姓名："_s), 1); // the ticked contact's card alone
        QVERIFY(m_prompter.scriptDone());     // cards tell no gaps
    }
};

QTEST_MAIN(TestPrintFlow)
#include "tst_printflow.moc"
