// SPDX-License-Identifier: GPL-3.0-or-later
// The letter tabs laid out as a plain tab bar with the same tabs lays them out, under the theme.
#include "contacts/LetterTabs.h"
#include "ui/Skin.h"

#include <QTabBar>
#include <QTest>

class TestLetterTabs : public QObject {
    Q_OBJECT

private slots:
    void tabsAreMeasuredLikeAPlainTabBars_data();
    void tabsAreMeasuredLikeAPlainTabBars();
};

namespace {

// What LetterTabs sets up, on a QTabBar of Qt's own.
void setUpPlain(QTabBar& plain)
{
    plain.setExpanding(false);
    plain.setUsesScrollButtons(true);
    plain.setDrawBase(true);
    plain.addTab(QStringLiteral("全部"));
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        plain.addTab(QString(QChar(letter)));
}

} // namespace

void TestLetterTabs::tabsAreMeasuredLikeAPlainTabBars_data()
{
    QTest::addColumn<QString>("skin");
    // Qt's own look first: the theme, once applied, stays for the whole program.
    QTest::newRow("without a theme") << QString();
    QTest::newRow("Blue") << QStringLiteral("Blue");
}

void TestLetterTabs::tabsAreMeasuredLikeAPlainTabBars()
{
    QFETCH(QString, skin);
    if (!skin.isEmpty())
        QVERIFY(Skin::apply(skin));
    for (const bool counted : {false, true}) {
        LetterTabs tabs;
        QTabBar plain;
        setUpPlain(plain);
        if (counted) {
            // A count on the selected tab, shown as start-up shows it.
            tabs.showCount(100000);
            plain.setTabText(0, QStringLiteral("全部(100000)"));
        }
        tabs.resize(900, 40);
        plain.resize(900, 40);
        tabs.show();
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        QCOMPARE(tabs.count(), 27);
        QCOMPARE(tabs.sizeHint(), plain.sizeHint());
        for (int index = 0; index < tabs.count(); ++index) {
            QVERIFY(!tabs.tabRect(index).isEmpty());
            QCOMPARE(tabs.tabRect(index), plain.tabRect(index));
        }
    }
}

QTEST_MAIN(TestLetterTabs)
#include "tst_lettertabs.moc"
