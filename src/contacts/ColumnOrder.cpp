// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColumnOrder.h"

#include "SortKey.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

int compareBytes(std::string_view a, std::string_view b)
{
    const int shared = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (shared != 0)
        return shared;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Eight bytes of a key from offset on, big-endian and zero-padded: comparing these first
// orders keys as comparing them whole would, except where they are equal.
std::uint64_t prefixAt(std::string_view key, std::size_t offset)
{
    if (offset + 8 <= key.size()) {
        std::uint64_t bytes;
        std::memcpy(&bytes, key.data() + offset, 8);
        return std::endian::native == std::endian::little ? __builtin_bswap64(bytes) : bytes;
    }
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t at = offset + i;
        prefix = (prefix << 8) | (at < key.size() ? std::uint8_t(key[at]) : 0);
    }
    return prefix;
}

struct Entry {
    std::uint64_t prefix;
    int distinct;
};

// Orders entries by prefix: a radix sort, eleven bits a pass, in a fraction of the time of a
// comparison sort of 100,000 keys. Passes whose digit is the same in every entry are skipped.
void sortByPrefix(std::vector<Entry>& entries)
{
    constexpr int bits = 11;
    constexpr int passes = (64 + bits - 1) / bits;
    constexpr std::size_t buckets = std::size_t(1) << bits;
    std::vector<std::array<std::uint32_t, buckets>> counts(passes);
    for (const Entry& entry : entries) {
        for (int pass = 0; pass < passes; ++pass)
            ++counts[pass][(entry.prefix >> (pass * bits)) & (buckets - 1)];
    }
    std::vector<Entry> sorted(entries.size());
    for (int pass = 0; pass < passes; ++pass) {
        std::array<std::uint32_t, buckets>& count = counts[pass];
        if (std::find(count.begin(), count.end(), std::uint32_t(entries.size())) != count.end())
            continue;
        std::uint32_t start = 0;
        for (std::uint32_t& bucket : count)
            start += std::exchange(bucket, start);
        for (const Entry& entry : entries)
            sorted[count[(entry.prefix >> (pass * bits)) & (buckets - 1)]++] = entry;
        entries.swap(sorted);
    }
}

// A key that is not a number is the cell itself; only cells holding a digit can be numbers.
bool mayBeNumber(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Equality of two cells without a call per pair: most rebuilt rows repeat their earlier text.
bool sameText(QStringView a, QStringView b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(QChar)) == 0;
}

} // namespace

ColumnOrder::ColumnOrder(const CellColumn& column, ColumnOrder* previous)
{
    if (previous) {
        // Rows that all hold their earlier texts keep the last build's ranks and order as they
        // are. Otherwise a rebuild with no text the last one lacked, as after a save or another
        // letter tab, reads its rows' ranks off. Either takes the ranked tables over, with no
        // copy and no sort.
        const bool sameRows = previous->sameRowTexts(column);
        std::vector<int> rowDistinct;
        std::vector<int> rowRanks;
        if (sameRows || previous->ranksOf(column, rowDistinct, rowRanks)) {
            *this = std::move(*previous);
            *previous = {};
            if (!sameRows) {
                m_rowDistinct = std::move(rowDistinct);
                m_rowRanks = std::move(rowRanks);
                m_order.clear();
                noteFirstRows();
            }
            return;
        }
    }
    m_rowRanks.resize(column.size());
    // Room for every row being distinct at half load: growing it on the way costs a rehash of
    // all texts so far, several times over at 100,000 rows.
    m_table.assign(std::max<std::size_t>(1024, std::bit_ceil(column.size() * 2)), -1);
    m_rowDistinct.resize(column.size());
    // As if every text were distinct: no copy of them on the way as they grow.
    m_texts.reserve(column.totalLength(), column.size());
    m_hashes.reserve(column.size());
    // The table is larger than the processor's caches at 300,000 rows, and each row's slot is a
    // miss: with every hash known first, the slot of a row further on is fetched while this
    // one is looked up, instead of one miss after another.
    std::vector<std::size_t> rowHashes(column.size());
    for (std::size_t row = 0; row < column.size(); ++row)
        rowHashes[row] = qHash(column.view(row));
    constexpr std::size_t ahead = 16;
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t row = 0; row < column.size(); ++row) {
        if (row + ahead < column.size())
            __builtin_prefetch(&m_table[rowHashes[row + ahead] & mask]);
        m_rowDistinct[row] = intern(column.view(row), rowHashes[row]).distinct;
    }
    m_texts.squeeze();
    m_hashes.shrink_to_fit();
    rankDistinct(previous);
    for (std::size_t row = 0; row < column.size(); ++row)
        m_rowRanks[row] = m_distinctRanks[m_rowDistinct[row]];
    noteFirstRows();
}

