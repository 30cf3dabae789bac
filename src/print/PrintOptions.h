// SPDX-License-Identifier: GPL-3.0-or-later
// What the user chose to print, and how.
#pragma once

#include "db/PrintSettings.h"

#include <QDate>
#include <QString>

enum class PrintKind { List, Cards, Envelopes, Labels };

// The common Chinese envelope sizes, width × height in millimetres.
struct EnvelopeSize {
    const char16_t* name;
    double widthMm;
    double heightMm;
};
inline constexpr EnvelopeSize envelopeSizes[] = {
    {u"DL 220×110 mm", 220, 110},
    {u"C5 229×162 mm", 229, 162},
    {u"C6 162×114 mm", 162, 114},
    {u"B6 176×125 mm", 176, 125},
};

// Sheets of A4 labels: columns × rows.
struct LabelSheet {
    const char16_t* name;
    int columns;
    int rows;
};
inline constexpr LabelSheet labelSheets[] = {
    {u"2×7", 2, 7},
    {u"3×7", 3, 7},
    {u"3×8", 3, 8},
    {u"2×5", 2, 5},
};

struct PrintOptions {
    PrintKind kind = PrintKind::List;
    QString title = QStringLiteral("通讯录列表");
    QDate date = QDate::currentDate();
    int cardsPerPage = 1; // 1 or 2
    int envelope = 0;     // index into envelopeSizes
    int labelSheet = 0;   // index into labelSheets
    int firstLabel = 1;   // 1-based position on the first sheet
    PrintSettings sender;
};
