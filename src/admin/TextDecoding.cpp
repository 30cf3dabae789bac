// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a foreign file's bytes into text: its encoding found by BOM, byte pattern and trial
// decoding, or named by the user.
#include "admin/TextDecoding.h"

#include "admin/ImportTable.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace TextDecoding {

namespace {

using ConverterPtr = std::unique_ptr<UConverter, decltype(&ucnv_close)>;
using DetectorPtr = std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)>;

enum class ByteOrder { LittleEndian, BigEndian };

bool startsWith(QByteArrayView bytes, QByteArrayView prefix)
{
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

// A sample is enough to tell the encodings apart; the detector and the NUL count read no more.
constexpr qsizetype sampleSize = 64 * 1024;

QByteArrayView sampleOf(QByteArrayView bytes)
{
    return bytes.first(std::min(bytes.size(), sampleSize));
}

const char* icuName(Encoding encoding, ByteOrder order = ByteOrder::LittleEndian)
{
    switch (encoding) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Gb18030:
        return "GB18030";
    case Encoding::Big5:
        return "Big5";
    case Encoding::Utf16:
        return order == ByteOrder::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    case Encoding::ShiftJis:
        return "Shift_JIS";
    case Encoding::Latin1:
        return "windows-1252";
    }
    return "UTF-8";
}

std::optional<std::pair<Encoding, qsizetype>> encodingOfBom(QByteArrayView bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return std::pair{Encoding::Utf8, qsizetype(3)};
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF"))
        return std::pair{Encoding::Utf16, qsizetype(2)};
    return std::nullopt;
}

// ASCII characters (commas, digits, line ends) in UTF-16 have one NUL byte each: in
// little-endian text it stands at odd offsets. Chinese characters put a NUL on the other side
// now and then (U+5100), so one side must clearly outnumber the other.
std::optional<ByteOrder> byteOrderOfNuls(QByteArrayView bytes)
{
    const QByteArrayView sample = sampleOf(bytes);
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype i = 0; i < sample.size(); ++i)
        if (sample[i] == '\0')
            ++(i % 2 ? odd : even);
    if (odd > 2 * even)
        return ByteOrder::LittleEndian;
    if (even > 2 * odd)
        return ByteOrder::BigEndian;
    return std::nullopt;
}

ByteOrder byteOrderOfUtf16(QByteArrayView bytes)
{
    if (startsWith(bytes, "\xFE\xFF"))
        return ByteOrder::BigEndian;
    if (startsWith(bytes, "\xFF\xFE"))
        return ByteOrder::LittleEndian;
    return byteOrderOfNuls(bytes).value_or(ByteOrder::LittleEndian);
}

// What no text file holds: control characters other than tab and line ends (a NUL above all,
// but also the C1 controls a Western code page leaves for unused bytes).
bool holdsControls(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || (u >= 0x7F && u < 0xA0);
    });
}

// Characters of the user-defined areas: bytes of another encoding read as GB18030 or Big5
// land there, real names and addresses do not.
bool holdsPrivateUse(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0xE000 && c.unicode() < 0xF900; });
}

// The bytes' text in a guessed encoding when it reads as text at all.
std::optional<QString> readableAs(Encoding encoding, QByteArrayView bytes)
{
    auto text = decodeStrictly(icuName(encoding), bytes);
    if (!text || holdsControls(*text) || holdsPrivateUse(*text))
        return std::nullopt;
    return text;
}

// ICU's guesses, best first, among the 8-bit encodings a user can pick; then every one of them
// in the order they are met in files that are not Chinese GB18030.
QList<Encoding> guessesFor(QByteArrayView bytes)
{
    QList<Encoding> guesses;
    UErrorCode status = U_ZERO_ERROR;
    DetectorPtr detector(ucsdet_open(&status), &ucsdet_close);
    const QByteArrayView sample = sampleOf(bytes);
    ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const QByteArrayView name(ucsdet_getName(matches[i], &nameStatus));
        if (U_FAILURE(nameStatus))
            continue;
        if (name == "Big5")
            guesses.append(Encoding::Big5);
        else if (name == "Shift_JIS")
            guesses.append(Encoding::ShiftJis);
        else if (name == "ISO-8859-1" || name == "windows-1252" || name == "ISO-8859-9" ||
                 name == "windows-1254")
            // The Turkish variants differ from Latin-1 in six letters only; a short file of
            // Western text is often named as one of them.
            guesses.append(Encoding::Latin1);
    }
    for (Encoding fallback : {Encoding::Big5, Encoding::ShiftJis, Encoding::Latin1})
        if (!guesses.contains(fallback))
            guesses.append(fallback);
    return guesses;
}

DbError notText()
{
    return importError(ImportErrorCode::NotText,
                       QStringLiteral("文件不是文本文件，或者已经损坏，无法导入。"));
}

