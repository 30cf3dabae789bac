// SPDX-License-Identifier: GPL-3.0-or-later
// Page "导入导出" of the settings window. The workbook import is not built yet: the
// page shows its controls switched off, so nothing on it can be started.
#pragma once

#include <QWidget>

class ImportPage : public QWidget {
    Q_OBJECT

public:
    explicit ImportPage(QWidget* parent = nullptr);
};
