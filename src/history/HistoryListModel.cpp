// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryListModel.h"

#include <array>

namespace {

struct ColumnLook {
    const char16_t* caption;
    int widthTwips;
    Qt::Alignment alignment;
};

const std::array<ColumnLook, HistoryListModel::ColumnCount> columnLooks{{
    {u"联系日期", 1600, Qt::AlignCenter},
    {u"下次联系日期", 1500, Qt::AlignCenter},
    {u"联系内容", 4000, Qt::AlignLeft | Qt::AlignVCenter},
    {u"是否提醒", 1000, Qt::AlignCenter},
}};

// A content of several lines is shown on its row's one line; the tooltip keeps the lines.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    return line;
}

} // namespace

HistoryListModel::HistoryListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int HistoryListModel::widthTwips(int column)
{
    return column >= 0 && column < ColumnCount ? columnLooks[column].widthTwips : 0;
}

void HistoryListModel::setRecords(std::vector<HistoryRecord> records)
{
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

qint64 HistoryListModel::recordId(int row) const
{
    return row >= 0 && row < rowCount() ? m_records[row].id : 0;
}

int HistoryListModel::rowOf(qint64 recordId) const
{
    for (std::size_t row = 0; row < m_records.size(); ++row) {
        if (m_records[row].id == recordId)
            return int(row);
    }
    return -1;
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

int HistoryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString HistoryListModel::cellText(const HistoryRecord& record, int column) const
{
    switch (column) {
    case LxDate:
        return HistoryRecords::listDateText(record.lxDate);
    case NextDate:
        return HistoryRecords::listDateText(record.nextDate);
    case Remark:
        return record.remark;
    case Remind:
        return HistoryRecords::remindText(record.isRemind);
    default:
        return {};
    }
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const HistoryRecord& record = m_records[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return oneLine(cellText(record, index.column()));
    case Qt::ToolTipRole:
        return index.column() == Remark && !record.remark.isEmpty() ? QVariant(record.remark)
                                                                    : QVariant();
    case Qt::TextAlignmentRole:
        return columnLooks[index.column()].alignment.toInt();
    case RecordIdRole:
        return record.id;
    default:
        return {};
    }
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(columnLooks[section].caption);
    if (role == Qt::TextAlignmentRole)
        return columnLooks[section].alignment.toInt();
    return {};
}
