// SPDX-License-Identifier: GPL-3.0-or-later
// The group dialog as a real window: its fill, its checks and what it saves.
#include "ScriptedPrompter.h"
#include "TestDatabase.h"

#include "groups/frmType.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

struct OpenDialog {
    ScriptedPrompter prompter;
    std::unique_ptr<frmType> dialog;

    OpenDialog(Database& db, frmType::Values values)
        : dialog(std::make_unique<frmType>(db, prompter, values))
    {
    }
    bool show()
    {
        if (!dialog->load().ok())
            return false;
        dialog->show();
        return QTest::qWaitForWindowExposed(dialog.get());
    }
    template <typename T> T* find(const char* name) const
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* number() const { return find<QLineEdit>("Edit_Number"); }
    QLineEdit* name() const { return find<QLineEdit>("Edit_Name"); }
    QComboBox* parent() const { return find<QComboBox>("Combo_Parent"); }
    void ok() const { QTest::mouseClick(find<QPushButton>("Button_OK"), Qt::LeftButton); }
    void choose(const QString& text) const { parent()->setCurrentIndex(parent()->findText(text)); }
    void typeInto(QLineEdit* box, const QString& text) const
    {
        box->clear();
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
};

} // namespace

class TestFrmType : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editingLoadsTheGroupAndOffersEveryOther();
    void checksStopAtTheFirstFailureAndWriteNothing();
    void addingSavesUnderTheChosenParent();
    void editSavesAndRefusesItsOwnBranch();
    void vanishedRowIsToldAndNothingWritten();
    void cancelWritesNothing();

private:
    qint64 groups()
    {
        return m_data->scalar(QStringLiteral("SELECT count(*) FROM Vardelin_Type")).toLongLong();
    }
    QVariant field(const char* column, qint64 id)
    {
        return m_data->scalar(QStringLiteral("SELECT %1 FROM Vardelin_Type WHERE ID = ?")
                                  .arg(QLatin1StringView(column)),
                              {id});
    }

    std::unique_ptr<TestDatabase> m_data;
    qint64 m_work = 0;
    qint64 m_team = 0;
    qint64 m_friends = 0;
};

void TestFrmType::init()
{
    m_data = std::make_unique<TestDatabase>();
    QVERIFY(m_data->ok());
    m_work = m_data->addGroup(1, 2, QStringLiteral("同事"));
    m_team = m_data->addGroup(m_work, 1, QStringLiteral("项目组"));
    m_friends = m_data->addGroup(1, 1, QStringLiteral("朋友"));
}

void TestFrmType::cleanup()
{
    m_data.reset();
}

