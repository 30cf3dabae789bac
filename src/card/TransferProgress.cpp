// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// The bar counts in thousandths, so lengths beyond what an int holds need no care.
constexpr int barSteps = 1000;

} // namespace

TransferProgress::TransferProgress(QWidget* parent, const QString& label)
    : m_dialog(
          std::make_unique<QProgressDialog>(label, QStringLiteral("取消"), 0, barSteps, parent))
{
    m_dialog->setObjectName(QStringLiteral("TransferProgress"));
    m_dialog->setWindowTitle(QStringLiteral("提示"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(showAfterMs);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

TransferProgress::~TransferProgress() = default;

BlobStream::Progress TransferProgress::callback()
{
    return [this](qint64 done, qint64 total) {
        return update(done, total);
    };
}

bool TransferProgress::update(qint64 done, qint64 total)
{
    const int step = total > 0 ? int(done * barSteps / total) : barSteps;
    m_dialog->setValue(step);
    QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                          : QEventLoop::ExcludeUserInputEvents);
    return !m_dialog->wasCanceled();
}
