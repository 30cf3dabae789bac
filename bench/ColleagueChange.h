// SPDX-License-Identifier: GPL-3.0-or-later
// A colleague's change on this program's screen: the program started on a server book as a user
// starts it, and a colleague's rename committed on another connection, timed from the commit to
// the first paint of the list that shows the new name.
#pragma once

#include <QString>

#include <vector>

namespace ColleagueChange {

// One figure per rename, in milliseconds; runs renames of the list's first contact.
std::vector<double> timesMs(const QString& url, int runs);

} // namespace ColleagueChange
