// SPDX-License-Identifier: GPL-3.0-or-later
#include "SortKey.h"

#include <QVarLengthArray>

#include <unicode/coll.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>

namespace {

constexpr qsizetype integerDigits = 13;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// A plain decimal number: optional sign, digits, optional point and digits. At least one digit.
struct Decimal {
    bool negative = false;
    QStringView integer;  // digits only, may be empty
    QStringView fraction; // digits only, may be empty
};

bool parse(QStringView text, Decimal& out)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        out.negative = text[i++] == u'-';
    const qsizetype integerStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    out.integer = text.sliced(integerStart, i - integerStart);
    if (i < text.size() && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        out.fraction = text.sliced(fractionStart, i - fractionStart);
    }
    return i == text.size() && !(out.integer.isEmpty() && out.fraction.isEmpty());
}

// Adds one to the digits in [begin, end), carrying leftwards; true when every digit carried
// (all were nines and are now zeros).
bool increment(char16_t* begin, char16_t* end)
{
    for (char16_t* digit = end; digit != begin;) {
        --digit;
        if (*digit != u'9') {
            ++*digit;
            return false;
        }
        *digit = u'0';
    }
    return true;
}

} // namespace

bool SortKey::numberText(QStringView cell, NumberText& out)
{
    Decimal number;
    if (!parse(cell.trimmed(), number))
        return false;
    // Significant integer digits (at least one, possibly a zero), then two decimals rounded
    // half away from zero by the third; all in one buffer so a carry can grow the integer.
    qsizetype firstSignificant = 0;
    while (firstSignificant < number.integer.size() - 1 && number.integer[firstSignificant] == u'0')
        ++firstSignificant;
    const QStringView integer = number.integer.sliced(firstSignificant);
    // One spare place in front for a carry out of the integer.
    QVarLengthArray<char16_t, 48> digits(integer.size() + 3);
    digits[0] = u'0';
    std::copy(integer.utf16(), integer.utf16() + integer.size(), digits.begin() + 1);
    char16_t* hundredths = digits.data() + 1 + integer.size();
    for (qsizetype i = 0; i < 2; ++i)
        hundredths[i] = i < number.fraction.size() ? number.fraction[i].unicode() : u'0';
    if (number.fraction.size() > 2 && number.fraction[2] >= u'5')
        increment(digits.data(), hundredths + 2);
    // Drop the spare place unless the carry reached it; an integer that was empty has become
    // "1" or stays empty, as the leading zeros of the padding will show.
    const char16_t* begin = digits[0] == u'0' ? digits.data() + 1 : digits.data();
    const qsizetype integerSize = hundredths - begin;
    const bool isZero = std::all_of(begin, static_cast<const char16_t*>(hundredths + 2),
                                    [](char16_t c) { return c == u'0'; });
    out.clear();
    out.reserve(std::max(integerSize, integerDigits) + 4);
    if (number.negative && !isZero)
        out.append(u'-');
    for (qsizetype pad = integerSize; pad < integerDigits; ++pad)
        out.append(u'0');
    out.append(begin, integerSize);
    out.append(u'.');
    out.append(hundredths, 2);
    return true;
}

QString SortKey::of(const QString& cell)
{
    NumberText number;
    if (!numberText(cell, number))
        return cell;
    return QStringView(number.data(), number.size()).toString();
}

