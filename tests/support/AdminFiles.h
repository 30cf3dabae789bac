// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing whole test files, as the import and export tests of tests/admin do.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace AdminFiles {

// The file's bytes; a test file that cannot be read ends the test program.
inline QByteArray read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// Writes the bytes whole and gives the path back.
inline QString write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace AdminFiles
