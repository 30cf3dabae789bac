// SPDX-License-Identifier: GPL-3.0-or-later
// One list column ranked under the header-click sort rule, in both directions at once.
#pragma once

#include "CellColumn.h"

#include <Qt>

#include <cstdint>
#include <string>
#include <vector>

// Each distinct text of the column is keyed once (SortKey::of, then its collation key, all keys
// in one block) and every row gets the rank of its key: rows with equal keys share a rank.
// Both directions then follow from the ranks in linear time, and a later build of the same
// column takes the keys of the texts it has already seen instead of collating them again.
class ColumnOrder {
public:
    ColumnOrder() = default;
    // Ranks column's cells; texts that previous ranked are not collated again. When previous
    // ranked every text of column, its tables are taken over and previous is left empty.
    ColumnOrder(const CellColumn& column, ColumnOrder* previous);

    std::size_t rowCount() const { return m_rowRanks.size(); }
    // Rows ascending or descending by key; rows of equal keys keep their own order either way.
    // The order last given is kept: a rebuild whose rows all hold their earlier texts gets it
    // again without a count.
    const std::vector<int>& rows(Qt::SortOrder direction);

private:
    struct Found {
        int distinct;
        bool added;
    };
    // The distinct text's index, adding it when it is new.
    Found intern(QStringView text, std::size_t hash);
    int find(QStringView text, std::size_t hash) const;
    void growTable();
    std::string_view key(int distinct) const;
    void rankDistinct(const ColumnOrder* previous);
    // Each row's text and rank from the texts already ranked; false when one of them is new.
    bool ranksOf(const CellColumn& column, std::vector<int>& rowDistinct,
                 std::vector<int>& rowRanks) const;
    void noteFirstRows();
    // Every row of column holds the text the same row held here.
    bool sameRowTexts(const CellColumn& column) const;

    CellColumn m_texts;                // the distinct texts
    std::vector<std::size_t> m_hashes; // per distinct text
    std::vector<int> m_table;          // open addressing over the distinct texts; -1 is free
    std::string m_keys;                // collation keys end to end
    std::vector<std::uint32_t> m_keyEnds;
    std::vector<int> m_distinctRanks;
    std::vector<int> m_rowRanks;
    std::vector<int> m_rowDistinct; // each row's distinct text
    // A row holding the distinct text: where a later build of the same rows resumes matching
    // row by row after a row it had to look up.
    std::vector<int> m_firstRow;
    int m_rankCount = 0;
    std::vector<int> m_order; // the rows as rows() last gave them
    Qt::SortOrder m_orderDirection = Qt::AscendingOrder;
    bool m_asciiKeys = false; // m_keys built by SortKey::appendAsciiKey, not the collator
};
