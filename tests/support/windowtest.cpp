// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowtest.h"

#include "controls/appfonts.h"

void WindowTest::initTestCase()
{
    useOwnHome();
    installDesignFonts();
}

void WindowTest::init()
{
    f = std::make_unique<WindowFixture>();
}

void WindowTest::cleanup()
{
    f.reset();
}
