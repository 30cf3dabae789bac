// SPDX-License-Identifier: GPL-3.0-or-later
// A workbook of one sheet "Sheet1" written row by row with libxlsxwriter.
#include "XlsxExport.h"

#include "admin/ImportTable.h"
#include "admin/LibXlsxWriter.h"

#include <QFile>

XlsxExport::XlsxExport()
    : XlsxExport(LibXlsxWriter::get())
{
}

XlsxExport::XlsxExport(const LibXlsxWriter* library)
    : m_xlsx(library)
{
}

XlsxExport::~XlsxExport()
{
    if (m_workbook) {
        m_xlsx->workbookClose(m_workbook);
        QFile::remove(m_path);
    }
}

DbError XlsxExport::failure(int code, const QString& what) const
{
    return importError(
        ImportErrorCode::CannotWrite,
        QStringLiteral("无法写入Excel文件“%1”：%2（%3）")
            .arg(m_path, what, QString::fromUtf8(m_xlsx->strerror(lxw_error(code)))));
}

Status XlsxExport::open(const QString& path)
{
    m_path = path;
    if (!m_xlsx)
        return importError(ImportErrorCode::CannotWrite,
                           QStringLiteral("无法写入Excel文件“%1”：找不到写Excel文件的程序库 "
                                          "libxlsxwriter.so.4（Debian 软件包 libxlsxwriter4）。")
                               .arg(path));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    const QByteArray name = QFile::encodeName(path);
    m_workbook = m_xlsx->workbookNewOpt(name.constData(), &options);
    if (!m_workbook)
        return failure(LXW_ERROR_CREATING_XLSX_FILE, QStringLiteral("不能建立文件"));
    // The import reads the sheet of this name, so a written workbook reads back.
    m_sheet = m_xlsx->workbookAddWorksheet(m_workbook, "Sheet1");
    m_bold = m_xlsx->workbookAddFormat(m_workbook);
    if (!m_sheet || !m_bold)
        return failure(LXW_ERROR_MEMORY_MALLOC_FAILED, QStringLiteral("不能建立工作表"));
    m_xlsx->formatSetBold(m_bold);
    return {};
}

Status XlsxExport::writeRow(const QStringList& cells)
{
    std::vector<QByteArray> utf8;
    utf8.reserve(std::size_t(cells.size()));
    std::vector<std::string_view> views;
    for (const QString& cell : cells) {
        utf8.push_back(cell.toUtf8());
        views.emplace_back(utf8.back().constData(), std::size_t(utf8.back().size()));
    }
    return writeRow(views);
}

Status XlsxExport::writeRow(const std::vector<std::string_view>& cells)
{
    if (m_row >= LXW_ROW_MAX)
        return failure(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE,
                       QStringLiteral("行数超过了工作表的上限 %1 行").arg(LXW_ROW_MAX));
    lxw_format* format = m_row == 0 ? m_bold : nullptr;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const std::string_view cell = cells[column];
        if (cell.empty())
            continue;
        // Cut short, the value would be lost without a word: refuse it instead. Only a long
        // text can be too long, so the characters are counted only then.
        if (qsizetype(cell.size()) > maxCellLength) {
            const qsizetype length = QString::fromUtf8(cell.data(), qsizetype(cell.size())).size();
            if (length > maxCellLength)
                return importError(
                    ImportErrorCode::BadValue,
                    QStringLiteral("第 %1 行第 %2 列的值有 %3 个字符，超过了Excel单元格能容纳的 "
                                   "%4 个字符；请导出为CSV或vCard文件。")
                        .arg(m_row + 1)
                        .arg(column + 1)
                        .arg(length)
                        .arg(maxCellLength));
        }
        const lxw_error written =
            m_xlsx->worksheetWriteString(m_sheet, m_row, lxw_col_t(column), cell.data(), format);
        if (written != LXW_NO_ERROR)
            return failure(written, QStringLiteral("第 %1 行写入失败").arg(m_row + 1));
    }
    ++m_row;
    return {};
}

Status XlsxExport::finish()
{
    const lxw_error closed = m_xlsx->workbookClose(m_workbook);
    m_workbook = nullptr;
    if (closed != LXW_NO_ERROR) {
        QFile::remove(m_path);
        return failure(closed, QStringLiteral("不能完成工作簿"));
    }
    return {};
}
