// SPDX-License-Identifier: GPL-3.0-or-later
// The letter tab a contact is filed under, from the first character of its name.
#pragma once

#include <QString>

// "A".."Z" for a name starting with a Latin letter or a Chinese character: a GB2312 level-1
// character by its GBK position, any other Chinese character by the initial of its reading as a
// surname (a traditional form read as its simplified one, a compound surname as a whole: 萬俟 M)
// when ICU or the routine's own short lists of surnames know one. Other characters that GBK encodes
// in two bytes go by their GBK position, which gives "0" for the symbols and full-width forms below
// level 1. An empty name gives "0". A name starting with anything else (a digit, punctuation, a
// character GBK cannot encode) is returned whole. Safe to call from several threads.
QString pinyinInitial(const QString& name);
