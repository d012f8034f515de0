// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window is designed in "MS Sans Serif" and "Tahoma"; map them to installed fonts of
// similar widths, and make the design font the application's font.
void installDesignFonts();
