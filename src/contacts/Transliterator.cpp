// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transliterator.h"

#include <unicode/unistr.h>

std::unique_ptr<icu::Transliterator> createTransliterator(const char16_t* id)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> transliterator(
        icu::Transliterator::createInstance(icu::UnicodeString(id), UTRANS_FORWARD, status));
    if (U_FAILURE(status))
        return nullptr;
    return transliterator;
}
