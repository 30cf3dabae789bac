// SPDX-License-Identifier: GPL-3.0-or-later
// For the card and history tests: a card whose prompt script must be used up when it goes, so
// a missing or extra question fails the test without a check after every step.
#pragma once

#include "OpenCard.h"

struct CheckedCard : OpenCard {
    using OpenCard::OpenCard;
    CheckedCard(const CheckedCard&) = delete;
    ~CheckedCard()
    {
        if (!QTest::currentTestFailed() && !prompter.scriptDone())
            QTest::qFail(qPrintable(QStringLiteral("prompts not as scripted: %1 left; %2")
                                        .arg(prompter.pending())
                                        .arg(prompter.faults().join(u"; "))),
                         __FILE__, __LINE__);
    }
};
