// SPDX-License-Identifier: GPL-3.0-or-later
// Fusion, with the standard icons no first window shows read when first drawn.
#pragma once

#include <QProxyStyle>

// Every tool bar makes its overflow button at once, and with it the button's standard icon,
// read from image files. The first such read makes Qt load every image format plugin it has to
// ask each whether it reads the file, a few milliseconds of a start-up that never shows the
// button unless the window is too narrow for its tool bar. This style hands out that icon as a
// stand-in that reads the style's own icon when it is first drawn or measured, so it looks the
// same and costs nothing until then.
class DeferredIconStyle : public QProxyStyle {
    Q_OBJECT

public:
    // Takes ownership of the style it draws with.
    explicit DeferredIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
