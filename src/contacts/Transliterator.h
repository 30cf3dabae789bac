// SPDX-License-Identifier: GPL-3.0-or-later
// ICU's transliterators by their id, for the readings of names.
#pragma once

#include <unicode/translit.h>

#include <memory>

// The forward transliterator for id ("Han-Latin/Names", a compound such as
// "Traditional-Simplified; Han-Latin"), or null when ICU lacks it. One is not safe to share
// between threads: callers keep theirs thread_local.
std::unique_ptr<icu::Transliterator> createTransliterator(const char16_t* id);
