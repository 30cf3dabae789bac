// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListCellDelegate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace {

constexpr Qt::Alignment plainAlignment = Qt::AlignLeft | Qt::AlignVCenter;

bool drawnHere(const QStyleOptionViewItem& option)
{
    constexpr auto decorated =
        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    return !option.text.isEmpty() && !(option.features & decorated) &&
           !(option.features & QStyleOptionViewItem::WrapText) &&
           !(option.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
           option.direction == Qt::LeftToRight && option.displayAlignment == plainAlignment;
}

// Whether the cell's own font has every character of the text: a character taken from another
// font may give the line another height, and only the style's layout places that.
bool fontHasAll(const QFontMetricsF& metrics, const QString& text)
{
    for (const QChar c : text) {
        if (c.isSurrogate() || !metrics.inFont(c))
            return false;
    }
    return true;
}

// The text without the spaces at its end, which the style leaves out of a line's width.
QStringView withoutTrailingSpaces(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return QStringView(text).first(end);
}

QColor textColour(const QStyleOptionViewItem& option)
{
    QPalette::ColorGroup group =
        option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
        group = QPalette::Inactive;
    return option.palette.color(
        group, option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
}

} // namespace

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QFontMetricsF metrics(cell.font);
    if (!drawnHere(cell) || !fontHasAll(metrics, cell.text)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = cell.text;
    cell.text.clear();
    cell.features &= ~QStyleOptionViewItem::HasDisplay;
    const QWidget* view = cell.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    // The background, selection and alternate colours, as the style draws them.
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);

    // The style's text margins, its elision of a line wider than the cell, and its vertical
    // centring of the line's height.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
    const QString shown =
        metrics.horizontalAdvance(withoutTrailingSpaces(text).toString()) > area.width()
            ? QFontMetrics(cell.font).elidedText(text, cell.textElideMode, area.width())
            : text;
    const qreal lineHeight = metrics.ascent() + metrics.descent();
    const int top = area.top() + (area.height() - int(lineHeight)) / 2;
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(textColour(cell));
    painter->drawText(QPointF(area.left(), top + metrics.ascent()), shown);
    painter->restore();
}
