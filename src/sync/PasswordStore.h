// SPDX-License-Identifier: GPL-3.0-or-later
// Where the sync password is kept between runs: the desktop's secret store, never DB.xml.
#pragma once

#include <QString>

#include <optional>

class PasswordStore {
public:
    virtual ~PasswordStore() = default;
    // Nothing when no password is kept for the key or no secret store answers.
    virtual std::optional<QString> read(const QString& key) = 0;
    // False when no secret store took it: the password is then asked at each sync.
    virtual bool write(const QString& key, const QString& password) = 0;
};
