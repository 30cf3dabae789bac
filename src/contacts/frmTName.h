// SPDX-License-Identifier: GPL-3.0-or-later
// The change-group dialog: chooses the group the ticked contacts move to.
#pragma once

#include "db/Result.h"

#include <QDialog>

#include <functional>
#include <optional>

class Database;
class Prompter;
class QComboBox;
class QLabel;
class QPushButton;

class frmTName : public QDialog {
    Q_OBJECT

public:
    // What OK runs with the chosen group. It returns false when that group
    // has gone meanwhile (nothing written), or the error that stopped it.
    using Apply = std::function<Result<bool>(qint64 groupId)>;

    frmTName(Database& db, Prompter& prompter, Apply apply, QWidget* parent = nullptr);

    // Fills Edit_Type with every group but the root, by Number; none chosen.
    Status GJParent();

    // The entry the box's text names: a typed text that names no entry is no choice.
    std::optional<qint64> chosenGroupId() const;
    // The error the move ended with, when it failed; the dialog is then rejected.
    const std::optional<DbError>& failure() const { return m_failure; }

private:
    void OK_Click();

    Database& m_db;
    Prompter& m_prompter;
    Apply m_apply;
    std::optional<DbError> m_failure;

    QLabel* m_label;
    QComboBox* m_groups;
    QPushButton* m_ok;
};
