// SPDX-License-Identifier: GPL-3.0-or-later
#include "SharedLibrary.h"

#include <QDebug>

SharedLibrary::SharedLibrary(const QString& name, int version)
    : m_library(name, version)
{
    if (!m_library.load())
        m_missing = m_library.errorString();
}

bool SharedLibrary::complete() const
{
    if (!m_missing.isEmpty())
        qWarning().noquote() << m_missing;
    return m_missing.isEmpty();
}
