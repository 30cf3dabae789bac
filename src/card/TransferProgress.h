// SPDX-License-Identifier: GPL-3.0-or-later
// The progress of a file moved into or out of the database, with a Cancel button.
#pragma once

#include "db/BlobStream.h"

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

class TransferProgress {
public:
    // The dialog shows only when the move lasts long enough to need it.
    TransferProgress(QWidget* parent, const QString& label);
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // Updates the bar and lets the window repaint; false once Cancel was pressed. Until the
    // dialog shows, which blocks every other window, the user's input waits, so no command
    // can start inside the move.
    BlobStream::Progress callback();

    static constexpr int showAfterMs = 400;

private:
    bool update(qint64 done, qint64 total);

    std::unique_ptr<QProgressDialog> m_dialog;
};
