// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactMerge.h"

#include "ContactBelongings.h"
#include "IdBatches.h"
#include "PhoneDigits.h"
#include "PinyinInitial.h"

#include "db/ContactFields.h"
#include "db/Database.h"
#include "db/LunarMark.h"
#include "db/PictureBag.h"
#include "db/Session.h"

#include <QCryptographicHash>
#include <QSet>
#include <QSqlRecord>

#include <deque>

namespace {

enum class Compare { Text, CaseFree, Phone, Date, Photo, Group };

// A field, or the places of a field the card has several of.
struct Family {
    QStringList columns;
    Compare compare;
};

struct SlotFamily {
    std::initializer_list<const char*> columns;
    Compare compare;
};

const std::initializer_list<SlotFamily> slotFamilies{
    {{"Tel1", "Tel2"}, Compare::Phone},
    {{"Moblie1", "Moblie2", "Moblie3"}, Compare::Phone},
    {{"OfficePhone1", "OfficePhone2"}, Compare::Phone},
    {{"QQ1", "QQ2"}, Compare::Text},
    {{"Mail1", "Mail2"}, Compare::CaseFree},
    {{"Related1", "Related2"}, Compare::Text},
};

Compare compareFor(const ContactField& field)
{
    const QLatin1StringView name = field.name;
    if (field.kind == ContactField::Kind::Identifier)
        return Compare::Group;
    if (field.kind == ContactField::Kind::Date)
        return Compare::Date;
    if (field.kind == ContactField::Kind::Binary)
        return Compare::Photo;
    if (name == QLatin1StringView("Tel3") || name == QLatin1StringView("SpouseTel"))
        return Compare::Phone;
    if (name == QLatin1StringView("MSN") || name == QLatin1StringView("Web"))
        return Compare::CaseFree;
    return Compare::Text;
}

// The merged fields in table order; the owner, the initial and the save day are not merged.
std::vector<Family> buildFamilies()
{
    std::vector<Family> families;
    for (const ContactField& field : ContactFields::all) {
        const QLatin1StringView name = field.name;
        if (name == QLatin1StringView("ID") || name == QLatin1StringView("UID") ||
            name == QLatin1StringView("Py") || name == QLatin1StringView("AddDate"))
            continue;
        const SlotFamily* places = nullptr;
        for (const SlotFamily& family : slotFamilies)
            for (const char* column : family.columns)
                if (name == QLatin1StringView(column))
                    places = &family;
        if (!places) {
            families.push_back({{QString(name)}, compareFor(field)});
        } else if (name == QLatin1StringView(*places->columns.begin())) {
            Family family{{}, places->compare};
            for (const char* column : places->columns)
                family.columns << QString::fromLatin1(column);
            families.push_back(family);
        }
    }
    return families;
}

const std::vector<Family>& families()
{
    static const std::vector<Family> all = buildFamilies();
    return all;
}

// What a value is compared as; empty when it is no value at all.
QString comparedAs(Compare compare, const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (compare) {
    case Compare::Text:
        return value.toString().trimmed();
    case Compare::CaseFree:
        return value.toString().trimmed().toCaseFolded();
    case Compare::Phone: {
        const QString text = value.toString().trimmed();
        const QString digits = PhoneDigits::normalized(text);
        return digits.isEmpty() ? text : digits;
    }
    case Compare::Date:
        return value.toString().trimmed().left(10);
    case Compare::Photo: {
        const QByteArray bytes = value.toByteArray();
        const std::optional<QByteArray> picture = PictureBag::pictureOf(bytes);
        if (bytes.isEmpty() || (picture && picture->isEmpty()))
            return {};
        return QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    }
    case Compare::Group:
        return QString::number(value.toLongLong());
    }
    return {};
}

struct Row {
    qint64 id = 0;
    QSqlRecord record;
};

class Planner {
public:
    Planner(const Database& db, const std::vector<Row>& rows)
        : m_db(db)
        , m_rows(rows)
    {
    }

    Result<ContactMerge::Plan> run()
    {
        ContactMerge::Plan plan;
        for (const Family& family : families())
            if (Status merged = mergeFamily(family, plan); !merged)
                return merged.error();
        return plan;
    }

private:
    using Candidate = ContactMerge::Candidate;

    Result<Candidate> candidate(const Family& family, const Row& row, const QString& column,
                                const QString& key)
    {
        Candidate held{row.record.value(column), {}, row.id, key};
        auto shown = shownText(family.compare, held.value);
        if (!shown)
            return shown.error();
        held.shown = shown.value();
        return held;
    }

    Result<QString> shownText(Compare compare, const QVariant& value)
    {
        switch (compare) {
        case Compare::Date:
            return value.toString().trimmed().left(10);
        case Compare::Photo:
            return QStringLiteral("照片（%1 KB）").arg((value.toByteArray().size() + 1023) / 1024);
        case Compare::Group:
            return groupName(value.toLongLong());
        default:
            return value.toString().trimmed();
        }
    }

