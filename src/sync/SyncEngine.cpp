// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncEngine.h"

#include "DavClient.h"
#include "LocalCards.h"
#include "SyncState.h"

#include "admin/ContactImport.h"
#include "contacts/ContactCommands.h"
#include "db/BookIdentity.h"
#include "db/ContactFields.h"
#include "db/Database.h"
#include "groups/GroupTree.h"

#include <QHash>
#include <QMutex>
#include <QScopeGuard>

namespace {

// The address books and accounts a sync is running for in this program (the timed one on its
// thread, "立即同步" on the window's): two at once would both send the same card and each take
// the other's for a change.
QMutex runningLock;
QSet<QString> running;

// Marks the book's account as syncing; false when it already is.
bool claim(const QString& key)
{
    QMutexLocker lock(&runningLock);
    if (running.contains(key))
        return false;
    running.insert(key);
    return true;
}

const QString photoField = QStringLiteral("Photo");
const QString groupField = QStringLiteral("CATEGORIES");

// A card as it reads back after writing: the form every comparison uses, so two cards that
// would be written alike count as equal. The day of the save is no part of the contact.
VCardContact canonical(const VCardContact& card)
{
    auto parsed = VCard::parse(VCard::write(card));
    VCardContact result = parsed.ok() ? parsed.value().front() : card;
    result.columns.remove(QStringLiteral("AddDate"));
    result.columns.remove(QStringLiteral("Py"));
    result.uid = card.uid;
    return result;
}

bool sameField(const VCardContact& a, const VCardContact& b, const QString& field)
{
    if (field == photoField)
        return a.photo == b.photo;
    if (field == groupField)
        return a.categories == b.categories;
    return a.value(field) == b.value(field);
}

void takeField(VCardContact& into, const VCardContact& from, const QString& field)
{
    if (field == photoField)
        into.photo = from.photo;
    else if (field == groupField)
        into.categories = from.categories;
    else if (from.columns.contains(field))
        into.columns.insert(field, from.value(field));
    else
        into.columns.remove(field);
}

// The card of the last sync; nothing when the row holds none that reads.
std::optional<VCardContact> baseOf(const QString& text)
{
    auto parsed = VCard::parse(text.toUtf8());
    if (!parsed || parsed.value().isEmpty())
        return std::nullopt;
    VCardContact card = parsed.value().front();
    card.columns.remove(QStringLiteral("AddDate"));
    card.columns.remove(QStringLiteral("Py"));
    return card;
}

// A program that drops the properties it does not know rewrote the card when it holds none of
// ours: the fields only those properties carry were cleared by no one (that program cannot show
// them) and keep the values of the last sync.
void keepFieldsOthersDrop(VCardContact& server, const VCardContact& base, const QByteArray& text)
{
    if (text.toUpper().contains("X-VARDELIN-"))
        return;
    static const QStringList own = VCard::ownColumns();
    for (const QString& column : own)
        if (!server.columns.contains(column) && base.columns.contains(column))
            server.columns.insert(column, base.value(column));
}

bool sameContent(const VCardContact& a, const VCardContact& b)
{
    return a.columns == b.columns && a.photo == b.photo && a.categories == b.categories &&
           a.keptLines == b.keptLines;
}

// A card from the server as this address book holds it: the values with no column of their own
// go into the remark, as the import puts them.
std::optional<VCardContact> fromServer(const QByteArray& text)
{
    auto parsed = VCard::parse(text);
    if (!parsed || parsed.value().size() != 1)
        return std::nullopt;
    VCardContact card = parsed.value().front();
    if (const QString remark = ContactImport::remarkOf(card); !remark.isEmpty())
        card.columns.insert(QStringLiteral("Remark"), remark);
    card.leftOver.clear();
    return canonical(card);
}

class SyncRun {
public:
    SyncRun(const Database& db, DavClient& client, const QUrl& book, const SyncScope& scope,
            const SyncResolver& resolver, const SyncProgress& progress)
        : m_db(db)
        , m_client(client)
        , m_book(book)
        , m_scope(scope)
        , m_resolver(resolver)
        , m_progress(progress)
        , m_filing{scope.accountId, scope.defaultGroupId, scope.today}
    {
    }

