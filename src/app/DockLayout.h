// SPDX-License-Identifier: GPL-3.0-or-later
// The stored form of the main window's pane layout: a version and a hash of the state.
#pragma once

#include <QByteArray>
#include <QString>

namespace DockLayout {

// The stored text is "VDL" + version + ":" + SHA-256 of the state in lower-case hex + ":" +
// the state in Base64. Qt's restoreState() trusts its input (some single-byte changes of a
// sound state crash inside it), so only a state whose hash matches is ever handed to it.
inline constexpr int version = 1;

enum class Form {
    Empty,     // nothing stored: the creation layout
    Checked,   // a state of this form whose hash matches
    Unchecked, // anything without the header, such as the plain Base64 earlier builds wrote
    Damaged,   // the header is there but the hash, the version or the Base64 does not fit
};

struct Unwrapped {
    Form form = Form::Empty;
    // Only set when form is Checked.
    QByteArray state;
};

QString wrap(const QByteArray& state);
Unwrapped unwrap(const QString& stored);

} // namespace DockLayout
