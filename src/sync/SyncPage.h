// SPDX-License-Identifier: GPL-3.0-or-later
// Page "同步" of the settings window: the account's address-book server, which of its address
// books, which groups take part, and "立即同步".
#pragma once

#include "SyncSettings.h"

#include "db/Result.h"

#include <QWidget>

class Database;
class DavClient;
class PasswordStore;
class Prompter;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
struct Session;

class SyncPage : public QWidget {
    Q_OBJECT

public:
    SyncPage(Database& db, Session& session, Prompter& prompter, PasswordStore& passwords,
             QWidget* parent = nullptr);

    // Shows the account's settings and the groups; the password from the secret store.
    Status load();
    // Writes the settings as shown (the settings window's OK) and the password into the secret
    // store; an error is shown here.
    bool save();

signals:
    // A sync ran, whole or cut off: the contacts shown elsewhere may be out of date.
    void synced();

private:
    // The password from the box, else asked for; false when the user gave none.
    bool passwordKnown();
    void findBooks();
    void syncNow();
    SyncSettings shownSettings() const;
    QString passwordKey() const;
    // A client that uses the certificate accepted before and asks about one the system does
    // not trust; what it accepts is kept with the settings.
    void prepare(DavClient& client);

    Database& m_db;
    Session& m_session;
    Prompter& m_prompter;
    PasswordStore& m_passwords;
    SyncSettings m_stored;
    QString m_certificate; // the fingerprint accepted, saved with the settings

    QLineEdit* m_server;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QComboBox* m_book;
    QPushButton* m_find;
    QListWidget* m_groups;
    QComboBox* m_defaultGroup;
    QCheckBox* m_atStart;
    QSpinBox* m_everyMinutes;
    QPushButton* m_syncNow;
    QPlainTextEdit* m_log;
};
