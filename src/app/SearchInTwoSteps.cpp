// SPDX-License-Identifier: GPL-3.0-or-later
#include "SearchInTwoSteps.h"

#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"

#include <QEvent>
#include <QTimer>

namespace {

// How long the rest waits for a paint that may never come (a minimised window).
constexpr int restDeadlineMs = 100;

} // namespace

SearchInTwoSteps::SearchInTwoSteps(const Database& db, ContactListView* list, QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_list(list)
{
}

bool SearchInTwoSteps::serves(const ContactListFilter& filter) const
{
    return ContactListQuery::usesSearchTable(filter) && ContactListQuery::idsAreRows(filter) &&
           !m_list->sortDirection();
}

Result<SearchInTwoSteps::FirstRows> SearchInTwoSteps::start(const ContactListFilter& filter)
{
    cancel();
    auto found = ContactListLoader::searchIds(m_db, filter);
    if (!found)
        return found.error();
    std::vector<qint64> ids = std::move(found).value();
    const std::size_t first = std::min(ids.size(), firstScreenRows);
    // The list is empty here (a rebuild lets go of its rows first): the columns come from
    // the settings.
    auto columns = ListColumns::displayed(m_db);
    if (!columns)
        return columns.error();
    auto rows = ContactListLoader::loadIds(m_db, std::move(columns).value(), filter,
                                           std::span(ids).first(first));
    if (!rows)
        return rows.error();
    const std::size_t count = ids.size();
    if (first < ids.size()) {
        m_filter = filter;
        m_rest.assign(ids.begin() + std::ptrdiff_t(first), ids.end());
        m_list->viewport()->installEventFilter(this);
        QTimer::singleShot(restDeadlineMs, this, [this, generation = m_generation] {
            if (generation == m_generation)
                appendRest();
        });
    }
    return FirstRows{std::move(rows).value(), count};
}

void SearchInTwoSteps::cancel()
{
    ++m_generation;
    m_rest.clear();
    m_list->viewport()->removeEventFilter(this);
}

bool SearchInTwoSteps::eventFilter(QObject* watched, QEvent* event)
{
    // Queued, so that the frame is on the screen before the rest is read.
    if (event->type() == QEvent::Paint && pending()) {
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this,
            [this, generation = m_generation] {
                if (generation == m_generation)
                    appendRest();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void SearchInTwoSteps::appendRest()
{
    if (!pending())
        return;
    const std::vector<qint64> rest = std::move(m_rest);
    cancel();
    auto rows = ContactListLoader::loadIds(m_db, m_list->contacts()->columns(), m_filter, rest);
    if (!rows) {
        emit failed(rows.error());
        return;
    }
    m_list->appendRows(std::move(rows).value());
    emit completed(std::size_t(m_list->contacts()->rowCount()));
}
