// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Auto view as the user sees it: Off (the box unchecked, its controls and the timer off),
// Armed (checked, controls on, not stepping) and Running (stepping on the timer). Running
// only goes back through Off.
class AutoViewState
{
public:
    enum class State { Off, Armed, Running };

    State state() const { return m_state; }
    bool controlsEnabled() const { return m_state != State::Off; }
    bool timerEnabled() const { return m_state == State::Running; }

    // "Enable autoview" checked or cleared, by the user or by a failed step.
    void setChecked(bool checked);
    // "Start": only an armed or running Auto view runs; while Off the button is disabled.
    void start();

private:
    State m_state = State::Off;
};
