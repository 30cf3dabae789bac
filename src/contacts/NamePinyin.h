// SPDX-License-Identifier: GPL-3.0-or-later
// The pinyin of a name as the search compares it: the whole reading and its initials.
#pragma once

#include <QString>

struct NamePinyin {
    QString spelling; // "liminglang" for 李明朗
    QString initials; // "lml"
};

// Each Chinese character gives its reading in lower-case ASCII letters without tones (ICU's
// "Han-Latin; Latin-ASCII"), the first character its reading as a surname (单 shan, 曾 zeng)
// and a compound surname its own (万俟 mo qi, see CompoundSurname);
// each run of ASCII letters gives itself in lower case, as one word; anything else gives
// nothing. A name without a Chinese character has no pinyin: both texts are empty.
NamePinyin namePinyin(const QString& name);
