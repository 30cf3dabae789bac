// SPDX-License-Identifier: GPL-3.0-or-later
#include "LabelPages.h"

#include "PageUnits.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

constexpr double sheetWidthMm = 210;
constexpr double sheetHeightMm = 297;
constexpr double sideMarginMm = 7;
constexpr double topMarginMm = 12;
constexpr double paddingMm = 3;
constexpr double largestPoint = 11;
constexpr double smallestPoint = 4;
constexpr int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere;

struct LabelLines {
    QStringList lines;
    double pointSize = largestPoint;
};

// The label's lines at the largest size at which all of them fit its inside, never cut.
LabelLines fitted(const PrintContact& contact, const QSizeF& inside, const QPaintDevice* device)
{
    LabelLines label;
    for (const QString& line : {contact.postcode(), contact.address(), contact.company()}) {
        if (!line.isEmpty())
            label.lines << line;
    }
    label.lines << contact.name();
    const QString text = label.lines.join(u'\n');
    for (double size = largestPoint; size >= smallestPoint; size -= 0.5) {
        label.pointSize = size;
        const QFontMetricsF metrics(printFont(size), device);
        const QRectF needed = metrics.boundingRect(QRectF(QPointF(), inside), textFlags, text);
        if (needed.height() <= inside.height() && needed.width() <= inside.width())
            break;
    }
    return label;
}

void drawLabel(QPainter& painter, const PageUnits& units, const PrintContact& contact,
               const QRectF& cellMm)
{
    const QRectF inside = units.rect(cellMm.adjusted(paddingMm, paddingMm, -paddingMm, -paddingMm));
    const LabelLines label = fitted(contact, inside.size(), painter.device());
    painter.setFont(printFont(label.pointSize));
    const QFontMetricsF metrics(painter.font(), painter.device());
    double top = inside.top();
    for (const QString& line : label.lines) {
        const QRectF rest(inside.left(), top, inside.width(), inside.bottom() - top);
        const QRectF used = metrics.boundingRect(rest, textFlags, line);
        painter.drawText(rest, textFlags, line);
        top += std::max(used.height(), metrics.height());
    }
}

} // namespace

QRectF LabelPages::labelCell(const LabelSheet& sheet, int position)
{
    const double width = (sheetWidthMm - 2 * sideMarginMm) / sheet.columns;
    const double height = (sheetHeightMm - 2 * topMarginMm) / sheet.rows;
    const int row = position / sheet.columns;
    const int column = position % sheet.columns;
    return {sideMarginMm + column * width, topMarginMm + row * height, width, height};
}

PrintOutcome LabelPages::draw(QPagedPaintDevice& device, const PrintOptions& options,
                              const std::vector<PrintContact>& contacts,
                              const PrintProgress& progress)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    const LabelSheet sheet = labelSheets[std::size_t(options.labelSheet)];
    const int perSheet = sheet.columns * sheet.rows;
    const PageUnits units(device);
    QPainter painter(&device);
    const int total = int(contacts.size());
    int position = std::clamp(options.firstLabel, 1, perSheet) - 1;
    int pages = total > 0 ? 1 : 0;
    for (int i = 0; i < total; ++i, ++position) {
        if (position == perSheet) {
            device.newPage();
            ++pages;
            position = 0;
        }
        drawLabel(painter, units, contacts[std::size_t(i)], labelCell(sheet, position));
        if (progress && !progress(i + 1, total))
            return {pages, true};
    }
    return {pages, false};
}
