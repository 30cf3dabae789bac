// SPDX-License-Identifier: GPL-3.0-or-later
#include "SkinStyle.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

namespace {

// How a button or item looks in a state, the later states winning as they do on screen.
enum class Look { Plain, Hover, Pressed };

Look lookOf(const QStyleOption* option)
{
    if (option->state & (QStyle::State_Sunken | QStyle::State_On))
        return Look::Pressed;
    if ((option->state & QStyle::State_MouseOver) && (option->state & QStyle::State_Enabled))
        return Look::Hover;
    return Look::Plain;
}

bool enabled(const QStyleOption* option)
{
    return option->state & QStyle::State_Enabled;
}

// A caption's colour: greyed when off, dark on the warm hover and pressed fills, else plain.
QColor captionColour(const QStyleOption* option, const QColor& plain, const SkinColours& c)
{
    if (!enabled(option))
        return c.disabledText;
    return lookOf(option) == Look::Plain ? plain : QColor(SkinColours::hoverText);
}

QLinearGradient fill(const QRect& rect, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

// A box with a one-pixel border inside the rectangle; no border for an invalid colour.
void drawBox(QPainter* painter, const QRect& rect, const QBrush& brush, const QColor& border,
             qreal radius = 0)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, radius > 0);
    painter->setPen(border.isValid() ? QPen(border, 1) : QPen(Qt::NoPen));
    painter->setBrush(brush);
    const QRectF inside =
        border.isValid() ? QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect);
    if (radius > 0)
        painter->drawRoundedRect(inside, radius, radius);
    else
        painter->drawRect(inside);
    painter->restore();
}

void drawLine(QPainter* painter, const QColor& colour, QPoint from, QPoint to)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(colour, 1));
    painter->drawLine(from, to);
    painter->restore();
}

// A frame of the window (tool bar, menu bar, status bar) with its border on one edge.
void drawFrame(QPainter* painter, const QRect& rect, const SkinColours& c, Qt::Edge edge)
{
    painter->fillRect(rect, fill(rect, c.frameTop, c.frameBottom));
    if (edge == Qt::BottomEdge)
        drawLine(painter, c.frameBorder, rect.bottomLeft(), rect.bottomRight());
    else
        drawLine(painter, c.frameBorder, rect.topLeft(), rect.topRight());
}

// The tab's outline: rounded on the side away from the page, open on the page's side.
QPainterPath tabOutline(const QRectF& rect, bool below, qreal radius)
{
    QPainterPath path;
    if (below) {
        path.moveTo(rect.topLeft());
        path.lineTo(rect.left(), rect.bottom() - radius);
        path.quadTo(rect.bottomLeft(), QPointF(rect.left() + radius, rect.bottom()));
        path.lineTo(rect.right() - radius, rect.bottom());
        path.quadTo(rect.bottomRight(), QPointF(rect.right(), rect.bottom() - radius));
        path.lineTo(rect.topRight());
    } else {
        path.moveTo(rect.bottomLeft());
        path.lineTo(rect.left(), rect.top() + radius);
        path.quadTo(rect.topLeft(), QPointF(rect.left() + radius, rect.top()));
        path.lineTo(rect.right() - radius, rect.top());
        path.quadTo(rect.topRight(), QPointF(rect.right(), rect.top() + radius));
        path.lineTo(rect.bottomRight());
    }
    return path;
}

bool tabBelow(const QStyleOptionTab* tab)
{
    return tab->shape == QTabBar::RoundedSouth || tab->shape == QTabBar::TriangularSouth;
}

// The themed drawing is for the widgets named here; what Fusion draws of other widgets through
// the same elements (a combo box's button and popup, say) stays Fusion's.
template <typename Widget> bool is(const QWidget* widget)
{
    return qobject_cast<const Widget*>(widget) != nullptr;
}

