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
#include "viewer/viewer.h"

#include <QDir>
#include <QPrinter>

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
        &TextTools::print);
    add("actionCopyText", QStringLiteral("Send text to clipboard"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), {ui.com, ui.Label12},
        &TextTools::copyToClipboard);
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
    QPrinter printer;
    if (!m_platform.dialogs.choosePrinter(printer))
        return;
    // What the dialog offered: the selection alone, or some of the pages.
    const bool selection = printer.printRange() == QPrinter::Selection;
    const bool range = printer.printRange() == QPrinter::PageRange;
    QString error;
    if (!TextPrinter::print(printer, selection ? ui.Text1->selectedText() : ui.Text1->text(),
                            &error, range ? printer.fromPage() : 1, range ? printer.toPage() : 0)) {
        if (!printer.outputFileName().isEmpty())
            error +=
                QStringLiteral(" (%1)").arg(QDir::toNativeSeparators(printer.outputFileName()));
        m_platform.messages.show(error, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok);
    }
}

void TextTools::copyToClipboard()
{
    Clipboard &clipboard = m_platform.clipboard;
    clipboard.clear();
    clipboard.setText(ui.Text1->text());
}
