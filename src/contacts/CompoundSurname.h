// SPDX-License-Identifier: GPL-3.0-or-later
// Compound surnames whose characters are read otherwise than on their own.
#pragma once

#include <QLatin1StringView>

#include <optional>

struct CompoundSurname {
    QLatin1StringView first;  // the first character's reading, lower case without tones
    QLatin1StringView second; // the second's
};

// The readings of a name's first two characters, simplified or traditional, when together they
// are such a surname: 万俟 mòqí (万 is wàn alone), 单于 chányú, 长孙 zhǎngsūn, 子车 zǐjū,
// 拓跋 tuòbá, 中行 zhōngháng. Nothing for any other pair, which is read character by character.
std::optional<CompoundSurname> compoundSurname(char32_t first, char32_t second);
