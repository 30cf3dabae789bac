// SPDX-License-Identifier: GPL-3.0-or-later
// The contact list's rows: the displayed columns, then the hidden sort column.
#pragma once

#include "ColumnOrder.h"
#include "ContactRows.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <optional>

#include <vector>

class ContactTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role { ContactIdRole = Qt::UserRole };

    explicit ContactTableModel(QObject* parent = nullptr);

    struct Sort {
        qint64 aliasId; // the list column, as the column settings name it
        Qt::SortOrder direction;
    };
    // Replaces every row and column in one reset. Check marks are cleared. With a sort whose
    // column the new rows still show, they come in its order and the sort column holds its
    // keys; otherwise in the statement's order, the sort column holding each contact's ID.
    // Returns the sorted column, or -1.
    int setRows(ContactRows rows, const QIcon& femaleIcon, const QIcon& maleIcon,
                std::optional<Sort> sort = {});
    // Adds rows read with the same columns after the shown ones, unticked, in their order;
    // the ticks, the selection and the order of the shown rows stay. A sorted list must be
    // sorted again after it (ContactListView::appendRows does).
    void appendRows(ContactRows more);
    // Empties the list but keeps its ranking for the next setRows: a rebuild that reads the
    // new rows after this never holds two lists at once.
    void releaseRows();

    const std::vector<ListColumn>& columns() const { return m_rows.columns; }
    // The column carrying the tick box and the sex image: the first one with a
    // width, so a first column given width 0 hides its text but not them.
    int leadColumn() const { return m_leadColumn; }
    // The hidden column whose text the rows are sorted by.
    int sortColumn() const { return int(m_rows.columns.size()); }
    qint64 contactId(int row) const;
    std::vector<qint64> checkedIds() const;
    // The view row showing contactId, or -1.
    int rowOf(qint64 contactId) const;

    // Takes the contacts' rows out of the list; the others keep their order
    // and their check marks. One reset, linear in the row count.
    void removeContacts(const std::vector<qint64>& contactIds);
    // Ticks or unticks every row, reported as one change.
    void setAllChecked(bool checked);
    // Ticks the rows of these contacts that the list shows, reported as one change.
    void setChecked(const std::vector<qint64>& contactIds);

    // Shows column's values, in the sort-key form, in the sort column and
    // orders the rows by it. The column is ranked once per build: the other
    // direction costs a pass over the rows, and a new build sorted by the same
    // list column collates only the texts the last one did not hold.
    void sortBy(int column, Qt::SortOrder direction);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void keepRankingForNextBuild();
    // Ranks column unless it is the ranked one, reusing the last build's ranking of it.
    void rank(int column);
    // The stored row shown at a view row: sorting permutes this, not the rows.
    int stored(int row) const { return m_order[row]; }

    ContactRows m_rows;
    int m_leadColumn = 0;
    // Set by the first sort; until then the sort column shows the contact ID.
    int m_rankedColumn = -1;
    ColumnOrder m_ranking;
    // The last build's ranking and its list column, for the next build's sort.
    ColumnOrder m_earlierRanking;
    qint64 m_earlierAliasId = -1;
    // View row to stored row; rows taken out are left out of it.
    std::vector<int> m_order;
    std::vector<char> m_removed;
    std::vector<char> m_checked;
    QIcon m_femaleIcon;
    QIcon m_maleIcon;
};
