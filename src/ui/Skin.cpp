// SPDX-License-Identifier: GPL-3.0-or-later
// The colour tables of the three themes and the palette and style sheet made from them.
#include "Skin.h"

#include "DeferredIconStyle.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <array>
#include <utility>

namespace {

struct Colours {
    QLatin1StringView name;
    // Content areas: lists, tables, edits.
    QColor base;
    QColor alternateBase;
    QColor text;
    QColor grid;
    QColor highlight;
    QColor highlightText;
    // The page of a tab control and the caption of its chosen tab, which joins it. The captions
    // on the page are drawn in windowText, so the page must stand apart from it.
    QColor pane;
    QColor paneText;
    // A refusal written into a dialog (not a message box), on the window or a page.
    QColor warningText;
    // The frame around them: window background, toolbar, menu and status bars, dock titles.
    QColor window;
    QColor windowText;
    QColor frameTop;
    QColor frameBottom;
    QColor frameBorder;
    QColor frameText;
    QColor tabTop;
    QColor tabBottom;
    QColor tabText;
    QColor headerTop;
    QColor headerBottom;
    QColor headerText;
    QColor buttonTop;
    QColor buttonBottom;
    QColor buttonBorder;
    QColor buttonText;
    QColor inputBorder;
    QColor groupBorder;
    QColor groupTitle;
    QColor disabledText;
    // Pointer feedback; pressed and focus colours are derived from it.
    QColor hoverTop;
    QColor hoverBottom;
    QColor hoverBorder;
};

QColor rgb(QRgb value)
{
    return QColor::fromRgb(value);
}

// The warm hover and tool tip colours are light in every theme, so their text is always dark.
constexpr QRgb hoverText = 0x1A1A1A;
constexpr QRgb toolTipBase = 0xFFFBE6;

const std::array<Colours, 3>& themes()
{
    static const std::array<Colours, 3> table{{
        {
            .name = QLatin1StringView("Blue"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF2F7FD),
            .text = rgb(0x1A1A1A),
            .grid = rgb(0xDCE6F2),
            .highlight = rgb(0xC4DCF8),
            .highlightText = rgb(0x0C1E36),
            .pane = rgb(0xFFFFFF),
            .paneText = rgb(0x1A1A1A),
            .warningText = rgb(0xB00000),
            .window = rgb(0xCFDDEE),
            .windowText = rgb(0x1E395B),
            .frameTop = rgb(0xE4EEFB),
            .frameBottom = rgb(0xC9DAEF),
            .frameBorder = rgb(0x8DAED9),
            .frameText = rgb(0x1E395B),
            .tabTop = rgb(0xDEE8F6),
            .tabBottom = rgb(0xC6D7EE),
            .tabText = rgb(0x1E395B),
            .headerTop = rgb(0xFAFCFF),
            .headerBottom = rgb(0xDDE8F5),
            .headerText = rgb(0x1E395B),
            .buttonTop = rgb(0xFDFEFF),
            .buttonBottom = rgb(0xD8E5F5),
            .buttonBorder = rgb(0x8DAED9),
            .buttonText = rgb(0x1E395B),
            .inputBorder = rgb(0xA3BEDF),
            .groupBorder = rgb(0x9CB8DC),
            .groupTitle = rgb(0x15428B),
            .disabledText = rgb(0x8D99A8),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
        {
            .name = QLatin1StringView("Silver"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF4F5F7),
            .text = rgb(0x1A1A1A),
            .grid = rgb(0xE1E4E8),
            .highlight = rgb(0xCCD8E6),
            .highlightText = rgb(0x141A22),
            .pane = rgb(0xFFFFFF),
            .paneText = rgb(0x1A1A1A),
            .warningText = rgb(0xB00000),
            .window = rgb(0xE3E6EA),
            .windowText = rgb(0x2E3238),
            .frameTop = rgb(0xF6F7F9),
            .frameBottom = rgb(0xDADEE3),
            .frameBorder = rgb(0xA7AFB9),
            .frameText = rgb(0x2E3238),
            .tabTop = rgb(0xEEF0F3),
            .tabBottom = rgb(0xD6DADF),
            .tabText = rgb(0x2E3238),
            .headerTop = rgb(0xFCFCFD),
            .headerBottom = rgb(0xE3E6EA),
            .headerText = rgb(0x2E3238),
            .buttonTop = rgb(0xFFFFFF),
            .buttonBottom = rgb(0xE2E5E9),
            .buttonBorder = rgb(0xA7AFB9),
            .buttonText = rgb(0x2E3238),
            .inputBorder = rgb(0xB4BBC4),
            .groupBorder = rgb(0xB0B7C0),
            .groupTitle = rgb(0x3C4A5C),
            .disabledText = rgb(0x9096A0),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
        {
            .name = QLatin1StringView("Black"),
            .base = rgb(0xFFFFFF),
            .alternateBase = rgb(0xF3F3F3),
            .text = rgb(0x141414),
            .grid = rgb(0xE0E0E0),
            .highlight = rgb(0xF8D98A),
            .highlightText = rgb(0x1A1408),
            .pane = rgb(0x525252),
            .paneText = rgb(0xF4F4F4),
            .warningText = rgb(0xFFB8B8),
            .window = rgb(0x4A4A4A),
            .windowText = rgb(0xF0F0F0),
            .frameTop = rgb(0x5E5E5E),
            .frameBottom = rgb(0x3C3C3C),
            .frameBorder = rgb(0x262626),
            .frameText = rgb(0xF2F2F2),
            .tabTop = rgb(0x5A5A5A),
            .tabBottom = rgb(0x444444),
            .tabText = rgb(0xEEEEEE),
            .headerTop = rgb(0xF7F7F7),
            .headerBottom = rgb(0xDCDCDC),
            .headerText = rgb(0x262626),
            .buttonTop = rgb(0x6E6E6E),
            .buttonBottom = rgb(0x4E4E4E),
            .buttonBorder = rgb(0x2A2A2A),
            .buttonText = rgb(0xF4F4F4),
            .inputBorder = rgb(0x8A8A8A),
            .groupBorder = rgb(0x777777),
            .groupTitle = rgb(0xF4F4F4),
            .disabledText = rgb(0xA0A0A0),
            .hoverTop = rgb(0xFFF4C8),
            .hoverBottom = rgb(0xFFD767),
            .hoverBorder = rgb(0xDDAE48),
        },
    }};
    return table;
}

// One sheet for all themes; each $(name) is replaced by that colour of the theme, and each
// $(nameFill) by a top-to-bottom gradient of a colour pair.
constexpr char16_t sheetTemplate[] = uR"(
QMainWindow::separator { background: $(window); width: 4px; height: 4px; }
QSplitter::handle { background: $(window); }

QToolBar {
    background: $(frameFill);
    border: none;
    border-bottom: 1px solid $(frameBorder);
    padding: 2px;
    spacing: 2px;
}
QToolBar::separator { background: $(frameBorder); width: 1px; height: 1px; margin: 4px 3px; }
QToolButton {
    color: $(frameText);
    background: transparent;
    border: 1px solid transparent;
    border-radius: 3px;
    padding: 3px 5px;
}
QToolButton:hover {
    color: $(hoverText);
    background: $(hoverFill);
    border-color: $(hoverBorder);
}
QToolButton:pressed, QToolButton:checked {
    color: $(hoverText);
    background: $(pressedFill);
    border-color: $(pressedBorder);
}
QToolButton:disabled { color: $(disabledText); }

QMenuBar {
    color: $(frameText);
    background: $(frameFill);
    border-bottom: 1px solid $(frameBorder);
}
QMenuBar::item { background: transparent; padding: 4px 10px; border-radius: 2px; }
QMenuBar::item:selected {
    color: $(hoverText);
    background: $(hoverFill);
}
QMenuBar::item:pressed {
    color: $(hoverText);
    background: $(pressedFill);
}
QMenu { background: $(base); color: $(text); border: 1px solid $(frameBorder); padding: 2px; }
QMenu::item { padding: 4px 24px 4px 28px; border: 1px solid transparent; }
QMenu::item:selected {
    color: $(hoverText);
    background: $(hoverFill);
    border-color: $(hoverBorder);
}
QMenu::item:disabled { color: $(disabledText); background: transparent; border-color: transparent; }
QMenu::separator { height: 1px; background: $(grid); margin: 3px 4px 3px 26px; }
QMenu::icon { padding-left: 4px; }

QStatusBar {
    color: $(frameText);
    background: $(frameFill);
    border-top: 1px solid $(frameBorder);
}
QStatusBar::item { border: none; }
QStatusBar QLabel { color: $(frameText); }

QDockWidget { color: $(frameText); }
QDockWidget::title {
    text-align: left;
    padding: 4px 6px;
    background: $(frameFill);
    border: 1px solid $(frameBorder);
}
/* A light square keeps the style's dark float and close glyphs visible on dark titles. */
QDockWidget::close-button, QDockWidget::float-button {
    background: $(headerTop);
    border: 1px solid $(inputBorder);
    border-radius: 2px;
    padding: 0px;
}
QDockWidget::close-button:hover, QDockWidget::float-button:hover {
    background: $(hoverFill);
    border-color: $(hoverBorder);
}

QTabWidget::pane { border: 1px solid $(frameBorder); background: $(pane); top: -1px; }
QTabBar::tab {
    color: $(tabText);
    background: $(tabFill);
    border: 1px solid $(frameBorder);
    padding: 3px 6px;
    min-width: 12px;
}
QTabBar::tab:top {
    border-bottom: none;
    border-top-left-radius: 3px;
    border-top-right-radius: 3px;
    margin-right: -1px;
    margin-top: 2px;
}
QTabBar::tab:bottom {
    border-top: none;
    border-bottom-left-radius: 3px;
    border-bottom-right-radius: 3px;
    margin-right: -1px;
    margin-bottom: 2px;
}
QTabBar::tab:hover {
    color: $(hoverText);
    background: $(hoverFill);
}
QTabBar::tab:selected {
    color: $(paneText);
    background: $(pane);
    font-weight: bold;
}
/* A page that cannot be chosen looks it, hovered or not. */
QTabBar::tab:disabled {
    color: $(disabledText);
    background: $(buttonBottom);
}
QTabBar::tab:top:selected { margin-top: 0px; }
QTabBar::tab:bottom:selected { margin-bottom: 0px; }
/* The scroll arrows are drawn dark by the style, so their buttons stay light in every theme. */
QTabBar QToolButton {
    background: $(headerFill);
    border: 1px solid $(inputBorder);
    border-radius: 2px;
    padding: 0px;
}

QAbstractItemView {
    color: $(text);
    background: $(base);
    alternate-background-color: $(alternateBase);
    selection-color: $(highlightText);
    selection-background-color: $(highlight);
    border: 1px solid $(inputBorder);
}
QTableView { gridline-color: $(grid); }
QHeaderView { background: $(headerBottom); }
QHeaderView::section, QTableCornerButton::section {
    color: $(headerText);
    background: $(headerFill);
    border: none;
    border-right: 1px solid $(grid);
    border-bottom: 1px solid $(inputBorder);
    padding: 3px 6px;
}
QHeaderView::section:hover {
    background: $(hoverFill);
}

QGroupBox {
    color: $(groupTitle);
    border: 1px solid $(groupBorder);
    border-radius: 4px;
    margin-top: 0.8em;
    padding: 6px 4px 4px 4px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 8px;
    padding: 0 3px;
}

QPushButton {
    color: $(buttonText);
    background: $(buttonFill);
    border: 1px solid $(buttonBorder);
    border-radius: 3px;
    padding: 4px 14px;
}
QPushButton:hover {
    color: $(hoverText);
    background: $(hoverFill);
    border-color: $(hoverBorder);
}
QPushButton:pressed, QPushButton:checked {
    color: $(hoverText);
    background: $(pressedFill);
    border-color: $(pressedBorder);
}
QPushButton:default, QPushButton:focus { border-color: $(hoverBorder); }
QPushButton:disabled {
    color: $(disabledText);
    background: $(buttonBottom);
    border-color: $(buttonBorder);
}

QLabel[warning="true"] { color: $(warningText); }

QToolTip {
    color: $(hoverText);
    background: $(toolTipBase);
    border: 1px solid $(hoverBorder);
    padding: 2px;
}
)";

QString styleSheet(const Colours& c)
{
    const std::pair<QLatin1StringView, QColor> values[] = {
        {QLatin1StringView("base"), c.base},
        {QLatin1StringView("alternateBase"), c.alternateBase},
        {QLatin1StringView("text"), c.text},
        {QLatin1StringView("grid"), c.grid},
        {QLatin1StringView("highlight"), c.highlight},
        {QLatin1StringView("highlightText"), c.highlightText},
        {QLatin1StringView("paneText"), c.paneText},
        {QLatin1StringView("pane"), c.pane},
        {QLatin1StringView("warningText"), c.warningText},
        {QLatin1StringView("window"), c.window},
        {QLatin1StringView("frameBorder"), c.frameBorder},
        {QLatin1StringView("frameText"), c.frameText},
        {QLatin1StringView("tabText"), c.tabText},
        {QLatin1StringView("headerTop"), c.headerTop},
        {QLatin1StringView("headerBottom"), c.headerBottom},
        {QLatin1StringView("headerText"), c.headerText},
        {QLatin1StringView("buttonBottom"), c.buttonBottom},
        {QLatin1StringView("buttonBorder"), c.buttonBorder},
        {QLatin1StringView("buttonText"), c.buttonText},
        {QLatin1StringView("inputBorder"), c.inputBorder},
        {QLatin1StringView("groupBorder"), c.groupBorder},
        {QLatin1StringView("groupTitle"), c.groupTitle},
        {QLatin1StringView("disabledText"), c.disabledText},
        {QLatin1StringView("hoverBorder"), c.hoverBorder},
        {QLatin1StringView("pressedBorder"), c.hoverBorder.darker(115)},
        {QLatin1StringView("hoverText"), rgb(hoverText)},
        {QLatin1StringView("toolTipBase"), rgb(toolTipBase)},
    };
    // Pressed is hover turned upside down and a shade darker, the usual sunken look.
    const std::pair<QLatin1StringView, std::pair<QColor, QColor>> fills[] = {
        {QLatin1StringView("frameFill"), {c.frameTop, c.frameBottom}},
        {QLatin1StringView("tabFill"), {c.tabTop, c.tabBottom}},
        {QLatin1StringView("headerFill"), {c.headerTop, c.headerBottom}},
        {QLatin1StringView("buttonFill"), {c.buttonTop, c.buttonBottom}},
        {QLatin1StringView("hoverFill"), {c.hoverTop, c.hoverBottom}},
        {QLatin1StringView("pressedFill"), {c.hoverBottom, c.hoverTop.darker(108)}},
    };
    QString sheet = QString::fromUtf16(sheetTemplate);
    for (const auto& [name, pair] : fills) {
        sheet.replace(u"$(" + name + u')', u"qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 " +
                                               pair.first.name() + u", stop:1 " +
                                               pair.second.name() + u')');
    }
    for (const auto& [name, colour] : values)
        sheet.replace(u"$(" + name + u')', colour.name());
    return sheet;
}

QPalette palette(const Colours& c)
{
    QPalette p;
    p.setColor(QPalette::Window, c.window);
    p.setColor(QPalette::WindowText, c.windowText);
    p.setColor(QPalette::Base, c.base);
    p.setColor(QPalette::AlternateBase, c.alternateBase);
    p.setColor(QPalette::Text, c.text);
    p.setColor(QPalette::PlaceholderText, c.disabledText);
    p.setColor(QPalette::Button, c.buttonBottom);
    p.setColor(QPalette::ButtonText, c.buttonText);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, c.highlightText);
    p.setColor(QPalette::ToolTipBase, rgb(toolTipBase));
    p.setColor(QPalette::ToolTipText, rgb(hoverText));
    // Links sit on the window colour, which is dark in the black theme.
    p.setColor(QPalette::Link, c.groupTitle.lightness() > 128 ? c.highlight : c.groupTitle);
    // Fusion shades bevels, scroll bars and check marks from these.
    p.setColor(QPalette::Light, c.buttonTop.lighter(110));
    p.setColor(QPalette::Midlight, c.buttonTop);
    p.setColor(QPalette::Mid, c.buttonBorder);
    p.setColor(QPalette::Dark, c.frameBorder);
    p.setColor(QPalette::Shadow, c.frameBorder.darker(150));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.disabledText);
    // A greyed field reads as "not editable" before its text is read.
    p.setColor(QPalette::Disabled, QPalette::Base, c.alternateBase);
    return p;
}

QString& currentName()
{
    static QString name;
    return name;
}

} // namespace

namespace Skin {

QStringList names()
{
    QStringList list;
    for (const Colours& theme : themes())
        list.append(theme.name);
    return list;
}

bool apply(const QString& colour)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return false;
    const Colours* theme = nullptr;
    for (const Colours& candidate : themes()) {
        if (colour.compare(candidate.name, Qt::CaseInsensitive) == 0)
            theme = &candidate;
    }
    if (theme == nullptr)
        return false;
    if (currentName() == theme->name)
        return true;

    // The sheets are written against Fusion's metrics; the platform style would move padding
    // and arrows around from desktop to desktop.
    static bool fusionSet = false;
    if (!fusionSet) {
        QApplication::setStyle(
            new DeferredIconStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
        fusionSet = true;
    }
    QApplication::setPalette(palette(*theme));
    app->setStyleSheet(styleSheet(*theme));
    currentName() = theme->name;
    return true;
}

QString current()
{
    return currentName();
}

void markAsWarning(QWidget* label)
{
    label->setProperty("warning", true);
}

} // namespace Skin
