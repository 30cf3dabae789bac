// SPDX-License-Identifier: GPL-3.0-or-later
// Fusion drawn in the colours of one of the program's themes.
#pragma once

#include "DeferredIconStyle.h"
#include "SkinColours.h"

// Draws the frame of the windows (tool bar, status bar, dock titles, tabs, headers, group boxes,
// buttons, menus and tool tips) in the colours of a theme, with the paddings the windows are laid
// out for. Drawing it in the style rather than by a style sheet spares the start-up the sheet's
// polishing of every widget as it is made and shown.
class SkinStyle : public DeferredIconStyle {
    Q_OBJECT

public:
    // Takes ownership of the style it draws with.
    SkinStyle(QStyle* base, const SkinColours& colours);

    // The theme drawn from now on; the caller repaints the windows.
    void setColours(const SkinColours& colours);
    const SkinColours& colours() const { return m_colours; }

    // Gives the widgets that draw their own text on a frame of the theme (the status bar's
    // labels, a label marked as a warning) their text colour; again after each setColours().
    void colourWidget(QWidget* widget) const;

    using DeferredIconStyle::polish;
    void polish(QWidget* widget) override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    void drawToolButtonPanel(const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const;
    void drawPushButtonPanel(const QStyleOption* option, QPainter* painter) const;
    void drawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void drawTabShape(const QStyleOption* option, QPainter* painter) const;
    void drawHeaderSection(const QStyleOption* option, QPainter* painter) const;
    void drawGroupBox(const QStyleOptionComplex* option, QPainter* painter,
                      const QWidget* widget) const;
    void drawDockTitle(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    // A dock title's float or close button: the style's glyph in a one-pixel border, square.
    int titleButtonSide(const QStyleOption* option, const QWidget* widget) const;

    SkinColours m_colours;
    mutable int m_titleButtonSide = 0;
};
