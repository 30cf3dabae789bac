// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a foreign file's bytes into text: its encoding found by BOM or ICU's detector.
#include "admin/TextDecoding.h"

#include "admin/ImportTable.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <QList>

#include <limits>
#include <memory>

namespace TextDecoding {

namespace {

using ConverterPtr = std::unique_ptr<UConverter, decltype(&ucnv_close)>;
using DetectorPtr = std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)>;

bool startsWith(QByteArrayView bytes, QByteArrayView prefix)
{
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

// The detector reads the whole input; a sample is enough to tell the encodings apart.
constexpr qsizetype detectorSample = 64 * 1024;

// ICU's guesses, best first, among the encodings Chinese programs save text in; GB18030 last
// as the encoding such a file most likely has when the detector names none of them.
QList<QByteArray> chineseCharsetCandidates(QByteArrayView bytes)
{
    QList<QByteArray> candidates;
    UErrorCode status = U_ZERO_ERROR;
    DetectorPtr detector(ucsdet_open(&status), &ucsdet_close);
    const auto sample = bytes.first(std::min(bytes.size(), detectorSample));
    ucsdet_setText(detector.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const QByteArray name(ucsdet_getName(matches[i], &nameStatus));
        if (U_SUCCESS(nameStatus) &&
            (name == "GB18030" || name == "UTF-16LE" || name == "UTF-16BE"))
            candidates.append(name);
    }
    if (!candidates.contains("GB18030"))
        candidates.append(QByteArrayLiteral("GB18030"));
    return candidates;
}

DbError notText()
{
    return importError(ImportErrorCode::NotText,
                       QStringLiteral("文件不是文本文件，或者已经损坏，无法导入。"));
}

} // namespace

std::optional<QString> decodeStrictly(const char* charset, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    if (bytes.size() >= std::numeric_limits<int32_t>::max())
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

Result<QString> decodeFile(QByteArrayView bytes)
{
    if (bytes.size() >= std::numeric_limits<int32_t>::max())
        return importError(ImportErrorCode::TooLarge, QStringLiteral("文件太大，无法导入。"));
    QByteArray charset;
    qsizetype bomLength = 0;
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        charset = QByteArrayLiteral("UTF-8");
        bomLength = 3;
    } else if (startsWith(bytes, "\xFF\xFE")) {
        charset = QByteArrayLiteral("UTF-16LE");
        bomLength = 2;
    } else if (startsWith(bytes, "\xFE\xFF")) {
        charset = QByteArrayLiteral("UTF-16BE");
        bomLength = 2;
    }
    const QByteArrayView body = bytes.sliced(bomLength);
    const bool wideText = charset.startsWith("UTF-16");
    // A NUL byte never belongs to text in an 8-bit encoding: the file is binary.
    if (!wideText && body.contains('\0'))
        return notText();
    QList<QByteArray> candidates{charset};
    if (charset.isEmpty()) {
        // The detector weighs statistics and can take short Chinese UTF-8 for something
        // else; bytes that are valid UTF-8 practically never are another encoding's text.
        if (auto text = decodeStrictly("UTF-8", body))
            return std::move(*text);
        // A short text can fool the detector; a guess the bytes do not decode in yields.
        candidates = chineseCharsetCandidates(body);
    }
    for (const QByteArray& candidate : candidates) {
        auto text = decodeStrictly(candidate.constData(), body);
        if (text && !text->contains(QChar(u'\0')))
            return std::move(*text);
    }
    return notText();
}

} // namespace TextDecoding
