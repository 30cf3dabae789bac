// SPDX-License-Identifier: GPL-3.0-or-later
// The letter tab of a name, from GBK positions and ICU's surname readings.
#include "PinyinInitial.h"

#include "CompoundSurname.h"
#include "Transliterator.h"

#include <QList>

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

// What the converter gives for a character GBK cannot encode.
constexpr quint16 unencodable = u'?';

struct LetterStart {
    char16_t letter;
    quint16 firstCode;
};

// GB2312 level 1 is ordered by reading, so each initial owns one run of codes. No level-1
// reading starts with I, U or V.
constexpr std::array<LetterStart, 23> letterStarts{{
    {u'A', 0xB0A1}, {u'B', 0xB0C5}, {u'C', 0xB2C1}, {u'D', 0xB4EE}, {u'E', 0xB6EA}, {u'F', 0xB7A2},
    {u'G', 0xB8C1}, {u'H', 0xB9FE}, {u'J', 0xBBF7}, {u'K', 0xBFA6}, {u'L', 0xC0AC}, {u'M', 0xC2E8},
    {u'N', 0xC4C3}, {u'O', 0xC5B6}, {u'P', 0xC5BE}, {u'Q', 0xC6DA}, {u'R', 0xC8BB}, {u'S', 0xC8F6},
    {u'T', 0xCBFA}, {u'W', 0xCDDA}, {u'X', 0xCEF4}, {u'Y', 0xD1B9}, {u'Z', 0xD4D1},
}};

bool isDoubleByte(quint16 gbkCode)
{
    return gbkCode > 0xFF;
}

// Rows B0..D7 with trail bytes A1..FE, ending at D7F9. The GBK extensions that share those lead
// bytes (trail bytes below A1) sit between level-1 codes but are not ordered by reading.
bool isGb2312Level1(quint16 gbkCode)
{
    const int lead = gbkCode >> 8;
    const int trail = gbkCode & 0xFF;
    return lead >= 0xB0 && trail >= 0xA1 && gbkCode <= 0xD7F9;
}

QString tableLetter(quint16 gbkCode)
{
    const auto next = std::upper_bound(
        letterStarts.begin(), letterStarts.end(), gbkCode,
        [](quint16 code, const LetterStart& start) { return code < start.firstCode; });
    if (next == letterStarts.begin())
        return QStringLiteral("0");
    return QString(QChar(std::prev(next)->letter));
}

using ConverterPtr = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// ICU's "GBK" is windows-936-2000, which has code page 936's single byte 0x80 for the euro sign
// (ibm-1386 has not). Fallbacks stay off: they would encode "É" as the pinyin letter "é" and so
// file "Éric" under "0".
ConverterPtr openGbkConverter()
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open("GBK", &status), &ucnv_close);
    if (U_FAILURE(status))
        return ConverterPtr(nullptr, &ucnv_close);
    ucnv_setFallback(converter.get(), false);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    return converter;
}

// lead * 256 + trail for a double-byte character, the byte itself for a single-byte one.
quint16 gbkCode(char32_t codePoint)
{
    static std::mutex mutex;
    static const ConverterPtr converter = openGbkConverter();

    UChar text[U16_MAX_LENGTH];
    int32_t textLength = 0;
    U16_APPEND_UNSAFE(text, textLength, codePoint);
    unsigned char bytes[4];
    UErrorCode status = U_ZERO_ERROR;
    int32_t byteCount = 0;
    {
        const std::lock_guard lock(mutex);
        if (!converter)
            return unencodable;
        byteCount = ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(bytes), sizeof bytes,
                                    text, textLength, &status);
    }
    // Some characters GBK lacks (the soft hyphen) convert to no bytes instead of failing.
    if (U_FAILURE(status) || byteCount < 1 || byteCount > 2)
        return unencodable;
    return byteCount == 1 ? bytes[0] : quint16(bytes[0] << 8 | bytes[1]);
}

