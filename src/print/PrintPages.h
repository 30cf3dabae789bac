// SPDX-License-Identifier: GPL-3.0-or-later
// Draws a print job's pages on a printer or a PDF file.
#pragma once

#include "PrintContacts.h"
#include "PrintOptions.h"

#include <QStringList>

#include <functional>
#include <vector>

class QPagedPaintDevice;

// The list as shown: its shown columns' captions and relative widths in the column settings'
// order, and the rows' texts.
struct PrintTable {
    QStringList captions;
    std::vector<int> widths;
    std::vector<QStringList> rows;
};

// Told how many of the job's rows or contacts are drawn; false stops the job.
using PrintProgress = std::function<bool(int done, int total)>;

struct PrintOutcome {
    int pages = 0;
    bool cancelled = false;
};

namespace PrintPages {

// Sets the device's page layout for the job and draws every page. The list reads table, the
// other kinds contacts.
PrintOutcome draw(QPagedPaintDevice& device, const PrintOptions& options, const PrintTable& table,
                  const std::vector<PrintContact>& contacts, const PrintProgress& progress = {});

} // namespace PrintPages
