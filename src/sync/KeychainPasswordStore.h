// SPDX-License-Identifier: GPL-3.0-or-later
// The sync password in the desktop's secret store.
#pragma once

#include "PasswordStore.h"

// The desktop's secret store through QtKeychain (the Secret Service, KWallet, …).
class KeychainPasswordStore final : public PasswordStore {
public:
    std::optional<QString> read(const QString& key) override;
    bool write(const QString& key, const QString& password) override;
};
