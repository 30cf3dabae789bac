// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeferredIconStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

#include <optional>

namespace {

// Stands in for one standard icon of a style, read from that style on its first use.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which,
                       std::optional<Qt::LayoutDirection> direction)
        : m_style(style)
        , m_which(which)
        , m_direction(direction)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        // The rect is already aligned to the icon's size: drawn into it as the style's own
        // icon draws itself, without aligning it a second time.
        const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, icon().pixmap(rect.size() * scale, mode, state));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QIconEngine* clone() const override
    {
        auto* copy = new DeferredIconEngine(m_style, m_which, m_direction);
        copy->m_icon = m_icon;
        return copy;
    }

private:
    const QIcon& icon()
    {
        if (!m_icon) {
            QStyleOption option;
            if (m_direction)
                option.direction = *m_direction;
            m_icon =
                m_style ? m_style->standardIcon(m_which, m_direction ? &option : nullptr) : QIcon();
        }
        return *m_icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    std::optional<Qt::LayoutDirection> m_direction;
    std::optional<QIcon> m_icon;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(QStyle* base)
    : QProxyStyle(base)
{
}

QIcon DeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                      const QWidget* widget) const
{
    if (standardIcon != SP_ToolBarHorizontalExtensionButton &&
        standardIcon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    std::optional<Qt::LayoutDirection> direction;
    if (option)
        direction = option->direction;
    return QIcon(new DeferredIconEngine(baseStyle(), standardIcon, direction));
}
