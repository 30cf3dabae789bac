// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own dialogs and buttons in Simplified Chinese.
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void standardButtonsAndFileDialogsSpeakChinese();
};

void TestQtTranslations::standardButtonsAndFileDialogsSpeakChinese()
{
    QDialogButtonBox before(QDialogButtonBox::Yes | QDialogButtonBox::No);
    QCOMPARE(before.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Yes"));

    QVERIFY(QtTranslations::install(*QApplication::instance()));

    QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No |
                             QDialogButtonBox::Cancel);
    QVERIFY2(buttons.button(QDialogButtonBox::Yes)->text().contains(QStringLiteral("是")),
             qPrintable(buttons.button(QDialogButtonBox::Yes)->text()));
    QVERIFY(buttons.button(QDialogButtonBox::No)->text().contains(QStringLiteral("否")));
    QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")));

    // Qt's own file dialog: its labels are translated too.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY2(labels.join(u' ').contains(QStringLiteral("文件")), qPrintable(labels.join(u'|')));
}

QTEST_MAIN(TestQtTranslations)
#include "tst_qttranslations.moc"
