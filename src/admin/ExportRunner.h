// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a contact export beside the window, showing its progress on a bar.
#pragma once

#include "admin/ContactExport.h"

class QProgressBar;

namespace ExportRunner {

// Writes the file on a thread of its own, over its own connection to the address book at
// databasePath, while the window keeps painting and the bar moves (every 50 ms; busy while
// the workbook is packed, which tells no progress). Input is held back until the export ends,
// as during an import. Leaves the bar at 0; gives what ContactExport::writeFile gave.
Result<qsizetype> run(const QString& databasePath, qint64 userId, const QString& path,
                      ContactExport::Format format, QProgressBar& bar);

} // namespace ExportRunner
