// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfnotes.h"
#include "rtf/rtfparagraphformat.h"
#include "rtf/rtfpicture.h"
#include "rtf/rtfrowdefinition.h"

#include <QList>
#include <QStringView>

// Receives the visible content of a document from RtfParser, in order.
class RtfContentSink
{
public:
    virtual ~RtfContentSink() = default;

    // Tables nest at most this deep in a document made of the content; deeper content is shown
    // (and saved) in the deepest cell.
    static constexpr int MaxNesting = 4;

    // A run of text in one format; never contains paragraph separators.
    virtual void text(QStringView text, const RtfCharFormat &format,
                      const RtfParagraphFormat &paragraph) = 0;
    // Ends the current paragraph; mark is the format of the paragraph mark.
    virtual void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                              bool pageBreakAfter) = 0;
    // \sect right after a paragraph's end: the paragraph just ended ends the section too, as word
    // processors show it, with no empty paragraph between. False when the sink cannot: the
    // section then ends with an empty paragraph of its own.
    virtual bool sectionEndsLastParagraph() { return false; }
    // Ends a table cell at the given nesting level (1 = outermost table).
    virtual void cellEnd(int level, const RtfParagraphFormat &paragraph) = 0;
    // Ends a table row; row is the definition in effect (its \cellx edges, merges, borders).
    virtual void rowEnd(int level, const RtfRowDefinition &row) = 0;
    // Returns false when the picture cannot be shown: the parser keeps it for a save instead.
    // paragraph is the format where the picture's group is.
    virtual bool picture(const RtfPicture &picture, const RtfCharFormat &format,
                         const RtfParagraphFormat &paragraph) = 0;
    // A part of the file that is not shown (a footnote, the stylesheet, a WMF picture ...),
    // verbatim, in its place: before everything shown (preamble) or before what comes next.
    virtual void hidden(QByteArrayView rtf, bool preamble)
    {
        Q_UNUSED(rtf);
        Q_UNUSED(preamble);
    }
    // End of the document; paragraph is the format of the last paragraph.
    virtual void finish(const RtfParagraphFormat &paragraph) = 0;
    // After the end: the texts of the document's footnotes and endnotes, shown below it.
    virtual void notes(const QList<RtfNote> &notes) { Q_UNUSED(notes); }
};
