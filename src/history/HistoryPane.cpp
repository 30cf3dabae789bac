// SPDX-License-Identifier: GPL-3.0-or-later
#include "HistoryPane.h"

#include "HistoryRecords.h"

#include "contacts/ContactListView.h"
#include "ui/Prompter.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QPlainTextEdit>

HistoryPane::HistoryPane(Database& db, Prompter& prompter, ContactListView* list,
                         QPlainTextEdit* pane, QWidget* window)
    : QObject(window)
    , m_db(db)
    , m_prompter(prompter)
    , m_list(list)
    , m_pane(pane)
    , m_window(window)
{
    // A rebuild of the list resets its rows without a change of row, so the pane keeps its text.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showContactAt(current); });
    connect(m_list, &QAbstractItemView::clicked, this, &HistoryPane::rowClicked);
    m_list->viewport()->installEventFilter(this);
}

bool HistoryPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress)
        m_currentAtPress = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    return QObject::eventFilter(watched, event);
}

void HistoryPane::rowClicked(const QModelIndex& row)
{
    // A click on the row already current reads the records again.
    if (row.isValid() && row.row() == m_currentAtPress)
        showContactAt(row);
}

void HistoryPane::showCurrent()
{
    if (m_list->currentIndex().isValid())
        showContactAt(m_list->currentIndex());
    else
        m_pane->clear();
}

void HistoryPane::showContactAt(const QModelIndex& row)
{
    if (!row.isValid())
        return;
    m_pane->clear();
    auto records = HistoryRecords::forPane(m_db, m_list->contacts()->contactId(row.row()));
    if (!records) {
        m_prompter.showError(m_window, records.error());
        return;
    }
    // The edit box ends its lines with line feeds; a carriage return would show as a glyph.
    QString text = HistoryRecords::paneText(records.value());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_pane->setPlainText(text);
}
