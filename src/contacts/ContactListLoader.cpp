// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListLoader.h"

#include "db/Database.h"
#include "db/SqliteStatement.h"


#include <string>
#include <unordered_map>

namespace {

// Turns a column's UTF-8 cells into strings. A column whose values repeat (the
// group, the post) shares one string per value; once a column proves to hold
// mostly distinct values it stops looking, so a list of names pays nothing.
class ColumnReader {
public:
    QString read(std::string_view utf8)
    {
        if (utf8.empty())
            return {};
        if (!m_sharing)
            return decode(utf8);
        if (const auto found = m_seen.find(utf8); found != m_seen.end())
            return found->second;
        QString text = decode(utf8);
        m_seen.emplace(std::string(utf8), text);
        if (m_seen.size() > distinctLimit) {
            m_sharing = false;
            m_seen.clear();
        }
        return text;
    }

private:
    static constexpr std::size_t distinctLimit = 1000;

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const
        {
            return std::hash<std::string_view>{}(s);
        }
    };

    // QString::fromUtf8 reserves a character per byte, three times what
    // Chinese text needs; give the excess back when it is worth a copy.
    static QString decode(std::string_view utf8)
    {
        QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        if (text.capacity() > 2 * text.size() + 16)
            text.squeeze();
        return text;
    }

    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_seen;
    bool m_sharing = true;
};

} // namespace

Result<ContactRows> ContactListLoader::load(const Database& db, const ContactListFilter& filter)
{
    auto columns = ListColumns::displayed(db);
    if (!columns)
        return columns.error();
    return load(db, std::move(columns).value(), filter);
}

Result<ContactRows> ContactListLoader::load(const Database& db, std::vector<ListColumn> columns,
                                            const ContactListFilter& filter)
{
    std::erase_if(columns, [](const ListColumn& c) { return !ListColumns::isListable(c.field); });
    const ContactListStatement statement = ContactListQuery::build(columns, filter);
    // The whole list can be 100,000 rows: stepping SQLite directly and decoding
    // each cell once costs half of what going through QSqlQuery does.
    auto prepared = SqliteStatement::prepare(db, statement.sql, statement.values);
    if (!prepared)
        return prepared.error();
    SqliteStatement& result = prepared.value();

    ContactRows rows;
    rows.columns = std::move(columns);
    const int columnCount = int(rows.columns.size());
    rows.cells.resize(columnCount);
    std::vector<ColumnReader> readers(columnCount);
    const std::string_view male = "男";
    while (result.step()) {
        for (int c = 0; c < columnCount; ++c)
            rows.cells[c].push_back(readers[c].read(result.text(c)));
        rows.ids.push_back(result.integer(columnCount));
        rows.male.push_back(result.text(columnCount + 1) == male);
    }
    if (Status finished = result.error(); !finished)
        return finished.error();
    return rows;
}
