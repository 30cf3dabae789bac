// SPDX-License-Identifier: GPL-3.0-or-later
// The column dialog: it closes only on a caption and whole numbers, and the column page
// takes its values back into the working list.
#include "TestDatabase.h"

#include "admin/ColumnsPage.h"
#include "admin/frmAlias.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// Types into a box of the dialog that is open and modal, then closes it.
void answerOpenDialog(const QString& caption, const QString& width, const QString& seq)
{
    QTimer::singleShot(0, [caption, width, seq] {
        auto* dialog = qobject_cast<frmAlias*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->findChild<QLineEdit*>(u"Edit_Alias"_s)->setText(caption);
        dialog->findChild<QLineEdit*>(u"Edit_Width"_s)->setText(width);
        dialog->findChild<QLineEdit*>(u"Edit_Seq"_s)->setText(seq);
        dialog->close();
    });
}

} // namespace

class TestFrmAlias : public QObject {
    Q_OBJECT

private slots:
    // Which texts are whole numbers is tested in tst_settingssave; one shows the dialog asks.
    void closingIsRefusedUntilBothAreWholeNumbers()
    {
        frmAlias dialog(u"姓名"_s, u"120"_s, u"3"_s);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* width = dialog.findChild<QLineEdit*>(u"Edit_Width"_s);
        auto* seq = dialog.findChild<QLineEdit*>(u"Edit_Seq"_s);
        auto* message = dialog.findChild<QLabel*>(u"Label3"_s);

        QCOMPARE(width->text(), u"120"_s);
        width->setText(u"1.5"_s);
        dialog.close();
        QVERIFY(dialog.isVisible());
        QCOMPARE(message->text(), u"宽度及顺序必须是数字，请修改！"_s);
        message->clear();
        // Escape is refused the same way.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(message->text(), u"宽度及顺序必须是数字，请修改！"_s);
        width->setText(u"80"_s);
        seq->setText(u"x"_s);
        dialog.close();
        QVERIFY(dialog.isVisible());

        // A column needs a caption to be told apart.
        auto* caption = dialog.findChild<QLineEdit*>(u"Edit_Alias"_s);
        seq->setText(u"4"_s);
        caption->setText(u"\u3000 "_s);
        QTest::keyClick(caption, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(message->text(), u"字段名不能为空，请修改！"_s);
        caption->setText(u"名字"_s);
        seq->setText(u"x"_s);

        // Enter closes like the close box, with the same check.
        QTest::keyClick(seq, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        seq->setText(u"-2"_s);
        QTest::keyClick(seq, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.captionText(), u"名字"_s);
        QCOMPARE(dialog.widthText(), u"80"_s);
        QCOMPARE(dialog.seqText(), u"-2"_s);
    }

    void aDoubleClickedRowTakesTheValuesBack()
    {
        TestDatabase book;
        QVERIFY(book.ok());
        ColumnsPage page(book.db());
        QVERIFY(page.GJAlias().ok());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTreeWidget* list = page.list();
        QCOMPARE(list->topLevelItemCount(), 44);
        const int storedWidth =
            book.scalar(u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.Name'"_s).toInt();
        QVERIFY(storedWidth > 0);
        QTreeWidgetItem* name = list->topLevelItem(0);
        QCOMPARE(name->text(0), u"姓名"_s);
        QCOMPARE(name->text(1), QString::number(storedWidth));
        QCOMPARE(name->text(2), u"1"_s);
        QCOMPARE(name->checkState(0), Qt::Checked);

        answerOpenDialog(u"名字"_s, u"150"_s, u"9"_s);
        const QRect cell = list->visualItemRect(name);
        // The first click of a double click comes as a press and a release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(name->text(0), u"名字"_s);
        QCOMPARE(name->text(1), u"150"_s);
        QCOMPARE(name->text(2), u"9"_s);
        // Only the working list changed.
        QCOMPARE(book.scalar(u"SELECT Width FROM Vardelin_Alias WHERE Name = 'C.Name'"_s).toInt(),
                 storedWidth);
        const std::vector<ColumnSetting> columns = page.columns();
        QCOMPARE(columns[0].caption, u"名字"_s);
        QCOMPARE(columns[0].width, 150);
        QCOMPARE(columns[0].seq, 9);
        QVERIFY(columns[0].shown);

        // A double click below the rows opens nothing.
        book.run(u"DELETE FROM Vardelin_Alias WHERE ID > 3"_s);
        QVERIFY(page.GJAlias().ok());
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                opened = true;
                dialog->close();
            }
        });
        const QPoint below(5, list->viewport()->height() - 2);
        QVERIFY(!list->itemAt(below));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
        QTest::qWait(10);
        QVERIFY(!opened);
    }
};

QTEST_MAIN(TestFrmAlias)
#include "tst_frmalias.moc"
