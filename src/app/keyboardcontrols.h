// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct PgwellUi;

// The main window's Tab order. Its keys are those of its operations' actions.
namespace KeyboardControls {
void setTabOrder(const PgwellUi &controls);
}
