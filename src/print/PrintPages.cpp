// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrintPages.h"

#include "CardPages.h"
#include "EnvelopePages.h"
#include "LabelPages.h"
#include "ListPages.h"

#include <algorithm>
#include <iterator>

PrintOutcome PrintPages::draw(QPagedPaintDevice& device, const PrintOptions& chosen,
                              const PrintTable& table, const std::vector<PrintContact>& contacts,
                              const PrintProgress& progress)
{
    PrintOptions options = chosen;
    options.envelope = std::clamp(options.envelope, 0, int(std::size(envelopeSizes)) - 1);
    options.labelSheet = std::clamp(options.labelSheet, 0, int(std::size(labelSheets)) - 1);
    switch (options.kind) {
    case PrintKind::List:
        return ListPages::draw(device, options, table, progress);
    case PrintKind::Cards:
        return CardPages::draw(device, options, contacts, progress);
    case PrintKind::Envelopes:
        return EnvelopePages::draw(device, options, contacts, progress);
    case PrintKind::Labels:
        return LabelPages::draw(device, options, contacts, progress);
    }
    return {};
}
