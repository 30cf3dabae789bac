// SPDX-License-Identifier: GPL-3.0-or-later
// Page "自 定 义" of the settings window: which list columns show, how wide, in what order.
#pragma once

#include "ColumnSettings.h"

#include <QSet>
#include <QWidget>

class Database;
class QTreeWidget;
class QTreeWidgetItem;

class ColumnsPage : public QWidget {
    Q_OBJECT

public:
    explicit ColumnsPage(Database& db, QWidget* parent = nullptr);

    // Fills ListGird with every column row. The list is the working copy:
    // nothing is written until the settings window is confirmed.
    Status GJAlias();

    // The rows as the user left them, in list order.
    std::vector<ColumnSetting> columns() const;
    // The rows as they were read, each with its version.
    const std::vector<ColumnSetting>& asRead() const { return m_asRead; }
    // Reads the rows of those IDs again, in place of what the user made of them; a row gone
    // meanwhile leaves the list.
    Status reloadRows(const QSet<qint64>& ids);

    // Opens frmAlias for a row and copies its values back when it closes.
    void editRow(QTreeWidgetItem* row);

private:
    void showRow(QTreeWidgetItem* row, const ColumnSetting& column);

    Database& m_db;
    std::vector<ColumnSetting> m_asRead;
    QTreeWidget* m_list;
};
