#include "texttools.h"

#include "controls/clicklabel.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "texttools/textprinter.h"

#include <QDir>
#include <QPrinter>

TextTools::TextTools(pgwell &window) : QObject(&window), w(window)
{
    connect(w.Label5, &ClickLabel::clicked, this, &TextTools::toggleBold);
    connect(w.Label14, &ClickLabel::clicked, this, &TextTools::toggleItalic);
    connect(w.Label15, &ClickLabel::clicked, this, &TextTools::toggleUnderline);
    connect(w.Label16, &ClickLabel::clicked, this, &TextTools::chooseColor);
    connect(w.Label18, &ClickLabel::clicked, this, &TextTools::print);
    connect(w.com, &ClickLabel::clicked, this, &TextTools::copyToClipboard);
    connect(w.Label12, &ClickLabel::clicked, this, &TextTools::copyToClipboard);
}

bool TextTools::formattable()
{
    if (!w.Text1->isReadOnly())
        return true;
    w.platform().messages.show(RichTextBox::readOnlyNote(), MessageBoxes::Icon::Information,
                               MessageBoxes::Buttons::Ok);
    return false;
}

// Mixed or not set becomes set; only a uniformly set selection is cleared.
void TextTools::toggleBold()
{
    if (formattable())
        w.Text1->setSelectionBold(w.Text1->selectionBold() != Qt::Checked);
}

void TextTools::toggleItalic()
{
    if (formattable())
        w.Text1->setSelectionItalic(w.Text1->selectionItalic() != Qt::Checked);
}

void TextTools::toggleUnderline()
{
    if (formattable())
        w.Text1->setSelectionUnderline(w.Text1->selectionUnderline() != Qt::Checked);
}

void TextTools::chooseColor()
{
    if (!formattable())
        return;
    const std::optional<QColor> color = w.platform().dialogs.chooseColor(w.Text1->selectionColor());
    if (!color)
        return;
    w.Text1->setSelectionColor(*color);
}

void TextTools::print()
{
    QPrinter printer;
    if (!w.platform().dialogs.choosePrinter(printer))
        return;
    QString error;
    if (!TextPrinter::print(printer, w.Text1->text(), &error)) {
        if (!printer.outputFileName().isEmpty())
            error +=
                QStringLiteral(" (%1)").arg(QDir::toNativeSeparators(printer.outputFileName()));
        w.platform().messages.show(error, MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok);
    }
}

void TextTools::copyToClipboard()
{
    Clipboard &clipboard = w.platform().clipboard;
    clipboard.clear();
    clipboard.setText(w.Text1->text());
}
