// SPDX-License-Identifier: GPL-3.0-or-later
// The program's three colour themes, applied to the whole application.
#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

class QLineEdit;
class QWidget;

namespace Skin {

// The theme until an account's own is known.
inline constexpr QLatin1StringView defaultName("Silver");

// The theme names in the order the settings page offers them.
QStringList names();

// Themes the whole application (Fusion drawn in the theme's colours, and its palette) in the
// named colour, matched without regard to case. Returns false and changes nothing for an unknown
// name or when there is no QApplication; applying the current theme again does nothing.
bool apply(const QString& colour);

// Draws the label in the theme's colour for a refusal written into a dialog. Called before the
// label is first shown.
void markAsWarning(QWidget* label);

// Shows the password typed into the edit as asterisks rather than the style's dots.
void maskWithAsterisks(QLineEdit* edit);

// The name of the theme last applied, as names() spells it; empty before the first apply().
QString current();

} // namespace Skin
