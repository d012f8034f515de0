// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "messageboxes.h"

class QWidget;

// Message boxes shown with QMessageBox, application-modal.
class QtMessageBoxes : public MessageBoxes
{
public:
    Answer show(const QString &text, Icon icon, Buttons buttons, const QString &title) override;
};
