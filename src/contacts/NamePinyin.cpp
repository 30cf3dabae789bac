// SPDX-License-Identifier: GPL-3.0-or-later
#include "NamePinyin.h"

#include "CompoundSurname.h"
#include "Transliterator.h"

#include <QList>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <unordered_map>
#include <utility>

namespace {

// Transliterators are not safe to share between threads.
icu::Transliterator* commonReader()
{
    thread_local const auto transliterator =
        createTransliterator(u"Traditional-Simplified; Han-Latin; Latin-ASCII");
    return transliterator.get();
}

icu::Transliterator* surnameReader()
{
    thread_local const auto transliterator =
        createTransliterator(u"Traditional-Simplified; Han-Latin/Names; Latin-ASCII");
    return transliterator.get();
}

// Surnames whose reading ICU's "Han-Latin/Names" gives as the character's common one (ICU 72),
// the same five the letter tabs correct.
constexpr std::array<std::pair<char32_t, const char16_t*>, 10> surnameReadings{{
    {U'乜', u"nie"},
    {U'澹', u"tan"},
    {U'莘', u"shen"},
    {U'覃', u"qin"},
    {U'阚', u"kan"},
    {U'闞', u"kan"},
    {U'單', u"shan"},
    {U'单', u"shan"},
    {U'曾', u"zeng"},
    {U'仇', u"qiu"},
}};

bool isChineseCharacter(char32_t codePoint)
{
    return u_hasBinaryProperty(UChar32(codePoint), UCHAR_UNIFIED_IDEOGRAPH) ||
           (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||
           (codePoint >= 0x2F800 && codePoint <= 0x2FA1F);
}

bool isAsciiLetter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The ASCII letters of the reading in lower case; empty when ICU knows none.
QString readingOf(char32_t codePoint, bool asSurname)
{
    if (asSurname) {
        for (const auto& [surname, reading] : surnameReadings) {
            if (surname == codePoint)
                return QString::fromUtf16(reading);
        }
    }
    icu::UnicodeString text{UChar32(codePoint)};
    if (icu::Transliterator* reader = asSurname ? surnameReader() : commonReader())
        reader->transliterate(text);
    QString letters;
    for (int32_t i = 0; i < text.length(); ++i) {
        const char16_t c = text.charAt(i);
        if (isAsciiLetter(c))
            letters += QChar(c).toLower();
    }
    return letters;
}

// Transliterating takes microseconds per character; names repeat the same few thousand.
const QString& cachedReading(char32_t codePoint, bool asSurname)
{
    thread_local std::unordered_map<char32_t, QString> surnames;
    thread_local std::unordered_map<char32_t, QString> others;
    auto& known = asSurname ? surnames : others;
    const auto [entry, added] = known.try_emplace(codePoint);
    if (added)
        entry->second = readingOf(codePoint, asSurname);
    return entry->second;
}

void appendWord(NamePinyin& pinyin, const QString& word)
{
    if (word.isEmpty())
        return;
    pinyin.spelling += word;
    pinyin.initials += word.front();
}

} // namespace

NamePinyin namePinyin(const QString& name)
{
    NamePinyin pinyin;
    bool hasChinese = false;
    bool first = true;
    QString latinWord;
    const QList<uint> characters = name.toUcs4();
    for (qsizetype at = 0; at < characters.size(); ++at) {
        const char32_t c = characters[at];
        if (isAsciiLetter(c)) {
            latinWord += QChar(c).toLower();
            first = false;
            continue;
        }
        appendWord(pinyin, std::exchange(latinWord, QString()));
        const auto compound = first && at + 1 < characters.size()
                                  ? compoundSurname(c, characters[at + 1])
                                  : std::nullopt;
        if (compound) {
            hasChinese = true;
            appendWord(pinyin, QString(compound->first));
            appendWord(pinyin, QString(compound->second));
            ++at;
        } else if (isChineseCharacter(c)) {
            hasChinese = true;
            appendWord(pinyin, cachedReading(c, first));
        }
        if (!QChar::isSpace(c))
            first = false;
    }
    appendWord(pinyin, latinWord);
    if (!hasChinese)
        return {};
    return pinyin;
}
