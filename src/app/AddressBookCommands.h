// SPDX-License-Identifier: GPL-3.0-or-later
// Making a new, empty address book and choosing another one to open.
#pragma once

#include <QString>

#include <optional>

class Prompter;
class QWidget;

namespace AddressBookCommands {

// Asks where to write a new address book and writes it there, empty but for the first rows
// (the administrator, the root group, the columns). An existing file is never overwritten:
// the user is told and nothing is written. The new file's path, or nothing when the user
// cancelled or the file could not be written (the error box has been shown).
std::optional<QString> createNew(QWidget* parent, Prompter& prompter);

// Asks for an address book to open and checks, read only, that this program can open it (an
// earlier build's file passes and is brought up to date when opened). The chosen path, or
// nothing when the user cancelled or the file is refused (the error box has been shown).
std::optional<QString> chooseExisting(QWidget* parent, Prompter& prompter);

} // namespace AddressBookCommands
