// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactListView.h"
#include "ListCellDelegate.h"

#include "db/ListWidths.h"

#include <QFont>
#include <QHeaderView>
#include <QScrollBar>

namespace {

// A tick box and a 16-pixel image with their margins.
constexpr int leadOnlyWidth = 48;

} // namespace

ContactListView::ContactListView(QWidget* parent)
    : QTableView(parent)
    , m_model(new ContactTableModel(this))
{
    setObjectName(QStringLiteral("ListView"));
    // Names, numbers and addresses need none of the shaping features a font may offer (Chinese
    // has none to apply; Latin text only loses kerning, a fraction of a pixel in an e-mail
    // address), and shaping each cell was about a third of painting the list. Only this one
    // attribute is set: family and size still follow the application font.
    QFont cells;
    cells.setStyleStrategy(QFont::PreferNoShaping);
    setFont(cells);
    setModel(m_model);
    setItemDelegate(new ListCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Fixed row heights keep a list of 100,000 rows as quick as one of 500.
    QHeaderView* rowsHeader = verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(fontMetrics().height() + 8);

    QHeaderView* columnsHeader = horizontalHeader();
    columnsHeader->setSectionsClickable(true);
    columnsHeader->setHighlightSections(false);
    columnsHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columnsHeader->setStretchLastSection(false);
    connect(columnsHeader, &QHeaderView::sectionClicked, this, &ContactListView::sortByHeader);
}

void ContactListView::showRows(ContactRows rows, const QIcon& femaleIcon, const QIcon& maleIcon)
{
    std::optional<ContactTableModel::Sort> sort;
    if (m_direction && m_sortedAliasId)
        sort = ContactTableModel::Sort{*m_sortedAliasId, *m_direction};
    const int sorted = m_model->setRows(std::move(rows), femaleIcon, maleIcon, sort);
    applyColumnLayout();
    if (sorted >= 0)
        horizontalHeader()->setSortIndicator(sorted, *m_direction);
    horizontalHeader()->setSortIndicatorShown(sorted >= 0);
}

void ContactListView::appendRows(ContactRows more)
{
    m_model->appendRows(std::move(more));
    if (!m_direction || !m_sortedAliasId)
        return;
    const auto& columns = m_model->columns();
    for (std::size_t column = 0; column < columns.size(); ++column) {
        if (columns[column].aliasId == *m_sortedAliasId)
            sortRows(int(column));
    }
}

void ContactListView::removeContacts(const std::vector<qint64>& contactIds)
{
    const QModelIndex current = currentIndex();
    const qint64 currentId = current.isValid() ? m_model->contactId(current.row()) : 0;
    const int scrolled = verticalScrollBar()->value();
    m_model->removeContacts(contactIds);
    updateGeometries();
    verticalScrollBar()->setValue(scrolled);
    if (const int row = currentId ? m_model->rowOf(currentId) : -1; row >= 0)
        setCurrentIndex(m_model->index(row, current.column()));
}

ContactListView::Kept ContactListView::kept() const
{
    const QModelIndex current = currentIndex();
    return {current.isValid() ? m_model->contactId(current.row()) : 0,
            current.isValid() ? current.column() : 0, m_model->checkedIds(),
            verticalScrollBar()->value()};
}

void ContactListView::restore(const Kept& kept)
{
    m_model->setChecked(kept.tickedIds);
    if (const int row = kept.currentId ? m_model->rowOf(kept.currentId) : -1; row >= 0)
        setCurrentIndex(m_model->index(row, kept.currentColumn));
    // After the current row, which scrolls to itself: the user's scroll position stays.
    updateGeometries();
    verticalScrollBar()->setValue(kept.scrolled);
}

void ContactListView::sortByHeader(int column)
{
    if (column < 0 || column >= m_model->sortColumn())
        return;
    m_direction = m_direction == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortedAliasId = m_model->columns()[column].aliasId;
    sortRows(column);
}

void ContactListView::sortRows(int column)
{
    m_model->sortBy(column, *m_direction);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, *m_direction);
}

void ContactListView::applyColumnLayout()
{
    const auto& columns = m_model->columns();
    const qreal dpi = logicalDpiX();
    const int lead = m_model->leadColumn();
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const int width = ListWidths::pixelsFromTwips(columns[column].width, dpi);
        // The lead column carries the tick boxes and images: with no width of its own
        // it stays, just wide enough for them.
        const bool keep = int(column) == lead;
        setColumnHidden(int(column), width <= 0 && !keep);
        if (width > 0)
            setColumnWidth(int(column), width);
        else if (keep)
            setColumnWidth(int(column), leadOnlyWidth);
    }
    setColumnHidden(m_model->sortColumn(), true);
}
