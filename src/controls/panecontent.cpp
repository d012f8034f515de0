// SPDX-License-Identifier: GPL-3.0-or-later
#include "panecontent.h"

#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"

#include "controls/richtextbox.h"
#include "files/richtextprobe.h"
#include "plaintext/plaintextloader.h"

#include <QBuffer>
#include <QTextDocument>

#include <memory>
#include <new>

PaneContent::Loaded PaneContent::adopt(RichTextBox *pane, QTextDocument *document,
                                       QString plainText)
{
    Loaded loaded;
    loaded.format.richText = true;
    loaded.richPlainText = std::move(plainText);
    pane->setRichDocument(document, RichTextBox::Origin::File);
    return loaded;
}

PaneContent::Loaded PaneContent::showUnformatted(RichTextBox *pane, QByteArray rtf,
                                                 QString plainText)
{
    Loaded loaded;
    loaded.format.richText = true;
    loaded.richPlainText = plainText;
    pane->setUnformattedRich(std::move(plainText), std::move(rtf));
    return loaded;
}

PaneContent::Loaded PaneContent::load(RichTextBox *pane, QByteArray &&bytes)
{
    Loaded loaded;
    if (isRtf(bytes)) {
        // Built away from the screen, so that nothing is laid out until it is complete.
        auto built = std::make_unique<QTextDocument>();
        built->setUndoRedoEnabled(false); // loading a file is not an edit to undo
        if (!RichTextProbe::buildIfFits(bytes, built.get())) {
            QString text = RtfReader::plainText(bytes);
            return showUnformatted(pane, std::move(bytes), std::move(text));
        }
        loaded.format.richText = true;
        bytes = QByteArray();
        built->setUndoRedoEnabled(true);
        QString plainText = built->toPlainText();
        return adopt(pane, built.release(), std::move(plainText));
    }
    // Decoded block by block straight into the pane's buffer: the text is never held twice.
    PlainTextLoader::Result decoded;
    {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        decoded = PlainTextLoader::load(device, bytes.size());
    }
    bytes = QByteArray();
    if (decoded.status != PlainTextLoader::Status::Ok)
        throw std::bad_alloc(); // reading from memory fails only for want of it
    loaded.format.encoding = decoded.encoding;
    loaded.format.lineEnding = decoded.lineEnding;
    pane->setPlainBuffer(std::move(decoded.buffer), RichTextBox::Origin::File);
    return loaded;
}
