// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's pane "联系情况": the history of the contact last clicked or moved to in the
// contact list.
#pragma once

#include <QObject>

class ContactListView;
class Database;
class Prompter;
class QModelIndex;
class QPlainTextEdit;
class QWidget;

class HistoryPane : public QObject {
    Q_OBJECT

public:
    // Follows list and fills pane; window parents the error box and owns this object.
    HistoryPane(Database& db, Prompter& prompter, ContactListView* list, QPlainTextEdit* pane,
                QWidget* window);

    // Fills the pane with the records of the contact on that row of the list.
    void showContactAt(const QModelIndex& row);
    // Reads the records of the list's current contact again; empties the pane when the list
    // has none (it was deleted meanwhile).
    void showCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rowClicked(const QModelIndex& row);

    Database& m_db;
    Prompter& m_prompter;
    ContactListView* m_list;
    QPlainTextEdit* m_pane;
    QWidget* m_window;
    // The current row when the mouse went down: a click that made another row current has
    // filled the pane already through the change of row.
    int m_currentAtPress = -1;
};
