// SPDX-License-Identifier: GPL-3.0-or-later
// The palette made from a theme's colours, and the style that draws the rest in them.
#include "Skin.h"

#include "SkinColours.h"
#include "SkinStyle.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QStyleFactory>
#include <QWidget>

namespace {

QPalette palette(const SkinColours& c)
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
    p.setColor(QPalette::ToolTipBase, QColor(SkinColours::toolTipBase));
    p.setColor(QPalette::ToolTipText, QColor(SkinColours::hoverText));
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

// The application's style once a theme has been applied. Asking QApplication would make the
// platform's style before the first theme only to throw it away.
QPointer<SkinStyle>& style()
{
    static QPointer<SkinStyle> installed;
    return installed;
}

} // namespace

namespace Skin {

QStringList names()
{
    QStringList list;
    for (const SkinColours& theme : themes())
        list.append(theme.name);
    return list;
}

bool apply(const QString& colour)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return false;
    const SkinColours* theme = themeNamed(colour);
    if (theme == nullptr)
        return false;
    if (style() != nullptr && style()->colours().name == theme->name)
        return true;

    // Drawn against Fusion's metrics; the platform style would move padding and arrows around
    // from desktop to desktop.
    if (style() == nullptr) {
        style() = new SkinStyle(QStyleFactory::create(QStringLiteral("Fusion")), *theme);
        QApplication::setStyle(style());
    } else {
        style()->setColours(*theme);
    }
    QApplication::setPalette(palette(*theme));
    // Widgets given a colour of their own keep it through the palette change: given again.
    for (QWidget* widget : QApplication::allWidgets()) {
        style()->colourWidget(widget);
        widget->update();
    }
    return true;
}

QString current()
{
    return style() != nullptr ? QString(style()->colours().name) : QString();
}

void markAsWarning(QWidget* label)
{
    label->setProperty("warning", true);
    if (SkinStyle* skinStyle = style())
        skinStyle->colourWidget(label);
}

void maskWithAsterisks(QLineEdit* edit)
{
    edit->setProperty("passwordCharacter", int(u'*'));
    // The edit reads its character from the style when the style changes.
    QEvent styleChange(QEvent::StyleChange);
    QCoreApplication::sendEvent(edit, &styleChange);
}

} // namespace Skin
