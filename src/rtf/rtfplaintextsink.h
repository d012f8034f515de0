// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcontentsink.h"

#include <QList>
#include <QString>

// Collects the text a person sees, as QTextDocument::toPlainText() would give
// it for the built document: paragraphs and table cells end with '\n', line
// breaks are '\n', entering or leaving a table
// starts a new line, no-break spaces are spaces, pictures leave nothing.
class RtfPlainTextSink : public RtfContentSink
{
public:
    void text(QStringView text, const RtfCharFormat &format,
              const RtfParagraphFormat &paragraph) override;
    void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                      bool pageBreakAfter) override;
    bool sectionEndsLastParagraph() override { return true; }
    void cellEnd(int level, const RtfParagraphFormat &paragraph) override;
    void rowEnd(int level, const RtfRowDefinition &row) override;
    bool picture(const RtfPicture &picture, const RtfCharFormat &format,
                 const RtfParagraphFormat &paragraph) override;
    void finish(const RtfParagraphFormat &paragraph) override;
    void notes(const QList<RtfNote> &notes) override;

    QString takeText() { return std::move(m_text); }

private:
    void enterLevel(int level);

    QString m_text;
    int m_level = 0;
    // Where each cell of the outermost table's row being read ended: an empty cell merged into
    // the one on its left (\clmrg) is part of it and makes no line of its own.
    QList<qsizetype> m_cellEnds;
    static constexpr qsizetype MaxCellEnds = 4096;
};
