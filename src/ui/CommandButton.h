// SPDX-License-Identifier: GPL-3.0-or-later
// A push button under its control name, as the pages and dialogs create them.
#pragma once

#include <QPushButton>

inline QPushButton* commandButton(const QString& objectName, const QString& caption,
                                  QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    return button;
}
