// SPDX-License-Identifier: GPL-3.0-or-later
// The records of a BIFF5/BIFF8 workbook stream, each with the CONTINUE records that carry its
// overflow, and a cursor that reads numbers and strings across those record boundaries.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace Biff {

// The record ids the reader acts on.
namespace RecordId {
inline constexpr quint16 Bof = 0x0809;
inline constexpr quint16 Eof = 0x000A;
inline constexpr quint16 Continue = 0x003C;
inline constexpr quint16 FilePass = 0x002F;
inline constexpr quint16 CodePage = 0x0042;
inline constexpr quint16 DateMode = 0x0022;
inline constexpr quint16 BoundSheet = 0x0085;
inline constexpr quint16 Sst = 0x00FC;
inline constexpr quint16 Format = 0x041E;
inline constexpr quint16 Xf = 0x00E0;
inline constexpr quint16 LabelSst = 0x00FD;
inline constexpr quint16 Label = 0x0204;
inline constexpr quint16 RString = 0x00D6;
inline constexpr quint16 Number = 0x0203;
inline constexpr quint16 Rk = 0x027E;
inline constexpr quint16 MulRk = 0x00BD;
inline constexpr quint16 Formula = 0x0006;
inline constexpr quint16 FormulaBiff3 = 0x0206; // some BIFF5 writers still use the older ids
inline constexpr quint16 FormulaBiff4 = 0x0406;
inline constexpr quint16 String = 0x0207;
inline constexpr quint16 BoolErr = 0x0205;
} // namespace RecordId

struct Record {
    quint16 id = 0;
    qsizetype offset = 0;              // of the record's header in the stream
    std::vector<QByteArrayView> parts; // its own data, then that of each CONTINUE after it
};

// Walks the records from a position. A header that runs past the stream, a length beyond the
// largest record the format allows, or an id outside the ranges the format assigns is damage:
// the walk reports it rather than skipping on through bytes that are no records.
class RecordStream {
public:
    explicit RecordStream(QByteArrayView stream);

    enum class Next { Record, End, Damaged };
    Next next(Record& record);
    void seek(qsizetype offset) { m_position = offset; }
    qsizetype size() const { return m_stream.size(); }

private:
    bool header(qsizetype at, quint16& id, quint16& length) const;

    QByteArrayView m_stream;
    qsizetype m_position = 0;
};

// Reads a record's data front to back. A read past its end yields zeros and clears ok(), so a
// record shorter than its kind needs is found damaged instead of read out of bounds.
class Cursor {
public:
    explicit Cursor(const Record& record);

    bool ok() const { return m_ok; }
    bool atEnd() const;
    quint8 u8();
    quint16 u16();
    quint32 u32();
    double f64();
    void skip(qsizetype count);
    QByteArrayView bytes(qsizetype count); // within the current part only

    // count characters, one or two bytes each as `wide` says. Where they run on into the next
    // CONTINUE, that record begins with a new option byte telling the width of the rest.
    QString characters(quint32 count, bool wide);
    // A BIFF8 string: a character count of countBytes (1 or 2) bytes, an option byte, and
    // after the characters any formatting runs and phonetic data, which are skipped.
    QString unicodeString(int countBytes);

private:
    bool nextPart();

    const Record& m_record;
    size_t m_part = 0;
    qsizetype m_at = 0;
    bool m_ok = true;
};

} // namespace Biff
