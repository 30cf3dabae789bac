// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColleagueChanges.h"

#include "contacts/ContactListView.h"
#include "db/ChangeFeed.h"
#include "db/ChangeNotice.h"
#include "groups/GroupTree.h"
#include "groups/GroupTreeWidget.h"
#include "history/HistoryPane.h"
#include "ui/Prompter.h"

#include <QWidget>

ColleagueChanges::ColleagueChanges(Database& db, Prompter& prompter, QWidget* window, Views views)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_window(window)
    , m_views(std::move(views))
{
    auto* feed = new ChangeFeed(db, this);
    connect(feed, &ChangeFeed::changed, this, &ColleagueChanges::show);
}

void ColleagueChanges::show(const QStringList& payloads)
{
    const QModelIndex current = m_views.list->currentIndex();
    const qint64 shown = current.isValid() ? m_views.list->contacts()->contactId(current.row()) : 0;
    const ChangeNotice::Refresh refresh = ChangeNotice::refreshFor(payloads, shown);
    Status done;
    if (refresh.groups)
        done = showGroups();
    if (done && refresh.list) {
        const ContactListView::Kept kept = m_views.list->kept();
        done = m_views.rebuildList();
        if (done)
            m_views.list->restore(kept);
    }
    // A list read again has read the current contact's records again as it made the contact
    // current, unless that contact is gone.
    const bool historyRead = refresh.list && m_views.list->currentIndex().isValid();
    if (done && (refresh.history || refresh.list) && !historyRead)
        m_views.history->showCurrent();
    if (!done)
        m_prompter.showError(m_window, done.error());
}

Status ColleagueChanges::showGroups()
{
    auto groups = GroupTree::load(m_db);
    if (!groups)
        return groups.error();
    m_views.tree->rebuildKeeping(groups.value(), m_views.expandEveryGroup);
    return {};
}