namespace {

const icu::Collator* chineseCollator()
{
    static const std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(
            icu::Collator::createInstance(icu::Locale("zh"), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return collator.get();
}

std::string collationKey(const icu::Collator* collator, const QString& text)
{
    const icu::UnicodeString unicode(reinterpret_cast<const UChar*>(text.utf16()),
                                     int32_t(text.size()));
    std::string key(64, '\0');
    int32_t needed =
        collator->getSortKey(unicode, reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (needed > int32_t(key.size())) {
        key.resize(needed);
        needed = collator->getSortKey(unicode, reinterpret_cast<uint8_t*>(key.data()), needed);
    }
    key.resize(needed);
    return key;
}

std::string bigEndianUnits(const QString& text)
{
    std::string bytes;
    bytes.reserve(std::size_t(text.size()) * 2);
    for (QChar c : text) {
        bytes.push_back(char(c.unicode() >> 8));
        bytes.push_back(char(c.unicode() & 0xff));
    }
    return bytes;
}

// Without collation data, compare by code unit: still a total, stable order.
std::vector<std::string> keysOf(const std::vector<QString>& texts)
{
    std::vector<std::string> keys;
    keys.reserve(texts.size());
    const icu::Collator* collator = chineseCollator();
    for (const QString& text : texts) {
        if (collator)
            keys.push_back(collationKey(collator, text));
        else
            keys.push_back(bigEndianUnits(text));
    }
    return keys;
}

} // namespace

void SortKey::appendCollationKey(QStringView key, std::string& block)
{
    const std::size_t start = block.size();
    const icu::Collator* collator = chineseCollator();
    if (!collator) {
        for (QChar c : key) {
            block.push_back(char(c.unicode() >> 8));
            block.push_back(char(c.unicode() & 0xff));
        }
        return;
    }
    const auto* units = reinterpret_cast<const UChar*>(key.utf16());
    const auto length = int32_t(key.size());
    int32_t room = int32_t(key.size()) * 4 + 32;
    block.resize(start + std::size_t(room));
    int32_t needed =
        collator->getSortKey(units, length, reinterpret_cast<uint8_t*>(block.data() + start), room);
    if (needed > room) {
        block.resize(start + std::size_t(needed));
        needed = collator->getSortKey(units, length,
                                      reinterpret_cast<uint8_t*>(block.data() + start), needed);
    }
    block.resize(start + std::size_t(needed));
}

namespace {

constexpr char16_t firstPlain = u' ';
constexpr char16_t lastPlain = u'~';
constexpr int plainCount = lastPlain - firstPlain + 1;

bool isUpper(char16_t c)
{
    return c >= u'A' && c <= u'Z';
}

// Each printable character's place in the collator's letter-blind (primary) order, from 2 up,
// so that 1 can part the places from the case bytes; empty when the collator's order of ASCII
// is not "places first, then lower case before upper case, nothing else" (then every key
// comes from the collator).
struct AsciiPlaces {
    std::array<std::uint8_t, plainCount> place{};
    bool usable = false;
};

AsciiPlaces measuredPlaces()
{
    AsciiPlaces places;
    const icu::Collator* collator = chineseCollator();
    if (!collator)
        return places;
    std::unique_ptr<icu::Collator> primary(collator->clone());
    if (!primary)
        return places;
    primary->setStrength(icu::Collator::PRIMARY);
    std::vector<icu::UnicodeString> texts;
    for (char16_t c = firstPlain; c <= lastPlain; ++c)
        texts.emplace_back(UChar(c));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString empty;
    for (const auto& text : texts) {
        // A character the collator ignores would not take a place of its own.
        if (primary->compare(text, empty, status) != UCOL_GREATER)
            return places;
    }
    std::vector<int> sorted(plainCount);
    std::iota(sorted.begin(), sorted.end(), 0);
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) {
        return primary->compare(texts[a], texts[b], status) == UCOL_LESS;
    });
    int place = 1;
    for (int i = 0; i < plainCount; ++i) {
        const int c = sorted[i];
        const bool sharesPlace =
            i > 0 && primary->compare(texts[sorted[i - 1]], texts[c], status) == UCOL_EQUAL;
        if (sharesPlace) {
            // Only a letter and its capital may share a place, the small one sorting first.
            const int previous = sorted[i - 1];
            const char16_t small = char16_t(firstPlain + std::max(previous, c));
            const char16_t capital = char16_t(firstPlain + std::min(previous, c));
            if (!isUpper(capital) || small != capital + (u'a' - u'A') ||
                collator->compare(texts[small - firstPlain], texts[capital - firstPlain], status) !=
                    UCOL_LESS)
                return places;
        } else {
            ++place;
        }
        places.place[c] = std::uint8_t(place);
    }
    places.usable = U_SUCCESS(status);
    return places;
}

const AsciiPlaces& asciiPlaces()
{
    static const AsciiPlaces places = measuredPlaces();
    return places;
}

} // namespace

bool SortKey::isPlainAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= firstPlain && c.unicode() <= lastPlain;
    });
}

bool SortKey::hasAsciiKeys()
{
    return asciiPlaces().usable;
}

void SortKey::appendAsciiKey(QStringView key, std::string& block)
{
    // The collator compares all places first, then (places equal) case, character by
    // character; the second level of accents is the same for every plain character.
    const AsciiPlaces& places = asciiPlaces();
    const std::size_t start = block.size();
    const std::size_t length = std::size_t(key.size());
    block.resize(start + length * 2 + 2);
    char* placeBytes = block.data() + start;
    char* caseBytes = placeBytes + length + 1;
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = key[qsizetype(i)].unicode();
        placeBytes[i] = char(places.place[c - firstPlain]);
        caseBytes[i] = isUpper(c) ? '\2' : '\1';
    }
    placeBytes[length] = '\1';
    caseBytes[length] = '\0';
}

std::vector<int> SortKey::order(const std::vector<QString>& keys, Qt::SortOrder direction)
{
    const std::vector<std::string> collated = keysOf(keys);
    std::vector<int> positions(keys.size());
    std::iota(positions.begin(), positions.end(), 0);
    if (direction == Qt::AscendingOrder) {
        std::stable_sort(positions.begin(), positions.end(),
                         [&](int a, int b) { return collated[a] < collated[b]; });
    } else {
        std::stable_sort(positions.begin(), positions.end(),
                         [&](int a, int b) { return collated[b] < collated[a]; });
    }
    return positions;
}