// Compatibility ideographs are variants of unified ones and are read the same way.
bool isChineseCharacter(char32_t codePoint)
{
    return u_hasBinaryProperty(UChar32(codePoint), UCHAR_UNIFIED_IDEOGRAPH) ||
           (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||
           (codePoint >= 0x2F800 && codePoint <= 0x2FA1F);
}

std::optional<char16_t> latinLetter(char32_t codePoint)
{
    const char32_t upper = QChar::toUpper(codePoint);
    if (upper < U'A' || upper > U'Z')
        return std::nullopt;
    return char16_t(upper);
}

char32_t withoutMarks(UChar32 codePoint)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed;
    if (U_FAILURE(status) || !nfd->getDecomposition(codePoint, decomposed))
        return char32_t(codePoint);
    return char32_t(decomposed.char32At(0));
}

// Each thread keeps its own transliterators: they are not safe to share, and
// imports and the benchmark data call this once per name.
icu::Transliterator* simplifier()
{
    thread_local const auto transliterator = createTransliterator(u"Traditional-Simplified");
    return transliterator.get();
}

icu::Transliterator* surnameReader()
{
    thread_local const auto transliterator = createTransliterator(u"Han-Latin/Names");
    return transliterator.get();
}

// The character itself when the transliterator could not be made.
icu::UnicodeString transliterated(icu::Transliterator* transliterator, char32_t codePoint)
{
    icu::UnicodeString text{UChar32(codePoint)};
    if (transliterator)
        transliterator->transliterate(text);
    return text;
}

// A traditional form is read as its simplified one (單 as 单, 區 as 区); a
// character with several simplified forms or none is kept.
char32_t simplified(char32_t codePoint)
{
    const icu::UnicodeString text = transliterated(simplifier(), codePoint);
    return text.countChar32() == 1 ? char32_t(text.char32At(0)) : codePoint;
}

// Surnames whose reading ICU's "Han-Latin/Names" gives as the character's common
// one (ICU 72): 阚 Kàn not hǎn, 乜 Niè not miē, 莘 Shēn not xīn, 覃 Qín not tán,
// 澹 as in 澹台 Tántái, not dàn. Keyed by the simplified form.
constexpr std::array<std::pair<char32_t, char16_t>, 5> surnameReadings{{
    {U'乜', u'N'},
    {U'澹', u'T'},
    {U'莘', u'S'},
    {U'覃', u'Q'},
    {U'阚', u'K'},
}};

// A name starts with the surname, and surnames have readings of their own (单 Shàn, 仇 Qiú).
// Empty when ICU has no Latin reading for the character: it then hands the character back.
std::optional<char16_t> readSurnameInitial(char32_t codePoint)
{
    const char32_t simple = simplified(codePoint);
    for (const auto& [surname, letter] : surnameReadings) {
        if (surname == simple)
            return letter;
    }
    const icu::UnicodeString reading = transliterated(surnameReader(), simple);
    return latinLetter(withoutMarks(reading.char32At(0)));
}

// Transliterating takes microseconds per character, and an import of traditional names meets
// the same few hundred surnames again and again.
std::optional<char16_t> surnameInitial(char32_t codePoint)
{
    thread_local std::unordered_map<char32_t, std::optional<char16_t>> known;
    const auto [entry, added] = known.try_emplace(codePoint);
    if (added)
        entry->second = readSurnameInitial(codePoint);
    return entry->second;
}

char32_t firstCodePoint(const QString& name)
{
    const QChar first = name.front();
    if (first.isHighSurrogate() && name.size() > 1 && name.at(1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, name.at(1));
    return first.unicode();
}

// 萬俟 is Mòqí, though 萬 alone is Wàn.
std::optional<CompoundSurname> leadingCompoundSurname(const QString& name)
{
    // Four code units hold two characters, whatever their plane.
    const QList<uint> leading = QStringView(name).left(4).toUcs4();
    if (leading.size() < 2)
        return std::nullopt;
    return compoundSurname(leading[0], leading[1]);
}

} // namespace

QString pinyinInitial(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("0");
    const char32_t first = firstCodePoint(name);
    const quint16 code = gbkCode(first);
    // Outside level 1 the GBK position says nothing about the reading.
    if (isChineseCharacter(first) && !isGb2312Level1(code)) {
        if (const auto compound = leadingCompoundSurname(name))
            return QString(QChar(compound->first.front())).toUpper();
        if (const auto initial = surnameInitial(first))
            return QString(QChar(*initial));
    }
    if (isDoubleByte(code))
        return tableLetter(code);
    if (const auto letter = latinLetter(first))
        return QString(QChar(*letter));
    return name;
}
