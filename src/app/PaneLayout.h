// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's panes read into a stored layout and set from one by Qt's ordinary calls.
#pragma once

#include "DockLayout.h"

#include <QList>

class QDockWidget;
class QMainWindow;

namespace PaneLayout {

// Where each of the panes is, how big and whether it is shown.
DockLayout::Layout capture(const QMainWindow& window, const QList<QDockWidget*>& panes);

// Docks, floats, sizes and shows the panes as the layout says. A pane the layout does not name
// stays as it is; a name that is none of the panes is passed over. A floating pane is kept on
// the screen it was on, or on the window's screen when that one is gone.
void apply(QMainWindow& window, const QList<QDockWidget*>& panes, const DockLayout::Layout& layout);

} // namespace PaneLayout
