// SPDX-License-Identifier: GPL-3.0-or-later
#include "autoview.h"

#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "platform/inputbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/qtsteptimer.h"
#include "viewer/autoviewinterval.h"
#include "viewer/liststep.h"
#include "viewer/viewer.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
std::unique_ptr<StepTimer> timerFor(QTimer *windowTimer, StepTimer *given)
{
    return given ? nullptr : std::make_unique<QtStepTimer>(*windowTimer);
}
} // namespace

AutoView::AutoView(Viewer &viewer, Platform &platform, const Controls &controls, StepTimer *timer,
                   QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls),
      m_ownTimer(timerFor(ui.Timer1, timer)), m_timer(timer ? *timer : *m_ownTimer)
{
    // Until the first step applies the typed interval, the first step comes after a second.
    m_timer.stop();
    m_timer.setInterval(1000);
    m_timer.onTick([this] { tick(); });

    // Toggled, not clicked: clearing the box from code turns Auto view off the same way.
    connect(ui.Check1, &QCheckBox::toggled, this, &AutoView::onCheckToggled);
    connect(ui.ok, &QPushButton::clicked, this, &AutoView::start);
    connect(ui.Label3, &ClickLabel::clicked, this, &AutoView::askInterval);
    connect(&m_viewer, &Viewer::autoViewIntervalChanged, this, &AutoView::showInterval);
    showInterval();
    connect(ui.Label3, &ClickLabel::pressed, this, [this] { showPressed(true); });
    connect(ui.Label3, &ClickLabel::released, this, [this] { showPressed(false); });
    apply();
}

AutoView::~AutoView() = default;

AutoViewState::State AutoView::state() const
{
    return m_viewer.autoView().state();
}

void AutoView::onCheckToggled(bool checked)
{
    m_viewer.autoView().setChecked(checked);
    apply();
}

void AutoView::start()
{
    m_viewer.autoView().start();
    apply();
}

void AutoView::apply()
{
    // The timer goes first, so that nothing steps once Auto view is being switched off.
    if (m_viewer.autoView().timerEnabled())
        m_timer.start();
    else
        m_timer.stop();
    const bool enabled = m_viewer.autoView().controlsEnabled();
    for (QWidget *control : {static_cast<QWidget *>(ui.Option1), static_cast<QWidget *>(ui.Option2),
                             static_cast<QWidget *>(ui.ok), static_cast<QWidget *>(ui.Label3)})
        control->setEnabled(enabled);
}

void AutoView::askInterval()
{
    // The box always offers the default, not the interval in use.
    const std::optional<QString> answer = m_platform.input.ask(
        QStringLiteral("Type the number of Milli secounde for the auto change the file .."),
        QStringLiteral("Auto change"), QString::number(AutoViewInterval::defaultMilliseconds));
    if (!answer) {
        m_platform.messages.show(QStringLiteral("unknow value .."), Icon::Information, Buttons::Ok);
        m_viewer.setAutoViewIntervalText(QStringLiteral("5"));
        return;
    }
    // Taken as typed; it is checked when a step applies it. An empty answer is the default.
    m_viewer.setAutoViewIntervalText(*answer);
}

void AutoView::showInterval()
{
    ui.Label3->setCaption(m_viewer.autoViewIntervalText());
}

void AutoView::showPressed(bool pressed)
{
    ui.Label3->setFrameStyle(pressed ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
}

void AutoView::tick()
{
    // A step that shows a message (this one's or the display's) lets the timer tick again
    // behind the message; that tick is dropped instead of stacking a second step on it.
    if (m_ticking || m_viewer.isShowingRead() || !m_viewer.autoView().timerEnabled())
        return;
    // A file still being read is waited for: the step that started it is not undone by the
    // next, so that a short interval over large files still shows every one of them.
    if (m_viewer.isLoading())
        return;
    const QScopedValueRollback guard(m_ticking, true);

    const std::optional<int> interval = m_viewer.autoViewInterval();
    if (!interval)
        return fail();
    m_timer.setInterval(*interval);

    FileListBox *list = ui.Option1->isChecked()   ? ui.File1
                        : ui.Option2->isChecked() ? ui.File2
                                                  : nullptr;
    if (!list)
        return;
    QStringList entries;
    for (int i = 0; i < list->listCount(); ++i)
        entries.append(list->item(i)->text());
    if (list != m_walkedList)
        m_place.reset();
    const QString shown = m_viewer.shownFile().path;
    const int next = ListStep::forAutoView(entries, list->listIndex(), m_place, shown);
    if (next < 0)
        return fail();
    m_walkedList = list;
    m_place = ListStep::WalkPlace{entries.at(next), next, shown};
    if (!list->setListIndex(next))
        return fail();
}

void AutoView::fail()
{
    m_timer.stop();
    m_platform.messages.show(
        QStringLiteral(
            "The list is empty .. Please select a directory which contain some text files ..."),
        Icon::Information, Buttons::Ok);
    ui.Check1->setChecked(false);
}