void TestFrmType::editingLoadsTheGroupAndOffersEveryOther()
{
    OpenDialog open(m_data->db(), {true, m_work, 1});
    QVERIFY(open.show());
    QCOMPARE(open.dialog->windowTitle(), QStringLiteral("分组信息"));
    QCOMPARE(open.find<QLabel>("Label1")->text(), QStringLiteral("分组编号："));
    QCOMPARE(open.find<QLabel>("Label2")->text(), QStringLiteral("分组名称："));
    QCOMPARE(open.find<QLabel>("Label3")->text(), QStringLiteral("上级分组："));
    QCOMPARE(open.find<QLabel>("Label3")->buddy(), open.parent());
    QCOMPARE(open.find<QPushButton>("Button_OK")->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(open.find<QPushButton>("Button_Cancel")->text(), QStringLiteral("取消(&C)"));
    QCOMPARE(open.number()->text(), QStringLiteral("2"));
    QCOMPARE(open.name()->text(), QStringLiteral("同事"));
    // Every group but the edited one, its own subgroup included; the parent preselected.
    QCOMPARE(open.parent()->count(), 3);
    QCOMPARE(open.parent()->findText(QStringLiteral("同事")), -1);
    QVERIFY(open.parent()->findText(QStringLiteral("项目组")) >= 0);
    QCOMPARE(open.parent()->currentData().toLongLong(), 1);
}

void TestFrmType::checksStopAtTheFirstFailureAndWriteNothing()
{
    OpenDialog open(m_data->db(), {false, 0, 0}); // no parent preselected
    QVERIFY(open.show());
    QCOMPARE(open.parent()->currentIndex(), -1);
    const qint64 before = groups();
    const QStringList expected{
        QStringLiteral("分组编号为必填，不能为空！此分组编号用于排序！"),
        QStringLiteral("分组编号必须是-32768到32767之间的整数！"),
        QStringLiteral("分组编号必须是-32768到32767之间的整数！"),
        QStringLiteral("分组名称为必填，不能为空！"),
        QStringLiteral("上级分组必须选择！"),
    };
    for (const QString& text : expected)
        open.prompter.expectMessage(text);
    open.ok();
    open.typeInto(open.number(), QStringLiteral("40000"));
    open.ok();
    open.typeInto(open.number(), QStringLiteral("三"));
    open.ok();
    open.typeInto(open.number(), QStringLiteral("-3"));
    open.ok();
    open.typeInto(open.name(), QStringLiteral("家人"));
    open.ok();
    QVERIFY(open.prompter.scriptDone());
    for (const auto& shown : open.prompter.shown()) {
        QCOMPARE(shown.title, QStringLiteral("提示！"));
        QCOMPARE(shown.icon, Prompter::Icon::Information);
    }
    QVERIFY(open.dialog->isVisible());
    QCOMPARE(groups(), before);
}

void TestFrmType::addingSavesUnderTheChosenParent()
{
    OpenDialog open(m_data->db(), {false, 0, 1});
    QVERIFY(open.show());
    // Adding offers every group, the root included.
    QCOMPARE(open.parent()->count(), 4);
    QCOMPARE(open.parent()->currentData().toLongLong(), 1);
    open.typeInto(open.number(), QStringLiteral("-32768"));
    const QString name = QStringLiteral("家人 'O\"Neil' 100%");
    open.typeInto(open.name(), name);
    open.ok();
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.dialog->result(), int(QDialog::Accepted));
    const qint64 id =
        m_data->scalar(QStringLiteral("SELECT ID FROM Vardelin_Type WHERE Name = ?"), {name})
            .toLongLong();
    QCOMPARE(field("PID", id).toLongLong(), 1);
    QCOMPARE(field("Number", id).toLongLong(), -32768);
}

void TestFrmType::editSavesAndRefusesItsOwnBranch()
{
    OpenDialog open(m_data->db(), {true, m_work, 1});
    QVERIFY(open.show());
    open.choose(QStringLiteral("项目组"));
    open.prompter.expectMessage(QStringLiteral("不能把分组移到它自己的下级分组中！"));
    open.ok();
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.dialog->isVisible());
    QCOMPARE(field("PID", m_work).toLongLong(), 1);

    open.choose(QStringLiteral("朋友"));
    open.typeInto(open.name(), QStringLiteral("老同事"));
    open.typeInto(open.number(), QStringLiteral("9"));
    open.ok();
    QVERIFY(open.prompter.scriptDone());
    QCOMPARE(open.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(field("PID", m_work).toLongLong(), m_friends);
    QCOMPARE(field("Name", m_work).toString(), QStringLiteral("老同事"));
    QCOMPARE(field("Number", m_work).toLongLong(), 9);
    QCOMPARE(field("PID", m_team).toLongLong(), m_work);
}

void TestFrmType::vanishedRowIsToldAndNothingWritten()
{
    OpenDialog open(m_data->db(), {true, m_friends, 1});
    QVERIFY(open.show());
    m_data->run(QStringLiteral("DELETE FROM Vardelin_Type WHERE ID = ?"), {m_friends});
    const qint64 before = groups();
    open.prompter.expectMessage(QStringLiteral("分组已被删除，无法保存！"));
    open.ok();
    QVERIFY(open.prompter.scriptDone());
    QVERIFY(open.dialog->isVisible());
    QCOMPARE(groups(), before);
    QVERIFY(field("ID", m_friends).isNull());
}

void TestFrmType::cancelWritesNothing()
{
    OpenDialog open(m_data->db(), {true, m_team, m_work});
    QVERIFY(open.show());
    open.typeInto(open.name(), QStringLiteral("不要"));
    QTest::mouseClick(open.find<QPushButton>("Button_Cancel"), Qt::LeftButton);
    QCOMPARE(open.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(field("Name", m_team).toString(), QStringLiteral("项目组"));
    QVERIFY(open.prompter.shown().isEmpty());
}

QTEST_MAIN(TestFrmType)
#include "tst_frmtype.moc"
