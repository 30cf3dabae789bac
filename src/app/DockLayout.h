// SPDX-License-Identifier: GPL-3.0-or-later
// The stored form of the main window's pane layout: a short JSON text of our own.
#pragma once

#include <QRect>
#include <QString>

#include <optional>
#include <vector>

namespace DockLayout {

// The text is {"layout":2,"panes":[{"pane":"Pane1","area":"left","floating":false,
// "shown":true,"size":220}, ...]}, with "geometry":[x,y,width,height] added for a floating
// pane. Earlier builds stored Qt's own saveState() bytes (plain, then behind a hash); Qt's
// restoreState() trusts those bytes and crashes on some damaged ones, so a stored text never
// reaches it: the window applies what read() gives through its ordinary calls.
inline constexpr int version = 2;

// Bounds a stored value must keep; anything outside did not come from this window.
inline constexpr int largestSize = 16384;      // pixels, any side of a pane
inline constexpr int farthestPosition = 32767; // pixels from the desktop's origin
inline constexpr int mostPanes = 8;
inline constexpr qsizetype longestText = 4096;

enum class Area { Left, Right, Top, Bottom };

struct Pane {
    QString name; // the pane's object name: a letter, then letters, digits or "_" (32 at most)
    Area area = Area::Left; // where it is docked, or docks again when floating
    bool floating = false;
    bool shown = true;
    // Docked width (left, right) or height (top, bottom), from 1 to largestSize.
    int size = 1;
    // Floating only: its place on the desktop; empty otherwise.
    QRect geometry;

    bool operator==(const Pane&) const = default;
};

struct Layout {
    std::vector<Pane> panes; // in docking order: top to bottom, left to right within an area

    bool operator==(const Layout&) const = default;
};

// Values outside the bounds are brought within them, so read() takes back whatever this writes.
QString write(const Layout& layout);

// The layout a stored text holds, or nothing (the creation layout applies) for an empty text,
// an earlier build's form and anything else that is not exactly this form within its bounds.
std::optional<Layout> read(const QString& stored);

} // namespace DockLayout
