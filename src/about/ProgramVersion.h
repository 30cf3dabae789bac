// SPDX-License-Identifier: GPL-3.0-or-later
// The version of this release, as the About box shows it.
#pragma once

#include <QString>

namespace ProgramVersion {

inline constexpr int major = 3;
inline constexpr int minor = 1;
inline constexpr int revision = 0;

// "3.1.0"
inline QString text()
{
    return QString::number(major) + u'.' + QString::number(minor) + u'.' +
           QString::number(revision);
}

} // namespace ProgramVersion
