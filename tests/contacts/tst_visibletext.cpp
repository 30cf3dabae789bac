// SPDX-License-Identifier: GPL-3.0-or-later
// The list's one-line form of a stored text.
#include "contacts/VisibleText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVisibleText : public QObject {
    Q_OBJECT

private slots:
    void signsStandForInvisibleCharacters_data();
    void signsStandForInvisibleCharacters();
};

void TestVisibleText::signsStandForInvisibleCharacters_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain text unchanged") << u"张三 O'Brien 100% ·↵"_s << u"张三 O'Brien 100% ·↵"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("LF") << u"张\n三"_s << u"张↵三"_s;
    QTest::newRow("CR LF is one break") << u"张\r\n三"_s << u"张↵三"_s;
    QTest::newRow("CR alone, LF CR twice") << u"a\rb\n\rc"_s << u"a↵b↵↵c"_s;
    QTest::newRow("NEL, line and paragraph separators")
        << u"a\u0085b\u2028c\u2029d"_s << u"a↵b↵c↵d"_s;
    QTest::newRow("trailing break") << u"王五\n"_s << u"王五↵"_s;
    QTest::newRow("tab, NUL, ESC, unit separator")
        << QString(u"a\tb"_s + QChar(0) + u"c\x1B\x1F"_s) << u"a␉b␀c␛␟"_s;
    QTest::newRow("DEL") << u"a\x7F"_s << u"a␡"_s;
    QTest::newRow("C1 controls") << u"a\u0080b\u009Fc"_s << u"a·b·c"_s;
    QTest::newRow("beyond the BMP untouched") << u"𠀀\n𠀀"_s << u"𠀀↵𠀀"_s;
}

void TestVisibleText::signsStandForInvisibleCharacters()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    const QString result = VisibleText::oneLine(stored);
    QCOMPARE(result, shown);
    for (QChar c : result)
        QVERIFY2(c.category() != QChar::Other_Control && c.category() != QChar::Separator_Line &&
                     c.category() != QChar::Separator_Paragraph,
                 qPrintable(QString::number(c.unicode(), 16)));
}

QTEST_GUILESS_MAIN(TestVisibleText)
#include "tst_visibletext.moc"
