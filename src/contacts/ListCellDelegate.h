// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the contact list's cells as the style draws them, laying each plain text out once.
#pragma once

#include <QStyledItemDelegate>

// The style lays a cell's text out three times (to place it, to elide it, to draw it), and
// for the first screen of a list of Chinese names that was most of the time its paint took
// beside drawing the glyphs. A cell holding nothing but one line of text, in a font that has
// every character of it, is drawn here from one measure of its width; every other cell (the
// one with the tick box and image, the focused one, text that needs another font) is left to
// the style, so that the list looks the same either way.
class ListCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
