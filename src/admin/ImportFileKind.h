// SPDX-License-Identifier: GPL-3.0-or-later
// Which reader a chosen file goes to, told by its name's ending.
#pragma once

#include <QString>

#include <optional>

enum class ImportFileKind { Csv, VCard, Workbook, Unknown };

ImportFileKind importFileKind(const QString& path);

// The notice for a file no reader takes; nothing for a kind that is read.
std::optional<QString> unreadableKindNotice(ImportFileKind kind);
