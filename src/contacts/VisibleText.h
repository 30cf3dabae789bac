// SPDX-License-Identifier: GPL-3.0-or-later
// A stored text as one line of the list, its invisible characters made visible.
#pragma once

#include <QString>
#include <QStringView>

namespace VisibleText {

// The rule, applied character by character:
// - a line break (CR LF as one break, or a lone CR, LF, NEL U+0085, line separator U+2028,
//   paragraph separator U+2029) becomes "↵" (U+21B5);
// - any other control character U+0000 to U+001F becomes its control picture, U+2400 plus
//   its code ("␉" for a tab, "␀" for NUL), and DEL U+007F becomes "␡" (U+2421);
// - the C1 controls U+0080 to U+009F, which have no pictures, become "·" (U+00B7).
// Every other character stays as it is. The stored text, which sorting and search use, is
// never changed; this is for display only.
QString oneLine(QStringView text);

} // namespace VisibleText
