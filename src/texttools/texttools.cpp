// SPDX-License-Identifier: GPL-3.0-or-later
#include "texttools.h"

#include "controls/clicklabel.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "texttools/textprinter.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "viewer/windowturns.h"

#include <QDir>
#include <QFile>
#include <QPrinter>

#include <memory>

TextTools::TextTools(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    const auto add = [this](const char *name, const QString &text, const QKeySequence &keys,
                            const QList<ClickLabel *> &labels, void (TextTools::*run)()) {
        auto *action = new OperationAction(QLatin1String(name), text, keys, this);
        action->addControls({}, labels);
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    m_formatting = {
        add("actionBold", QStringLiteral("Bold"), QKeySequence(Qt::CTRL | Qt::Key_B), {ui.Label5},
            &TextTools::toggleBold),
        add("actionItalic", QStringLiteral("Italic"), QKeySequence(Qt::CTRL | Qt::Key_I),
            {ui.Label14}, &TextTools::toggleItalic),
        add("actionUnderline", QStringLiteral("Underline"), QKeySequence(Qt::CTRL | Qt::Key_U),
            {ui.Label15}, &TextTools::toggleUnderline),
        add("actionColor", QStringLiteral("Color"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
            {ui.Label16}, &TextTools::chooseColor)};
    add("actionPrint", QStringLiteral("Print"), QKeySequence(Qt::CTRL | Qt::Key_P), {ui.Label18},
        &TextTools::print)
        ->waitForOperations(m_viewer);
    add("actionCopyText", QStringLiteral("Send text to clipboard"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), {ui.com, ui.Label12},
        &TextTools::copyToClipboard)
        ->waitForOperations(m_viewer);
}

void TextTools::setFormattingOffered(bool offered)
{
    for (QAction *action : std::as_const(m_formatting))
        action->setEnabled(offered);
}

bool TextTools::formattable()
{
    if (!ui.Text1->isReadOnly())
        return true;
    m_platform.messages.show(RichTextBox::readOnlyNote(), MessageBoxes::Icon::Information,
                             MessageBoxes::Buttons::Ok);
    return false;
}

// Mixed or not set becomes set; only a uniformly set selection is cleared.
void TextTools::toggleBold()
{
    if (formattable())
        ui.Text1->setSelectionBold(ui.Text1->selectionBold() != Qt::Checked);
}

void TextTools::toggleItalic()
{
    if (formattable())
        ui.Text1->setSelectionItalic(ui.Text1->selectionItalic() != Qt::Checked);
}

void TextTools::toggleUnderline()
{
    if (formattable())
        ui.Text1->setSelectionUnderline(ui.Text1->selectionUnderline() != Qt::Checked);
}

void TextTools::chooseColor()
{
    if (!formattable())
        return;
    const std::optional<QColor> color = m_platform.dialogs.chooseColor(ui.Text1->selectionColor());
    if (!color)
        return;
    ui.Text1->setSelectionColor(*color);
}

void TextTools::print()
{
    if (m_viewer.isBusy())
        return;
    auto printer = std::make_shared<QPrinter>();
    if (!m_platform.dialogs.choosePrinter(*printer))
        return;
    // What the dialog offered: the selection alone, or some of the pages.
    const bool selection = printer->printRange() == QPrinter::Selection;
    const bool range = printer->printRange() == QPrinter::PageRange;
    const int first = range ? printer->fromPage() : 1;
    const int last = range ? printer->toPage() : 0;
    // Laid out and drawn on the operation's thread, page by page, from a copy of the text that
    // shares its pieces; the printer is the thread's alone until the end.
    // A formatted document's text is put together there too, in turns with the window.
    const RichTextBox::TextSnapshotWriting snapshot = ui.Text1->textSnapshotWriting();
    auto turns = std::make_shared<WindowTurns>(this);
    const qsizetype from = selection ? ui.Text1->selectionStart() : 0;
    const qsizetype length = selection ? ui.Text1->selectionLength() : ui.Text1->textLength();
    auto error = std::make_shared<QString>();
    const auto work = [printer, snapshot, turns, from, length, first, last,
                       error](LongOperation::Control &control) {
        const std::optional<TextBuffer> text =
            turns->madeInTurns(snapshot, [&control] { return control.isCancelled(); });
        if (!text)
            return;
        TextPrinter::print(
            *printer, text->mid(from, length), error.get(), first, last,
            [&control](int page, int pages) {
                control.setTotal(pages);
                control.setDone(page);
                return !control.isCancelled();
            },
            [&printer] { printer->abort(); });
    };
    m_viewer.operations().run(QStringLiteral("Printing\u2026"), length, work,
                              [this, printer, error](bool cancelled) {
                                  if (cancelled) {
                                      // A file half printed would pass for the whole text.
                                      if (!printer->outputFileName().isEmpty())
                                          QFile::remove(printer->outputFileName());
                                      return;
                                  }
                                  if (error->isEmpty())
                                      return;
                                  QString shown = *error;
                                  if (!printer->outputFileName().isEmpty())
                                      shown += QStringLiteral(" (%1)").arg(
                                          QDir::toNativeSeparators(printer->outputFileName()));
                                  m_platform.messages.show(shown, MessageBoxes::Icon::Critical,
                                                           MessageBoxes::Buttons::Ok);
                              });
}

void TextTools::copyToClipboard()
{
    if (m_viewer.isBusy())
        return;
    // The text is put together on the operation's thread; the clipboard takes it here.
    const RichTextBox::TextSnapshotWriting snapshot = ui.Text1->textSnapshotWriting();
    auto turns = std::make_shared<WindowTurns>(this);
    auto whole = std::make_shared<std::optional<QString>>();
    const auto work = [snapshot, turns, whole](LongOperation::Control &control) {
        const std::optional<TextBuffer> made =
            turns->madeInTurns(snapshot, [&control] { return control.isCancelled(); });
        if (!made)
            return;
        const TextBuffer &text = *made;
        *whole = QString();
        QString &copy = **whole;
        control.setTotal(text.length());
        copy.reserve(text.length());
        text.forEachPiece([&](QStringView piece) {
            if (control.isCancelled())
                return;
            copy.append(piece);
            control.setDone(copy.size());
        });
    };
    m_viewer.operations().run(QStringLiteral("Copying the text\u2026"), ui.Text1->textLength(),
                              work, [this, whole](bool cancelled) {
                                  if (cancelled || !*whole)
                                      return;
                                  Clipboard &clipboard = m_platform.clipboard;
                                  clipboard.clear();
                                  clipboard.setText(**whole);
                              });
}
