// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the card's history list: contact date, next date, content, remind flag.
#pragma once

#include "HistoryRecords.h"

#include <QAbstractTableModel>

#include <vector>

class HistoryListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { LxDate, NextDate, Remark, Remind, ColumnCount };
    enum Role { RecordIdRole = Qt::UserRole };

    explicit HistoryListModel(QObject* parent = nullptr);

    // The column's width in twips, as the list is laid out.
    static int widthTwips(int column);

    // Replaces every row in one reset.
    void setRecords(std::vector<HistoryRecord> records);
    qint64 recordId(int row) const;
    // The row of the record, or -1.
    int rowOf(qint64 recordId) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString cellText(const HistoryRecord& record, int column) const;

    std::vector<HistoryRecord> m_records;
};
