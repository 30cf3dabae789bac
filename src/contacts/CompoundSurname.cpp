// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompoundSurname.h"

#include <array>

namespace {

struct Entry {
    const char16_t* firstForms; // the simplified form first, then the traditional ones
    const char16_t* secondForms;
    CompoundSurname reading;
};

using namespace Qt::StringLiterals;

// Only the surnames whose reading ICU's per-character readings get wrong: 尉迟 yùchí and 澹台
// tántái come right from the first character's reading as a surname.
constexpr std::array<Entry, 6> entries{{
    {u"万萬", u"俟", {"mo"_L1, "qi"_L1}},
    {u"单單", u"于於", {"chan"_L1, "yu"_L1}},
    {u"长長", u"孙孫", {"zhang"_L1, "sun"_L1}},
    {u"子", u"车車", {"zi"_L1, "ju"_L1}},
    {u"拓", u"跋", {"tuo"_L1, "ba"_L1}},
    {u"中", u"行", {"zhong"_L1, "hang"_L1}},
}};

bool isOneOf(char32_t codePoint, const char16_t* forms)
{
    // Every form is in the Basic Multilingual Plane.
    for (; *forms; ++forms) {
        if (char32_t(*forms) == codePoint)
            return true;
    }
    return false;
}

} // namespace

std::optional<CompoundSurname> compoundSurname(char32_t first, char32_t second)
{
    for (const Entry& entry : entries) {
        if (isOneOf(first, entry.firstForms) && isOneOf(second, entry.secondForms))
            return entry.reading;
    }
    return std::nullopt;
}
