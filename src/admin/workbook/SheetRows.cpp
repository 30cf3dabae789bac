// SPDX-License-Identifier: GPL-3.0-or-later
#include "SheetRows.h"

namespace {

bool hasValue(const QStringList& cells, qsizetype from, qsizetype count)
{
    const qsizetype end = std::min(cells.size(), from + count);
    for (qsizetype i = from; i < end; ++i)
        if (!cells.at(i).isEmpty())
            return true;
    return false;
}

} // namespace

SheetRows::SheetRows(TableStream::Writer& out)
    : m_out(out)
{
}

void SheetRows::add(QStringList& cells)
{
    if (m_haveHeader) {
        if (!hasValue(cells, m_first, m_count))
            return;
        for (qsizetype i = 0; i < m_count; ++i) {
            const qsizetype at = m_first + i;
            m_record[i] = at < cells.size() ? std::move(cells[at]) : QString();
        }
        m_out.row(m_record);
        return;
    }
    qsizetype first = 0;
    while (first < cells.size() && cells.at(first).isEmpty())
        ++first;
    if (first == cells.size())
        return;
    qsizetype last = cells.size() - 1;
    while (cells.at(last).isEmpty())
        --last;
    m_first = first;
    m_count = last - first + 1;
    QStringList names = cells.mid(first, m_count);
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i).trimmed().isEmpty())
            names[i] = QStringLiteral("F%1").arg(i + 1);
    m_out.columns(names);
    m_record.resize(m_count);
    m_haveHeader = true;
}

void SheetRows::finish()
{
    if (!m_haveHeader)
        m_out.columns({});
    m_haveHeader = true;
}
