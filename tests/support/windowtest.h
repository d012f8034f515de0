// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "windowfixture.h"

#include <memory>
#include <QObject>

// Base of the test cases that drive the main window: the design fonts and a home of its own
// once, and a fresh window fixture `f` for every test function. Qt Test finds these slots on
// the base; a test case that needs more set-up declares its own slot of the same name.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<WindowFixture> f;

private slots:
    void initTestCase();
    void init();
    void cleanup();
};
