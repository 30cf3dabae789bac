// SPDX-License-Identifier: GPL-3.0-or-later
// The login dialog shown at start-up when the options ask for a login.
#pragma once

#include "LoginCheck.h"

#include "db/DbError.h"
#include "db/Result.h"

#include <QDialog>

#include <optional>

class Database;
class QLabel;
class QLineEdit;
class QPushButton;
struct Session;

class frmLogin : public QDialog {
    Q_OBJECT

public:
    frmLogin(Database& db, Session& session, QWidget* parent = nullptr);

    // Reads the password suffix into the session. A failed read is returned;
    // the caller reports it and does not show the dialog.
    Status load();

    // The account opened by cmdOK; the session then holds its ID and skin.
    // Nothing while no login has succeeded.
    const std::optional<LoginAccount>& account() const { return m_account; }
    // The database error that ended the dialog (rejected): a failed lookup
    // is the start-up's error, not a wrong password.
    const std::optional<DbError>& failure() const { return m_failure; }

private:
    void cmdOK_Click();
    void refuse(const QString& message);

    Database& m_db;
    Session& m_session;
    std::optional<LoginAccount> m_account;
    std::optional<DbError> m_failure;

    QLabel* m_title;
    QLabel* m_userNameLabel;
    QLineEdit* m_userName;
    QLabel* m_passwordLabel;
    QLineEdit* m_password;
    QLabel* m_message;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
