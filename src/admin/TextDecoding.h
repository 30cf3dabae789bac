// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a foreign file's bytes into text: its encoding found by BOM, byte pattern and trial
// decoding, or named by the user.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace TextDecoding {

// The encodings text files come in that a user can name, in the order they are offered.
// Latin1 is read as Windows-1252, which Western programs write under that name.
enum class Encoding { Utf8, Gb18030, Big5, Utf16, ShiftJis, Latin1 };
const QList<Encoding>& encodings();
// The encoding's usual name ("UTF-8", "GB18030", "Big5", "UTF-16", "Shift_JIS", "Latin-1").
QString nameOf(Encoding encoding);

struct DecodedText {
    QString text;
    Encoding encoding;
};

// The text of bytes in the named ICU charset; nothing when a byte sequence is not valid in it.
std::optional<QString> decodeStrictly(const char* charset, QByteArrayView bytes);

// The ICU name to read a charset label of a file with; GBK and GB2312 labels read as GB18030,
// the superset Chinese programs actually write under those labels.
QByteArray charsetForLabel(const QByteArray& label);

// The whole text of a file's bytes, the BOM removed, and the encoding it was found in:
// - a BOM (UTF-8, UTF-16 LE/BE) names it;
// - NUL bytes belong to UTF-16 text only: they must fall on one side of the byte pairs, where
//   the high (or low) byte of ASCII characters stands;
// - bytes valid as UTF-8 are UTF-8;
// - bytes that decode as GB18030 are GB18030, unless characters fall into its user-defined
//   area (never real text) and Big5 reads the bytes without any;
// - otherwise the first of ICU's guesses, then Big5, Shift_JIS and Latin-1, that reads the
//   bytes as text (no control characters but tab and line ends, no user-defined characters).
// An error in words when none does (a damaged or binary file).
Result<DecodedText> decodeDetecting(QByteArrayView bytes);

// The text of bytes in the encoding a user chose (its BOM removed when it has one); UTF-16
// takes its byte order from the BOM or the NUL bytes, little-endian when neither tells.
// An error in words when the bytes are not text in it.
Result<QString> decodeAs(QByteArrayView bytes, Encoding encoding);

// decodeDetecting's text alone.
Result<QString> decodeFile(QByteArrayView bytes);

} // namespace TextDecoding
