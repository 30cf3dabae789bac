// SPDX-License-Identifier: GPL-3.0-or-later
// What closing the main window leaves behind: the account's pane layout, the file compacted
// when the options ask for it, and the day's copy in "备份".
#pragma once

#include <QString>

class Database;
class Prompter;
class QWidget;
struct Session;

namespace ShutDown {

// For a window whose start-up finished, on a file not found damaged. Each step that fails is
// told and the next still runs: closing is never refused. The window is hidden before the
// steps that can take a second or two.
void run(Database& db, const Session& session, Prompter& prompter, QWidget& window,
         const QString& paneLayout);

} // namespace ShutDown
