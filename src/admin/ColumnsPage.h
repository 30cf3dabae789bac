// SPDX-License-Identifier: GPL-3.0-or-later
// Page "自 定 义" of the settings window: which list columns show, how wide, in what order.
#pragma once

#include "ColumnSettings.h"

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

    QTreeWidget* list() const { return m_list; }

    // Opens frmAlias for a row and copies its values back when it closes.
    void editRow(QTreeWidgetItem* row);

private:
    Database& m_db;
    QTreeWidget* m_list;
};