    Result<SyncSummary> go(const QString& syncToken);

private:
    Status load();
    Result<QList<qint64>> contactsInScope() const;
    // The groups ticked and every group below them.
    Result<QList<qint64>> withSubgroups(const QList<qint64>& ticked) const;
    // What changed on the server since the last sync: cards to fetch, cards gone.
    struct ServerChanges {
        QStringList toFetch;
        QStringList removed;
    };
    ServerChanges serverChanges(const CardListing& listing) const;
    // The server's changes since the token: none asked for when its CTag is the one kept.
    Result<CardListing> serverListing(const QString& ctag, const QString& syncToken) const;
    // The kept digest of this side forgotten before the sync's first write: a sync cut off
    // after it must not leave a digest that no longer says what the server has.
    Status forgetLocalDigest();
    Status removeState(const QString& href);
    // Nothing this sync did wrote to this address book; to the server.
    bool wroteNothingHere() const;
    bool wroteNothingThere() const;
    // The contacts taking part that the server has not had yet; noted by their href.
    QList<qint64> notYetSynced(const QList<qint64>& inScope);
    Status applyServerCard(const FetchedCard& fetched);
    Status applyServerRemoval(const QString& href);
    // The sync's state, the contacts not yet synced and every synced contact as it is now.
    Status readLocal(const QString& syncToken);
    // The common case, told cheaply: a card written exactly as at the last sync (so nothing
    // of another program kept on it) is unchanged here. False leaves it to the full comparison.
    bool unchangedSince(const SyncedCard& synced, QHash<qint64, VCardContact>& contacts) const;
    Status pushSynced(const SyncedCard& synced);
    Status pushNew(qint64 contactId);
    Status adopt(qint64 contactId, const FetchedCard& fetched, const VCardContact& server);
    Status addFromServer(const FetchedCard& fetched, const VCardContact& server,
                         const QString& how);
    Status settleConflict(const SyncedCard& synced, const VCardContact& local,
                          const VCardContact& server, const std::optional<VCardContact>& base,
                          const QString& serverEtag, VCard::Version version);
    Status fetchAndApply(const QString& href);
    Status record(const SyncedCard& synced);
    Result<VCardContact> localCard(qint64 contactId, const SyncedCard& synced, bool& exists) const;
    // A step's writes here, in one write transaction, made only when the contact is still as
    // this sync read it (read: none when it was not there). A change saved since (on its card,
    // by another program) is kept: written stays false, the card is left for the next sync,
    // which meets that change as one on this side.
    Status writeIfUnchanged(const SyncedCard& synced, const VCardContact* read, bool& written,
                            const std::function<Status()>& writes);
    QUrl urlOf(const QString& href) const;
    // Where a contact of this book goes on the server: named after its UID.
    QString hrefFor(qint64 contactId) const;
    // A card goes to the server as 4.0 when it came as 4.0 (its text there, or the text of the
    // last sync) or the address book takes nothing else; otherwise as 3.0.
    // A card's text written in vCard 4.0.
    static bool inVersion4(const QByteArray& cardText)
    {
        return cardText.contains("\nVERSION:4.0");
    }
    VCard::Version versionFor(const QByteArray& cardText) const
    {
        return inVersion4(cardText) ? VCard::Version::V4 : m_version;
    }
    void step(const QString& logLine = {});
    // A step's writes done: its line logged; a failure passed on without one.
    Status stepDone(const Status& done, const QString& logLine);

