// SPDX-License-Identifier: GPL-3.0-or-later
#include "autoviewstate.h"

void AutoViewState::setChecked(bool checked)
{
    if (!checked)
        m_state = State::Off;
    else if (m_state == State::Off)
        m_state = State::Armed;
}

void AutoViewState::start()
{
    if (m_state != State::Off)
        m_state = State::Running;
}
