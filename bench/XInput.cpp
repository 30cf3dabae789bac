// SPDX-License-Identifier: GPL-3.0-or-later
#include "XInput.h"

#include <QElapsedTimer>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <poll.h>

namespace {

// What X calls the keysym of a character: Latin-1 as it is, the rest in the Unicode range.
unsigned long keysymOf(QChar c)
{
    return c.unicode() < 0x100 ? c.unicode() : 0x01000000UL | c.unicode();
}

} // namespace

bool Bench::XInput::open(const QString& display)
{
    m_display = XOpenDisplay(display.toLocal8Bit().constData());
    if (!m_display) {
        m_failure = QStringLiteral("cannot connect to ") + display;
        return false;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) {
        m_failure = QStringLiteral("the X server has no XTEST");
        return false;
    }
    if (!XDamageQueryExtension(m_display, &m_damageEventBase, &errorBase)) {
        m_failure = QStringLiteral("the X server has no DAMAGE");
        return false;
    }
    // On the root window: every window's drawing shows there, as a screen reader sees it.
    m_damage = XDamageCreate(m_display, DefaultRootWindow(m_display), XDamageReportRawRectangles);
    XSync(m_display, False);
    return true;
}

Bench::XInput::~XInput()
{
    if (!m_display)
        return;
    if (m_damage)
        XDamageDestroy(m_display, m_damage);
    XCloseDisplay(m_display);
}

void Bench::XInput::click(QPoint at)
{
    XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XFlush(m_display);
}

void Bench::XInput::selectAll()
{
    const unsigned control = XKeysymToKeycode(m_display, XK_Control_L);
    XTestFakeKeyEvent(m_display, control, True, CurrentTime);
    key('a');
    XTestFakeKeyEvent(m_display, control, False, CurrentTime);
    XFlush(m_display);
}

void Bench::XInput::type(const QString& text)
{
    for (QChar c : text)
        key(keysymOf(c));
    XFlush(m_display);
}

void Bench::XInput::key(unsigned long keysym)
{
    const unsigned keycode = XKeysymToKeycode(m_display, keysym);
    if (keycode != 0) {
        const bool plain = XkbKeycodeToKeysym(m_display, KeyCode(keycode), 0, 0) == keysym;
        pressAndRelease(keycode, !plain);
        return;
    }
    // The spare key carries the character on both levels; the program reads the new map
    // from the notice the server sends it before the key.
    const unsigned spare = spareKeycode();
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(m_display, int(spare), 2, both, 1);
    XSync(m_display, False);
    QThread::msleep(20);
    pressAndRelease(spare, false);
}

void Bench::XInput::pressAndRelease(unsigned keycode, bool shifted)
{
    const unsigned shift = XKeysymToKeycode(m_display, XK_Shift_L);
    if (shifted)
        XTestFakeKeyEvent(m_display, shift, True, CurrentTime);
    XTestFakeKeyEvent(m_display, keycode, True, CurrentTime);
    XTestFakeKeyEvent(m_display, keycode, False, CurrentTime);
    if (shifted)
        XTestFakeKeyEvent(m_display, shift, False, CurrentTime);
    XSync(m_display, False);
}

unsigned Bench::XInput::spareKeycode()
{
    if (m_spare != 0)
        return m_spare;
    int lowest = 0, highest = 0, perKeycode = 0;
    XDisplayKeycodes(m_display, &lowest, &highest);
    KeySym* map =
        XGetKeyboardMapping(m_display, KeyCode(lowest), highest - lowest + 1, &perKeycode);
    // The highest key with nothing on it.
    for (int keycode = highest; keycode >= lowest && m_spare == 0; --keycode) {
        bool empty = true;
        for (int level = 0; level < perKeycode; ++level)
            empty = empty && map[(keycode - lowest) * perKeycode + level] == NoSymbol;
        if (empty)
            m_spare = unsigned(keycode);
    }
    XFree(map);
    if (m_spare == 0)
        m_spare = unsigned(highest - 1);
    return m_spare;
}

bool Bench::XInput::nextDamage(int waitMs, QRect& area)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == m_damageEventBase + XDamageNotify) {
                const auto* damage = reinterpret_cast<const XDamageNotifyEvent*>(&event);
                area =
                    QRect(damage->area.x, damage->area.y, damage->area.width, damage->area.height);
                return true;
            }
        }
        const qint64 left = waitMs - waited.elapsed();
        if (left <= 0)
            return false;
        pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
        ::poll(&connection, 1, int(left));
    }
}

void Bench::XInput::settle(int quietMs, int maxMs)
{
    QElapsedTimer waited;
    waited.start();
    QRect area;
    while (waited.elapsed() < maxMs && nextDamage(quietMs, area)) {
    }
}

double Bench::XInput::enterToRepaint(const QRect& area, int timeoutMs)
{
    const unsigned enter = XKeysymToKeycode(m_display, XK_Return);
    return toRepaint(
        [this, enter] {
            XTestFakeKeyEvent(m_display, enter, True, CurrentTime);
            XTestFakeKeyEvent(m_display, enter, False, CurrentTime);
        },
        area, timeoutMs);
}

void Bench::XInput::moveTo(QPoint at)
{
    XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
    XFlush(m_display);
}

double Bench::XInput::clickToRepaint(QPoint at, const QRect& area, int timeoutMs)
{
    moveTo(at);
    return toRepaint(
        [this] {
            XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
            XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        },
        area, timeoutMs);
}

double Bench::XInput::toRepaint(const std::function<void()>& act, const QRect& area, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    act();
    XFlush(m_display);
    QRect damaged;
    while (nextDamage(int(timeoutMs - clock.elapsed()), damaged)) {
        if (damaged.intersects(area))
            return double(clock.nsecsElapsed()) / 1e6;
    }
    return -1;
}