    Result<QString> groupName(qint64 groupId)
    {
        auto group =
            m_db.readOne(QStringLiteral("SELECT Name FROM Vardelin_Type WHERE ID = ?"), {groupId});
        if (!group)
            return group.error();
        if (!group.value())
            return QStringLiteral("（已删除的分组）");
        return group.value()->value(0).toString();
    }

    // The kept contact's values stay in their places; the others' values new to the family fill
    // its empty places in turn; what is left over makes a conflict over all the places.
    Status mergeFamily(const Family& family, ContactMerge::Plan& plan)
    {
        const Row& kept = m_rows.front();
        const auto slotCount = std::size_t(family.columns.size());
        std::vector<std::optional<Candidate>> places(slotCount);
        QSet<QString> seen;
        for (std::size_t slot = 0; slot < slotCount; ++slot) {
            const QString& column = family.columns[qsizetype(slot)];
            const QString key = comparedAs(family.compare, kept.record.value(column));
            if (key.isEmpty())
                continue;
            auto held = candidate(family, kept, column, key);
            if (!held)
                return held.error();
            places[slot] = held.value();
            seen.insert(key);
        }
        std::deque<Candidate> extras;
        for (std::size_t other = 1; other < m_rows.size(); ++other) {
            for (const QString& column : family.columns) {
                const QString key = comparedAs(family.compare, m_rows[other].record.value(column));
                if (key.isEmpty() || seen.contains(key))
                    continue;
                auto held = candidate(family, m_rows[other], column, key);
                if (!held)
                    return held.error();
                extras.push_back(held.value());
                seen.insert(key);
            }
        }
        for (std::size_t slot = 0; slot < slotCount && !extras.empty(); ++slot) {
            if (!places[slot]) {
                places[slot] = extras.front();
                extras.pop_front();
            }
        }
        for (std::size_t slot = 0; slot < slotCount; ++slot) {
            const QString& column = family.columns[qsizetype(slot)];
            plan.values.insert(column,
                               places[slot] ? places[slot]->value : kept.record.value(column));
        }
        if (!extras.empty())
            plan.conflicts.push_back(conflictOf(family, places, extras));
        return {};
    }

    static ContactMerge::Conflict conflictOf(const Family& family,
                                             const std::vector<std::optional<Candidate>>& places,
                                             const std::deque<Candidate>& extras)
    {
        ContactMerge::Conflict conflict;
        conflict.columns = family.columns;
        auto indexOf = [&conflict](const QString& key) {
            for (std::size_t i = 0; i < conflict.candidates.size(); ++i)
                if (conflict.candidates[i].comparedAs == key)
                    return int(i);
            return -1;
        };
        // Leftovers mean every slot is filled.
        for (const std::optional<Candidate>& held : places) {
            int index = indexOf(held->comparedAs);
            if (index < 0) {
                index = int(conflict.candidates.size());
                conflict.candidates.push_back(*held);
            }
            conflict.defaults.push_back(index);
        }
        conflict.candidates.insert(conflict.candidates.end(), extras.begin(), extras.end());
        return conflict;
    }

    const Database& m_db;
    const std::vector<Row>& m_rows;
};

// The kept contact first. Nothing when a contact is missing, named twice or not the user's.
Result<std::optional<std::vector<Row>>> loadRows(const Database& db, qint64 userId, qint64 keptId,
                                                 const std::vector<qint64>& otherIds)
{
    std::vector<qint64> ids{keptId};
    ids.insert(ids.end(), otherIds.begin(), otherIds.end());
    std::vector<Row> rows;
    QSet<qint64> named;
    for (qint64 id : ids) {
        if (named.contains(id))
            return std::optional<std::vector<Row>>();
        named.insert(id);
        auto row = db.readOne(QStringLiteral("SELECT * FROM Vardelin_Contact WHERE ID = ?"), {id});
        if (!row)
            return row.error();
        if (!row.value())
            return std::optional<std::vector<Row>>();
        const qint64 owner = row.value()->value(QStringLiteral("UID")).toLongLong();
        if (userId != Session::administratorId && owner != userId)
            return std::optional<std::vector<Row>>();
        rows.push_back({id, *row.value()});
    }
    return std::optional<std::vector<Row>>(std::move(rows));
}

bool sameConflicts(const std::vector<ContactMerge::Conflict>& now,
                   const std::vector<ContactMerge::Conflict>& shown)
{
    if (now.size() != shown.size())
        return false;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].columns != shown[i].columns ||
            now[i].candidates.size() != shown[i].candidates.size())
            return false;
        for (std::size_t c = 0; c < now[i].candidates.size(); ++c)
            if (now[i].candidates[c].comparedAs != shown[i].candidates[c].comparedAs)
                return false;
    }
    return true;
}

