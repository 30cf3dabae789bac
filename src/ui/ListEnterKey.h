// SPDX-License-Identifier: GPL-3.0-or-later
// Enter on a list row stays with the row, in every dialog.
#pragma once

class QApplication;

namespace ListEnterKey {

// A list or tree answers Enter by activating its current row (opening a card, a small
// dialog) and then passes the key on, as Qt's item views do; its dialog would then press
// its default button, closing the window under the one the row opened. Installed once on
// the application, this ends the key at the dialog whenever it came from a list with a
// current row. Installing it again does nothing.
void install(QApplication& app);

} // namespace ListEnterKey
