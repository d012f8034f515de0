// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/richlayoutcost.h"
#include "rtf/rtfcharformat.h"
#include "rtf/rtfcontentsink.h"

#include <QByteArrayView>

#include <atomic>

class QTextDocument;
class RtfParser;

// Reads what Qt's rich layout of an RTF file would cost without building the document, which
// takes far longer: a document too long to show formatted in time is shown as its text instead.
class RichTextProbe : public RtfContentSink
{
public:
    explicit RichTextProbe(const RtfParser &parser) : m_parser(parser) {}

    // Whether the document is within RichLayoutCost's bounds.
    static bool fits(QByteArrayView rtf);
    // Builds the document into doc when it fits; false (doc untouched) when it does not. False
    // too, with doc built, when the building had to leave out what a save would write back (more
    // runs, fonts or nested tables than the pane shows): edited and saved, it would lose them.
    static bool buildIfFits(QByteArrayView rtf, QTextDocument *doc);

    void text(QStringView text, const RtfCharFormat &format,
              const RtfParagraphFormat &paragraph) override;
    void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                      bool pageBreakAfter) override;
    void cellEnd(int level, const RtfParagraphFormat &paragraph) override;
    void rowEnd(int level, const RtfRowDefinition &row) override;
    bool picture(const RtfPicture &picture, const RtfCharFormat &format,
                 const RtfParagraphFormat &paragraph) override;
    void finish(const RtfParagraphFormat &paragraph) override;

private:
    void endParagraph(const RtfParagraphFormat &paragraph, int markHalfPoints,
                      qreal width = RichLayoutCost::paneWidth);
    // The width in pixels of the cell the parser's row definition gives the next cell of that
    // level, the pane's when it says none.
    qreal cellWidth(int level) const;

    const RtfParser &m_parser;
    RichLayoutCost m_cost;
    qint64 m_characters = 0;
    qint64 m_lineBreaks = 0;
    qint64 m_tabs = 0;
    qint64 m_runs = 0;
    RtfCharFormat m_runFormat; // of the paragraph's last run
    QList<int> m_cellsEnded;   // of the row under way, per table level
    QList<bool> m_rowsBefore;  // per table level: a row ended there, the table goes on
    int m_largestHalfPoints = 0;
    std::atomic<bool> m_tooLong{false}; // stops the parser
};
