// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: group tree, contact list, history pane and the commands.
#pragma once

#include "StartUp.h"
#include "StartUpReminders.h"
#include "TimedSync.h"

#include "card/CardRequest.h"
#include "db/Result.h"
#include "sync/KeychainPasswordStore.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

struct ContactListFilter;
struct ContactRows;
class ContactListView;
class Database;
class GroupTreeWidget;
class HistoryPane;
class LetterTabs;
class MainToolBar;
class Prompter;
class QDockWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class SearchInTwoSteps;
class frmLogin;
struct Session;

class Main : public QMainWindow {
    Q_OBJECT

public:
    Main(Database& db, Session& session, Prompter& prompter, QWidget* parent = nullptr);

    // Opens the address book, runs the login when the options ask for one and
    // fills the window. False when the window must not be shown: on a failure
    // (the error box has been shown) or when the login was left without
    // logging in (endedAtLogin()); the caller then ends the program, and
    // closing the window writes nothing.
    bool startUp(const QString& databasePath);
    bool endedAtLogin() const { return m_endedAtLogin; }
    // The database file was replaced by a backup (from the settings window, or offered when it
    // would not open): the caller builds a new main window on it, login included.
    bool restartWanted() const { return m_restartWanted; }
    // The address book the next main window opens when the user chose another one (a new one
    // or an existing one); empty when it restarts on the same file.
    QString nextDatabasePath() const { return m_nextDatabasePath; }
    // False from a start-up that showed the list's first screenful until the rest is there.
    // The same after a search that showed its first screenful, until the rest is there.
    bool listComplete() const;

    // Shows the login dialog modally and returns its result (QDialog::Accepted
    // or not). By default exec(); tests and the launch benchmark drive it.
    using LoginShow = StartUp::LoginShow;
    void setLoginShow(LoginShow show) { m_loginShow = std::move(show); }

    // Rebuilds the group tree; afterwards the root is selected.
    Status GJTree();
    // Rebuilds the contact list for a group (the root lists every group),
    // applying the keyword of the search box when search is set.
    Status GJContact(qint64 groupId, bool search);
    void ClearTab();

    // Open the contact card modally: a new contact for the tree's selected group, or the stored
    // contact (copy: as a new contact). A saved card refreshes the list of the selected group.
    void Button_New_Click();
    void EditCard(qint64 contactId, bool copy);

    // The pane layout as stored in the account's row (see DockLayout), and back. A text that
    // is not a layout of that form, an earlier build's among them, is not applied: the panes
    // keep the creation layout. Either way the toolbar stays shown.
    QString dockState() const;
    bool restoreDockState(const QString& text);

    // The main window's own pop-up menu: the pane toggles, never the toolbar.
    QMenu* createPopupMenu() override;

    // What waits for the first frame: the rest of the list and the reminder window of the due
    // follow-ups and near birthdays (nothing when none is due, reminders are off or silenced
    // today).
    void afterFirstPaint();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Status runStartUp(const QString& databasePath);
    void Button_About_Click();
    void createPanes();
    void createMenus();
    void connectCommands();
    void keepToolBarShown();
    void arrangeKeyboardOrder();
    void nameForAssistiveTools();
    void chooseSkin(const QString& colour);
    void refreshList(qint64 groupId, bool search);
    // The start-up's list: its first screenful and the count of all its rows at once, the
    // rest after the first frame, since a book of 100,000 contacts takes longer to read than
    // the window takes to appear.
    Status GJContactFirstScreen();
    ContactListFilter listFilter(qint64 groupId, bool search) const;
    void showList(ContactRows rows, std::size_t count);
    void connectCardCommands();
    void Button_Edit();
    // The settings window; after OK it has rebuilt the list of the selected group.
    void Button_Sys_Click();
    void restartOnReplacedFile();
    // A timed sync ended: its line in the status bar, the list read again if contacts changed.
    void timedSyncFinished(const QString& message, bool changedHere);
    // Closes this window as the user closes it (layout saved, the day's backup) and has the
    // program start again on another address book.
    void switchToAddressBook(const QString& databasePath);
    // Shows cards one after another while each asks for the next.
    void openCards(CardRequest request);

    Database& m_db;
    Session& m_session;
    Prompter& m_prompter;

    MainToolBar* m_toolBar;
    LetterTabs* m_tabs = nullptr;
    ContactListView* m_list = nullptr;
    GroupTreeWidget* m_tree = nullptr;
    QPushButton* m_newGroupButton = nullptr;
    QPlainTextEdit* m_history = nullptr;
    HistoryPane* m_historyReader = nullptr;
    QDockWidget* m_groupPane = nullptr;
    QDockWidget* m_historyPane = nullptr;
    QMenu* m_groupMenu = nullptr;
    QMenu* m_contactMenu = nullptr;
    // The pane toggles, also offered on the letter tabs: a hidden pane can always come back.
    QMenu* m_paneMenu = nullptr;

    LoginShow m_loginShow;
    bool m_endedAtLogin = false;
    bool m_restartWanted = false;
    QString m_nextDatabasePath;
    // Set once start-up has finished: only a window that was shown saves its layout.
    bool m_started = false;
    // Set by start-up until the list's first paint queues the reminder.
    bool m_firstPaintPending = false;
    StartUp m_startUp;
    StartUpReminders m_reminders;
    KeychainPasswordStore m_passwords;
    TimedSync m_timedSync;            // the sync at start-up and every so many minutes
    bool m_restOfListPending = false; // the list shows only its first screenful
    bool m_listSearched = false;      // the list shows a search's result, not a group's
    SearchInTwoSteps* m_searchSteps = nullptr;
    // More rows than a maximised window shows on a large screen.
    static constexpr int firstScreenRows = 200;
};