DbError tooLarge()
{
    return importError(ImportErrorCode::TooLarge, QStringLiteral("文件太大，无法导入。"));
}

bool fitsIcu(QByteArrayView bytes)
{
    return bytes.size() < std::numeric_limits<int32_t>::max();
}

Result<DecodedText> decodeWithoutBom(QByteArrayView bytes)
{
    if (bytes.contains('\0')) {
        if (!byteOrderOfNuls(bytes))
            return notText();
        auto text = decodeAs(bytes, Encoding::Utf16);
        if (!text || holdsControls(text.value()))
            return notText();
        return DecodedText{std::move(text).value(), Encoding::Utf16};
    }
    // The detector weighs statistics and can take short Chinese text for something else;
    // bytes that are valid UTF-8 practically never are another encoding's text.
    if (auto text = decodeStrictly("UTF-8", bytes))
        return DecodedText{std::move(*text), Encoding::Utf8};
    if (auto text = decodeStrictly("GB18030", bytes); text && !holdsControls(*text)) {
        // Big5 bytes read as GB18030 mostly, partly into its user-defined area.
        if (holdsPrivateUse(*text))
            if (auto big5 = readableAs(Encoding::Big5, bytes))
                return DecodedText{std::move(*big5), Encoding::Big5};
        return DecodedText{std::move(*text), Encoding::Gb18030};
    }
    for (Encoding guess : guessesFor(bytes))
        if (auto text = readableAs(guess, bytes))
            return DecodedText{std::move(*text), guess};
    return notText();
}

} // namespace

const QList<Encoding>& encodings()
{
    static const QList<Encoding> all{Encoding::Utf8,  Encoding::Gb18030,  Encoding::Big5,
                                     Encoding::Utf16, Encoding::ShiftJis, Encoding::Latin1};
    return all;
}

QString nameOf(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Gb18030:
        return QStringLiteral("GB18030");
    case Encoding::Big5:
        return QStringLiteral("Big5");
    case Encoding::Utf16:
        return QStringLiteral("UTF-16");
    case Encoding::ShiftJis:
        return QStringLiteral("Shift_JIS");
    case Encoding::Latin1:
        return QStringLiteral("Latin-1");
    }
    return {};
}

std::optional<QString> decodeStrictly(const char* charset, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    if (!fitsIcu(bytes))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(charset, &status), &ucnv_close);
    if (U_FAILURE(status))
        return std::nullopt;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    // The encodings files come in yield no more UTF-16 units than bytes; a charset label
    // naming a denser one gets a second pass with the length ICU asked for.
    QString text(bytes.size(), Qt::Uninitialized);
    const auto convert = [&] {
        ucnv_resetToUnicode(converter.get());
        return ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                             static_cast<int32_t>(text.size()), bytes.data(),
                             static_cast<int32_t>(bytes.size()), &status);
    };
    int32_t length = convert();
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        text = QString(length, Qt::Uninitialized);
        length = convert();
    }
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    text.truncate(length);
    return text;
}

QByteArray charsetForLabel(const QByteArray& label)
{
    const QByteArray upper = label.trimmed().toUpper();
    if (upper == "GBK" || upper == "GB2312" || upper == "GB18030" || upper == "CP936" ||
        upper == "GB_2312-80" || upper == "EUC-CN")
        return QByteArrayLiteral("GB18030");
    return upper;
}

Result<DecodedText> decodeDetecting(QByteArrayView bytes)
{
    if (!fitsIcu(bytes))
        return tooLarge();
    if (const auto bom = encodingOfBom(bytes)) {
        auto text = decodeAs(bytes, bom->first);
        if (!text)
            return notText();
        return DecodedText{std::move(text).value(), bom->first};
    }
    return decodeWithoutBom(bytes);
}

Result<QString> decodeAs(QByteArrayView bytes, Encoding encoding)
{
    if (!fitsIcu(bytes))
        return tooLarge();
    QByteArrayView body = bytes;
    if (const auto bom = encodingOfBom(bytes); bom && bom->first == encoding)
        body = bytes.sliced(bom->second);
    auto text = decodeStrictly(icuName(encoding, byteOrderOfUtf16(bytes)), body);
    // A NUL character is binary data whatever the encoding lets through.
    if (!text || text->contains(QChar(u'\0')))
        return importError(
            ImportErrorCode::NotText,
            QStringLiteral("文件不是 %1 编码的文本，请选择其他编码。").arg(nameOf(encoding)));
    return std::move(*text);
}

Result<QString> decodeFile(QByteArrayView bytes)
{
    auto decoded = decodeDetecting(bytes);
    if (!decoded)
        return decoded.error();
    return std::move(decoded).value().text;
}

} // namespace TextDecoding
