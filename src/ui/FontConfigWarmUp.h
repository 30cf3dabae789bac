// SPDX-License-Identifier: GPL-3.0-or-later
// Fontconfig's set-up, run on a thread of its own while the application starts.
#pragma once

#include <thread>

// Fontconfig reads its configuration files and font caches the first time the program asks
// for a font, which comes right after the QApplication is made: a few milliseconds of every
// start spent parsing XML. Made before the QApplication, this does that reading beside
// Qt's connection to the display, on the machine's other core.
class FontConfigWarmUp {
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    // Returns once fontconfig is set up. Call before the first font lookup, so that the
    // lookup does not set it up a second time beside the thread.
    void wait();

private:
    std::thread m_thread;
};
