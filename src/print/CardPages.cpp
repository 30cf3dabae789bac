// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardPages.h"

#include "PageUnits.h"

#include "card/CardFields.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

constexpr double marginMm = 15;
constexpr double photoWidthMm = 30;
constexpr double photoHeightMm = 40;
constexpr double labelWidthMm = 24;

// The card's labels without their colon, each with the contact's text; filled fields only.
std::vector<std::pair<QString, QString>> filledFields(const PrintContact& contact)
{
    std::vector<std::pair<QString, QString>> fields;
    for (const CardField& field : CardFields::all) {
        if (field.column.isEmpty() || field.editor == CardField::Editor::Picture)
            continue;
        const QString text = contact.value(field.column);
        if (!text.isEmpty())
            fields.emplace_back(QString::fromUtf16(field.label), text);
    }
    return fields;
}

void drawPhoto(QPainter& painter, const PrintContact& contact, const QRectF& frame)
{
    const QImage photo = QImage::fromData(contact.photo);
    if (photo.isNull())
        return;
    const QSizeF fitted = QSizeF(photo.size()).scaled(frame.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRectF(frame.topLeft(), fitted), photo);
}

// One card inside area (device pixels); fields that do not fit end at the area's foot.
void drawCard(QPainter& painter, const PageUnits& units, const PrintContact& contact,
              const QRectF& area, double pointSize)
{
    const QRectF photo(area.right() - units.px(photoWidthMm), area.top(), units.px(photoWidthMm),
                       units.px(photoHeightMm));
    drawPhoto(painter, contact, photo);
    painter.setFont(printFont(pointSize * 1.6, true));
    const QRectF title(area.left(), area.top(), photo.left() - area.left(), units.px(12));
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, contact.name());

    const QFont font = printFont(pointSize);
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    double top = title.bottom() + units.px(3);
    const double label = units.px(labelWidthMm);
    for (const auto& [caption, text] : filledFields(contact)) {
        // Beside the photo the text keeps clear of it.
        const double right = top < photo.bottom() ? photo.left() - units.px(2) : area.right();
        const QRectF value(area.left() + label, top, right - area.left() - label,
                           area.bottom() - top);
        const double height =
            metrics.boundingRect(value, Qt::TextWordWrap | Qt::TextWrapAnywhere, text).height();
        if (top + metrics.height() > area.bottom())
            break;
        painter.drawText(QRectF(area.left(), top, label, metrics.height()), Qt::AlignLeft, caption);
        painter.drawText(value, Qt::AlignLeft | Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
        top += height + units.px(1.2);
    }
}

} // namespace

PrintOutcome CardPages::draw(QPagedPaintDevice& device, const PrintOptions& options,
                             const std::vector<PrintContact>& contacts,
                             const PrintProgress& progress)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    const PageUnits units(device);
    const QRectF page = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const int perPage = options.cardsPerPage == 2 ? 2 : 1;
    const double margin = units.px(marginMm);
    const double slot = (page.height() - 2 * margin) / perPage;

    QPainter painter(&device);
    painter.setPen(QPen(Qt::black, units.px(0.2)));
    const int total = int(contacts.size());
    int pages = total > 0 ? 1 : 0;
    for (int i = 0; i < total; ++i) {
        const int place = i % perPage;
        if (i > 0 && place == 0) {
            device.newPage();
            ++pages;
        }
        const double top = margin + place * slot;
        if (place > 0)
            painter.drawLine(QPointF(margin, top), QPointF(page.width() - margin, top));
        const QRectF area(margin, top + (place > 0 ? units.px(6) : 0), page.width() - 2 * margin,
                          slot - units.px(6));
        drawCard(painter, units, contacts[std::size_t(i)], area, perPage == 2 ? 9 : 11);
        if (progress && !progress(i + 1, total))
            return {pages, true};
    }
    return {pages, false};
}
