// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaneLayout.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using DockLayout::Area;

constexpr std::array<std::pair<Area, Qt::DockWidgetArea>, 4> qtAreas{{
    {Area::Left, Qt::LeftDockWidgetArea},
    {Area::Right, Qt::RightDockWidgetArea},
    {Area::Top, Qt::TopDockWidgetArea},
    {Area::Bottom, Qt::BottomDockWidgetArea},
}};

Qt::DockWidgetArea qtArea(Area area)
{
    for (const auto& [ours, qt] : qtAreas) {
        if (ours == area)
            return qt;
    }
    return Qt::LeftDockWidgetArea;
}

// A pane Qt places in no area is stored as docked left.
Area areaOf(Qt::DockWidgetArea area)
{
    for (const auto& [ours, qt] : qtAreas) {
        if (qt == area)
            return ours;
    }
    return Area::Left;
}

bool sideBySide(Area area)
{
    return area == Area::Left || area == Area::Right;
}

// The stored place moved and shrunk as little as needed to lie on a screen.
QRect onScreen(const QRect& stored, const QWidget& window)
{
    const QScreen* screen = QGuiApplication::screenAt(stored.center());
    if (!screen)
        screen = window.screen();
    const QRect free = screen->availableGeometry();
    const QSize size = stored.size().boundedTo(free.size());
    const int x = std::clamp(stored.x(), free.left(), free.right() + 1 - size.width());
    const int y = std::clamp(stored.y(), free.top(), free.bottom() + 1 - size.height());
    return {QPoint(x, y), size};
}

} // namespace

DockLayout::Layout PaneLayout::capture(const QMainWindow& window, const QList<QDockWidget*>& panes)
{
    QList<QDockWidget*> ordered = panes;
    // Docking them again in this order puts panes sharing an area in the same order.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const QDockWidget* a, const QDockWidget* b) {
                         return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
                     });
    DockLayout::Layout layout;
    for (QDockWidget* pane : ordered) {
        DockLayout::Pane stored;
        stored.name = pane->objectName();
        stored.area = areaOf(window.dockWidgetArea(pane));
        stored.floating = pane->isFloating();
        stored.shown = !pane->isHidden();
        stored.size = sideBySide(stored.area) ? pane->width() : pane->height();
        if (stored.floating)
            stored.geometry = pane->geometry();
        layout.panes.push_back(stored);
    }
    return layout;
}

void PaneLayout::apply(QMainWindow& window, const QList<QDockWidget*>& panes,
                       const DockLayout::Layout& layout)
{
    std::array<QList<QDockWidget*>, 2> docked; // side by side, stacked
    std::array<QList<int>, 2> sizes;
    for (const DockLayout::Pane& stored : layout.panes) {
        const auto found = std::find_if(panes.begin(), panes.end(), [&stored](QDockWidget* pane) {
            return pane->objectName() == stored.name;
        });
        if (found == panes.end())
            continue;
        QDockWidget* pane = *found;
        pane->setFloating(false);
        window.addDockWidget(qtArea(stored.area), pane);
        if (stored.floating) {
            pane->setFloating(true);
            pane->setGeometry(onScreen(stored.geometry, window));
        } else {
            const int kind = sideBySide(stored.area) ? 0 : 1;
            docked[kind] << pane;
            sizes[kind] << stored.size;
        }
        if (!stored.shown)
            pane->hide();
        else if (pane->isHidden())
            pane->show();
    }
    window.resizeDocks(docked[0], sizes[0], Qt::Horizontal);
    window.resizeDocks(docked[1], sizes[1], Qt::Vertical);
}
