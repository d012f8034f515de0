// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/autoviewstate.h"
#include "viewer/liststep.h"

#include <memory>
#include <optional>
#include <QObject>

class ClickLabel;
class FileListBox;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QTimer;
class Viewer;
struct Platform;
class StepTimer;

// Auto view: "Enable autoview", the choice of list, "Start" and the interval label, and the
// timer that steps the chosen list. A step only selects the next entry; the list's own choice
// shows the file, as a click would.
class AutoView : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        QTimer *Timer1;
        QCheckBox *Check1;
        QPushButton *ok;
        ClickLabel *Label3;
        QRadioButton *Option1;
        QRadioButton *Option2;
        FileListBox *File1;
        FileListBox *File2;
    };

    // Steps on the timer given, or on the window's Timer1 when none is given.
    AutoView(Viewer &viewer, Platform &platform, const Controls &controls, StepTimer *timer,
             QObject *parent);
    ~AutoView() override;

    AutoViewState::State state() const;
    void tick();

private:
    void onCheckToggled(bool checked);
    void start();
    void askInterval();
    void showInterval();
    void showPressed(bool pressed);
    void fail();
    void apply();

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    std::unique_ptr<StepTimer> m_ownTimer;
    StepTimer &m_timer;
    bool m_ticking = false;

    // Where the last step left the walk, and in which list.
    const FileListBox *m_walkedList = nullptr;
    std::optional<ListStep::WalkPlace> m_place;
};
