// SPDX-License-Identifier: GPL-3.0-or-later
// One column of the contact list, its cells end to end in a single string.
#pragma once

#include <QString>
#include <QStringView>

#include <string_view>
#include <vector>

// A full list is 100,000 rows: one buffer per column costs a handful of
// allocations where a string per cell costs 100,000, and the page faults of
// fresh memory for those were most of the time a build took.
class CellColumn {
public:
    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }
    // The UTF-16 code units of all cells together.
    qsizetype totalLength() const { return m_text.size(); }

    QStringView view(std::size_t row) const
    {
        const qsizetype begin = row == 0 ? 0 : m_ends[row - 1];
        return QStringView(m_text).sliced(begin, m_ends[row] - begin);
    }
    QString operator[](std::size_t row) const { return view(row).toString(); }

    void push_back(QStringView text);
    // Appends a cell given as UTF-8, decoded in place.
    void appendUtf8(std::string_view utf8);
    // Appends every cell of more, in its order.
    void append(const CellColumn& more);
    // Room for cells of length code units in all, in one allocation each.
    void reserve(qsizetype length, std::size_t cells)
    {
        m_text.reserve(length);
        m_ends.reserve(cells);
    }
    // Gives back the room reserved while the column grew.
    void squeeze();

private:
    QString m_text;
    std::vector<qsizetype> m_ends;
};
