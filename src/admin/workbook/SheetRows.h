// SPDX-License-Identifier: GPL-3.0-or-later
// A sheet's rows, as a reader finds them, turned into column names and records.
#pragma once

#include "admin/TableStream.h"

#include <QStringList>

// The first row with a value names the columns, from its first to its last cell with a value;
// an empty name within them becomes "F" and its position (F1, F2 ...), as ODBC names them.
// Every later row gives a record of those columns; rows without a value are skipped, so
// blank lines and formatting-only rows add no empty contacts. Records go straight to the
// stream, so a large sheet is never held whole.
class SheetRows {
public:
    explicit SheetRows(TableStream::Writer& out);

    // A sheet row, its cells from column A on (missing cells empty); they are taken over.
    void add(QStringList& cells);
    // Writes the names when the sheet had no row with a value (a sheet without columns).
    void finish();

private:
    TableStream::Writer& m_out;
    bool m_haveHeader = false;
    qsizetype m_first = 0;
    qsizetype m_count = 0;
    QStringList m_record;
};
