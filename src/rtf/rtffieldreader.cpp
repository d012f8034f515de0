// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtffieldreader.h"

#include "rtf/rtfdestinationtext.h"
#include "rtf/rtffont.h"
#include "rtf/rtfkeptwords.h"
#include "rtf/rtftextdecoder.h"

#include <algorithm>

namespace {

constexpr qsizetype kMaxFieldInstruction = 4096;
constexpr qsizetype kMaxInstructionParts = 256 * 1024;

// Splits a field instruction into words; quoted arguments keep their spaces, and within them
// \" is a quote and \\ a backslash.
QStringList fieldArguments(QStringView instruction)
{
    QStringList args;
    qsizetype i = 0;
    const qsizetype n = instruction.size();
    while (i < n) {
        while (i < n && instruction[i].isSpace())
            ++i;
        if (i >= n)
            break;
        qsizetype start = i;
        if (instruction[i] == u'"') {
            QString arg;
            for (++i; i < n && instruction[i] != u'"'; ++i) {
                if (instruction[i] == u'\\' && i + 1 < n &&
                    (instruction[i + 1] == u'"' || instruction[i + 1] == u'\\'))
                    ++i;
                arg += instruction[i];
            }
            args.append(arg);
            ++i;
        } else {
            while (i < n && !instruction[i].isSpace())
                ++i;
            args.append(instruction.sliced(start, i - start).toString());
        }
    }
    return args;
}

// Ruby as LibreOffice writes it, EQ \o\ad(\s\up 10(reading),base): the base text followed by
// the reading in parentheses, as a reader without ruby shows it. Empty for another EQ field.
QString rubyText(QStringView instruction)
{
    const qsizetype over = instruction.indexOf(QLatin1String("\\o"));
    if (over < 0)
        return QString();
    const qsizetype open = instruction.indexOf(u'(', over);
    const qsizetype up = instruction.indexOf(QLatin1String("\\up"), over);
    if (open < 0 || up < 0)
        return QString();
    const qsizetype readingStart = instruction.indexOf(u'(', up);
    const qsizetype readingEnd = readingStart < 0 ? -1 : instruction.indexOf(u')', readingStart);
    const qsizetype comma = readingEnd < 0 ? -1 : instruction.indexOf(u',', readingEnd);
    const qsizetype close = instruction.lastIndexOf(u')');
    if (comma < 0 || close <= comma)
        return QString();
    const QStringView reading = instruction.sliced(readingStart + 1, readingEnd - readingStart - 1);
    const QStringView base = instruction.sliced(comma + 1, close - comma - 1);
    if (base.trimmed().isEmpty())
        return QString();
    return base.trimmed().toString() + u'(' + reading.trimmed().toString() + u')';
}

} // namespace

void RtfFieldReader::reset()
{
    m_links.clear();
    m_instructions.clear();
    m_fallbacks.clear();
    m_linkExtras.clear();
    m_fieldExtras.clear();
    m_flags.clear();
    m_parts.clear();
}

void RtfFieldReader::setFlag(QByteArrayView name, bool hasValue, int value)
{
    RtfKeptWords::set(m_flags, name, hasValue, value);
}

void RtfFieldReader::beginInstruction(bool nested)
{
    if (!nested)
        m_parts.clear();
    m_bytes.clear();
    m_text.clear();
}

void RtfFieldReader::appendByte(char c)
{
    if (m_bytes.size() + m_text.size() < kMaxFieldInstruction)
        m_bytes.append(c);
}

void RtfFieldReader::appendBytes(QByteArrayView bytes)
{
    m_bytes.append(bytes.first(
        std::min(bytes.size(),
                 std::max<qsizetype>(0, kMaxFieldInstruction - m_bytes.size() - m_text.size()))));
}

void RtfFieldReader::appendChar(QChar c, RtfTextDecoder &decoder, int page)
{
    if (m_bytes.size() + m_text.size() < kMaxFieldInstruction) {
        flushBytes(decoder, page);
        m_text.append(c);
    }
}

