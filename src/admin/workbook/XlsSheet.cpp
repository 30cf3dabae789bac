// SPDX-License-Identifier: GPL-3.0-or-later
#include "XlsSheet.h"

#include "BiffGlobals.h"
#include "BiffSheet.h"
#include "CompoundFile.h"
#include "SheetErrors.h"

#include <QFile>

#include <optional>

namespace {

// Excel 2.x to 4.0 wrote the records straight into the file, starting with a BOF record.
bool earlyWorkbook(const QByteArray& start)
{
    if (start.size() < 4 || start.at(0) != '\x09' || start.at(3) != '\x00')
        return false;
    const char version = start.at(1);
    const int length = quint8(start.at(2));
    return (version == '\x00' || version == '\x02' || version == '\x04') && length >= 4 &&
           length <= 16;
}

// Tells a foreign file (an .xlsx renamed, a text, an old workbook) before the reader sees it.
std::optional<DbError> foreignFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("不能打开文件：%1").arg(path));
    // Every .xls workbook since Excel 5.0 is a compound document.
    const QByteArray start = file.read(CompoundFile::signature.size());
    if (start == CompoundFile::signature)
        return std::nullopt;
    if (start.startsWith("PK\x03\x04"))
        return importError(
            ImportErrorCode::NotWorkbook,
            QStringLiteral("这是Excel 2007及以后的工作簿（.xlsx），但文件名以.xls结尾，"
                           "请把它改名为.xlsx后再导入。"));
    if (earlyWorkbook(start))
        return SheetErrors::earlyVersion();
    return importError(ImportErrorCode::NotWorkbook,
                       QStringLiteral("这个文件不是Excel工作簿（*.xls）。"));
}

} // namespace

namespace XlsSheet {

Status read(const QString& path, SheetRows& rows)
{
    if (auto refused = foreignFile(path))
        return *refused;
    auto contents = CompoundFile::read(path);
    if (!contents)
        return contents.error();
    switch (contents.value().kind) {
    case CompoundFile::Contents::Kind::Encrypted:
        return SheetErrors::encrypted();
    case CompoundFile::Contents::Kind::Other:
        return importError(ImportErrorCode::NotWorkbook,
                           QStringLiteral("这个文件是Office文档，但不是Excel工作簿（*.xls）。"));
    case CompoundFile::Contents::Kind::Workbook:
        break;
    }
    const QByteArray& stream = contents.value().workbook;
    auto globals = Biff::Globals::read(stream);
    if (!globals)
        return globals.error();
    QStringList names;
    for (const Biff::SheetEntry& sheet : globals.value().sheets()) {
        if (sheet.name.compare(SheetErrors::sheetName, Qt::CaseInsensitive) == 0)
            return Biff::readSheet(stream, globals.value(), sheet, rows);
        names.append(sheet.name);
    }
    return SheetErrors::noSheet(names);
}

} // namespace XlsSheet
