// SPDX-License-Identifier: GPL-3.0-or-later
// The history record dialog: adds a record to a contact or changes one.
#pragma once

#include "db/Result.h"

#include <QDialog>

class Database;
class Prompter;
class QCheckBox;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class frmHistory : public QDialog {
    Q_OBJECT

public:
    // What the card sets before the dialog is shown.
    struct Values {
        bool IsEdit = false;
        qint64 CID = 0; // the card's contact, written into the record
        qint64 HID = 0; // the record edited; only read when IsEdit
    };

    frmHistory(Database& db, Prompter& prompter, Values values, QWidget* parent = nullptr);

    // Today in both dates for a new record; the stored values for an edit. A failed read is
    // returned; the caller shows it and does not show the dialog.
    Status load();
    // False when load found no record HID: it was deleted meanwhile.
    bool rowFound() const { return m_rowFound; }
    // True when a save found the record deleted meanwhile and wrote nothing.
    bool rowVanished() const { return m_rowVanished; }
    const Values& values() const { return m_values; }

private:
    void Button_Save_Click();
    void notice(const QString& text);

    Database& m_db;
    Prompter& m_prompter;
    Values m_values;
    bool m_rowFound = true;
    bool m_rowVanished = false;

    QLabel* m_lxDateLabel;
    QDateEdit* m_lxDate;
    QLabel* m_nextDateLabel;
    QDateEdit* m_nextDate;
    QCheckBox* m_remind;
    QLabel* m_remarkLabel;
    QPlainTextEdit* m_remark;
    QPushButton* m_save;
    QPushButton* m_close;
};
