// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "about/about.h"

#include <QObject>
#include <QPointer>

class QPushButton;
class QWidget;
struct Platform;

// The title bar's "A": shows the About box, creating it when there is none, so that there is
// never more than one.
class AboutActions : public QObject
{
    Q_OBJECT

public:
    // The box belongs to window; button opens it.
    AboutActions(Platform &platform, QWidget &window, QPushButton *button);

    void showAbout();
    about *box() const { return m_box; }

private:
    Platform &m_platform;
    QWidget &m_window;
    QPointer<about> m_box;
};