bool isDockTitleButton(const QWidget* widget)
{
    return widget && widget->inherits("QDockWidgetTitleButton");
}

bool isTabScrollButton(const QWidget* widget)
{
    return widget && qobject_cast<const QTabBar*>(widget->parentWidget());
}

// Paddings and one-pixel borders the windows are laid out for. A tool button measures three
// pixels more each way than its padding and border, as it did when the windows were laid out.
constexpr int toolButtonPadding = 2 * (5 + 1) + 3, toolButtonHeightPadding = 2 * (3 + 1) + 3;
constexpr int pushButtonPadding = 2 * (14 + 1), pushButtonHeightPadding = 2 * (4 + 1);
constexpr int tabPadding = 2 * 6 + 2 - 1, tabHeightPadding = 2 * 3 + 1 + 2, tabMinimumWidth = 12;
constexpr int headerPadding = 2 * 6 + 1, headerHeightPadding = 2 * 3 + 1;
constexpr int groupPaddingTop = 6, groupPaddingSide = 4, groupTitleLeft = 8, groupTitlePadding = 3;
constexpr int menuItemLeft = 28, menuItemRight = 24, menuItemHeightPadding = 2 * (4 + 1);
constexpr int menuSeparatorHeight = 1 + 2 * 3;

} // namespace

SkinStyle::SkinStyle(QStyle* base, const SkinColours& colours)
    : DeferredIconStyle(base)
    , m_colours(colours)
{
}

void SkinStyle::setColours(const SkinColours& colours)
{
    m_colours = colours;
}

void SkinStyle::colourWidget(QWidget* widget) const
{
    const SkinColours& c = m_colours;
    // The whole palette is the widget's own from here on and no longer follows the
    // application's: given again at each change of theme.
    QPalette palette = QApplication::palette();
    if (is<QHeaderView>(widget)) {
        palette.setColor(QPalette::ButtonText, c.headerText);
    } else if (is<QAbstractItemView>(widget)) {
        // Fusion draws a list's check boxes and branch arrows from these.
        palette.setColor(QPalette::WindowText, c.text);
        palette.setColor(QPalette::ButtonText, c.text);
        palette.setColor(QPalette::Window, c.base);
    } else if (is<QStatusBar>(widget)) {
        palette.setColor(QPalette::WindowText, c.frameText);
    } else if (is<QLabel>(widget) && widget->property("warning").toBool()) {
        palette.setColor(QPalette::WindowText, c.warningText);
    } else {
        return;
    }
    widget->setPalette(palette);
}

