// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactTableModel.h"

#include "SortKey.h"
#include "VisibleText.h"

#include <QSet>

#include <numeric>

ContactTableModel::ContactTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int ContactTableModel::setRows(ContactRows rows, const QIcon& femaleIcon, const QIcon& maleIcon,
                               std::optional<Sort> sort)
{
    beginResetModel();
    keepRankingForNextBuild();
    m_rows = std::move(rows);
    m_leadColumn = 0;
    for (std::size_t column = 0; column < m_rows.columns.size(); ++column) {
        if (m_rows.columns[column].width > 0) {
            m_leadColumn = int(column);
            break;
        }
    }
    m_femaleIcon = femaleIcon;
    m_maleIcon = maleIcon;
    const std::size_t count = m_rows.rowCount();
    m_checked.assign(count, 0);
    m_removed.assign(count, 0);
    // A rebuild of a sorted list is ordered inside its reset: no layout change after it.
    int sorted = -1;
    for (std::size_t column = 0; sort && column < m_rows.columns.size(); ++column) {
        if (m_rows.columns[column].aliasId == sort->aliasId) {
            sorted = int(column);
            break;
        }
    }
    if (sorted >= 0) {
        rank(sorted);
        m_order = m_ranking.rows(sort->direction);
    } else {
        m_order.resize(count);
        std::iota(m_order.begin(), m_order.end(), 0);
    }
    endResetModel();
    return sorted;
}

void ContactTableModel::appendRows(ContactRows more)
{
    const std::size_t stored = m_rows.rowCount();
    const std::size_t added = more.rowCount();
    if (added == 0 || more.cells.size() != m_rows.cells.size())
        return;
    beginInsertRows({}, rowCount(), rowCount() + int(added) - 1);
    for (std::size_t column = 0; column < m_rows.cells.size(); ++column)
        m_rows.cells[column].append(more.cells[column]);
    m_rows.ids.insert(m_rows.ids.end(), more.ids.begin(), more.ids.end());
    m_rows.male.insert(m_rows.male.end(), more.male.begin(), more.male.end());
    m_checked.resize(stored + added, 0);
    m_removed.resize(stored + added, 0);
    for (std::size_t row = stored; row < stored + added; ++row)
        m_order.push_back(int(row));
    // The new rows have no rank yet: the next sort ranks the whole column again.
    m_rankedColumn = -1;
    m_ranking = {};
    endInsertRows();
}

void ContactTableModel::releaseRows()
{
    beginResetModel();
    keepRankingForNextBuild();
    m_rows = {};
    m_order.clear(); // its room serves the next build's order
    m_checked = {};
    m_removed = {};
    endResetModel();
}

void ContactTableModel::keepRankingForNextBuild()
{
    if (m_rankedColumn >= 0) {
        m_earlierAliasId = m_rows.columns[m_rankedColumn].aliasId;
        m_earlierRanking = std::move(m_ranking);
    }
    m_rankedColumn = -1;
    m_ranking = {};
}

int ContactTableModel::rowOf(qint64 contactId) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (m_rows.ids[stored(row)] == contactId)
            return row;
    }
    return -1;
}

void ContactTableModel::removeContacts(const std::vector<qint64>& contactIds)
{
    if (contactIds.empty())
        return;
    const QSet<qint64> gone(contactIds.begin(), contactIds.end());
    // The stored rows stay where they are (their cells share one buffer per
    // column); only the view's order forgets them. A removal per row would
    // make the view shift its rows once for each of a thousand ticked rows.
    beginResetModel();
    std::erase_if(m_order, [&](int row) {
        if (!gone.contains(m_rows.ids[row]))
            return false;
        m_removed[row] = 1;
        m_checked[row] = 0;
        return true;
    });
    endResetModel();
}

void ContactTableModel::setAllChecked(bool checked)
{
    if (m_order.empty())
        return;
    for (int row : m_order)
        m_checked[row] = checked;
    emit dataChanged(index(0, m_leadColumn), index(rowCount() - 1, m_leadColumn),
                     {Qt::CheckStateRole});
}

void ContactTableModel::setChecked(const std::vector<qint64>& contactIds)
{
    if (m_order.empty() || contactIds.empty())
        return;
    const QSet<qint64> ticked(contactIds.begin(), contactIds.end());
    for (int row : m_order)
        m_checked[row] = m_checked[row] || ticked.contains(m_rows.ids[row]);
    emit dataChanged(index(0, m_leadColumn), index(rowCount() - 1, m_leadColumn),
                     {Qt::CheckStateRole});
}

qint64 ContactTableModel::contactId(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows.ids[stored(row)] : 0;
}

std::vector<qint64> ContactTableModel::checkedIds() const
{
    std::vector<qint64> ids;
    for (int row = 0; row < rowCount(); ++row) {
        if (m_checked[stored(row)])
            ids.push_back(m_rows.ids[stored(row)]);
    }
    return ids;
}

void ContactTableModel::sortBy(int column, Qt::SortOrder direction)
{
    if (column < 0 || column >= sortColumn())
        return;
    rank(column);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> storedBefore;
    storedBefore.reserve(before.size());
    for (const QModelIndex& index : before)
        storedBefore.push_back(stored(index.row()));

    m_order = m_ranking.rows(direction);
    std::erase_if(m_order, [this](int row) { return m_removed[row] != 0; });

    std::vector<int> viewRowOf(m_rows.rowCount(), -1);
    for (std::size_t row = 0; row < m_order.size(); ++row)
        viewRowOf[m_order[row]] = int(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(viewRowOf[storedBefore[i]], before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ContactTableModel::rank(int column)
{
    if (column == m_rankedColumn)
        return;
    // Let go of rankings no longer needed before the new one is made: at 300,000 rows each
    // holds megabytes.
    m_ranking = {};
    if (m_earlierAliasId != m_rows.columns[column].aliasId)
        m_earlierRanking = {};
    const bool seenBefore = m_earlierRanking.rowCount() > 0;
    m_ranking = ColumnOrder(m_rows.cells[column], seenBefore ? &m_earlierRanking : nullptr);
    m_rankedColumn = column;
    m_earlierRanking = {};
    m_earlierAliasId = -1;
}

int ContactTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int ContactTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : sortColumn() + 1;
}

QVariant ContactTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = stored(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == sortColumn())
            return m_rankedColumn < 0 ? QString::number(m_rows.ids[row])
                                      : SortKey::of(m_rows.cells[m_rankedColumn][row]);
        // One line per row: a line break or a control character is shown as a sign instead
        // of cutting the cell. The tool tip, like sorting and search, has the stored text.
        if (role == Qt::ToolTipRole)
            return m_rows.cells[column][row];
        return VisibleText::oneLine(m_rows.cells[column].view(row));
    case Qt::DecorationRole:
        if (column == m_leadColumn)
            return m_rows.male[row] ? m_maleIcon : m_femaleIcon;
        break;
    case Qt::CheckStateRole:
        if (column == m_leadColumn)
            return m_checked[row] ? Qt::Checked : Qt::Unchecked;
        break;
    case ContactIdRole:
        return m_rows.ids[row];
    default:
        break;
    }
    return {};
}

bool ContactTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != m_leadColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    m_checked[stored(index.row())] = value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant ContactTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section > sortColumn())
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == sortColumn() ? QStringLiteral("排序") : m_rows.columns[section].caption;
}

Qt::ItemFlags ContactTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == m_leadColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}
