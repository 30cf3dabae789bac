// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own Simplified Chinese texts, so standard buttons and file dialogs match the program.
#pragma once

class QCoreApplication;

namespace QtTranslations {

// Loads "qtbase_zh_CN" from Qt's translations folder and installs it on app. The
// translator lives as long as app. False when the file is missing or unreadable: the
// program then runs with Qt's English texts.
bool install(QCoreApplication& app);

} // namespace QtTranslations