void SkinStyle::polish(QWidget* widget)
{
    DeferredIconStyle::polish(widget);
    // Hover is drawn on these; Qt tracks it only where asked.
    if (is<QAbstractButton>(widget) || is<QTabBar>(widget) || is<QHeaderView>(widget) ||
        is<QMenuBar>(widget))
        widget->setAttribute(Qt::WA_Hover);
    // Headers are framed like the lists they head.
    if (auto* header = qobject_cast<QHeaderView*>(widget))
        header->setFrameShape(QFrame::StyledPanel);
    colourWidget(widget);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    switch (element) {
    case PE_PanelButtonTool:
        if (is<QToolButton>(widget) || isDockTitleButton(widget))
            return drawToolButtonPanel(option, painter, widget);
        break;
    case PE_PanelButtonCommand:
        if (is<QPushButton>(widget))
            return drawPushButtonPanel(option, painter);
        break;
    case PE_FrameDefaultButton:
    case PE_FrameTabBarBase:
    case PE_FrameStatusBarItem:
        return;
    case PE_FrameFocusRect:
        // Buttons and tabs show the focus by their border.
        if (is<QPushButton>(widget) || is<QToolButton>(widget) || is<QTabBar>(widget))
            return;
        break;
    case PE_FrameTabWidget:
        return drawBox(painter, option->rect, c.pane, c.frameBorder);
    case PE_PanelMenu:
    case PE_FrameMenu:
        if (is<QMenu>(widget))
            return drawBox(painter, option->rect, c.base, c.frameBorder);
        break;
    case PE_PanelMenuBar:
    case PE_PanelToolBar:
        return drawFrame(painter, option->rect, c, Qt::BottomEdge);
    case PE_PanelStatusBar:
        return drawFrame(painter, option->rect, c, Qt::TopEdge);
    case PE_IndicatorToolBarSeparator: {
        const QRect r = option->rect;
        if (option->state & State_Horizontal)
            painter->fillRect(QRect(r.center().x(), r.top() + 4, 1, r.height() - 8), c.frameBorder);
        else
            painter->fillRect(QRect(r.left() + 4, r.center().y(), r.width() - 8, 1), c.frameBorder);
        return;
    }
    case PE_IndicatorDockWidgetResizeHandle:
        painter->fillRect(option->rect, c.window);
        return;
    case PE_PanelTipLabel:
        return drawBox(painter, option->rect, QColor(SkinColours::toolTipBase), c.hoverBorder);
    default:
        break;
    }
    DeferredIconStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawToolButtonPanel(const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    const Look look = lookOf(option);
    const QRect r = option->rect;
    const qreal radius = isDockTitleButton(widget) || isTabScrollButton(widget) ? 2 : 3;
    if (look == Look::Pressed)
        drawBox(painter, r, fill(r, c.pressedTop(), c.pressedBottom()), c.pressedBorder(), radius);
    else if (look == Look::Hover)
        drawBox(painter, r, fill(r, c.hoverTop, c.hoverBottom), c.hoverBorder, radius);
    // The style's float, close and scroll arrows are dark, so their buttons stay light.
    else if (isDockTitleButton(widget))
        drawBox(painter, r, c.headerTop, c.inputBorder, 2);
    else if (isTabScrollButton(widget))
        drawBox(painter, r, fill(r, c.headerTop, c.headerBottom), c.inputBorder, 2);
}

void SkinStyle::drawPushButtonPanel(const QStyleOption* option, QPainter* painter) const
{
    const SkinColours& c = m_colours;
    const QRect r = option->rect;
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    const bool marked = (option->state & State_HasFocus) ||
                        (button && (button->features & QStyleOptionButton::DefaultButton));
    if (!enabled(option))
        return drawBox(painter, r, c.buttonBottom, c.buttonBorder, 3);
    switch (lookOf(option)) {
    case Look::Pressed:
        return drawBox(painter, r, fill(r, c.pressedTop(), c.pressedBottom()),
                       marked ? c.hoverBorder : c.pressedBorder(), 3);
    case Look::Hover:
        return drawBox(painter, r, fill(r, c.hoverTop, c.hoverBottom), c.hoverBorder, 3);
    case Look::Plain:
        return drawBox(painter, r, fill(r, c.buttonTop, c.buttonBottom),
                       marked ? c.hoverBorder : c.buttonBorder, 3);
    }
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    switch (element) {
    case CE_ToolBar:
    case CE_MenuBarEmptyArea:
        return drawFrame(painter, option->rect, c, Qt::BottomEdge);
    case CE_MenuBarItem:
    case CE_MenuItem:
        if (is<QMenu>(widget) || is<QMenuBar>(widget))
            return drawMenuItem(option, painter, widget);
        break;
    case CE_DockWidgetTitle:
        return drawDockTitle(option, painter, widget);
    case CE_Splitter:
        painter->fillRect(option->rect, c.window);
        return;
    case CE_TabBarTabShape:
        if (is<QTabBar>(widget))
            return drawTabShape(option, painter);
        break;
    case CE_TabBarTabLabel:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
            tab && is<QTabBar>(widget)) {
            QStyleOptionTab copy = *tab;
            const bool selected = tab->state & State_Selected;
            // Only hover fills a tab warm; a pressed one keeps its own fill and caption colour.
            QColor text = selected ? c.paneText : c.tabText;
            if (!enabled(tab))
                text = c.disabledText;
            else if (!selected && lookOf(tab) == Look::Hover)
                text = QColor(SkinColours::hoverText);
            copy.palette.setColor(QPalette::WindowText, text);
            painter->save();
            QFont font = painter->font();
            font.setBold(selected);
            painter->setFont(font);
            DeferredIconStyle::drawControl(element, &copy, painter, widget);
            painter->restore();
            return;
        }
        break;
    case CE_HeaderSection:
        return drawHeaderSection(option, painter);
    case CE_HeaderEmptyArea:
        painter->fillRect(option->rect, c.headerBottom);
        return;
    case CE_PushButtonBevel:
        if (is<QPushButton>(widget))
            return drawPushButtonPanel(option, painter);
        break;
    case CE_PushButtonLabel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            button && is<QPushButton>(widget)) {
            QStyleOptionButton copy = *button;
            copy.palette.setColor(QPalette::ButtonText, captionColour(button, c.buttonText, c));
            return DeferredIconStyle::drawControl(element, &copy, painter, widget);
        }
        break;
    case CE_ShapedFrame:
        if (is<QAbstractItemView>(widget)) {
            const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            if (frame && frame->frameShape != QFrame::NoFrame)
                return drawBox(painter, option->rect, Qt::NoBrush, c.inputBorder);
        }
        break;
    default:
        break;
    }
    DeferredIconStyle::drawControl(element, option, painter, widget);
}

