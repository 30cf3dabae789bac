// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a foreign file's bytes into text: its encoding found by BOM or ICU's detector.
#pragma once

#include "db/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace TextDecoding {

// The text of bytes in the named ICU charset; nothing when a byte sequence is not valid in it.
std::optional<QString> decodeStrictly(const char* charset, QByteArrayView bytes);

// The ICU name to read a charset label of a file with; GBK and GB2312 labels read as GB18030,
// the superset Chinese programs actually write under those labels.
QByteArray charsetForLabel(const QByteArray& label);

// The whole text of a file's bytes, the BOM removed. The encoding: a BOM (UTF-8, UTF-16 LE/BE)
// first; bytes valid as UTF-8 are UTF-8; otherwise the best of ICU's guesses among the
// encodings Chinese programs save text in (GB18030 when the detector names none of them).
// An error in words when the bytes are not text in that encoding (a damaged or binary file).
Result<QString> decodeFile(QByteArrayView bytes);

} // namespace TextDecoding
