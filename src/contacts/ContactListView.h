// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list: a table of ticked rows that sorts on a header click.
#pragma once

#include "ContactTableModel.h"

#include <QTableView>

#include <optional>

class ContactListView : public QTableView {
    Q_OBJECT

public:
    explicit ContactListView(QWidget* parent = nullptr);

    ContactTableModel* contacts() const { return m_model; }

    // Shows a new build. After a header click, the new rows are ordered by the
    // same column in the same direction, as long as that column is still shown.
    void showRows(ContactRows rows, const QIcon& femaleIcon, const QIcon& maleIcon);
    // Adds the rest of a build shown in part, keeping the scroll position, the selection and
    // the ticks; a sorted list is sorted again with the new rows in it.
    void appendRows(ContactRows more);
    // Empties the list before a rebuild reads its rows; the sort stays for showRows.
    void releaseRows() { m_model->releaseRows(); }

    // What a user has made of the shown list, kept across a new build of it (another
    // program's change read in): the current contact, the ticked ones and the scroll position.
    struct Kept {
        qint64 currentId = 0;
        int currentColumn = 0;
        std::vector<qint64> tickedIds;
        int scrolled = 0;
    };
    Kept kept() const;
    // Puts back what of kept the new rows still hold.
    void restore(const Kept& kept);

    // Takes deleted contacts out of the list, keeping the current row and the
    // scroll position where they can be kept.
    void removeContacts(const std::vector<qint64>& contactIds);

    // A header click: the direction toggles for the whole list, so clicking one
    // column and then another sorts the second in the opposite direction.
    void sortByHeader(int column);

    std::optional<Qt::SortOrder> sortDirection() const { return m_direction; }

private:
    void applyColumnLayout();
    void sortRows(int column);

    ContactTableModel* m_model;
    std::optional<Qt::SortOrder> m_direction;
    // The list column of the last header click, by its column row's ID.
    std::optional<qint64> m_sortedAliasId;
};
