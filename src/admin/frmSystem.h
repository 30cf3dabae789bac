// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: options, accounts, list columns, import and password on five pages.
#pragma once

#include "SettingsSave.h"

#include "db/Result.h"

#include <QDialog>

#include <functional>
#include <optional>

class AccountsPage;
class ColumnsPage;
class Database;
class ImportPage;
class OptionsPage;
class PasswordPage;
class Prompter;
class QPushButton;
class QTabWidget;
struct Session;

class frmSystem : public QDialog {
    Q_OBJECT

public:
    // The pages of TabC, in order.
    enum Page { OptionsTab, AccountsTab, ColumnsTab, ImportTab, PasswordTab };

    // Rebuilds the main window's contact list after a confirm has written.
    using RebuildList = std::function<Status()>;

    frmSystem(Database& db, Session& session, Prompter& prompter, RebuildList rebuildList,
              QWidget* parent = nullptr);

    // The loading sequence: switches the pages by the user's rights, rereads
    // the password suffix and the user's password, then fills the pages. A
    // failure is returned; the caller shows it and does not show the window.
    Status load();

    // A page of a feature above this folder (the sync's), added after the five; it is open to
    // every account.
    void addPage(QWidget* page, const QString& title);

    // Closing without confirming still rebuilds the list when an import added contacts.
    void reject() override;

    // The window was closed because a backup replaced the database: the caller starts again
    // on the new file, and nothing of this window is written.
    bool restored() const { return m_restored; }

private:
    void Button_OK_Click();
    // Writes change; asks what to do when rows the user changed were changed meanwhile. True
    // when it was written.
    bool write(SettingsChange change);
    // Read the options with the reminder switch, or the current password, as stored, with the
    // versions of their rows.
    Status readOptions();
    Status readPassword();
    // All three pages' stored rows again, after the window wrote them.
    Status readWritten();
    // Shows again, as stored now, the settings of the rows in conflicts.
    Status reload(const std::vector<RowVersion::Conflict>& conflicts);
    void switchAccountsPage(bool on);
    // A switched-off page cannot stay the one shown.
    void showFirstOpenPage();
    bool isAdministrator() const;

    Database& m_db;
    Session& m_session;
    Prompter& m_prompter;
    RebuildList m_rebuildList;
    std::optional<QString> m_currentPass;
    // What the pages showed when read (the column rows are kept by their page).
    SettingsAsRead m_asRead;
    bool m_imported = false;
    bool m_restored = false;

    QTabWidget* m_tabs;
    OptionsPage* m_options;
    AccountsPage* m_accounts;
    ColumnsPage* m_columns;
    ImportPage* m_import;
    PasswordPage* m_password;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
