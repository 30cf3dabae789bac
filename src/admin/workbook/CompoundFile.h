// SPDX-License-Identifier: GPL-3.0-or-later
// The streams of an OLE2 compound document that tell what an Office file holds, read through
// libgsf.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QString>

namespace CompoundFile {

// The signature every compound document begins with.
inline const QByteArray signature = QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

struct Contents {
    enum class Kind {
        Workbook,  // a BIFF workbook: the stream "Workbook" (Excel 97 on) or "Book" (Excel 5.0/95)
        Encrypted, // a password-encrypted .xlsx, which Office keeps in a compound document
        Other,     // another kind of document (a Word file, say)
    };
    Kind kind = Kind::Other;
    QByteArray workbook;
};

// The file's workbook stream, whole, or what it holds instead. A file that is no compound
// document, or whose sectors cannot be followed to the stream's end, is an error in words.
Result<Contents> read(const QString& path);

} // namespace CompoundFile
