// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfcjkfallback.h"
#include "rtf/rtffont.h"
#include "rtf/rtfparagraphformat.h"
#include "rtf/rtfscriptwords.h"

#include <QHash>
#include <QSet>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <unordered_map>

class RtfParser;

// Makes Qt's character and block formats of the parser's formats. A document has a few dozen
// formats in a hundred thousand runs: each is made once.
class RtfFormatFactory
{
public:
    // simplified: gets RtfSimplified::FontsCapped when fonts past MaxFamilies are left out.
    RtfFormatFactory(const RtfParser &parser, int &simplified);

    QTextCharFormat charFormat(const RtfCharFormat &format);
    // The block format of the paragraph, without its page break.
    const QTextBlockFormat &blockFormat(const RtfParagraphFormat &paragraph);
    static QTextBlockFormat makeBlockFormat(const RtfParagraphFormat &paragraph);

    // The script classes whose text may be shown in its own font, size, bold and italic.
    enum ScriptClass : quint8 { OwnScript, ComplexScript, EastAsianScript };
    static ScriptClass scriptClass(char16_t c);
    // Whether the format's words say a font, size, bold or italic of another script class.
    bool hasScriptFormats(const RtfCharFormat &format);
    // The format text of that class is shown in, of a run in base.
    QTextCharFormat scriptFormat(const RtfCharFormat &format, const QTextCharFormat &base,
                                 ScriptClass script);

    // A cell's or table's bound: a field's result cannot span it.
    void newFieldEpoch();
    // The character format made last, if any since the last field epoch.
    bool hasLastFormat() const { return m_haveLastFormat; }
    const QTextCharFormat &lastCharFormat() const { return m_lastCharFormat; }
    // Some text has a highlight or a double underline, or a paragraph leaders or a box.
    bool decorated() const { return m_decorated; }

    static constexpr int MaxFamilies = 64;

private:
    QTextCharFormat makeCharFormat(const RtfCharFormat &format);
    QTextCharFormat remember(const RtfCharFormat &format, const QTextCharFormat &made);
    struct CharFormatHash
    {
        size_t operator()(const RtfCharFormat &format) const;
    };
    // Bounds the formats kept for reuse.
    static constexpr size_t MaxCachedFormats = 1024;

    const RtfParser &m_parser;
    int &m_simplified;
    RtfCharFormat m_lastFormat;
    QTextCharFormat m_lastCharFormat;
    bool m_haveLastFormat = false;
    struct CachedCharFormat
    {
        QTextCharFormat format;
        RtfFont font; // as the table had it when the format was made
    };
    std::unordered_map<RtfCharFormat, CachedCharFormat, CharFormatHash> m_charFormats;
    RtfCjkFallback m_cjkFallback;
    RtfParagraphFormat m_lastParagraph;
    QTextBlockFormat m_lastBlockFormat;
    bool m_haveLastParagraph = false;
    bool m_decorated = false;
    // The words of other scripts as a save writes them, for the parser's words and a font.
    using ScriptKey = std::pair<const QByteArray *, int>;
    QHash<ScriptKey, QByteArray> m_scripts;
    int m_fieldEpoch = 0; // counts cell and table bounds: a field's result cannot span them
    QHash<qint64, int> m_fieldIds;
    int m_fieldCount = 0;
    int m_lastField = -1; // the field of the last format made
    QSet<QString> m_families;
    // Of the parser's words of other scripts: what they say of right-to-left and double-byte
    // text.
    struct ScriptFormats
    {
        RtfScriptWords::Associated complex;
        RtfScriptWords::Associated eastAsian;
    };
    const ScriptFormats &scriptFormats(const RtfCharFormat &format);
    QHash<const QByteArray *, ScriptFormats> m_scriptFormats;
};
