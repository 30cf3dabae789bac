// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the module that holds the sync's HTTP (vardelin_http) when a sync first needs it.
#pragma once

#include "DavTransport.h"

#include <QString>

#include <memory>

namespace HttpModule {

// The module beside the executable (a build folder) when it is there, else where the program
// installs it, found from the executable's folder.
QString path(const QString& programFolder);

// A transport from the module at modulePath (empty: the program's own, loaded once and kept
// loaded), or the error that tells the user the module is missing.
Result<std::unique_ptr<DavTransport>> transport(const QString& user, const QString& password,
                                                const QString& modulePath = {});

} // namespace HttpModule
