// SPDX-License-Identifier: GPL-3.0-or-later
// The pane while a file is read: its progress, and the first lines (or, of a large text kept in
// its file, the text found so far) shown over it until the whole text is in.
#include "richtextbox.h"

#include "plaintext/plaintextview.h"

#include <QProgressBar>

#include <algorithm>

void RichTextBox::showLoadProgress(int percent)
{
    m_progress->setValue(percent);
    if (!m_progress->isVisible()) {
        m_progress->raise();
        m_progress->show();
    }
}

void RichTextBox::showLoadPreview(TextBuffer &&head)
{
    m_preview->document().setBuffer(std::move(head));
    m_preview->setGeometry(editor()->geometry());
    m_preview->setBottomMargin(m_bottomMargin);
    m_preview->show();
    m_preview->raise();
    m_progress->raise();
}

void RichTextBox::growLoadPreview(TextBuffer &&more, bool restart)
{
    PlainTextDocument &shown = m_preview->document();
    if (m_previewGrown && !restart) {
        shown.appendLoaded(std::move(more));
        return;
    }
    // The text found so far takes the first lines' place; what the reader did there stays.
    const qsizetype anchor = shown.anchor();
    const qsizetype caret = shown.cursor();
    const qsizetype top = m_preview->firstVisiblePosition();
    const bool wasShown = !m_preview->isHidden();
    shown.setBuffer(std::move(more));
    if (wasShown && !restart) {
        shown.setSelection(std::min(anchor, shown.length()), std::min(caret, shown.length()));
        m_preview->scrollTo(std::min(top, shown.length()));
    }
    if (!m_previewGrown) {
        // From now on the reader may scroll, select and copy in it: keys and the pointer go there.
        m_previewGrown = true;
        m_preview->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        m_preview->setFocusPolicy(Qt::StrongFocus);
        if (!wasShown)
            showLoadPreview(TextBuffer(shown.buffer()));
        if (m_plainView->hasFocus())
            m_preview->setFocus();
    }
}

std::optional<PanePort::PreviewPlace> RichTextBox::loadPreviewPlace() const
{
    if (!m_previewGrown || m_preview->isHidden())
        return std::nullopt;
    const PlainTextDocument &shown = m_preview->document();
    PreviewPlace here;
    here.anchor = shown.anchor();
    here.caret = shown.cursor();
    here.top = m_preview->firstVisiblePosition();
    here.atEnd = here.caret == shown.length() && here.anchor == here.caret && here.caret > 0;
    if (here.anchor == 0 && here.caret == 0 && here.top == 0)
        return std::nullopt; // never moved in: the whole text opens as any other
    return here;
}

void RichTextBox::setPreviewPlace(const PreviewPlace &place)
{
    if (m_rich)
        return;
    const qsizetype length = textLength();
    const qsizetype caret = place.atEnd ? length : std::min(place.caret, length);
    const qsizetype anchor = place.atEnd ? length : std::min(place.anchor, length);
    m_plainView->document().setSelection(anchor, caret);
    m_plainView->scrollTo(place.atEnd ? length : std::min(place.top, length));
}

bool RichTextBox::showsLoadPreview() const
{
    return !m_preview->isHidden(); // on screen whenever the pane is
}

void RichTextBox::hideLoadProgress()
{
    m_progress->hide();
    const bool hadFocus = m_preview->hasFocus();
    m_preview->hide();
    m_preview->document().setText({});
    if (m_previewGrown) {
        m_previewGrown = false;
        m_preview->setFocusPolicy(Qt::NoFocus);
        m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (hadFocus)
            m_plainView->setFocus();
    }
}

bool RichTextBox::showsLoadProgress() const
{
    return m_progress->isVisible();
}
