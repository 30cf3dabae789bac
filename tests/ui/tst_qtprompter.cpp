// SPDX-License-Identifier: GPL-3.0-or-later
// The real dialogs behind the prompt interface: the button a user presses is the answer given.
#include "ui/QtPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Answers the next modal dialog, once it is shown, with what act does to it.
void answerNextDialog(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

void pressButton(const QString& caption)
{
    answerNextDialog([caption](QWidget* dialog) {
        for (auto* button : dialog->findChildren<QAbstractButton*>())
            if (button->text() == caption)
                return button->click();
        dialog->close();
        QFAIL(qPrintable(u"no button "_s + caption));
    });
}

} // namespace

class TestQtPrompter : public QObject {
    Q_OBJECT

private slots:
    void messageBoxes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<int>("answer");
        QTest::newRow("message") << u"message"_s << u"确定"_s << 0;
        QTest::newRow("ask, yes") << u"ask"_s << u"是(&Y)"_s << 1;
        QTest::newRow("ask, no") << u"ask"_s << u"否(&N)"_s << 0;
        QTest::newRow("choose, first") << u"choose"_s << u"保存"_s << 0;
        QTest::newRow("choose, way back") << u"choose"_s << u"取消"_s << 2;
    }

    void messageBoxes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, pressed);
        QFETCH(int, answer);
        QtPrompter prompter;
        pressButton(pressed);
        int given = 0;
        if (kind == u"message")
            prompter.message(nullptr, u"已保存。"_s, u"提示！"_s, Prompter::Icon::Exclamation);
        else if (kind == u"ask")
            given = prompter.ask(nullptr, u"确定要删除吗？"_s, u"提示！"_s);
        else
            given = prompter.choose(nullptr, u"联系人已被修改。"_s, u"提示！"_s,
                                    Prompter::Icon::Question, {u"保存"_s, u"不保存"_s, u"取消"_s});
        QCOMPARE(given, answer);
    }

    void inputAndFiles()
    {
        QtPrompter prompter;
        answerNextDialog([](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input);
            input->setTextValue(u"朋友"_s);
            input->accept();
        });
        QCOMPARE(prompter.input(nullptr, u"组名："_s, u"新建组"_s, u"新组"_s), u"朋友"_s);
        answerNextDialog([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
        QCOMPARE(prompter.input(nullptr, u"组名："_s, u"新建组"_s, u"新组"_s), QString());

        QTemporaryDir folder;
        const QString chosen = folder.filePath(u"导出.csv"_s);
        answerNextDialog([chosen](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            files->selectFile(chosen);
            QMetaObject::invokeMethod(files, &QDialog::accept);
        });
        QCOMPARE(prompter.saveFileName(nullptr, u"导出"_s, chosen, u"CSV (*.csv)"_s), chosen);
    }
};

QTEST_MAIN(TestQtPrompter)
#include "tst_qtprompter.moc"
