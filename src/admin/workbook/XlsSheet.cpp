// SPDX-License-Identifier: GPL-3.0-or-later
#include "XlsSheet.h"

#include "SheetErrors.h"
#include "WorkbookCells.h"

#include <QFile>

#include <freexl.h>

#include <optional>

namespace {

class Workbook {
public:
    ~Workbook()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void* m_handle = nullptr;
};

// The compound-file signature every .xls workbook begins with.
const QByteArray compoundFile = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

// Tells a foreign file (an .xlsx renamed, a text) from a damaged workbook before FreeXL sees it.
std::optional<DbError> foreignFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("不能打开文件：%1").arg(path));
    const QByteArray start = file.read(compoundFile.size());
    if (start == compoundFile)
        return std::nullopt;
    if (start.startsWith("PK\x03\x04"))
        return importError(
            ImportErrorCode::NotWorkbook,
            QStringLiteral("这是Excel 2007及以后的工作簿（.xlsx），但文件名以.xls结尾，"
                           "请把它改名为.xlsx后再导入。"));
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("这个文件不是Excel工作簿（*.xls）。"));
}

QString cellText(const FreeXL_CellValue& cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return WorkbookCells::numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(cell.value.text_value);
    case FREEXL_CELL_DATETIME:
        return WorkbookCells::withoutMidnight(QString::fromUtf8(cell.value.text_value));
    default:
        return QString();
    }
}

} // namespace

namespace XlsSheet {

Status read(const QString& path, SheetRows& rows)
{
    if (auto refused = foreignFile(path))
        return *refused;
    Workbook book;
    const QByteArray localPath = QFile::encodeName(path);
    if (const int opened = freexl_open(localPath.constData(), &book.m_handle); opened != FREEXL_OK)
        return SheetErrors::damaged(QStringLiteral("FreeXL %1").arg(opened));

    unsigned int info = 0;
    if (freexl_get_info(book.m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        return importError(ImportErrorCode::NotWorkbook,
                           QStringLiteral("工作簿有密码保护，请在表格程序中取消密码后再导入。"));
    unsigned int sheets = 0;
    if (const int counted = freexl_get_info(book.m_handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
        counted != FREEXL_OK)
        return SheetErrors::damaged(QStringLiteral("FreeXL %1").arg(counted));
    int found = -1;
    for (unsigned int s = 0; s < sheets && s <= 0xFFFF && found < 0; ++s) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(book.m_handle, (unsigned short)s, &name) == FREEXL_OK &&
            name &&
            QString::fromUtf8(name).compare(SheetErrors::sheetName, Qt::CaseInsensitive) == 0)
            found = int(s);
    }
    if (found < 0)
        return SheetErrors::noSheet();
    if (const int selected = freexl_select_active_worksheet(book.m_handle, (unsigned short)found);
        selected != FREEXL_OK)
        return SheetErrors::damaged(QStringLiteral("FreeXL %1").arg(selected));

    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (const int measured = freexl_worksheet_dimensions(book.m_handle, &rowCount, &columnCount);
        measured != FREEXL_OK)
        return SheetErrors::damaged(QStringLiteral("FreeXL %1").arg(measured));
    QStringList cells(columnCount);
    for (unsigned int r = 0; r < rowCount; ++r) {
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue cell;
            if (const int got = freexl_get_cell_value(book.m_handle, r, c, &cell); got != FREEXL_OK)
                return SheetErrors::damaged(QStringLiteral("FreeXL %1").arg(got));
            cells[c] = cellText(cell);
        }
        rows.add(cells);
    }
    rows.finish();
    return {};
}

} // namespace XlsSheet