Compare compareOfColumn(const QString& column)
{
    for (const Family& family : families())
        if (family.columns.contains(column))
            return family.compare;
    return Compare::Text;
}

// Puts the chosen candidate of every conflicting column into values; false when one is missing
// or names no candidate.
bool applyChoices(const ContactMerge::Plan& plan, const QHash<QString, QVariant>& choices,
                  QHash<QString, QVariant>& values)
{
    for (const ContactMerge::Conflict& conflict : plan.conflicts) {
        for (const QString& column : conflict.columns) {
            const auto choice = choices.constFind(column);
            if (choice == choices.cend())
                return false;
            const QString key = comparedAs(compareOfColumn(column), *choice);
            bool found = false;
            for (const ContactMerge::Candidate& candidate : conflict.candidates) {
                if (candidate.comparedAs == key) {
                    values.insert(column, candidate.value);
                    found = true;
                    break;
                }
            }
            if (!found)
                return false;
        }
    }
    return true;
}

Result<bool> writeKept(const Database& db, qint64 keptId, const QHash<QString, QVariant>& values,
                       const QDate& today)
{
    QStringList assignments;
    QVariantList bound;
    for (const Family& family : families()) {
        for (const QString& column : family.columns) {
            // Column names come from the field table, never from input.
            assignments << column + QStringLiteral(" = ?");
            bound << values.value(column);
        }
    }
    assignments << QStringLiteral("Py = ?") << QStringLiteral("AddDate = ?");
    bound << pinyinInitial(values.value(QStringLiteral("Name")).toString())
          << today.toString(QStringLiteral("yyyy-MM-dd")) << keptId;
    auto updated =
        db.query(QStringLiteral("UPDATE Vardelin_Contact SET ") +
                     assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ID = ?"),
                 bound);
    if (!updated)
        return updated.error();
    return updated.value().numRowsAffected() > 0;
}

// The lunar mark says how a birthday is read, so it goes with the birthday the merge keeps:
// the mark of the first contact, the kept one first, whose birthday that is.
Status carryLunarMark(const Database& db, qint64 keptId, const std::vector<qint64>& otherIds,
                      const QVariant& birthday)
{
    const QString key = comparedAs(Compare::Date, birthday);
    if (key.isEmpty())
        return {};
    std::vector<qint64> ids{keptId};
    ids.insert(ids.end(), otherIds.begin(), otherIds.end());
    for (qint64 id : ids) {
        auto row =
            db.readOne(QStringLiteral("SELECT Birthday FROM Vardelin_Contact WHERE ID = ?"), {id});
        if (!row)
            return row.error();
        if (!row.value() || comparedAs(Compare::Date, row.value()->value(0)) != key)
            continue;
        if (id == keptId)
            return {};
        auto lunar = LunarMark::isSet(db, id);
        if (!lunar)
            return lunar.error();
        return LunarMark::set(db, keptId, lunar.value());
    }
    return {};
}

} // namespace

Result<std::optional<ContactMerge::Plan>> ContactMerge::plan(const Database& db, qint64 userId,
                                                             qint64 keptId,
                                                             const std::vector<qint64>& otherIds)
{
    auto rows = loadRows(db, userId, keptId, otherIds);
    if (!rows)
        return rows.error();
    if (!rows.value())
        return std::optional<Plan>();
    auto planned = Planner(db, *rows.value()).run();
    if (!planned)
        return planned.error();
    return std::optional<Plan>(std::move(planned).value());
}

Result<ContactMerge::Outcome> ContactMerge::merge(const Database& db, const Request& request)
{
    Outcome outcome = Outcome::Merged;
    // A write transaction, so that no row is added to a contact about to go between the move of
    // its rows and its deletion (see ContactBelongings::contactExists).
    const Status written = db.writeTransaction([&]() -> Status {
        // Planned again inside the transaction: what is written is what was read here.
        auto planned = plan(db, request.userId, request.keptId, request.otherIds);
        if (!planned)
            return planned.error();
        if (!planned.value()) {
            outcome = Outcome::Vanished;
            return {};
        }
        const Plan& now = *planned.value();
        QHash<QString, QVariant> values = now.values;
        if (!sameConflicts(now.conflicts, request.shownConflicts) ||
            !applyChoices(now, request.choices, values)) {
            outcome = Outcome::Changed;
            return {};
        }
        // Read before the kept row is written: its birthday may be about to change.
        if (Status carried = carryLunarMark(db, request.keptId, request.otherIds,
                                            values.value(QStringLiteral("Birthday")));
            !carried)
            return carried;
        auto kept = writeKept(db, request.keptId, values, request.today);
        if (!kept)
            return kept.error();
        if (Status moved = ContactBelongings::moveTo(db, request.otherIds, request.keptId); !moved)
            return moved;
        return IdBatches::run(db, QStringLiteral("DELETE FROM Vardelin_Contact WHERE ID IN "),
                              request.otherIds);
    });
    if (!written)
        return written.error();
    return outcome;
}
