// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipslotactions.h"

#include "controls/backgroundcolor.h"
#include "controls/clicklabel.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programlauncher.h"
#include "texttools/clipslots.h"
#include "texttools/clipslotwriter.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"

#include <memory>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
const QColor pressedColor(128, 128, 255);
const QColor hoverColor(192, 192, 255);
} // namespace

ClipSlotActions::ClipSlotActions(Viewer &viewer, Platform &platform, const Controls &controls,
                                 QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    // Sends the pane's text: it waits for a file being read.
    auto *send =
        new OperationAction(QStringLiteral("actionSendToClip"), QStringLiteral("Send to clip"),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), this);
    send->addControls({}, {ui.Label13});
    send->waitForLoads(m_viewer);
    connect(send, &QAction::triggered, this, &ClipSlotActions::send);
    connect(ui.Image4, &ClickLabel::clicked, this, &ClipSlotActions::reportFreeSlots);
    connect(ui.Label13, &ClickLabel::pressed, this, [this] {
        setBackgroundColor(ui.Label13, pressedColor);
        ui.Label13->setFrameStyle(QFrame::Box | QFrame::Plain);
    });
    connect(ui.Label13, &ClickLabel::released, this, [this] {
        setBackgroundColor(ui.Label13, hoverColor);
        ui.Label13->setFrameStyle(QFrame::NoFrame);
    });
    connect(ui.Label13, &ClickLabel::moved, this,
            [this] { setBackgroundColor(ui.Label13, hoverColor); });
}

void ClipSlotActions::send()
{
    if (m_viewer.isBusy())
        return;
    const QString folder = ClipSlots::folder(m_viewer.clipFolderSetting());
    // Made and written on the operation's thread from a copy of the text that shares its
    // pieces; the window goes on answering, and a cancel writes nothing.
    const TextBuffer text = ui.Text1->plainTextBuffer();
    auto sent = std::make_shared<ClipSlotWriter::Result>();
    const auto work = [folder, text, sent](LongOperation::Control &control) {
        control.setTotal(text.length());
        const std::optional<QByteArray> bytes =
            ClipSlots::content(text, clipSlotMaxBytes, [&control](qint64 done) {
                control.setDone(done);
                return !control.isCancelled();
            });
        if (control.isCancelled())
            return;
        if (!bytes) {
            sent->tooLarge = true;
            return;
        }
        *sent = ClipSlotWriter(folder).sendContent(*bytes);
    };
    m_viewer.operations().run(QStringLiteral("Sending the text to a clip\u2026"), text.length(),
                              work, [this, sent](bool cancelled) {
                                  if (!cancelled)
                                      reportSent(*sent);
                              });
}

void ClipSlotActions::reportSent(const ClipSlotWriter::Result &sent)
{
    if (sent.tooLarge) {
        // Said before anything is written: sbx could neither show nor copy such a clip.
        m_platform.messages.show(
            QStringLiteral("The text is too large for a clip: a clip holds up to %1 MB.")
                .arg(clipSlotMaxBytes >> 20),
            Icon::Information, Buttons::Ok);
        return;
    }
    if (!sent.error.isEmpty()) {
        showFailure(sent.error);
        return;
    }
    Platform &platform = m_platform;
    if (sent.slot == 0)
        platform.messages.show(QStringLiteral("All the clips are full please free up them .."),
                               Icon::Information, Buttons::Ok);
    if (platform.messages.show(QStringLiteral("Would you like to start Vantrel Stash now"),
                               Icon::Question, Buttons::YesNo) != MessageBoxes::Answer::Yes)
        return;
    QString error;
    if (!platform.launcher.start(platform.programFolder + QStringLiteral("/sbx"), {}, &error))
        showFailure(error);
}

void ClipSlotActions::reportFreeSlots()
{
    m_platform.messages.show(ClipSlots::freeReport(ClipSlots::folder(m_viewer.clipFolderSetting())),
                             Icon::None, Buttons::Ok);
}

void ClipSlotActions::showFailure(const QString &error)
{
    m_platform.messages.show(
        error +
            QStringLiteral("Faild to found Vantrel Stashbox .. please ensure that you get all the "
                           "Vantrel tools..you can download them from the place where you got "
                           "Pagewell <>"),
        Icon::Information, Buttons::Ok);
}
