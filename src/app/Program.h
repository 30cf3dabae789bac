// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start-up and run, shared by main() and the launch benchmark so
// that what is measured is what the user waits for.
#pragma once

#include <QString>

#include <functional>

class Main;
class QApplication;
class frmLogin;

namespace Program {

// Points a benchmark can watch; the program watches only what it opened.
struct Watch {
    // The login dialog, loaded, just before it is shown.
    std::function<void(frmLogin&)> loginShowing;
    // The main window, started up, just before it is shown.
    std::function<void(Main&)> windowShowing;
    // Each address book the window has started on, when the start-up succeeded.
    std::function<void(const QString& databasePath)> opened;
    // With each address book whose window has closed: the colours it closed in when the start
    // needed no login, empty after a login.
    std::function<void(const QString& databasePath, const QString& colour)> closedIn;
};

// Names the application, prefers a Chinese font and installs Qt's own texts.
void prepare(QApplication& app);

// Opens the address book at databasePath, logs in when the options ask for it,
// shows the main window and runs until it closes; a backup restored meanwhile starts it all
// again on the restored file. Returns the exit code: 0 when
// the window was closed or the login left, 1 when start-up failed (the error box
// has been shown).
int run(const QString& databasePath, const Watch& watch = {});

} // namespace Program
