// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up reminder: due follow-ups and near birthdays; a double click opens the card.
#pragma once

#include "Reminders.h"

#include <QDialog>

class Database;
class Prompter;
class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

class frmRemind : public QDialog {
    Q_OBJECT

public:
    // Lists due as it stands on today for the account userId.
    frmRemind(Database& db, Prompter& prompter, qint64 userId, QDate today, const DueList& due,
              QWidget* parent = nullptr);

    // Reads the due items again, as after a card was edited; a failure is shown.
    void refresh();

    // The caption of an item's kind column and the text of its content column.
    static QString kindText(const DueFollowUp& item, QDate today);
    static QString kindText(const DueDay& item);
    static QString whenText(const DueDay& item, QDate today);

signals:
    // A row was double-clicked (or Enter pressed on it).
    void openCardRequested(qint64 contactId);

private:
    void showItems(const DueList& due);
    void silenceToday(bool on);
    void rowActivated(QTreeWidgetItem* item);

    Database& m_db;
    Prompter& m_prompter;
    qint64 m_userId;
    QDate m_today;
    QTreeWidget* m_list;
    QCheckBox* m_silence;
};