bool ColumnOrder::sameRowTexts(const CellColumn& column) const
{
    if (column.size() != m_rowDistinct.size())
        return false;
    for (std::size_t row = 0; row < column.size(); ++row) {
        if (!sameText(m_texts.view(m_rowDistinct[row]), column.view(row)))
            return false;
    }
    return true;
}

bool ColumnOrder::ranksOf(const CellColumn& column, std::vector<int>& rowDistinct,
                          std::vector<int>& rowRanks) const
{
    // A rebuild mostly holds the rows of the last one in the same order, perhaps with some
    // left out or added. Comparing each row with the text of the row it likely repeats reads
    // both columns straight through; a hash lookup per row would jump about the tables.
    rowDistinct.resize(column.size());
    rowRanks.resize(column.size());
    const auto earlierRows = std::ptrdiff_t(m_rowDistinct.size());
    std::ptrdiff_t shift = 0; // row + shift is the earlier row the next row likely repeats
    for (std::size_t row = 0; row < column.size(); ++row) {
        const QStringView text = column.view(row);
        const std::ptrdiff_t guess = std::ptrdiff_t(row) + shift;
        int distinct = guess >= 0 && guess < earlierRows ? m_rowDistinct[guess] : -1;
        if (distinct < 0 || !sameText(m_texts.view(distinct), text)) {
            distinct = find(text, qHash(text));
            if (distinct < 0)
                return false;
            shift = std::ptrdiff_t(m_firstRow[distinct]) - std::ptrdiff_t(row);
        }
        rowDistinct[row] = distinct;
        rowRanks[row] = m_distinctRanks[distinct];
    }
    return true;
}

void ColumnOrder::noteFirstRows()
{
    // Texts this build lacks keep the row they had: a guess, checked before it is used.
    m_firstRow.resize(m_texts.size(), 0);
    for (std::size_t row = m_rowDistinct.size(); row-- > 0;)
        m_firstRow[m_rowDistinct[row]] = int(row);
}

ColumnOrder::Found ColumnOrder::intern(QStringView text, std::size_t hash)
{
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int distinct = m_table[slot];
        if (distinct < 0) {
            const int added = int(m_texts.size());
            m_texts.push_back(text);
            m_hashes.push_back(hash);
            m_table[slot] = added;
            if (m_texts.size() * 2 > m_table.size())
                growTable();
            return {added, true};
        }
        if (m_hashes[distinct] == hash && m_texts.view(distinct) == text)
            return {distinct, false};
    }
}

int ColumnOrder::find(QStringView text, std::size_t hash) const
{
    if (m_table.empty())
        return -1;
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const int distinct = m_table[slot];
        if (distinct < 0)
            return -1;
        if (m_hashes[distinct] == hash && m_texts.view(distinct) == text)
            return distinct;
    }
}

void ColumnOrder::growTable()
{
    m_table.assign(m_table.size() * 2, -1);
    const std::size_t mask = m_table.size() - 1;
    for (int distinct = 0; distinct < int(m_texts.size()); ++distinct) {
        std::size_t slot = m_hashes[distinct] & mask;
        while (m_table[slot] >= 0)
            slot = (slot + 1) & mask;
        m_table[slot] = distinct;
    }
}

std::string_view ColumnOrder::key(int distinct) const
{
    const std::uint32_t begin = distinct == 0 ? 0 : m_keyEnds[distinct - 1];
    return std::string_view(m_keys).substr(begin, m_keyEnds[distinct] - begin);
}

