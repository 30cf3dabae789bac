// SPDX-License-Identifier: GPL-3.0-or-later
#include "CellColumn.h"

#include <unicode/ustring.h>

namespace {

bool isAscii(std::string_view text)
{
    unsigned char any = 0;
    for (char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

} // namespace

void CellColumn::push_back(QStringView text)
{
    m_text.append(text);
    m_ends.push_back(m_text.size());
}

void CellColumn::appendUtf8(std::string_view utf8)
{
    // Telephone numbers and mail addresses are plain ASCII, which Latin-1
    // widening copies far faster than any decoder.
    if (isAscii(utf8)) {
        m_text.append(QLatin1StringView(utf8.data(), qsizetype(utf8.size())));
        m_ends.push_back(m_text.size());
        return;
    }
    // UTF-16 never takes more code units than UTF-8 takes bytes. ICU decodes
    // straight into the column; a malformed byte becomes U+FFFD.
    const qsizetype start = m_text.size();
    m_text.resize(start + qsizetype(utf8.size()));
    int32_t decoded = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(m_text.data() + start), int32_t(utf8.size()),
                         &decoded, utf8.data(), int32_t(utf8.size()), 0xfffd, nullptr, &status);
    m_text.truncate(start + (U_SUCCESS(status) ? decoded : 0));
    m_ends.push_back(m_text.size());
}

void CellColumn::append(const CellColumn& more)
{
    const qsizetype shift = m_text.size();
    m_text.append(more.m_text);
    m_ends.reserve(m_ends.size() + more.m_ends.size());
    for (qsizetype end : more.m_ends)
        m_ends.push_back(shift + end);
}

void CellColumn::squeeze()
{
    m_text.squeeze();
    m_ends.shrink_to_fit();
}
