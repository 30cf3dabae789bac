// SPDX-License-Identifier: GPL-3.0-or-later
// A client of the benchmark's X server that acts as the user: keys and clicks sent through the
// XTEST extension, and the clock stopped when the DAMAGE extension reports new pixels.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

// Xlib's macros (Status, None, Bool) clash with Qt's and ours: its headers stay in XInput.cpp.
struct _XDisplay;

namespace Bench {

class XInput {
public:
    // Connects to display; false with failure() when it or an extension is missing.
    bool open(const QString& display);
    ~XInput();

    QString failure() const { return m_failure; }

    void click(QPoint at);
    // Selects the focused line's text (Ctrl+A), so that the next keys replace it.
    void selectAll();
    // Types text key by key; characters no key carries (Chinese) get a spare key of their own.
    void type(const QString& text);
    // Waits until the screen has not changed for quietMs, at most maxMs.
    void settle(int quietMs, int maxMs);
    // Sends Enter and returns the milliseconds until the first change of pixels inside area;
    // a negative value when none came within timeoutMs.
    double enterToRepaint(const QRect& area, int timeoutMs);
    // The next DAMAGE rectangle within waitMs; false when none came.
    bool nextDamage(int waitMs, QRect& area);
    // Moves the pointer without a click (a hover may change pixels: settle after it).
    void moveTo(QPoint at);
    // The same for a click of the left button at a point the pointer already rests on.
    double clickToRepaint(QPoint at, const QRect& area, int timeoutMs);

private:
    void key(unsigned long keysym);
    void pressAndRelease(unsigned keycode, bool shifted);
    unsigned spareKeycode();
    double toRepaint(const std::function<void()>& act, const QRect& area, int timeoutMs);

    _XDisplay* m_display = nullptr;
    unsigned long m_damage = 0; // an XID
    int m_damageEventBase = 0;
    unsigned m_spare = 0;
    QString m_failure;
};

} // namespace Bench
