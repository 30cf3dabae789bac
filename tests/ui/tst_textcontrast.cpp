// SPDX-License-Identifier: GPL-3.0-or-later
// Each pair of colours a text meets in the windows, read from the theme's colour table and
// palette, reaches WCAG's ratio for text (disabled texts are left out, as WCAG leaves them out).
// tst_skin checks that the style draws these colours where the pairs say.
#include "ui/Contrast.h"
#include "ui/Skin.h"
#include "ui/SkinColours.h"

#include <QApplication>
#include <QTest>

namespace {

// The least contrast of any text colour on any colour behind it (both ends of a gradient).
double worst(const QList<QColor>& texts, const QList<QColor>& behind)
{
    double least = 21;
    for (const QColor& text : texts)
        for (const QColor& back : behind)
            least = std::min(least, Contrast::ratio(text.rgb() & RGB_MASK, back.rgb() & RGB_MASK));
    return least;
}

const QColor hoverText(SkinColours::hoverText);

} // namespace

class TestTextContrast : public QObject {
    Q_OBJECT

private slots:
    void everyTextIsReadable_data()
    {
        QTest::addColumn<QList<QColor>>("text");
        QTest::addColumn<QList<QColor>>("behind");
        for (const SkinColours& c : Skin::themes()) {
            QVERIFY(Skin::apply(c.name));
            const QPalette p = QApplication::palette();
            const auto row = [&c](const char* where, const QList<QColor>& text,
                                  const QList<QColor>& behind) {
                QTest::addRow("%s: %s", c.name.data(), where) << text << behind;
            };
            row("captions of a dialog", {p.windowText().color()}, {p.window().color()});
            row("captions on a page", {p.windowText().color()}, {c.pane});
            row("edits", {p.text().color()}, {p.base().color()});
            row("check boxes, list boxes", {p.buttonText().color()}, {p.button().color()});
            row("the About box's address", {p.link().color()}, {p.window().color()});
            row("chosen text in an edit", {p.highlightedText().color()}, {p.highlight().color()});
            row("tool bar, menu bar, status bar, dock titles", {c.frameText},
                {c.frameTop, c.frameBottom});
            row("a button under the pointer", {hoverText}, {c.hoverTop, c.hoverBottom});
            row("a pressed button", {hoverText}, {c.pressedTop(), c.pressedBottom()});
            row("menus", {c.text}, {c.base});
            row("tabs", {c.tabText}, {c.tabTop, c.tabBottom});
            row("the chosen tab", {c.paneText}, {c.pane});
            row("lists", {c.text}, {c.base, c.alternateBase});
            row("a chosen row", {c.highlightText}, {c.highlight});
            row("column headers", {c.headerText}, {c.headerTop, c.headerBottom});
            row("group titles", {c.groupTitle}, {p.window().color(), c.pane});
            row("push buttons", {c.buttonText}, {c.buttonTop, c.buttonBottom});
            row("a refusal written into a dialog", {c.warningText}, {p.window().color(), c.pane});
            row("tool tips", {hoverText}, {QColor(SkinColours::toolTipBase)});
        }
    }
    void everyTextIsReadable()
    {
        QFETCH(QList<QColor>, text);
        QFETCH(QList<QColor>, behind);
        const double ratio = worst(text, behind);
        QVERIFY2(ratio >= Contrast::minimumForText, qPrintable(QString::number(ratio)));
    }

    // A page a user other than the administrator cannot open looks it.
    void switchedOffPagesLookSwitchedOff()
    {
        for (const SkinColours& c : Skin::themes()) {
            QVERIFY(c.disabledText != c.tabText);
            QVERIFY2(worst({c.disabledText}, {c.buttonBottom}) <
                         worst({c.tabText}, {c.tabTop, c.tabBottom}),
                     c.name.data());
        }
    }
};

QTEST_MAIN(TestTextContrast)
#include "tst_textcontrast.moc"
