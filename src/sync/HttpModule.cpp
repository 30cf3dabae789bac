// SPDX-License-Identifier: GPL-3.0-or-later
#include "HttpModule.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {

const char* const factoryName = "vardelin_http_transport";

// The factory, or why the module cannot give one. The library is never unloaded: the
// transports it made run its code until they are deleted.
Result<CreateDavTransport*> load(const QString& modulePath)
{
    QLibrary library(modulePath);
    auto* create = reinterpret_cast<CreateDavTransport*>(library.resolve(factoryName));
    if (create)
        return create;
    qWarning().noquote() << library.errorString();
    return DbError{
        SyncErrorCode::NoHttpModule,
        QStringLiteral("无法加载同步所需的网络模块 %1，没有连接服务器。请重新安装本程序。")
            .arg(QDir::toNativeSeparators(modulePath))};
}

} // namespace

namespace HttpModule {

QString path(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QStringLiteral(VARDELIN_HTTP_MODULE));
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(
        QDir(programFolder)
            .filePath(QStringLiteral(VARDELIN_MODULEDIR_FROM_BINDIR "/" VARDELIN_HTTP_MODULE)));
}

Result<std::unique_ptr<DavTransport>> transport(const QString& user, const QString& password,
                                                const QString& modulePath)
{
    // A function's static is made once, the threads that ask meanwhile waiting for it.
    static const Result<CreateDavTransport*> programModule =
        load(path(QCoreApplication::applicationDirPath()));
    const Result<CreateDavTransport*> create =
        modulePath.isEmpty() ? programModule : load(modulePath);
    if (!create)
        return create.error();
    return std::unique_ptr<DavTransport>(create.value()(user, password));
}

} // namespace HttpModule
