// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchCopy.h"

#include "IdBatches.h"

#include "db/RowStatement.h"

#include <algorithm>
#include <cstring>

using namespace SearchCopy;

namespace {

// Beyond this share of changed rows, reading the whole table again is as quick.
constexpr std::size_t wholeReadShare = 8;

const QString rowsSql =
    QStringLiteral("SELECT ID, TID, Text, Spelling, Initials, Digits FROM Vardelin_Search");

} // namespace

void PackedField::append(std::string_view value)
{
    bytes.append(value);
    bytes.push_back(recordSeparator);
    ends.push_back(std::uint32_t(bytes.size()));
}

std::string_view PackedField::of(std::size_t row) const
{
    const std::uint32_t start = row == 0 ? 0 : ends[row - 1];
    return std::string_view(bytes).substr(start, ends[row] - 1 - start);
}

void PackedField::markHolding(std::string_view needle, std::vector<bool>& hit) const
{
    const char* begin = bytes.data();
    const char* end = begin + bytes.size();
    const char* from = begin;
    while (from < end) {
        const void* found = ::memmem(from, std::size_t(end - from), needle.data(), needle.size());
        if (!found)
            return;
        const auto offset = std::uint32_t(static_cast<const char*>(found) - begin);
        const std::size_t row =
            std::size_t(std::upper_bound(ends.begin(), ends.end(), offset) - ends.begin());
        hit[row] = true;
        from = begin + ends[row];
    }
}

void PackedField::squeeze()
{
    bytes.shrink_to_fit();
    ends.shrink_to_fit();
}

void Rows::squeeze()
{
    for (PackedField* field : {&text, &spelling, &initials, &digits})
        field->squeeze();
    ids.shrink_to_fit();
    groupIds.shrink_to_fit();
}

bool Copy::wholeIsQuicker(std::size_t more) const
{
    return (more + changed.size()) * wholeReadShare > whole.size();
}

Status SearchCopy::readWhole(const Database& db, Copy& copy)
{
    Rows fresh;
    const Status read = RowStatements::forEachRow(db, rowsSql + QStringLiteral(" ORDER BY ID"), {},
                                                  [&fresh](const auto& row) { fresh.append(row); });
    if (!read)
        return read;
    fresh.squeeze();
    copy.whole = std::move(fresh);
    copy.gone.assign(copy.whole.size(), 0);
    copy.changed = {};
    return {};
}

Status SearchCopy::readAgain(const Database& db, Copy& copy, const std::vector<qint64>& written)
{
    for (qint64 id : written) {
        const auto at = std::lower_bound(copy.whole.ids.begin(), copy.whole.ids.end(), id);
        if (at != copy.whole.ids.end() && *at == id)
            copy.gone[std::size_t(at - copy.whole.ids.begin())] = 1;
    }
    // The rows changed before and not written since stay, with those read now, in ID order.
    std::vector<qint64> keep;
    for (qint64 id : copy.changed.ids) {
        if (!std::binary_search(written.begin(), written.end(), id))
            keep.push_back(id);
    }
    std::vector<qint64> wanted;
    std::merge(keep.begin(), keep.end(), written.begin(), written.end(),
               std::back_inserter(wanted));
    Rows fresh;
    const Status read =
        IdBatches::forEach(wanted, [&](const QString& marks, const QVariantList& ids) {
            return RowStatements::forEachRow(db,
                                             rowsSql + QStringLiteral(" WHERE ID IN ") + marks +
                                                 QStringLiteral(" ORDER BY ID"),
                                             ids, [&fresh](const auto& row) { fresh.append(row); });
        });
    if (!read)
        return read;
    copy.changed = std::move(fresh);
    return {};
}
