// SPDX-License-Identifier: GPL-3.0-or-later
#include "DuplicateFinder.h"

#include "IdBatches.h"
#include "PhoneDigits.h"

#include "db/Database.h"
#include "db/RowStatement.h"
#include "db/Session.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>

namespace {

constexpr int phoneCount = 6;
// The columns both reads take, in this order; T.Name only for the members' details.
const QString phoneColumns =
    QStringLiteral("C.Tel1, C.Tel2, C.Tel3, C.Moblie1, C.Moblie2, C.Moblie3");

QString visibleContacts(qint64 userId, QVariantList& values)
{
    QString from = QStringLiteral(" FROM Vardelin_Contact C JOIN Vardelin_Type T ON T.ID = C.TID");
    if (userId != Session::administratorId) {
        from += QStringLiteral(" WHERE C.UID = ?");
        values << userId;
    }
    return from;
}

// Union-find over row positions; the smaller position becomes the root, so a group's root is
// its oldest contact when rows come in ID order.
class Groups {
public:
    void add() { m_parent.push_back(int(m_parent.size())); }
    int root(int at)
    {
        while (m_parent[at] != at) {
            m_parent[at] = m_parent[m_parent[at]];
            at = m_parent[at];
        }
        return at;
    }
    void join(int a, int b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<int> m_parent;
};

// Joins the row at position to the first row seen under key. The table holds positions plus
// one, so the 0 of a new entry means "none yet" and one look-up serves both cases.
void joinOnKey(QHash<QString, int>& firstWith, const QString& key, int position, Groups& groups)
{
    int& first = firstWith[key];
    if (first == 0)
        first = position + 1;
    else
        groups.join(first - 1, position);
}

struct Scan {
    std::vector<qint64> ids;
    std::vector<std::vector<int>> groups; // row positions, oldest first
};

QString textOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Straight on the database's own handle: Qt's per-value conversions would cost most of the time
// at this size.
Result<Scan> scan(const Database& db, qint64 userId)
{
    // Room for every contact up front: growing the tables row by row rehashes them again and again.
    auto highest = db.readOne(QStringLiteral("SELECT max(ID) FROM Vardelin_Contact"));
    if (!highest)
        return highest.error();
    const qsizetype expected = highest.value() ? highest.value()->value(0).toLongLong() : 0;
    QVariantList values;
    const QString from = visibleContacts(userId, values);
    Scan found;
    Groups groups;
    // Numbers and names in tables of their own, so a number never meets a name.
    QHash<QString, int> firstWithNumber, firstWithName;
    firstWithNumber.reserve(expected * 3 / 2);
    firstWithName.reserve(expected);
    found.ids.reserve(std::size_t(expected));
    const Status stepped = RowStatements::forEachRow(
        db,
        QStringLiteral("SELECT C.ID, C.Name, C.CompanyName, ") + phoneColumns + from +
            QStringLiteral(" ORDER BY C.ID"),
        values, [&](const auto& row) {
            const int position = int(found.ids.size());
            found.ids.push_back(row.integer(0));
            groups.add();
            if (const std::string_view name = row.text(1); !name.empty()) {
                const QString key = DuplicateFinder::comparedText(textOf(name));
                if (!key.isEmpty())
                    joinOnKey(firstWithName,
                              key + u'\x1f' + DuplicateFinder::comparedText(textOf(row.text(2))),
                              position, groups);
            }
            for (int phone = 0; phone < phoneCount; ++phone) {
                const std::string_view number = row.text(3 + phone);
                if (number.empty())
                    continue;
                const QString digits = PhoneDigits::normalized(textOf(number));
                if (!digits.isEmpty())
                    joinOnKey(firstWithNumber, digits, position, groups);
            }
        });
    if (!stepped)
        return stepped.error();

    QHash<int, std::size_t> groupOfRoot;
    for (int position = 0; position < int(found.ids.size()); ++position) {
        const int root = groups.root(position);
        if (root == position)
            continue;
        auto slot = groupOfRoot.constFind(root);
        if (slot == groupOfRoot.cend()) {
            slot = groupOfRoot.insert(root, found.groups.size());
            found.groups.push_back({root});
        }
        found.groups[*slot].push_back(position);
    }
    std::sort(found.groups.begin(), found.groups.end(),
              [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return found;
}

Result<QHash<qint64, DuplicateContact>> details(const Database& db, const std::vector<qint64>& ids)
{
    QHash<qint64, DuplicateContact> byId;
    byId.reserve(qsizetype(ids.size()));
    const Status read =
        IdBatches::forEach(ids, [&](const QString& marks, const QVariantList& batch) {
            auto rows =
                db.query(QStringLiteral("SELECT C.ID, C.Name, C.CompanyName, ") + phoneColumns +
                             QStringLiteral(", T.Name FROM Vardelin_Contact C LEFT JOIN "
                                            "Vardelin_Type T ON T.ID = C.TID WHERE C.ID IN ") +
                             marks,
                         batch);
            if (!rows)
                return Status(rows.error());
            QSqlQuery& query = rows.value();
            while (query.next()) {
                DuplicateContact contact;
                contact.id = query.value(0).toLongLong();
                contact.name = query.value(1).toString();
                contact.company = query.value(2).toString();
                for (int phone = 0; phone < phoneCount; ++phone) {
                    const QString number = query.value(3 + phone).toString().trimmed();
                    if (!number.isEmpty())
                        contact.phones << number;
                }
                contact.groupName = query.value(3 + phoneCount).toString();
                byId.insert(contact.id, std::move(contact));
            }
            return db.finished(query);
        });
    if (!read)
        return read.error();
    return byId;
}

} // namespace

QString DuplicateFinder::comparedText(QString text)
{
    // On a string of its own both steps work in place rather than on copies.
    return std::move(text).simplified().toCaseFolded();
}

Result<std::vector<DuplicateGroup>> DuplicateFinder::find(const Database& db, qint64 userId)
{
    auto found = scan(db, userId);
    if (!found)
        return found.error();
    std::vector<qint64> memberIds;
    for (const std::vector<int>& group : found.value().groups)
        for (int position : group)
            memberIds.push_back(found.value().ids[std::size_t(position)]);
    auto byId = details(db, memberIds);
    if (!byId)
        return byId.error();

    std::vector<DuplicateGroup> groups;
    groups.reserve(found.value().groups.size());
    for (const std::vector<int>& positions : found.value().groups) {
        DuplicateGroup group;
        for (int position : positions) {
            // A contact deleted between the two reads is simply no longer offered.
            const auto member = byId.value().constFind(found.value().ids[std::size_t(position)]);
            if (member != byId.value().cend())
                group.push_back(*member);
        }
        if (group.size() > 1)
            groups.push_back(std::move(group));
    }
    return groups;
}
