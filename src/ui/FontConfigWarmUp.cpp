// SPDX-License-Identifier: GPL-3.0-or-later
#include "FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp()
    // FcInit makes the process's one configuration, which Qt's calls then find made. Should it
    // fail, Qt meets the same failure later, as it would have without this.
    : m_thread([] { (void)FcInit(); })
{
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
