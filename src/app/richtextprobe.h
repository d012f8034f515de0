#pragma once

#include "app/richlayoutcost.h"
#include "rtf/rtfplaintextsink.h"

#include <QByteArrayView>

// Reads an RTF file's text and what Qt's rich layout of it would cost, without building the
// document, which takes far longer: a document too long to show formatted in time is shown as
// this text instead.
class RichTextProbe : public RtfPlainTextSink
{
public:
    struct Result
    {
        bool fits = true; // within RichLayoutCost's bounds
        QString text;     // as RtfReader::plainText() gives it
    };
    static Result probe(QByteArrayView rtf);

    void text(QStringView text, const RtfCharFormat &format,
              const RtfParagraphFormat &paragraph) override;
    void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                      bool pageBreakAfter) override;
    void cellEnd(int level, const RtfParagraphFormat &paragraph) override;
    void finish(const RtfParagraphFormat &paragraph) override;

private:
    void endParagraph(const RtfParagraphFormat &paragraph, int markHalfPoints);

    RichLayoutCost m_cost;
    qint64 m_characters = 0;
    qint64 m_lineBreaks = 0;
    int m_largestHalfPoints = 0;
};
