// SPDX-License-Identifier: GPL-3.0-or-later
// The form in which the sheet reader hands a table to the program over a pipe.
#pragma once

#include "admin/ImportTable.h"
#include "db/Result.h"

#include <QByteArray>
#include <QStringList>

class QIODevice;

// "VTS1", then frames: 'H' the column names, 'R' one row (as many cells as names), and at the
// end either 'E' or 'X' (an error number and its text). A list is a 32-bit count of strings, a
// string a 32-bit byte length and its UTF-8 bytes, numbers little-endian. Lengths before data
// let the reader refuse a cut or garbled stream instead of guessing where values end.
namespace TableStream {

class Writer {
public:
    explicit Writer(QIODevice& device);
    void columns(const QStringList& names);
    void row(const QStringList& cells);
    void error(const DbError& error);
    // Ends the stream; false when the device refused a write.
    bool end();

private:
    void putList(const QStringList& strings);
    void putNumber(quint32 number);
    void flushWhenFull();

    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_failed = false;
    bool m_closed = false; // an error frame or the end written: nothing may follow
};

// The table the stream holds, the error it reports, or an error when it is cut or malformed.
Result<ImportTable> read(const QByteArray& bytes);

} // namespace TableStream
