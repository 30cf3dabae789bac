// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window tells of its address book file beyond a command's own error: damage
// found while it runs, and another program putting a new file in its place. Each is told in a
// notice of its own, and the commands' error boxes for the same cause stay away.
#pragma once

#include <QObject>

#include <functional>

class Database;
class Prompter;
class QWidget;

class FileNotices : public QObject {
public:
    // running: whether the window has finished its start-up (until then its start-up reports
    // any failure itself, once). reopen: starts the window again on the file.
    FileNotices(Database& db, Prompter& prompter, QWidget* window, std::function<bool()> running,
                std::function<void()> reopen);

private:
    bool tellDamage();
    bool offerReopen();
    void askToReopen();

    Prompter& m_prompter;
    QWidget* m_window;
    std::function<bool()> m_running;
    std::function<void()> m_reopen;
    // Several writes of one command can meet the replaced file: one question for them all.
    bool m_offerQueued = false;
};
