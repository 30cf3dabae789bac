// SPDX-License-Identifier: GPL-3.0-or-later
// Picks an installed Simplified Chinese font for the whole application.
#pragma once

// Sets the application font's family to the first installed Simplified Chinese face of a short
// preference list, keeping its size. Without one, the font stays as it is. Call after the
// QApplication exists and before windows are built.
void preferSimplifiedChineseFont();