void SkinStyle::drawMenuItem(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item)
        return;
    const bool inBar = is<QMenuBar>(widget);
    const QRect r = option->rect;
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(QRect(r.left() + 26, r.top() + 3, r.width() - 30, 1), c.grid);
        return;
    }
    const bool chosen = enabled(option) && (option->state & State_Selected);
    QColor text = inBar ? c.frameText : c.text;
    if (!enabled(option))
        text = c.disabledText;
    else if (chosen)
        text = QColor(SkinColours::hoverText);
    if (inBar) {
        if (chosen && (option->state & State_Sunken))
            drawBox(painter, r, fill(r, c.pressedTop(), c.pressedBottom()), QColor(), 2);
        else if (chosen)
            drawBox(painter, r, fill(r, c.hoverTop, c.hoverBottom), QColor(), 2);
        painter->save();
        painter->setPen(text);
        painter->drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, item->text);
        painter->restore();
        return;
    }
    if (chosen)
        drawBox(painter, r, fill(r, c.hoverTop, c.hoverBottom), c.hoverBorder);
    const int iconSide = pixelMetric(PM_SmallIconSize, option, widget);
    const QRect iconRect(r.left() + 1 + 4, r.top() + (r.height() - iconSide) / 2, iconSide,
                         iconSide);
    painter->save();
    if (!item->icon.isNull()) {
        item->icon.paint(painter, iconRect, Qt::AlignCenter,
                         enabled(option) ? QIcon::Normal : QIcon::Disabled,
                         item->checked ? QIcon::On : QIcon::Off);
    } else if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
        // A tick where the icon would stand.
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(text, 1.6));
        const QRectF tick = QRectF(iconRect).adjusted(3, 4, -3, -4);
        painter->drawPolyline(QPolygonF{{tick.left(), tick.center().y()},
                                        {tick.left() + tick.width() * 0.4, tick.bottom()},
                                        {tick.right(), tick.top()}});
    }
    painter->setPen(text);
    // A menu with ticks keeps a column for them before every caption.
    const int ticks =
        item->menuHasCheckableItems ? pixelMetric(PM_IndicatorWidth, option, widget) : 0;
    const QRect textRect = r.adjusted(1 + menuItemLeft + ticks, 0, -(1 + menuItemRight), 0);
    const qsizetype tab = item->text.indexOf(u'\t');
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic,
                      item->text.left(tab));
    if (tab >= 0)
        painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignRight, item->text.mid(tab + 1));
    painter->restore();
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOptionMenuItem arrow = *item;
        arrow.rect = QRect(r.right() - 12, r.top(), 12, r.height());
        arrow.palette.setColor(QPalette::ButtonText, text);
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
}

