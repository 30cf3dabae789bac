// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibXlsxWriter.h"

#include "db/SharedLibrary.h"

const LibXlsxWriter* LibXlsxWriter::get()
{
    // A function's static is made once, the threads that ask meanwhile waiting for it.
    static const std::optional<LibXlsxWriter> loaded = load(QStringLiteral("xlsxwriter"), 4);
    return loaded ? &*loaded : nullptr;
}

std::optional<LibXlsxWriter> LibXlsxWriter::load(const QString& name, int version)
{
    SharedLibrary library(name, version);
    LibXlsxWriter xlsx;
    library.read(xlsx.formatSetBold, "format_set_bold");
    library.read(xlsx.strerror, "lxw_strerror");
    library.read(xlsx.workbookAddFormat, "workbook_add_format");
    library.read(xlsx.workbookAddWorksheet, "workbook_add_worksheet");
    library.read(xlsx.workbookClose, "workbook_close");
    library.read(xlsx.workbookNewOpt, "workbook_new_opt");
    library.read(xlsx.worksheetWriteString, "worksheet_write_string");
    if (!library.complete())
        return std::nullopt;
    return xlsx;
}
