// SPDX-License-Identifier: GPL-3.0-or-later
// The errors both workbook readers report, in the same words.
#pragma once

#include "admin/ImportTable.h"

#include <QStringList>

namespace SheetErrors {

inline const QString sheetName = QStringLiteral("Sheet1");

// `present`: the sheets the workbook has, so the user knows which one to rename.
inline DbError noSheet(const QStringList& present = {})
{
    QString text = QStringLiteral("工作簿中没有名为“Sheet1”的工作表");
    if (!present.isEmpty())
        text += QStringLiteral("（它的工作表：%1）").arg(present.join(QStringLiteral("、")));
    return importError(ImportErrorCode::NoSheet,
                       text + QStringLiteral("。请把要导入的工作表改名为Sheet1后再导入。"));
}

// `where`: the part of the file in which the damage was found.
inline DbError damaged(const QString& where)
{
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("工作簿已损坏，不能读取（%1）。").arg(where));
}

inline DbError encrypted()
{
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("工作簿有密码保护，请在表格程序中取消密码后再导入。"));
}

inline DbError earlyVersion()
{
    return importError(
        ImportErrorCode::NotWorkbook,
        QStringLiteral("这是Excel 4.0或更早版本的工作簿，不能直接导入。请在表格程序中"
                       "把它另存为Excel 97-2003工作簿（*.xls）或Excel工作簿（*.xlsx）"
                       "后再导入。"));
}

} // namespace SheetErrors
