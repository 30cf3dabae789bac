// SPDX-License-Identifier: GPL-3.0-or-later
// The errors both workbook readers report, in the same words.
#pragma once

#include "admin/ImportTable.h"

namespace SheetErrors {

inline const QString sheetName = QStringLiteral("Sheet1");

inline DbError noSheet()
{
    return importError(ImportErrorCode::NoSheet,
                       QStringLiteral("工作簿中没有名为“Sheet1”的工作表。"));
}

inline DbError damaged(const QString& detail)
{
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("工作簿已损坏，不能读取（%1）。").arg(detail));
}

} // namespace SheetErrors