void ColumnOrder::rankDistinct(const ColumnOrder* previous)
{
    const int count = int(m_texts.size());
    // Phone numbers and e-mail addresses are nearly always plain ASCII: their keys then come
    // without the collator. The two kinds of key do not compare, so a column takes one kind,
    // and keys of the other kind from the last build are not reused.
    m_asciiKeys = SortKey::hasAsciiKeys();
    for (int distinct = 0; distinct < count && m_asciiKeys; ++distinct)
        m_asciiKeys = SortKey::isPlainAscii(m_texts.view(distinct));
    if (previous && previous->m_asciiKeys != m_asciiKeys)
        previous = nullptr;
    m_keyEnds.reserve(count);
    // A plain key takes two bytes a character and two more; a collation key about as much.
    m_keys.reserve(std::size_t(m_texts.totalLength()) * 2 + std::size_t(count) * 2);
    std::vector<int> earlier(count, -1);
    bool allSeen = previous != nullptr;
    SortKey::NumberText number;
    for (int distinct = 0; distinct < count; ++distinct) {
        const QStringView text = m_texts.view(distinct);
        earlier[distinct] = previous ? previous->find(text, m_hashes[distinct]) : -1;
        if (earlier[distinct] >= 0) {
            m_keys += previous->key(earlier[distinct]);
        } else {
            allSeen = false;
            const QStringView sortKey = mayBeNumber(text) && SortKey::numberText(text, number)
                                            ? QStringView(number.data(), number.size())
                                            : text;
            if (m_asciiKeys)
                SortKey::appendAsciiKey(sortKey, m_keys);
            else
                SortKey::appendCollationKey(sortKey, m_keys);
        }
        m_keyEnds.push_back(std::uint32_t(m_keys.size()));
    }
    m_keys.shrink_to_fit();
    m_distinctRanks.resize(count);
    // Every text seen before: its rank there still orders it among the others.
    if (allSeen) {
        for (int distinct = 0; distinct < count; ++distinct)
            m_distinctRanks[distinct] = previous->m_distinctRanks[earlier[distinct]];
        m_rankCount = previous->m_rankCount;
        return;
    }

    // Sort the distinct keys by eight bytes past what they all share, whole keys on a tie.
    std::size_t common = count > 0 ? key(0).size() : 0;
    for (int distinct = 1; distinct < count && common > 0; ++distinct) {
        const std::string_view a = key(0), b = key(distinct);
        std::size_t same = 0;
        const std::size_t most = std::min({common, a.size(), b.size()});
        while (same < most && a[same] == b[same])
            ++same;
        common = same;
    }
    std::vector<Entry> entries(count);
    for (int distinct = 0; distinct < count; ++distinct)
        entries[distinct] = {prefixAt(key(distinct), common), distinct};
    sortByPrefix(entries);
    // Keys that share their eight bytes are ordered whole, run by run.
    for (int start = 0; start < count;) {
        int end = start + 1;
        while (end < count && entries[end].prefix == entries[start].prefix)
            ++end;
        if (end - start > 1) {
            std::sort(entries.begin() + start, entries.begin() + end,
                      [this](const Entry& a, const Entry& b) {
                          return compareBytes(key(a.distinct), key(b.distinct)) < 0;
                      });
        }
        start = end;
    }
    int rank = -1;
    for (int i = 0; i < count; ++i) {
        if (i == 0 || entries[i].prefix != entries[i - 1].prefix ||
            compareBytes(key(entries[i].distinct), key(entries[i - 1].distinct)) != 0)
            ++rank;
        m_distinctRanks[entries[i].distinct] = rank;
    }
    m_rankCount = rank + 1;
}

const std::vector<int>& ColumnOrder::rows(Qt::SortOrder direction)
{
    if (m_order.size() == m_rowRanks.size() && m_orderDirection == direction)
        return m_order;
    // A counting sort by rank: each rank's rows stay in row order.
    std::vector<int> starts(std::size_t(m_rankCount) + 1, 0);
    for (int rank : m_rowRanks)
        ++starts[std::size_t(rank) + 1];
    if (direction == Qt::DescendingOrder) {
        // Highest rank first: rank r starts after the counts of the ranks above it.
        std::vector<int> counts(starts.begin() + 1, starts.end());
        int at = 0;
        for (int rank = m_rankCount - 1; rank >= 0; --rank) {
            starts[rank] = at;
            at += counts[rank];
        }
    } else {
        for (int rank = 0; rank < m_rankCount; ++rank)
            starts[rank + 1] += starts[rank];
    }
    m_order.resize(m_rowRanks.size());
    for (std::size_t row = 0; row < m_rowRanks.size(); ++row)
        m_order[starts[m_rowRanks[row]]++] = int(row);
    m_orderDirection = direction;
    return m_order;
}
