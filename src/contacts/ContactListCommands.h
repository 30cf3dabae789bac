// SPDX-License-Identifier: GPL-3.0-or-later
// The commands on the contact list's ticked rows (tick all, delete, change group) and the
// search for duplicates.
#pragma once

#include <QObject>

class ContactListView;
class Database;
class Prompter;
class QAbstractButton;
class QAction;
class QMenu;
class QWidget;
struct Session;

class ContactListCommands : public QObject {
    Q_OBJECT

public:
    // Connects the toolbar's delete button, the items of the pop-up menu
    // RightContact (found by name), the list's right click and its Delete and
    // Space keys. window is the parent of every prompt and dialog.
    ContactListCommands(Database& db, const Session& session, Prompter& prompter,
                        ContactListView* list, QMenu* menu, QAbstractButton* deleteButton,
                        QWidget* window);

    // Deletes the ticked rows after the question.
    void Button_Del();
    // Ticks every row, or unticks every row, as the item's caption says.
    void AllSelect();
    // Moves the ticked rows to a group chosen in frmTName.
    void EditType();
    // Lists the duplicates the user may see in frmDuplicates, or says there are none.
    void FindDuplicates();
    // Ticks or unticks the current row.
    void toggleCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The list may no longer show what the database holds: rebuild it.
    void listStale();
    // Deleted contacts were taken out of the list, so many rows fewer.
    void contactsRemoved(std::size_t count);

private:
    QAction* menuItem(const char* name) const;
    void showMenu(const QPoint& at);

    Database& m_db;
    const Session& m_session;
    Prompter& m_prompter;
    ContactListView* m_list;
    QMenu* m_menu;
    QWidget* m_window;
    // The menu key names no row: the menu then opens at the current one.
    bool m_fromKeyboard = false;
};
