// SPDX-License-Identifier: GPL-3.0-or-later
// A system library loaded by the program itself when a command first needs it, rather than
// linked and loaded before main() at every start; its entry points read one by one, all or none.
#pragma once

#include <QLibrary>
#include <QString>

class SharedLibrary {
public:
    // Loads lib<name>.so.<version>; never unloaded, as what was read from it may be used until
    // the program ends.
    SharedLibrary(const QString& name, int version);

    // Points entry at symbol; null once any symbol was missing or the library did not load.
    template <typename Function> void read(Function*& entry, const char* symbol)
    {
        entry =
            m_missing.isEmpty() ? reinterpret_cast<Function*>(m_library.resolve(symbol)) : nullptr;
        if (!entry && m_missing.isEmpty())
            m_missing =
                m_library.fileName() + QStringLiteral(" lacks ") + QLatin1StringView(symbol);
    }
    // True when it loaded and every symbol read so far was there; warns why not otherwise.
    bool complete() const;

private:
    QLibrary m_library;
    QString m_missing; // why the entry points are not all there
};
