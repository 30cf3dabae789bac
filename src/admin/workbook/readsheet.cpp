// SPDX-License-Identifier: GPL-3.0-or-later
// vardelin-readsheet -- <workbook>: writes the sheet "Sheet1" of an .xls or .xlsx
// file to standard output as a TableStream, or the error that kept it from being read.
#include "SheetRows.h"
#include "XlsSheet.h"
#include "XlsxSheet.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    arguments.removeAll(QStringLiteral("--"));
    if (arguments.size() != 1)
        return 2;
    const QString path = arguments.first();

    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 3;
    TableStream::Writer stream(out);
    SheetRows rows(stream);
    // The ending picks the reader, as it picks the file dialog's filter: an .xlsx renamed .xls
    // is told as such by the .xls reader rather than read behind the user's back.
    const bool legacy = QFileInfo(path).suffix().compare(u"xls", Qt::CaseInsensitive) == 0;
    const Status read = legacy ? XlsSheet::read(path, rows) : XlsxSheet::read(path, rows);
    if (!read)
        stream.error(read.error());
    if (!stream.end() || !out.flush())
        return 3;
    return 0;
}
