// SPDX-License-Identifier: GPL-3.0-or-later
// Page "用户设置" of the settings window: the accounts, added, renamed and deleted at once.
#pragma once

#include "db/Result.h"

#include <QWidget>

class Database;
class Prompter;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class AccountsPage : public QWidget {
    Q_OBJECT

public:
    AccountsPage(Database& db, Prompter& prompter, qint64 currentUserId, QWidget* parent = nullptr);

    // The suffix a new account's password is scrambled with.
    void setSuffix(qint16 suffix) { m_suffix = suffix; }

    // Refills the list from Vardelin_Login.
    Status GJUser();

    // The row of the account, or nullptr.
    QTreeWidgetItem* rowOf(qint64 accountId) const;

private:
    void Button_Add_Click();
    void Button_Edit_Click();
    void Button_Del_Click();
    // The command's own failure is shown here: the page stays usable.
    void refill();
    void tell(const QString& text, bool exclamation);
    qint64 selectedId() const;

    Database& m_db;
    Prompter& m_prompter;
    qint64 m_currentUserId;
    qint16 m_suffix = 0;

    QTreeWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_edit;
    QPushButton* m_delete;
};
