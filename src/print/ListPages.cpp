// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListPages.h"

#include "PageUnits.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace {

constexpr double marginMm = 12;
constexpr double headerMm = 12; // title and date above the table
constexpr double footerMm = 8;  // the page number below it
constexpr double paddingMm = 1;
constexpr int progressStep = 200;

struct Grid {
    std::vector<double> left; // px, per column, and the right edge last
    std::vector<double> rowHeights;
    std::vector<int> pageStarts; // first row of each page
    double top = 0;              // px, the header row's top
    double bottom = 0;           // px, the lowest a row may end
    double headerHeight = 0;
};

class ListPainter {
public:
    ListPainter(QPagedPaintDevice& device, const PrintOptions& options, const PrintTable& table)
        : m_device(device)
        , m_options(options)
        , m_table(table)
        , m_units(device)
        , m_font(printFont(9))
        , m_bold(printFont(9, true))
        , m_metrics(m_font, &device)
        , m_boldMetrics(m_bold, &device)
        , m_padding(m_units.px(paddingMm))
    {
    }

    PrintOutcome run(const PrintProgress& progress);

private:
    void placeColumns();
    double heightOf(const QStringList& cells, const QFontMetricsF& metrics) const;
    bool paginate(const PrintProgress& progress);
    void drawPageFrame(QPainter& painter, int page);
    double drawRow(QPainter& painter, const QStringList& cells, double top, double height);

    QPagedPaintDevice& m_device;
    const PrintOptions& m_options;
    const PrintTable& m_table;
    PageUnits m_units;
    QFont m_font;
    QFont m_bold;
    QFontMetricsF m_metrics;
    QFontMetricsF m_boldMetrics;
    double m_padding;
    Grid m_grid;
};

void ListPainter::placeColumns()
{
    const QRectF page = m_device.pageLayout().fullRectPixels(m_device.logicalDpiX());
    const double width = page.width() - 2 * m_units.px(marginMm);
    const int total = std::max(1, std::accumulate(m_table.widths.begin(), m_table.widths.end(), 0));
    double x = m_units.px(marginMm);
    m_grid.left = {x};
    for (int w : m_table.widths) {
        x += width * std::max(0, w) / total;
        m_grid.left.push_back(x);
    }
    m_grid.top = m_units.px(marginMm + headerMm);
    m_grid.bottom = page.height() - m_units.px(marginMm + footerMm);
}

double ListPainter::heightOf(const QStringList& cells, const QFontMetricsF& metrics) const
{
    double lines = metrics.height();
    for (int c = 0; c < cells.size() && c + 1 < int(m_grid.left.size()); ++c) {
        const double inner = m_grid.left[c + 1] - m_grid.left[c] - 2 * m_padding;
        // Most cells fit on one line: the wrapping layout is paid only by the others.
        if (cells[c].isEmpty() || metrics.horizontalAdvance(cells[c]) <= inner)
            continue;
        lines = std::max(lines, metrics
                                    .boundingRect(QRectF(0, 0, std::max(1.0, inner), 1e6),
                                                  Qt::TextWordWrap | Qt::TextWrapAnywhere, cells[c])
                                    .height());
    }
    return lines + 2 * m_padding;
}

bool ListPainter::paginate(const PrintProgress& progress)
{
    m_grid.headerHeight = heightOf(m_table.captions, m_boldMetrics);
    const double room = m_grid.bottom - m_grid.top - m_grid.headerHeight;
    const int rows = int(m_table.rows.size());
    m_grid.rowHeights.resize(std::size_t(rows));
    m_grid.pageStarts = {0};
    double used = 0;
    for (int r = 0; r < rows; ++r) {
        // A row taller than a whole page is cut at the page's foot, never split over two.
        const double height = std::min(room, heightOf(m_table.rows[std::size_t(r)], m_metrics));
        m_grid.rowHeights[std::size_t(r)] = height;
        if (used + height > room && used > 0) {
            m_grid.pageStarts.push_back(r);
            used = 0;
        }
        used += height;
        if (progress && r % progressStep == 0 && !progress(r / 2, rows))
            return false;
    }
    return true;
}

void ListPainter::drawPageFrame(QPainter& painter, int page)
{
    const QRectF full = m_device.pageLayout().fullRectPixels(m_device.logicalDpiX());
    const double margin = m_units.px(marginMm);
    const QRectF head(margin, margin, full.width() - 2 * margin, m_units.px(headerMm) * 0.8);
    painter.setFont(printFont(14, true));
    painter.drawText(head, Qt::AlignLeft | Qt::AlignVCenter, m_options.title);
    painter.setFont(m_font);
    painter.drawText(head, Qt::AlignRight | Qt::AlignVCenter,
                     m_options.date.toString(QStringLiteral("yyyy年M月d日")));
    const QRectF foot(margin, m_grid.bottom + m_units.px(2), head.width(),
                      m_units.px(footerMm - 2));
    painter.drawText(
        foot, Qt::AlignHCenter | Qt::AlignVCenter,
        QStringLiteral("第 %1 页 / 共 %2 页").arg(page + 1).arg(m_grid.pageStarts.size()));
}

double ListPainter::drawRow(QPainter& painter, const QStringList& cells, double top, double height)
{
    for (int c = 0; c + 1 < int(m_grid.left.size()); ++c) {
        const QRectF cell(m_grid.left[c], top, m_grid.left[c + 1] - m_grid.left[c], height);
        painter.drawRect(cell);
        if (c < cells.size() && !cells[c].isEmpty())
            painter.drawText(cell.adjusted(m_padding, m_padding, -m_padding, -m_padding),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap |
                                 Qt::TextWrapAnywhere,
                             cells[c]);
    }
    return top + height;
}

PrintOutcome ListPainter::run(const PrintProgress& progress)
{
    placeColumns();
    if (!paginate(progress))
        return {0, true};
    QPainter painter(&m_device);
    painter.setPen(QPen(Qt::black, m_units.px(0.2)));
    const int rows = int(m_table.rows.size());
    const int pages = int(m_grid.pageStarts.size());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            m_device.newPage();
        drawPageFrame(painter, page);
        painter.setFont(m_bold);
        double top = drawRow(painter, m_table.captions, m_grid.top, m_grid.headerHeight);
        painter.setFont(m_font);
        const int end = page + 1 < pages ? m_grid.pageStarts[std::size_t(page) + 1] : rows;
        for (int r = m_grid.pageStarts[std::size_t(page)]; r < end; ++r) {
            top = drawRow(painter, m_table.rows[std::size_t(r)], top,
                          m_grid.rowHeights[std::size_t(r)]);
            if (progress && r % progressStep == 0 && !progress((rows + r) / 2, rows))
                return {page + 1, true};
        }
    }
    return {pages, false};
}

} // namespace

PrintOutcome ListPages::draw(QPagedPaintDevice& device, const PrintOptions& options,
                             const PrintTable& table, const PrintProgress& progress)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    return ListPainter(device, options, table).run(progress);
}
