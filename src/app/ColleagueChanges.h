// SPDX-License-Identifier: GPL-3.0-or-later
// Shows in the main window what other programs change in an address book on a server, without
// a click: the list, the group tree and the pane "联系情况" are read again (ChangeNotice says
// which), keeping the selection, the ticks, the scroll position and the chosen group. A file
// sends no notifications, and this does nothing there.
#pragma once

#include "db/Result.h"

#include <QObject>

#include <functional>

class ChangeFeed;
class ContactListView;
class Database;
class GroupTreeWidget;
class HistoryPane;
class Prompter;
class QWidget;

class ColleagueChanges : public QObject {
    Q_OBJECT

public:
    struct Views {
        ContactListView* list;
        GroupTreeWidget* tree;
        HistoryPane* history;
        bool expandEveryGroup;
        // Builds the list the window shows (its group, or its search) again.
        std::function<Status()> rebuildList;
    };
    // window parents this object and the error box.
    ColleagueChanges(Database& db, Prompter& prompter, QWidget* window, Views views);

private:
    void show(const QStringList& payloads);
    Status showGroups();

    Database& m_db;
    Prompter& m_prompter;
    QWidget* m_window;
    Views m_views;
};