    const Database& m_db;
    DavClient& m_client;
    QUrl m_book;
    SyncScope m_scope;
    const SyncResolver& m_resolver;
    const SyncProgress& m_progress;
    LocalCards::Filing m_filing;
    QUuid m_bookId;
    VCard::Version m_version = VCard::Version::V3; // what the address book takes
    QHash<QString, SyncedCard> m_state;
    QHash<QString, qint64> m_newByHref; // local contacts not yet on the server, by their href
    QHash<QString, qint64> m_newByUid;  // the same by their UID
    QSet<QString> m_handled;            // hrefs settled from the server's side
    QList<qint64> m_newHere;            // the contacts taking part not yet synced
    QSet<QString> m_unchangedHere; // the hrefs whose contact was as at the last sync at the start
    BookTag m_kept;                // what the last sync left of the address book
    QString m_localDigest;         // this side's digest, read at the start
    bool m_stateWritten = false;   // a card's state was written or removed
    SyncSummary m_summary;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
};

QUrl SyncRun::urlOf(const QString& href) const
{
    QUrl url = m_book;
    url.setPath(href);
    return url;
}

QString SyncRun::hrefFor(qint64 contactId) const
{
    return m_book.path() + BookIdentity::contactUid(m_bookId, contactId).section(u':', -1) +
           QStringLiteral(".vcf");
}

void SyncRun::step(const QString& logLine)
{
    if (!logLine.isEmpty())
        m_summary.log << logLine;
    if (m_progress)
        m_progress(++m_done, m_total);
}

Status SyncRun::stepDone(const Status& done, const QString& logLine)
{
    if (done)
        step(logLine);
    return done;
}

Status SyncRun::forgetLocalDigest()
{
    m_stateWritten = true;
    if (m_kept.localDigest.isEmpty())
        return {};
    m_kept.localDigest.clear();
    return SyncState::writeBookTag(m_db, m_scope.accountId, m_book.toString(), m_kept);
}

Status SyncRun::removeState(const QString& href)
{
    if (Status forgotten = forgetLocalDigest(); !forgotten)
        return forgotten;
    if (Status removed = SyncState::remove(m_db, m_scope.accountId, href); !removed)
        return removed;
    m_state.remove(href);
    return {};
}

bool SyncRun::wroteNothingHere() const
{
    return m_summary.addedHere == 0 && m_summary.changedHere == 0 && m_summary.deletedHere == 0 &&
           m_summary.conflictsResolved == 0 && m_summary.keptBack == 0;
}

bool SyncRun::wroteNothingThere() const
{
    return m_summary.addedThere == 0 && m_summary.changedThere == 0 &&
           m_summary.deletedThere == 0 && m_summary.conflictsResolved == 0 &&
           m_summary.keptBack == 0;
}

Status SyncRun::record(const SyncedCard& synced)
{
    if (Status forgotten = forgetLocalDigest(); !forgotten)
        return forgotten;
    if (Status written = SyncState::write(m_db, m_scope.accountId, synced); !written)
        return written;
    m_state.insert(synced.href, synced);
    return {};
}

Result<VCardContact> SyncRun::localCard(qint64 contactId, const SyncedCard& synced,
                                        bool& exists) const
{
    auto read = LocalCards::read(m_db, contactId);
    if (!read)
        return read.error();
    exists = read.value().has_value();
    if (!exists)
        return VCardContact();
    VCardContact card = *read.value();
    card.uid = synced.uid;
    // What the server's copy carries that no field here shows goes back with it.
    if (const auto base = baseOf(synced.card))
        card.keptLines = base->keptLines;
    return canonical(card);
}

Status SyncRun::writeIfUnchanged(const SyncedCard& synced, const VCardContact* read, bool& written,
                                 const std::function<Status()>& writes)
{
    bool unchanged = true;
    const Status done = m_db.writeTransaction([&]() -> Status {
        if (read) {
            bool exists = false;
            auto now = localCard(synced.contactId, synced, exists);
            if (!now)
                return now.error();
            unchanged = exists && sameContent(now.value(), *read);
        }
        return unchanged ? writes() : Status{};
    });
    written = done && unchanged;
    if (done && !unchanged) {
        ++m_summary.conflictsOpen;
        step(QStringLiteral("本地刚有修改，留待下次处理：%1")
                 .arg(read->value(QStringLiteral("Name"))));
    }
    return done;
}

Status SyncRun::load()
{
    auto state = SyncState::read(m_db, m_scope.accountId);
    if (!state)
        return state.error();
    m_state = state.value();
    auto identity = BookIdentity::read(m_db);
    if (!identity)
        return identity.error();
    m_bookId = identity.value();
    return {};
}

Result<QList<qint64>> SyncRun::withSubgroups(const QList<qint64>& ticked) const
{
    auto tree = GroupTree::load(m_db);
    if (!tree)
        return tree.error();
    QSet<qint64> inScope(ticked.begin(), ticked.end());
    QList<qint64> groups = ticked;
    // In pre-order a group comes after its parent: one pass takes in every generation.
    for (const GroupNode& group : tree.value())
        if (!inScope.contains(group.id) && inScope.contains(group.parentId)) {
            inScope.insert(group.id);
            groups << group.id;
        }
    return groups;
}

Result<QList<qint64>> SyncRun::contactsInScope() const
{
    QString sql = QStringLiteral("SELECT ID FROM Vardelin_Contact WHERE 1 = 1");
    QVariantList values;
    if (!m_scope.everyOwner) {
        sql += QStringLiteral(" AND UID = ?");
        values << m_scope.accountId;
    }
    if (!m_scope.groupIds.isEmpty()) {
        auto groups = withSubgroups(m_scope.groupIds);
        if (!groups)
            return groups.error();
        sql += QStringLiteral(" AND TID IN (") +
               QStringList(groups.value().size(), QStringLiteral("?")).join(u',') + u')';
        for (qint64 group : groups.value())
            values << group;
    }
    auto rows = m_db.query(sql + QStringLiteral(" ORDER BY ID"), values);
    if (!rows)
        return rows.error();
    QList<qint64> ids;
    while (rows.value().next())
        ids << rows.value().value(0).toLongLong();
    if (Status finished = m_db.finished(rows.value()); !finished)
        return finished.error();
    return ids;
}

SyncRun::ServerChanges SyncRun::serverChanges(const CardListing& listing) const
{
    ServerChanges changes;
    QSet<QString> present;
    for (const CardEtag& entry : listing.present) {
        present.insert(entry.href);
        const auto synced = m_state.constFind(entry.href);
        if (synced == m_state.cend() || synced->etag != entry.etag)
            changes.toFetch << entry.href;
    }
    if (listing.complete) {
        for (const SyncedCard& synced : m_state)
            if (!present.contains(synced.href))
                changes.removed << synced.href;
    } else {
        for (const QString& href : listing.removed)
            if (m_state.contains(href))
                changes.removed << href;
    }
    return changes;
}

QList<qint64> SyncRun::notYetSynced(const QList<qint64>& inScope)
{
    QSet<qint64> synced;
    for (const SyncedCard& card : std::as_const(m_state))
        synced.insert(card.contactId);
    QList<qint64> newHere;
    for (qint64 id : inScope) {
        if (synced.contains(id))
            continue;
        newHere << id;
        m_newByHref.insert(hrefFor(id), id);
        m_newByUid.insert(BookIdentity::contactUid(m_bookId, id), id);
    }
    return newHere;
}

Result<SyncSummary> SyncRun::go(const QString& syncToken)
{
    // A question the server answers at once, which also passes its password challenge: the
    // next request goes out without waiting for one.
    auto only4 = m_client.takesOnlyVersion4(m_book);
    if (!only4)
        return only4.error();
    m_version = only4.value() ? VCard::Version::V4 : VCard::Version::V3;
    // This side is read while the server works out its CTag.
    Status readHere;
    auto ctag = m_client.ctag(m_book, [&] { readHere = readLocal(syncToken); });
    if (!ctag)
        return ctag.error();
    if (!readHere)
        return readHere.error();
    auto listing = serverListing(ctag.value(), syncToken);
    if (!listing)
        return listing.error();
    auto [toFetch, removed] = serverChanges(listing.value());
    m_total = toFetch.size() + removed.size() + m_state.size() + m_newHere.size();
    if (m_progress)
        m_progress(0, m_total);

    auto fetched = m_client.fetch(m_book, toFetch);
    if (!fetched)
        return fetched.error();
    QSet<QString> arrived;
    for (const FetchedCard& card : fetched.value()) {
        arrived.insert(card.href);
        if (Status applied = applyServerCard(card); !applied)
            return applied.error();
    }
    // Gone between the listing and the fetch.
    for (const QString& href : toFetch)
        if (!arrived.contains(href) && m_state.contains(href))
            removed << href;
    for (const QString& href : removed)
        if (Status applied = applyServerRemoval(href); !applied)
            return applied.error();
    const QList<SyncedCard> rows = m_state.values();
    for (const SyncedCard& row : rows)
        if (!m_handled.contains(row.href))
            if (Status pushed = pushSynced(row); !pushed)
                return pushed.error();
    for (qint64 id : std::as_const(m_newHere))
        if (m_newByHref.contains(hrefFor(id)))
            if (Status pushed = pushNew(id); !pushed)
                return pushed.error();
    // An open conflict must come again: the next sync starts from the token before it, and asks
    // the server for its changes whatever its CTag says.
    if (m_summary.conflictsOpen) {
        m_summary.syncToken = syncToken;
        return m_summary;
    }
    m_summary.syncToken = listing.value().syncToken;
    // The CTag read before the listing, kept only when this sync wrote nothing there: a change
    // made there since moves it, but it is a digest of the cards, not of their history, and
    // after a write of ours the cards could come back to what they were at its reading (ours
    // changed, then set back by another) while this side holds our write.
    // This side's digest, taken before its contacts were compared: any change made here since
    // makes it differ, so it can only tell "nothing changed" truly; and only when this sync
    // wrote neither here nor in its state, which then say what they said when it was taken.
    if (!ctag.value().isEmpty() && !m_summary.syncToken.isEmpty())
        if (Status kept = SyncState::writeBookTag(
                m_db, m_scope.accountId, m_book.toString(),
                {wroteNothingThere() ? ctag.value() : QString(), m_summary.syncToken,
                 wroteNothingHere() && !m_stateWritten ? m_localDigest : QString()});
            !kept)
            return kept.error();
    return m_summary;
}

Result<CardListing> SyncRun::serverListing(const QString& ctag, const QString& syncToken) const
{
    // Without any state a delta means nothing: the whole listing.
    if (m_state.isEmpty())
        return m_client.list(m_book, QString());
    // The same CTag as at the end of the sync that gave this token: nothing changed there.
    if (!ctag.isEmpty() && !syncToken.isEmpty() && m_kept.ctag == ctag &&
        m_kept.syncToken == syncToken)
        return CardListing{{}, {}, false, syncToken};
    return m_client.list(m_book, syncToken);
}

Status SyncRun::addFromServer(const FetchedCard& fetched, const VCardContact& server,
                              const QString& how)
{
    VCardContact card = server;
    if (card.uid.isEmpty())
        card.uid = fetched.href.section(u'/', -1);
    const Status added = m_db.transaction([&]() -> Status {
        auto added = LocalCards::add(m_db, card, m_filing);
        if (!added)
            return added.error();
        bool exists = false;
        SyncedCard synced{fetched.href, added.value(), card.uid, fetched.etag, {}};
        auto stored = localCard(added.value(), synced, exists);
        if (!stored)
            return stored.error();
        VCardContact withLines = stored.value();
        withLines.keptLines = card.keptLines;
        synced.card = QString::fromUtf8(VCard::write(withLines, versionFor(fetched.text)));
        return record(synced);
    });
    return stepDone(added, how.arg(card.value(QStringLiteral("Name"))));
}

Status SyncRun::applyServerCard(const FetchedCard& fetched)
{
    m_handled.insert(fetched.href);
    const auto server = fromServer(fetched.text);
    if (!server) {
        step(QStringLiteral("服务器上的名片 %1 无法读取，未同步。").arg(fetched.href));
        return {};
    }
    const auto found = m_state.constFind(fetched.href);
    if (found == m_state.cend()) {
        if (const qint64 id = m_newByHref.take(fetched.href))
            return adopt(id, fetched, *server);
        // Our export, imported there earlier (the UID is kept, the name of the file is not).
        if (const qint64 id = m_newByUid.take(server->uid)) {
            m_newByHref.remove(hrefFor(id));
            return adopt(id, fetched, *server);
        }
        ++m_summary.addedHere;
        return addFromServer(fetched, *server, QStringLiteral("从服务器新增：%1"));
    }
    SyncedCard synced = *found;
    bool exists = false;
    auto local = localCard(synced.contactId, synced, exists);
    if (!local)
        return local.error();
    const auto base = baseOf(synced.card);
    VCardContact serverCard = *server;
    serverCard.uid = synced.uid;
    if (base)
        keepFieldsOthersDrop(serverCard, *base, fetched.text);
    const bool serverChanged = !base || !sameContent(serverCard, *base);
    if (!serverChanged) {
        // Only the ETag moved: this side's changes, if any, go up below with the new one.
        synced.etag = fetched.etag;
        m_handled.remove(fetched.href);
        return record(synced);
    }
    if (!exists) {
        // Deleted here, changed there: kept, as the server has it.
        ++m_summary.keptBack;
        return addFromServer(fetched, serverCard,
                             QStringLiteral("本地已删除、服务器上已修改，已恢复：%1"));
    }
    const bool localChanged = !base || !sameContent(local.value(), *base);
    if (localChanged && !sameContent(local.value(), serverCard))
        return settleConflict(synced, local.value(), serverCard, base, fetched.etag,
                              versionFor(fetched.text));
    bool wroteHere = false;
    const Status updated = writeIfUnchanged(synced, &local.value(), wroteHere, [&]() -> Status {
        if (Status updated =
                LocalCards::update(m_db, synced.contactId, serverCard,
                                   !base || serverCard.categories != base->categories, m_filing);
            !updated)
            return updated;
        synced.etag = fetched.etag;
        synced.card = QString::fromUtf8(VCard::write(serverCard, versionFor(fetched.text)));
        return record(synced);
    });
    if (updated && !wroteHere)
        return {};
    ++m_summary.changedHere;
    return stepDone(
        updated, QStringLiteral("按服务器修改：%1").arg(serverCard.value(QStringLiteral("Name"))));
}

Status SyncRun::adopt(qint64 contactId, const FetchedCard& fetched, const VCardContact& server)
{
    // A card of ours whose upload the last sync did not live to record.
    SyncedCard synced{
        fetched.href, contactId, BookIdentity::contactUid(m_bookId, contactId), fetched.etag, {}};
    bool exists = false;
    auto local = localCard(contactId, synced, exists);
    if (!local)
        return local.error();
    VCardContact serverCard = server;
    serverCard.uid = synced.uid;
    if (!sameContent(local.value(), serverCard))
        return settleConflict(synced, local.value(), serverCard, std::nullopt, fetched.etag,
                              versionFor(fetched.text));
    synced.card = QString::fromUtf8(VCard::write(local.value(), versionFor(fetched.text)));
    step();
    return record(synced);
}

Status SyncRun::settleConflict(const SyncedCard& synced, const VCardContact& local,
                               const VCardContact& server, const std::optional<VCardContact>& base,
                               const QString& serverEtag, VCard::Version version)
{
    // A field changed on one side only takes that side's value; only the fields both changed,
    // differently, are the user's to choose.
    VCardContact merged = local;
    SyncConflict conflict{synced.contactId, local.value(QStringLiteral("Name")), {}, local, server};
    for (const QString& field : SyncEngine::differingFields(local, server)) {
        if (base && sameField(local, *base, field))
            takeField(merged, server, field);
        else if (!base || !sameField(server, *base, field))
            conflict.columns << field;
    }
    if (!conflict.columns.isEmpty()) {
        const auto serverSide = m_resolver ? m_resolver(conflict) : std::nullopt;
        if (!serverSide) {
            ++m_summary.conflictsOpen;
            step(QStringLiteral("两边都已修改，留待下次处理：%1").arg(conflict.name));
            return {};
        }
        for (const QString& field : conflict.columns)
            if (serverSide->contains(field))
                takeField(merged, server, field);
    }
    merged.keptLines = server.keptLines;
    merged = canonical(merged);
    // The server first: cut off after it, the next sync finds its copy newer and takes it.
    const QByteArray text = VCard::write(merged, version);
    auto written = m_client.put(urlOf(synced.href), text, serverEtag);
    if (!written)
        return written.error();
    if (written.value().conflict) {
        ++m_summary.conflictsOpen;
        step(QStringLiteral("服务器上又有修改，留待下次处理：%1").arg(conflict.name));
        return {};
    }
    // The server's copy is already the merged one: a change saved here since the merge read this
    // side meets it at the next sync, as a change on each side.
    bool wroteHere = false;
    const Status settledHere = writeIfUnchanged(synced, &local, wroteHere, [&]() -> Status {
        if (Status updated = LocalCards::update(m_db, synced.contactId, merged,
                                                merged.categories != local.categories, m_filing);
            !updated)
            return updated;
        SyncedCard settled = synced;
        settled.etag = written.value().etag;
        settled.card = QString::fromUtf8(text);
        return record(settled);
    });
    if (settledHere && !wroteHere)
        return {};
    if (conflict.columns.isEmpty()) {
        ++m_summary.changedHere;
        ++m_summary.changedThere;
    } else {
        ++m_summary.conflictsResolved;
    }
    return stepDone(settledHere,
                    (conflict.columns.isEmpty() ? QStringLiteral("两边的修改已合并：%1")
                                                : QStringLiteral("冲突已按所选合并：%1"))
                        .arg(conflict.name));
}

Status SyncRun::applyServerRemoval(const QString& href)
{
    m_handled.insert(href);
    const SyncedCard synced = m_state.value(href);
    bool exists = false;
    auto local = localCard(synced.contactId, synced, exists);
    if (!local)
        return local.error();
    const auto base = baseOf(synced.card);
    const bool changedHere = exists && (!base || !sameContent(local.value(), *base));
    if (changedHere) {
        // Deleted there, changed here: kept, and offered back to the server as a new card.
        const QByteArray text = VCard::write(local.value(), versionFor(synced.card.toUtf8()));
        auto written = m_client.put(urlOf(href), text, QString());
        if (!written)
            return written.error();
        // Made there again meanwhile: compared with what is there now.
        if (written.value().conflict)
            return fetchAndApply(href);
        ++m_summary.keptBack;
        SyncedCard kept = synced;
        kept.etag = written.value().etag;
        kept.card = QString::fromUtf8(text);
        step(QStringLiteral("服务器上已删除、本地已修改，已重新上传：%1")
                 .arg(local.value().value(QStringLiteral("Name"))));
        return record(kept);
    }
    bool wroteHere = false;
    const Status removed =
        writeIfUnchanged(synced, exists ? &local.value() : nullptr, wroteHere, [&]() -> Status {
            if (exists) {
                if (Status deleted = ContactCommands::removeContacts(m_db, {synced.contactId});
                    !deleted)
                    return deleted;
            }
            return removeState(href);
        });
    if (!removed || !wroteHere)
        return removed;
    if (exists)
        ++m_summary.deletedHere;
    step(exists
             ? QStringLiteral("按服务器删除：%1").arg(local.value().value(QStringLiteral("Name")))
             : QString());
    return {};
}

Status SyncRun::fetchAndApply(const QString& href)
{
    auto fetched = m_client.fetch(m_book, {href});
    if (!fetched)
        return fetched.error();
    if (fetched.value().isEmpty())
        return m_state.contains(href) ? applyServerRemoval(href) : Status();
    return applyServerCard(fetched.value().front());
}

Status SyncRun::readLocal(const QString& syncToken)
{
    if (Status loaded = load(); !loaded)
        return loaded;
    auto inScope = contactsInScope();
    if (!inScope)
        return inScope.error();
    m_newHere = notYetSynced(inScope.value());
    auto kept = SyncState::readBookTag(m_db, m_scope.accountId, m_book.toString());
    if (!kept)
        return kept.error();
    m_kept = kept.value();
    // Read before the contacts are compared: see where it is kept.
    auto digest = LocalCards::digest(m_db, inScope.value());
    if (!digest)
        return digest.error();
    m_localDigest = digest.value();
    // Nothing changed here since a sync that left every contact as the server has it.
    if (!syncToken.isEmpty() && m_kept.syncToken == syncToken &&
        m_kept.localDigest == m_localDigest) {
        for (const SyncedCard& row : std::as_const(m_state))
            m_unchangedHere.insert(row.href);
        return {};
    }
    // Every synced contact, a few hundred per statement, compared with the last sync's card;
    // those the server's changes reach, or that differ, are read again when they are compared.
    std::vector<qint64> ids;
    ids.reserve(size_t(m_state.size()));
    for (const SyncedCard& row : std::as_const(m_state))
        ids.push_back(row.contactId);
    auto cards = LocalCards::readMany(m_db, ids);
    if (!cards)
        return cards.error();
    for (const SyncedCard& row : std::as_const(m_state))
        if (unchangedSince(row, cards.value()))
            m_unchangedHere.insert(row.href);
    return {};
}

bool SyncRun::unchangedSince(const SyncedCard& synced, QHash<qint64, VCardContact>& contacts) const
{
    const auto found = contacts.find(synced.contactId);
    if (found == contacts.end())
        return false;
    VCardContact& card = *found; // read for this comparison alone: no copy
    card.uid = synced.uid;
    // Written in the text's own version: the one the address book takes is not known yet.
    const QByteArray text = synced.card.toUtf8();
    return VCard::write(card, inVersion4(text) ? VCard::Version::V4 : VCard::Version::V3) == text;
}

Status SyncRun::pushSynced(const SyncedCard& synced)
{
    if (m_unchangedHere.contains(synced.href)) {
        step();
        return {};
    }
    bool exists = false;
    auto local = localCard(synced.contactId, synced, exists);
    if (!local)
        return local.error();
    if (!exists) {
        auto deleted = m_client.remove(urlOf(synced.href), synced.etag);
        if (!deleted)
            return deleted.error();
        // Changed on the server since: found again and kept.
        if (deleted.value().conflict)
            return fetchAndApply(synced.href);
        if (Status removed = removeState(synced.href); !removed)
            return removed;
        ++m_summary.deletedThere;
        step(QStringLiteral("从服务器删除：%1").arg(synced.href.section(u'/', -1)));
        return {};
    }
    const auto base = baseOf(synced.card);
    if (base && sameContent(local.value(), *base)) {
        step();
        return {};
    }
    const QByteArray text = VCard::write(local.value(), versionFor(synced.card.toUtf8()));
    auto written = m_client.put(urlOf(synced.href), text, synced.etag);
    if (!written)
        return written.error();
    if (written.value().conflict)
        return fetchAndApply(synced.href);
    ++m_summary.changedThere;
    SyncedCard changed = synced;
    changed.etag = written.value().etag;
    changed.card = QString::fromUtf8(text);
    step(QStringLiteral("上传修改：%1").arg(local.value().value(QStringLiteral("Name"))));
    return record(changed);
}

Status SyncRun::pushNew(qint64 contactId)
{
    const QString href = hrefFor(contactId);
    m_newByHref.remove(href);
    SyncedCard synced{href, contactId, BookIdentity::contactUid(m_bookId, contactId), {}, {}};
    bool exists = false;
    auto local = localCard(contactId, synced, exists);
    if (!local)
        return local.error();
    if (!exists) {
        step(); // deleted since the sync began
        return {};
    }
    const QByteArray text = VCard::write(local.value(), m_version);
    auto written = m_client.put(urlOf(href), text, QString());
    if (!written)
        return written.error();
    if (written.value().conflict) {
        // Uploaded by a sync cut off before it recorded it: the card there is ours.
        m_newByHref.insert(href, contactId);
        return fetchAndApply(href);
    }
    ++m_summary.addedThere;
    synced.etag = written.value().etag;
    synced.card = QString::fromUtf8(text);
    step(QStringLiteral("上传新增：%1").arg(local.value().value(QStringLiteral("Name"))));
    return record(synced);
}

} // namespace