void SkinStyle::drawDockTitle(const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    const auto* title = qstyleoption_cast<const QStyleOptionDockWidget*>(option);
    if (!title)
        return;
    drawBox(painter, option->rect, fill(option->rect, c.frameTop, c.frameBottom), c.frameBorder);
    const QRect textRect = subElementRect(SE_DockWidgetTitleBarText, option, widget);
    const QString text = painter->fontMetrics().elidedText(title->title, Qt::ElideRight,
                                                           textRect.width(), Qt::TextShowMnemonic);
    painter->save();
    painter->setPen(c.frameText);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    painter->restore();
}

void SkinStyle::drawTabShape(const QStyleOption* option, QPainter* painter) const
{
    const SkinColours& c = m_colours;
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (!tab)
        return;
    const bool below = tabBelow(tab);
    const bool selected = tab->state & State_Selected;
    // A tab overlaps the next by its border; the chosen one stands taller, joined to the page.
    QRect r = tab->rect.adjusted(0, 0, 1, 0);
    if (!selected)
        r = below ? r.adjusted(0, 0, 0, -2) : r.adjusted(0, 2, 0, 0);
    QBrush brush = fill(r, c.tabTop, c.tabBottom);
    if (!enabled(tab))
        brush = c.buttonBottom;
    else if (selected)
        brush = c.pane;
    else if (lookOf(tab) == Look::Hover)
        brush = fill(r, c.hoverTop, c.hoverBottom);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = tabOutline(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), below, 3);
    painter->fillPath(outline, brush);
    painter->setPen(QPen(c.frameBorder, 1));
    painter->drawPath(outline);
    painter->restore();
}

void SkinStyle::drawHeaderSection(const QStyleOption* option, QPainter* painter) const
{
    const SkinColours& c = m_colours;
    const QRect r = option->rect;
    const bool hover = lookOf(option) == Look::Hover;
    painter->fillRect(r, hover ? fill(r, c.hoverTop, c.hoverBottom)
                               : fill(r, c.headerTop, c.headerBottom));
    drawLine(painter, c.grid, r.topRight(), r.bottomRight());
    drawLine(painter, c.inputBorder, r.bottomLeft(), r.bottomRight());
}

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    if (control == CC_GroupBox)
        return drawGroupBox(option, painter, widget);
    if (control == CC_ToolButton && (is<QToolButton>(widget) || isDockTitleButton(widget))) {
        if (const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option)) {
            QStyleOptionToolButton copy = *button;
            copy.palette.setColor(QPalette::ButtonText, captionColour(button, c.frameText, c));
            // The title buttons drew their own panel; here only their glyph.
            if (isDockTitleButton(widget))
                copy.state &= ~(State_Raised | State_Sunken | State_On | State_MouseOver);
            return DeferredIconStyle::drawComplexControl(control, &copy, painter, widget);
        }
    }
    DeferredIconStyle::drawComplexControl(control, option, painter, widget);
}

