// SPDX-License-Identifier: GPL-3.0-or-later
// The size a picture is shown at in a frame of a given room.
#pragma once

#include <QSize>

namespace PictureFit {

// A picture that fits is shown whole at its own size (never enlarged); a larger one is shrunk,
// keeping its proportions, until all of it fits, however large it is, each side at least one
// pixel. An empty picture or a frame without room shows nothing (an empty size).
QSize shownSize(QSize picture, QSize room);

} // namespace PictureFit
