// SPDX-License-Identifier: GPL-3.0-or-later
// An edit card opened and shown again and again, each time to its first processed events: the
// median the card benchmarks report.
#pragma once

#include "BenchSupport.h"

#include "card/frmCard.h"
#include "db/Session.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

namespace Bench {

// Opens the card of request runs times after one untimed opening that warms the caches; check
// sees each card shown and stops the benchmark when it is not what was asked for.
inline double medianCardOpenMs(Database& db, Prompter& prompter, const CardRequest& request,
                               int runs, const std::function<void(frmCard&)>& check)
{
    Session session;
    std::vector<double> openMs;
    for (int run = 0; run <= runs; ++run) {
        std::unique_ptr<frmCard> card;
        const double ms = elapsedMs([&] {
            card = std::make_unique<frmCard>(db, session, prompter, request);
            card->show();
            QCoreApplication::processEvents();
        });
        check(*card);
        if (run > 0)
            openMs.push_back(ms);
    }
    return median(openMs);
}

} // namespace Bench