void SkinStyle::drawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                             const QWidget* widget) const
{
    const SkinColours& c = m_colours;
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (!box)
        return DeferredIconStyle::drawComplexControl(CC_GroupBox, option, painter, widget);
    const QRect frame = subControlRect(CC_GroupBox, option, SC_GroupBoxFrame, widget);
    const QRect title = subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget);
    painter->save();
    if (!box->text.isEmpty())
        painter->setClipRegion(QRegion(option->rect).subtracted(title));
    drawBox(painter, frame, Qt::NoBrush, c.groupBorder, 4);
    painter->restore();
    if (box->text.isEmpty())
        return;
    painter->save();
    painter->setPen(enabled(option) ? c.groupTitle : c.disabledText);
    painter->drawText(title.adjusted(groupTitlePadding, 0, -groupTitlePadding, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->text);
    painter->restore();
    if (box->subControls & SC_GroupBoxCheckBox) {
        QStyleOptionButton check;
        check.QStyleOption::operator=(*box);
        check.rect = subControlRect(CC_GroupBox, option, SC_GroupBoxCheckBox, widget);
        proxy()->drawPrimitive(PE_IndicatorCheckBox, &check, painter, widget);
    }
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                SubControl subControl, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box)
        return DeferredIconStyle::subControlRect(control, option, subControl, widget);
    // The title sits on the top border, eight pixels in; the frame starts at its middle.
    const QFontMetrics metrics = option->fontMetrics;
    const int top = qRound(0.8 * metrics.height());
    const QRect frame = option->rect.adjusted(0, top, 0, 0);
    const bool checkable = box->subControls & SC_GroupBoxCheckBox;
    const int check = checkable ? pixelMetric(PM_IndicatorWidth, option, widget) + 4 : 0;
    const int textWidth = metrics.size(Qt::TextShowMnemonic, box->text).width();
    const QRect title(option->rect.left() + groupTitleLeft + check, option->rect.top(),
                      textWidth + 2 * groupTitlePadding, metrics.height());
    switch (subControl) {
    case SC_GroupBoxFrame:
        return frame;
    case SC_GroupBoxLabel:
        return title;
    case SC_GroupBoxCheckBox: {
        const int side = pixelMetric(PM_IndicatorHeight, option, widget);
        return QRect(option->rect.left() + groupTitleLeft, title.center().y() - side / 2, side,
                     side);
    }
    case SC_GroupBoxContents:
        return frame.adjusted(1 + groupPaddingSide, 1 + groupPaddingTop, -1 - groupPaddingSide,
                              -1 - groupPaddingSide);
    default:
        return DeferredIconStyle::subControlRect(control, option, subControl, widget);
    }
}

int SkinStyle::titleButtonSide(const QStyleOption* option, const QWidget* widget) const
{
    // The same glyph for every title: asked of the style once, not at each layout and paint.
    if (m_titleButtonSide == 0) {
        m_titleButtonSide = proxy()
                                ->standardIcon(SP_TitleBarCloseButton, option, widget)
                                .actualSize(QSize(16, 16))
                                .width() +
                            2; // the glyph in a one-pixel border
    }
    return m_titleButtonSide;
}

