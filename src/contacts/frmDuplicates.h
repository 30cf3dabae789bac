// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicates window: groups of contacts entered more than once, merged one group at a time.
#pragma once

#include "ContactMerge.h"
#include "DuplicateFinder.h"

#include "db/Result.h"

#include <QDialog>

#include <optional>

class Database;
class Prompter;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct Session;

class frmDuplicates : public QDialog {
    Q_OBJECT

public:
    frmDuplicates(Database& db, const Session& session, Prompter& prompter,
                  QWidget* parent = nullptr);

    // Finds the groups again and lists them, the first one chosen.
    Status GJDuplicates();
    int groupCount() const { return int(m_groups.size()); }

    // Merges the ticked contacts of the chosen group into the kept one, after the question.
    void Button_Merge_Click();

signals:
    // Contacts were merged: the main list no longer shows what the database holds.
    void merged();

private:
    void showGroup(int row);
    void showPlan();
    void showConflicts();
    // The ticked contacts but the kept one.
    std::vector<qint64> mergedIds() const;
    std::optional<qint64> keptId() const;
    QString nameOf(qint64 contactId) const;
    // After a refusal or a merge: the groups as the database now holds them.
    void findAgain();

    Database& m_db;
    const Session& m_session;
    Prompter& m_prompter;
    std::vector<DuplicateGroup> m_groups;
    std::optional<ContactMerge::Plan> m_plan;
    // Per column of the plan's conflicts, the box that chooses its value.
    std::vector<std::pair<QString, QComboBox*>> m_choices;

    QListWidget* m_groupList;
    QTreeWidget* m_members;
    QComboBox* m_keep;
    QTreeWidget* m_conflicts;
    QLabel* m_conflictNote;
    QPushButton* m_merge;
    QPushButton* m_close;
};
