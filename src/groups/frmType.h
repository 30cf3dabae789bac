// SPDX-License-Identifier: GPL-3.0-or-later
// The group dialog: adds a group or changes one, its number, name and parent.
#pragma once

#include "db/Result.h"

#include <QDialog>

class Database;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmType : public QDialog {
    Q_OBJECT

public:
    // What the caller sets before the dialog is shown.
    struct Values {
        bool IsEdit = false;
        qint64 ID = 0;  // the edited group; 0 when adding
        qint64 PID = 0; // the parent preselected in Combo_Parent
    };

    frmType(Database& db, Prompter& prompter, Values values, QWidget* parent = nullptr);

    // GJParent, then EditData when editing. A failed read is returned; the
    // caller shows it and does not show the dialog.
    Status load();
    // Every group but the edited one, by Number; the entry of PID is chosen.
    Status GJParent();
    // The edited group's Number and Name into their boxes.
    Status EditData();

    const Values& values() const { return m_values; }
    // False when EditData found no row: the group was deleted meanwhile.
    bool rowFound() const { return m_rowFound; }

private:
    void Button_OK_Click();

    Database& m_db;
    Prompter& m_prompter;
    Values m_values;
    bool m_rowFound = true;

    QLabel* m_numberLabel;
    QLineEdit* m_number;
    QLabel* m_nameLabel;
    QLineEdit* m_name;
    QLabel* m_parentLabel;
    QComboBox* m_parent;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