QRect SkinStyle::subElementRect(SubElement element, const QStyleOption* option,
                                const QWidget* widget) const
{
    if (const auto* title = qstyleoption_cast<const QStyleOptionDockWidget*>(option);
        title && !title->verticalTitleBar) {
        // The float and close buttons stand square at the right, inside the title's border;
        // the caption starts inside the border and padding and ends before them.
        const QRect r = option->rect;
        const int side = titleButtonSide(option, widget);
        const QRect close(r.right() - side, r.top() + (r.height() - side) / 2, side, side);
        const QRect floating = title->closable ? close.translated(-(side + 1), 0) : close;
        QRect text = r.adjusted(1 + 6, 0, -1 - 6, 0);
        if (title->closable || title->floatable)
            text.setRight((title->floatable ? floating : close).left() - 1);
        switch (element) {
        case SE_DockWidgetCloseButton:
            return close;
        case SE_DockWidgetFloatButton:
            return floating;
        case SE_DockWidgetTitleBarText:
            return text;
        default:
            break;
        }
    }
    if (element == SE_TabWidgetTabContents) {
        // The page starts inside the pane's one-pixel border.
        return subElementRect(SE_TabWidgetTabPane, option, widget).adjusted(1, 1, -1, -1);
    }
    return DeferredIconStyle::subElementRect(element, option, widget);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const
{
    switch (metric) {
    case PM_ToolBarFrameWidth:
    case PM_ToolBarItemSpacing:
        return 2;
    case PM_ToolBarItemMargin:
        return 0;
    case PM_ToolBarSeparatorExtent:
        return 1 + 2 * 3;
    case PM_DockWidgetSeparatorExtent:
        return 4;
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 2;
    case PM_MenuBarItemSpacing:
    case PM_MenuBarPanelWidth:
    case PM_MenuBarHMargin:
    case PM_MenuBarVMargin:
        return 0;
    case PM_TabBarTabShiftHorizontal:
    case PM_TabBarTabShiftVertical:
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 0;
    case PM_TabBarBaseOverlap:
        return 1;
    case PM_DockWidgetTitleMargin:
        return 4 + 1;
    case PM_DockWidgetTitleBarButtonMargin:
        return 0;
    case PM_TabBarTabHSpace:
    case PM_TabBarTabVSpace:
        return 0; // the tabs' own padding, in sizeFromContents
    case PM_ToolTipLabelFrameWidth:
        return 1 + 2;
    default:
        return DeferredIconStyle::pixelMetric(metric, option, widget);
    }
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const
{
    switch (type) {
    case CT_ToolButton:
        if (!is<QToolButton>(widget) || isTabScrollButton(widget))
            break;
        return size + QSize(toolButtonPadding, toolButtonHeightPadding);
    case CT_PushButton:
        if (!is<QPushButton>(widget))
            break;
        return size + QSize(pushButtonPadding, pushButtonHeightPadding);
    case CT_TabBarTab:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
            tab && is<QTabBar>(widget)) {
            // The chosen tab's caption is bold, and wider.
            QSize grown(qMax(size.width(), tabMinimumWidth) + tabPadding,
                        size.height() + tabHeightPadding);
            if (tab->state & State_Selected) {
                QFont bold = widget ? widget->font() : QFont();
                bold.setBold(true);
                grown.rwidth() += QFontMetrics(bold).size(Qt::TextShowMnemonic, tab->text).width() -
                                  tab->fontMetrics.size(Qt::TextShowMnemonic, tab->text).width();
            }
            return grown;
        }
        break;
    case CT_HeaderSection:
        return DeferredIconStyle::sizeFromContents(type, option, size, widget) +
               QSize(headerPadding, headerHeightPadding);
    case CT_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            item && is<QMenu>(widget)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(size.width(), menuSeparatorHeight);
            const int textHeight = item->fontMetrics.height();
            const int ticks = item->menuHasCheckableItems
                                  ? pixelMetric(PM_IndicatorWidth, option, widget) + 4
                                  : 0;
            return QSize(size.width() + menuItemLeft + menuItemRight + 2 + ticks,
                         qMax(size.height(), textHeight) + menuItemHeightPadding);
        }
        break;
    case CT_LineEdit:
        // The edit inside a spin box is framed by the box.
        if (widget && qobject_cast<const QAbstractSpinBox*>(widget->parentWidget()))
            return size;
        break;
    case CT_SpinBox:
        return DeferredIconStyle::sizeFromContents(type, option, size, widget) + QSize(0, 3);
    case CT_MenuBarItem:
        return size + QSize(2 * 10, 2 * 4);
    default:
        break;
    }
    return DeferredIconStyle::sizeFromContents(type, option, size, widget);
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_Table_GridLineColor:
        return int(m_colours.grid.rgba());
    case SH_DockWidget_ButtonsHaveFrame:
        return true;
    case SH_LineEdit_PasswordCharacter:
        // A field may ask for its own character (the login's asterisks).
        if (widget && widget->property("passwordCharacter").isValid())
            return widget->property("passwordCharacter").toInt();
        break;
    default:
        break;
    }
    return DeferredIconStyle::styleHint(hint, option, widget, returnData);
}
