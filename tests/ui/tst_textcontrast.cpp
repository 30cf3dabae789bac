// SPDX-License-Identifier: GPL-3.0-or-later
// Each pair of colours a text meets in the windows, read from the theme's palette and sheet,
// reaches WCAG's ratio for text (disabled texts are left out, as WCAG leaves them out).
#include "ui/Contrast.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The colours of "selector|property" in the applied sheet, or of "palette|Role".
QList<QRgb> colours(const QString& where)
{
    const QString selector = where.section(u'|', 0, 0), property = where.section(u'|', 1);
    if (selector == u"palette") {
        const int role =
            QMetaEnum::fromType<QPalette::ColorRole>().keyToValue(qPrintable(property));
        return {QApplication::palette().color(QPalette::ColorRole(role)).rgb() & RGB_MASK};
    }
    static const QRegularExpression comment(uR"(/\*.*?\*/)"_s,
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression block(uR"(([^{}]+)\{([^}]*)\})"_s);
    const QRegularExpression value(uR"((?:^|[\s;]))"_s + QRegularExpression::escape(property) +
                                   uR"(\s*:([^;]*);)"_s);
    for (const auto& rule : block.globalMatch(qApp->styleSheet().remove(comment))) {
        bool named = false;
        for (const QString& head : rule.captured(1).split(u','))
            named = named || head.trimmed() == selector;
        const auto found = value.match(rule.captured(2));
        if (!named || !found.hasMatch())
            continue;
        QList<QRgb> list;
        for (const auto& hex :
             QRegularExpression(u"#[0-9a-fA-F]{6}"_s).globalMatch(found.captured(1)))
            list << (QColor(hex.captured()).rgb() & RGB_MASK);
        return list;
    }
    return {};
}

// Where each text of the windows is drawn: its colour, and what lies behind it.
const QList<std::pair<const char*, const char*>> pairs{
    {"palette|WindowText", "palette|Window"},              // captions of a dialog
    {"palette|WindowText", "QTabWidget::pane|background"}, // captions on a page
    {"palette|Text", "palette|Base"},                      // edits
    {"palette|ButtonText", "palette|Button"},              // check boxes, list boxes
    {"palette|Link", "palette|Window"},                    // the About box's address
    {"palette|HighlightedText", "palette|Highlight"},      // chosen text in an edit
    {"QToolButton|color", "QToolBar|background"},
    {"QToolButton:hover|color", "QToolButton:hover|background"},
    {"QMenuBar|color", "QMenuBar|background"},
    {"QMenu|color", "QMenu|background"},
    {"QMenu::item:selected|color", "QMenu::item:selected|background"},
    {"QStatusBar QLabel|color", "QStatusBar|background"},
    {"QDockWidget|color", "QDockWidget::title|background"},
    {"QTabBar::tab|color", "QTabBar::tab|background"},
    {"QTabBar::tab:selected|color", "QTabBar::tab:selected|background"},
    {"QAbstractItemView|color", "QAbstractItemView|background"},
    {"QAbstractItemView|color", "QAbstractItemView|alternate-background-color"},
    {"QAbstractItemView|selection-color", "QAbstractItemView|selection-background-color"},
    {"QHeaderView::section|color", "QHeaderView::section|background"},
    {"QGroupBox|color", "palette|Window"},
    {"QGroupBox|color", "QTabWidget::pane|background"},
    {"QPushButton|color", "QPushButton|background"},
    {"QPushButton:pressed|color", "QPushButton:pressed|background"},
    {"QLabel[warning=\"true\"]|color", "palette|Window"}, // a refusal written into a dialog
    {"QLabel[warning=\"true\"]|color", "QTabWidget::pane|background"},
    {"QToolTip|color", "QToolTip|background"},
};

double worst(const QString& text, const QString& behind)
{
    double least = 21;
    for (QRgb fore : colours(text))
        for (QRgb back : colours(behind))
            least = std::min(least, Contrast::ratio(fore, back));
    return colours(text).isEmpty() || colours(behind).isEmpty() ? 0 : least;
}

} // namespace

class TestTextContrast : public QObject {
    Q_OBJECT

private slots:
    void everyTextIsReadable_data()
    {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("behind");
        for (const QString& skin : Skin::names())
            for (const auto& [text, behind] : pairs)
                QTest::addRow("%s: %s on %s", qPrintable(skin), text, behind)
                    << skin << QString::fromUtf8(text) << QString::fromUtf8(behind);
    }
    void everyTextIsReadable()
    {
        QFETCH(QString, skin);
        QFETCH(QString, text);
        QFETCH(QString, behind);
        QVERIFY(Skin::apply(skin));
        const double ratio = worst(text, behind);
        QVERIFY2(ratio >= Contrast::minimumForText, qPrintable(QString::number(ratio)));
    }

    // A page a user other than the administrator cannot open looks it.
    void switchedOffPagesLookSwitchedOff()
    {
        for (const QString& skin : Skin::names()) {
            QVERIFY(Skin::apply(skin));
            QVERIFY(colours(u"QTabBar::tab:disabled|color"_s) != colours(u"QTabBar::tab|color"_s));
            QVERIFY2(
                worst(u"QTabBar::tab:disabled|color"_s, u"QTabBar::tab:disabled|background"_s) <
                    worst(u"QTabBar::tab|color"_s, u"QTabBar::tab|background"_s),
                qPrintable(skin));
        }
    }
};

QTEST_MAIN(TestTextContrast)
#include "tst_textcontrast.moc"