void RtfFieldReader::appendPart(const QByteArray &rtf)
{
    m_parts += rtf;
}

bool RtfFieldReader::partsFull() const
{
    return m_parts.size() >= kMaxInstructionParts;
}

void RtfFieldReader::flushBytes(RtfTextDecoder &decoder, int page)
{
    if (!m_bytes.isEmpty()) {
        decoder.decode(page, m_bytes, m_text);
        m_bytes.clear();
    }
}

RtfFieldReader::Result RtfFieldReader::finishInstruction(RtfTextDecoder &decoder, int page,
                                                         int documentPage)
{
    Result result;
    flushBytes(decoder, page);
    QString instruction = std::exchange(m_text, QString());
    RtfDestinationText::clean(instruction);
    const QStringList args = fieldArguments(instruction);
    if (args.isEmpty())
        return result;
    const QString &type = args.first();
    if (type.compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) == 0) {
        QString target;
        QString anchor;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i].startsWith(u'\\')) {
                if (args[i] == QLatin1String("\\l") && i + 1 < args.size())
                    anchor = args[++i];
                else if (args[i] == QLatin1String("\\o") || args[i] == QLatin1String("\\t"))
                    ++i; // tooltip, target frame
            } else if (target.isEmpty()) {
                target = args[i];
            }
        }
        if (!anchor.isEmpty())
            target += u'#' + anchor;
        if (!target.isEmpty()) {
            m_links.append(target);
            m_linkExtras.append({m_flags, m_parts});
            result.kind = Result::Link;
            result.index = int(m_links.size() - 1);
        }
    } else if (type.compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0) {
        // Other fields (PAGE, DATE, TOC ...) show their result; the instruction stays with it,
        // so that a save writes the field again and not only what it showed.
        if (m_instructions.size() < 65536) {
            m_instructions.append(instruction.trimmed());
            m_fieldExtras.append({m_flags, m_parts});
            result.kind = Result::Field;
            result.index = int(m_instructions.size() - 1);
            if (type.compare(QLatin1String("EQ"), Qt::CaseInsensitive) == 0 &&
                m_fallbacks.size() < 65536) {
                if (const QString ruby = rubyText(instruction); !ruby.isEmpty()) {
                    m_fallbacks.append(ruby);
                    result.fallback = int(m_fallbacks.size() - 1);
                }
            }
        }
    } else if (args.size() > 1) {
        bool ok = false;
        const uint code = args[1].startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                              ? args[1].mid(2).toUInt(&ok, 16)
                              : args[1].toUInt(&ok);
        if (!ok || code == 0 || code > 0xFFFF)
            return result;
        QString fontName;
        bool unicode = false;
        for (qsizetype i = 2; i < args.size(); ++i) {
            if (args[i] == QLatin1String("\\f") && i + 1 < args.size())
                fontName = args[++i];
            else if (args[i] == QLatin1String("\\u"))
                unicode = true;
        }
        RtfFont font;
        font.name = fontName;
        const int symbolPage =
            fontName.isEmpty() ? documentPage : RtfTextDecoder::codePageForFont(font, documentPage);
        char16_t c = static_cast<char16_t>(code);
        if (symbolPage == RtfTextDecoder::SymbolPage ||
            symbolPage == RtfTextDecoder::WingdingsPage) {
            c = RtfTextDecoder::glyphChar(symbolPage, code & 0xFF);
        } else if (!unicode && code < 256) {
            QString decoded;
            const char byte = static_cast<char>(code);
            decoder.decode(symbolPage, QByteArrayView(&byte, 1), decoded);
            c = decoded.isEmpty() ? 0 : decoded.at(0).unicode();
        }
        if (c && !RtfTextDecoder::isDropped(c)) {
            result.kind = Result::Symbol;
            result.symbol = c;
        }
    }
    return result;
}