QString SyncSummary::text() const
{
    return QStringLiteral("本地：新增 %1，修改 %2，删除 %3；服务器：新增 %4，修改 %5，删除 %6；"
                          "冲突：已解决 %7，待处理 %8；删改并存而保留 %9。")
        .arg(addedHere)
        .arg(changedHere)
        .arg(deletedHere)
        .arg(addedThere)
        .arg(changedThere)
        .arg(deletedThere)
        .arg(conflictsResolved)
        .arg(conflictsOpen)
        .arg(keptBack);
}

QStringList SyncEngine::differingFields(const VCardContact& a, const VCardContact& b)
{
    QStringList fields;
    for (const ContactField& field : ContactFields::all) {
        const QString column(field.name);
        if (field.kind == ContactField::Kind::Binary) {
            if (a.photo != b.photo)
                fields << photoField;
        } else if (a.value(column) != b.value(column)) {
            fields << column;
        }
    }
    if (a.categories != b.categories)
        fields << groupField;
    return fields;
}

Result<SyncSummary> SyncEngine::run(const Database& db, DavClient& client, const QUrl& book,
                                    const QString& syncToken, const SyncScope& scope,
                                    const SyncResolver& resolver, const SyncProgress& progress)
{
    const QString key = db.path() + u'#' + QString::number(scope.accountId);
    if (!claim(key))
        return DbError{SyncErrorCode::Busy,
                       QStringLiteral("另一次同步正在进行，请等它结束后再试。")};
    const auto done = qScopeGuard([&key] {
        QMutexLocker lock(&runningLock);
        running.remove(key);
    });
    return SyncRun(db, client, book, scope, resolver, progress).go(syncToken);
}
