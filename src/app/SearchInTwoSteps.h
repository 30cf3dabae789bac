// SPDX-License-Identifier: GPL-3.0-or-later
// A search shown in two steps: its first screenful at once, with the count of all it found,
// and the rest appended right after the frame that shows them. Reading thousands of contacts
// by ID takes longer than the whole search takes to reach the screen without them.
#pragma once

#include "contacts/ContactListQuery.h"
#include "contacts/ContactRows.h"
#include "db/Result.h"

#include <QObject>

#include <vector>

class ContactListView;
class Database;

class SearchInTwoSteps : public QObject {
    Q_OBJECT

public:
    SearchInTwoSteps(const Database& db, ContactListView* list, QObject* parent);

    // Whether a search with filter can show its first rows before the others: only where
    // every contact found is a row (so the count is known at once) and the list is not sorted
    // (whose first rows depend on all of them).
    bool serves(const ContactListFilter& filter) const;

    struct FirstRows {
        ContactRows rows;
        std::size_t count; // every row the search gives, the first ones included
    };
    // Finds the contacts and reads the first screenful; the rest is read after the list's
    // next paint (or shortly, should no paint come), unless cancel() comes first.
    Result<FirstRows> start(const ContactListFilter& filter);
    // A new build of the list: the rest of the last search is no longer wanted.
    void cancel();
    bool pending() const { return !m_rest.empty(); }

    // More rows than a maximised window shows on a large screen.
    static constexpr std::size_t firstScreenRows = 200;

signals:
    // The rest is in the list, which now holds count rows.
    void completed(std::size_t count);
    void failed(const DbError& error);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appendRest();

    const Database& m_db;
    ContactListView* m_list;
    ContactListFilter m_filter;
    std::vector<qint64> m_rest;
    // Tells a timer or a queued call of an earlier search from the current one.
    quint64 m_generation = 0;
};
