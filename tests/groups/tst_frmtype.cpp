// SPDX-License-Identifier: GPL-3.0-or-later
// The group dialog as a user drives it: editing, adding and cancelling, read back from the
// database. The checks themselves are tested in tst_groupediting.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "groups/frmType.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct OpenDialog {
    ScriptedPrompter prompter;
    frmType dialog;

    OpenDialog(Database& db, frmType::Values values)
        : dialog(db, prompter, values)
    {
        QVERIFY(dialog.load().ok());
        dialog.show();
    }
    template <typename T> T* find(const char* name) const
    {
        return dialog.findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* number() const { return find<QLineEdit>("Edit_Number"); }
    QLineEdit* name() const { return find<QLineEdit>("Edit_Name"); }
    QComboBox* parent() const { return find<QComboBox>("Combo_Parent"); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void choose(const QString& text) const { parent()->setCurrentIndex(parent()->findText(text)); }
    void type(QLineEdit* box, const QString& text) const
    {
        box->clear();
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
};

} // namespace

class TestFrmType : public QObject {
    Q_OBJECT
    std::optional<TestDatabase> book;
    QString group(qint64 id) // PID, Number and Name
    {
        return book
            ->scalar(u"SELECT PID||' '||Number||' '||Name FROM Vardelin_Type WHERE ID = ?"_s, {id})
            .toString();
    }

private slots:
    void init()
    {
        QVERIFY(book.emplace().ok());
        book->run(u"INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (10, 1, 2, '同事'), "
                  "(11, 10, 1, '项目组'), (13, 1, 1, '朋友')"_s);
    }

    void editRefusesItsOwnBranchThenSaves()
    {
        OpenDialog open(book->db(), {true, 10, 1});
        QCOMPARE(open.dialog.windowTitle(), u"分组信息"_s);
        QStringList captions;
        for (const char* name : {"Label1", "Label2", "Label3"})
            captions << open.find<QLabel>(name)->text();
        for (const char* name : {"Button_OK", "Button_Cancel"})
            captions << open.find<QPushButton>(name)->text();
        QCOMPARE(captions.join(u' '), u"分组编号： 分组名称： 上级分组： 确定(&O) 取消(&C)"_s);
        QCOMPARE(open.find<QLabel>("Label3")->buddy(), open.parent());
        QCOMPARE(open.number()->text() + open.name()->text(), u"2同事"_s);
        // Every group but the edited one, its own subgroup included; the parent preselected.
        QCOMPARE(open.parent()->count(), 3);
        QCOMPARE(open.parent()->findText(u"同事"_s), -1);
        QCOMPARE(open.parent()->currentData().toLongLong(), 1);

        open.choose(u"项目组"_s);
        open.prompter.expectMessage(u"不能把分组移到它自己的下级分组中！"_s);
        open.click("Button_OK");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(open.prompter.shown().last().title, u"提示！"_s);
        QVERIFY(open.dialog.isVisible());
        QCOMPARE(group(10), u"1 2 同事"_s);

        open.choose(u"朋友"_s);
        open.type(open.name(), u"老同事"_s);
        open.type(open.number(), u"9"_s);
        open.click("Button_OK");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(open.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(group(10), u"13 9 老同事"_s);
        QCOMPARE(group(11), u"10 1 项目组"_s);
    }

    void addingAsksForAParentThenSavesUnderIt()
    {
        OpenDialog open(book->db(), {false, 0, 0}); // no parent preselected
        QCOMPARE(open.parent()->currentIndex(), -1);
        QCOMPARE(open.parent()->count(), 4); // the root included
        open.type(open.number(), u"-32768"_s);
        open.type(open.name(), u"家人"_s);
        open.prompter.expectMessage(u"上级分组必须选择！"_s);
        open.click("Button_OK");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(open.prompter.shown().last().icon, Prompter::Icon::Information);
        QVERIFY(open.dialog.isVisible());
        open.choose(u"朋友"_s);
        open.click("Button_OK");
        QVERIFY(open.prompter.scriptDone());
        QCOMPARE(open.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(group(book->scalar(u"SELECT max(ID) FROM Vardelin_Type"_s).toLongLong()),
                 u"13 -32768 家人"_s);
    }

    void cancelWritesNothing()
    {
        OpenDialog open(book->db(), {true, 11, 10});
        open.type(open.name(), u"不要"_s);
        open.click("Button_Cancel");
        QCOMPARE(open.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(group(11), u"10 1 项目组"_s);
        QVERIFY(open.prompter.shown().isEmpty());
    }
};

QTEST_MAIN(TestFrmType)
#include "tst_frmtype.moc"
