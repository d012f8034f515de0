#include "texttools.h"

#include "controls/clicklabel.h"
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
    connect(ui.Label5, &ClickLabel::clicked, this, &TextTools::toggleBold);
    connect(ui.Label14, &ClickLabel::clicked, this, &TextTools::toggleItalic);
    connect(ui.Label15, &ClickLabel::clicked, this, &TextTools::toggleUnderline);
    connect(ui.Label16, &ClickLabel::clicked, this, &TextTools::chooseColor);
    connect(ui.Label18, &ClickLabel::clicked, this, &TextTools::print);
    connect(ui.com, &ClickLabel::clicked, this, &TextTools::copyToClipboard);
    connect(ui.Label12, &ClickLabel::clicked, this, &TextTools::copyToClipboard);
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
    QString error;
    if (!TextPrinter::print(printer, ui.Text1->text(), &error)) {
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
