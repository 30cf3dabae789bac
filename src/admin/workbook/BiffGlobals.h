// SPDX-License-Identifier: GPL-3.0-or-later
// What a BIFF5/BIFF8 workbook stream says before its sheets: the version, whether it is
// encrypted, the sheets and where they start, the shared strings, and how each cell style
// shows a number.
#pragma once

#include "BiffRecords.h"
#include "WorkbookCells.h"

#include "db/Result.h"

#include <QList>
#include <QStringList>

#include <optional>
#include <vector>

namespace Biff {

struct SheetEntry {
    QString name;
    quint32 offset = 0; // of the sheet's BOF in the stream
};

class Globals {
public:
    // Reads the records up to the workbook part's EOF. Refuses, in the program's words, an
    // encrypted workbook, one of a version before Excel 5.0, and damage, never a part.
    static Result<Globals> read(QByteArrayView stream);

    bool biff8() const { return m_biff8; }
    bool from1904() const { return m_from1904; }
    const QList<SheetEntry>& sheets() const { return m_sheets; }
    const std::vector<QString>& sharedStrings() const { return m_strings; }
    WorkbookCells::Shown shownByStyle(quint16 xf) const;
    // A BIFF5 byte string in the workbook's code page; nothing when its bytes are not valid
    // text there.
    std::optional<QString> text(QByteArrayView bytes) const;
    // A string as this version stores it: BIFF8 as a unicode string with a count of
    // countBytes bytes, BIFF5 as that count and the bytes in the code page.
    std::optional<QString> string(Cursor& cursor, int countBytes) const;

private:
    bool readRecord(const Record& record);
    bool readSst(const Record& record);

    bool m_biff8 = true;
    bool m_from1904 = false;
    bool m_encrypted = false;
    quint16 m_codePage = 1252;
    QList<SheetEntry> m_sheets;
    std::vector<QString> m_strings;
    std::vector<quint16> m_styleFormats;              // format id of each cell style (XF)
    QList<std::pair<quint16, QString>> m_formatCodes; // the workbook's own formats
    std::vector<WorkbookCells::Shown> m_shown;        // by style, once the formats are known
};

} // namespace Biff
