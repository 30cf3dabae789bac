// SPDX-License-Identifier: GPL-3.0-or-later
// The letter tabs laid out as a plain tab bar with the same tabs lays them out, under the theme.
#include "contacts/LetterTabs.h"
#include "ui/Skin.h"

#include <QTabBar>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLetterTabs : public QObject {
    Q_OBJECT

private slots:
    void tabsAreMeasuredLikeAPlainTabBars_data()
    {
        QTest::addColumn<QString>("skin");
        // Qt's own look first: the theme, once applied, stays for the whole program.
        QTest::newRow("without a theme") << QString();
        QTest::newRow("Blue") << u"Blue"_s;
    }

    void tabsAreMeasuredLikeAPlainTabBars()
    {
        QFETCH(QString, skin);
        QVERIFY(skin.isEmpty() || Skin::apply(skin));
        for (const bool counted : {false, true}) {
            LetterTabs tabs;
            QTabBar plain; // set up as LetterTabs sets itself up
            plain.setExpanding(false);
            plain.setUsesScrollButtons(true);
            plain.setDrawBase(true);
            plain.addTab(counted ? u"全部(100000)"_s : u"全部"_s);
            for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
                plain.addTab(QString(QChar(letter)));
            if (counted)
                tabs.showCount(100000); // on the selected tab, as start-up shows it
            for (QWidget* bar : {static_cast<QWidget*>(&tabs), static_cast<QWidget*>(&plain)}) {
                bar->resize(900, 40);
                bar->show();
                QVERIFY(QTest::qWaitForWindowExposed(bar));
            }
            QCOMPARE(tabs.count(), 27);
            QCOMPARE(tabs.sizeHint(), plain.sizeHint());
            for (int index = 0; index < tabs.count(); ++index) {
                QVERIFY(!tabs.tabRect(index).isEmpty());
                QCOMPARE(tabs.tabRect(index), plain.tabRect(index));
            }
        }
    }
};

QTEST_MAIN(TestLetterTabs)
#include "tst_lettertabs.moc"
