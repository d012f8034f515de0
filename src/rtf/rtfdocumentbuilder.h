// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcontentsink.h"
#include "rtf/rtfformatfactory.h"
#include "rtf/rtfhiddenanchors.h"
#include "rtf/rtftablegrid.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;
class RtfParser;

// Builds a QTextDocument from the parser's content: formatted runs, paragraph
// formats, tables (nested too) and PNG/JPEG pictures.
class RtfDocumentBuilder : public RtfContentSink
{
public:
    // inputSize bounds the table cells and image memory this document may use.
    RtfDocumentBuilder(QTextDocument *document, const RtfParser &parser, qsizetype inputSize);
    ~RtfDocumentBuilder() override;

    void text(QStringView text, const RtfCharFormat &format,
              const RtfParagraphFormat &paragraph) override;
    void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                      bool pageBreakAfter) override;
    bool sectionEndsLastParagraph() override;
    void cellEnd(int level, const RtfParagraphFormat &paragraph) override;
    void rowEnd(int level, const RtfRowDefinition &row) override;
    bool picture(const RtfPicture &picture, const RtfCharFormat &format,
                 const RtfParagraphFormat &paragraph) override;
    void hidden(QByteArrayView rtf, bool preamble) override;
    void finish(const RtfParagraphFormat &paragraph) override;
    void notes(const QList<RtfNote> &notes) override;

    // Whether the document, to be shown in time, left out something a save would have to write
    // back: text past MaxRuns runs in the format before it, more than MaxFamilies fonts, tables
    // nested deeper than RtfContentSink::MaxNesting, rows past the cells shown, formats past the
    // parser's budget for them. Such a document is fit to be shown, not to be saved. (Very long
    // paragraphs and tables shown in parts are saved whole.)
    bool lostForSave() const;

    // Limits that keep Qt's layout of any document within a second or two.
    static constexpr int MaxParagraph = 20000; // characters
    static constexpr int MaxRunsPerParagraph = 2000;
    // Characters of a list label that a save can give back as one.
    static constexpr int MaxLabel = 256;

private:
    void enterLevel(int level);
    void applyBlockFormat(const RtfParagraphFormat &paragraph);
    void insertNote();
    bool rowsAsText(int level);
    void flushRowText();
    void endLongRowText(const RtfParagraphFormat &paragraph);
    void keepDocumentTables();
    void splitParagraph(const RtfParagraphFormat &paragraph, const QTextCharFormat &format);
    bool markLabel(QStringView text, int kind);
    void insertRun(QStringView text, const QTextCharFormat &qtFormat,
                   const RtfParagraphFormat &paragraph, QTextBlock &block);
    QTextCharFormat charFormat(const RtfCharFormat &format) { return m_formats.charFormat(format); }

    QTextDocument *m_document;
    const RtfParser &m_parser;
    QTextCursor m_cursor;
    int m_simplified = 0; // RtfSimplified
    RtfFormatFactory m_formats;
    RtfTableGrid m_grid;
    RtfHiddenAnchors m_hidden;
    int m_level = 0; // table level of the content, even where no table could be made
    bool m_pageBreakNext = false;
    bool m_finished = false;
    bool m_resultLast = false; // what was shown last is an object's result
    QTextBlock m_runsBlock;    // the block whose runs m_runs counts
    int m_runs = 0;
    qint64 m_imageBudget;
    int m_imageCount = 0;
    QString m_rowText; // rows past the cell budget, not yet inserted
    QTextCharFormat m_rowFormat;
    // The list label being read: its text so far, where it began and ends, its kind.
    QString m_labelText;
    QTextBlock m_labelBlock;
    int m_labelStart = 0;
    int m_labelEnd = -1;
    int m_labelKind = 0;
};
