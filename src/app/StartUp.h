// SPDX-License-Identifier: GPL-3.0-or-later
// What happens before the main window is filled: the address book opened, the options read,
// the account chosen (by the login or as the administrator), and, for a file that would not
// open as damaged, the offer of the newest backup.
#pragma once

#include "LoginCheck.h"

#include "db/Result.h"

#include <QString>

#include <functional>
#include <optional>

class Database;
class Prompter;
class QWidget;
class frmLogin;
struct DbError;
struct Session;

class StartUp {
public:
    // Shows the login dialog modally and returns its result (QDialog::Accepted or not).
    using LoginShow = std::function<int(frmLogin&)>;

    StartUp(Database& db, Session& session, Prompter& prompter, QWidget* window);

    // Opens databasePath and reads the options into the session, then logs in when they ask
    // for it, else runs as the administrator. The account's stored pane layout, or nothing
    // when the login was left without logging in.
    Result<std::optional<QString>> open(const QString& databasePath, const LoginShow& loginShow);

    // For a file that would not open as damaged: offers the newest backup instead, in the error
    // box's words, and on Yes puts it in place. False when there is none to offer (the caller
    // then shows the error box); true when it was offered, with restored() saying whether the
    // program should start again on the restored file.
    bool offerNewestBackup(const QString& databasePath, const DbError& error);
    bool restored() const { return m_restored; }

private:
    // A server that wants a password none of libpq's sources holds gets it from the user.
    Status openAskingPassword(const QString& databasePath);
    Result<std::optional<LoginAccount>> logIn(const LoginShow& loginShow);
    // The administrator's stored pane layout.
    Result<QString> runAsAdministrator();

    Database& m_db;
    Session& m_session;
    Prompter& m_prompter;
    QWidget* m_window;
    bool m_restored = false;
};
