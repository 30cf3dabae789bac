// SPDX-License-Identifier: GPL-3.0-or-later
// The card's page "联系记录": the contact's history list and its add, edit and delete buttons.
#pragma once

#include "frmHistory.h"

#include "db/Result.h"

#include <QWidget>

#include <optional>

class Database;
class HistoryListModel;
class Prompter;
class QPushButton;
class QTreeView;

class HistoryPage : public QWidget {
    Q_OBJECT

public:
    // Lists and changes the records of contactId; canAdd is false on a card for a new contact,
    // which has no row to attach records to.
    HistoryPage(Database& db, Prompter& prompter, qint64 contactId, bool canAdd,
                QWidget* parent = nullptr);

    // Refills the list, newest contact date first; the highlighted record stays highlighted
    // while it is still there.
    Status GJHistory();

    QTreeView* list() const { return m_list; }
    HistoryListModel* records() const { return m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Button_AddLx();
    void Button_EditLx();
    void Button_DelLx();
    std::optional<qint64> selectedRecord() const;
    void showDialog();
    void refresh();
    void notice(const QString& text, bool exclamation = false);

    Database& m_db;
    Prompter& m_prompter;
    qint64 m_contactId;
    // Kept from one use of the dialog to the next, as the card keeps it.
    frmHistory::Values m_dialogValues;

    HistoryListModel* m_model;
    QTreeView* m_list;
    QPushButton* m_add;
    QPushButton* m_edit;
    QPushButton* m_delete;
};
