// SPDX-License-Identifier: GPL-3.0-or-later
#include "LibXlsxWriter.h"

#include <QDebug>
#include <QLibrary>

const LibXlsxWriter* LibXlsxWriter::get()
{
    // A function's static is made once, the threads that ask meanwhile waiting for it.
    static const std::optional<LibXlsxWriter> loaded = load(QStringLiteral("xlsxwriter"), 4);
    return loaded ? &*loaded : nullptr;
}

std::optional<LibXlsxWriter> LibXlsxWriter::load(const QString& name, int version)
{
    // Never unloaded: a later export uses it again.
    QLibrary library(name, version);
    LibXlsxWriter xlsx;
    bool found = library.load();
    const auto resolve = [&library, &found](auto& entry, const char* symbol) {
        entry = found ? reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
                            library.resolve(symbol))
                      : nullptr;
        found = entry != nullptr;
    };
    resolve(xlsx.formatSetBold, "format_set_bold");
    resolve(xlsx.strerror, "lxw_strerror");
    resolve(xlsx.workbookAddFormat, "workbook_add_format");
    resolve(xlsx.workbookAddWorksheet, "workbook_add_worksheet");
    resolve(xlsx.workbookClose, "workbook_close");
    resolve(xlsx.workbookNewOpt, "workbook_new_opt");
    resolve(xlsx.worksheetWriteString, "worksheet_write_string");
    if (!found) {
        qWarning().noquote() << "libxlsxwriter:" << library.errorString();
        return std::nullopt;
    }
    return xlsx;
}
