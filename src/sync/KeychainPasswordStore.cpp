// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeychainPasswordStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace {

const QString service = QStringLiteral("瓦德林通讯录");

// Runs a job to its end; the secret store answers asynchronously (it may ask to unlock).
bool finished(QKeychain::Job& job)
{
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.setAutoDelete(false);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return job.error() == QKeychain::NoError;
}

} // namespace

std::optional<QString> KeychainPasswordStore::read(const QString& key)
{
    QKeychain::ReadPasswordJob job(service);
    job.setKey(key);
    if (!finished(job))
        return std::nullopt;
    return job.textData();
}

bool KeychainPasswordStore::write(const QString& key, const QString& password)
{
    QKeychain::WritePasswordJob job(service);
    job.setKey(key);
    job.setTextData(password);
    return finished(job);
}
