// SPDX-License-Identifier: GPL-3.0-or-later
// One build of the contact list: its columns and its rows.
#pragma once

#include "CellColumn.h"
#include "ListColumns.h"

#include <vector>

struct ContactRows {
    std::vector<ListColumn> columns;
    std::vector<qint64> ids;
    // Whether the contact's sex is exactly "男"; picks the row's image.
    std::vector<bool> male;
    // cells[column][row]; a Null value is an empty text.
    std::vector<CellColumn> cells;

    std::size_t rowCount() const { return ids.size(); }
};
