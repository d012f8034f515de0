// SPDX-License-Identifier: GPL-3.0-or-later
#include "textencodings.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace {

struct Entry
{
    TextEncoding encoding;
    const char *label;
    const char *converter; // for Qt's converters; nullptr when Pagewell converts it itself
    const char *aliases;   // other names, '|' between them
};

using E = TextEncoding;
constexpr std::array entries = {
    Entry{E::Utf8, "UTF-8", nullptr, "utf8"},
    Entry{E::Utf8WithBom, "UTF-8", nullptr, ""},
    Entry{E::Utf16LE, "UTF-16 LE", nullptr, ""},
    Entry{E::Utf16BE, "UTF-16 BE", nullptr, ""},
    Entry{E::Utf16LENoBom, "UTF-16 LE", nullptr, "UTF-16LE"},
    Entry{E::Utf16BENoBom, "UTF-16 BE", nullptr, "UTF-16BE"},
    Entry{E::Utf32LE, "UTF-32 LE", nullptr, ""},
    Entry{E::Utf32BE, "UTF-32 BE", nullptr, ""},
    Entry{E::Windows1252, "Windows-1252", nullptr, "cp1252"},
    Entry{E::Windows1250, "Windows-1250", "windows-1250", "cp1250"},
    Entry{E::Windows1251, "Windows-1251", "windows-1251", "cp1251"},
    Entry{E::Windows1253, "Windows-1253", "windows-1253", "cp1253"},
    Entry{E::Windows1254, "Windows-1254", "windows-1254", "cp1254"},
    Entry{E::Windows1255, "Windows-1255", "windows-1255", "cp1255"},
    Entry{E::Windows1256, "Windows-1256", "windows-1256", "cp1256"},
    Entry{E::Windows1257, "Windows-1257", "windows-1257", "cp1257"},
    Entry{E::Windows1258, "Windows-1258", "windows-1258", "cp1258"},
    Entry{E::Iso8859_1, "ISO-8859-1", "ISO-8859-1", "latin1"},
    Entry{E::Iso8859_2, "ISO-8859-2", "ISO-8859-2", "latin2"},
    Entry{E::Iso8859_3, "ISO-8859-3", "ISO-8859-3", ""},
    Entry{E::Iso8859_4, "ISO-8859-4", "ISO-8859-4", ""},
    Entry{E::Iso8859_5, "ISO-8859-5", "ISO-8859-5", ""},
    Entry{E::Iso8859_6, "ISO-8859-6", "ISO-8859-6", ""},
    Entry{E::Iso8859_7, "ISO-8859-7", "ISO-8859-7", ""},
    Entry{E::Iso8859_8, "ISO-8859-8", "ISO-8859-8", ""},
    Entry{E::Iso8859_9, "ISO-8859-9", "ISO-8859-9", "latin5"},
    Entry{E::Iso8859_10, "ISO-8859-10", "ISO-8859-10", ""},
    Entry{E::Iso8859_13, "ISO-8859-13", "ISO-8859-13", ""},
    Entry{E::Iso8859_15, "ISO-8859-15", "ISO-8859-15", "latin9"},
    Entry{E::Koi8R, "KOI8-R", "KOI8-R", ""},
    Entry{E::Koi8U, "KOI8-U", "KOI8-U", ""},
    Entry{E::Ibm852, "IBM852", "IBM852", "cp852"},
    Entry{E::Ibm855, "IBM855", "IBM855", "cp855"},
    Entry{E::Ibm866, "IBM866", "IBM866", "cp866"},
    Entry{E::MacCyrillic, "Mac Cyrillic", "x-mac-cyrillic", "MAC-CYRILLIC"},
    Entry{E::MacCentralEurope, "Mac Central European", "x-mac-centraleurroman",
          "MAC-CENTRALEUROPE"},
    Entry{E::Tis620, "TIS-620", "TIS-620", ""},
    Entry{E::ShiftJis, "Shift-JIS", "Shift_JIS", "SJIS"},
    Entry{E::EucJp, "EUC-JP", "EUC-JP", ""},
    Entry{E::Gb18030, "GB18030", "GB18030", ""},
    Entry{E::Big5, "Big5", "Big5", ""},
    Entry{E::EucKr, "EUC-KR", "EUC-KR", ""},
    Entry{E::Cp949, "CP949", "windows-949", "UHC"},
};

const Entry *entryOf(TextEncoding encoding)
{
    for (const Entry &entry : entries) {
        if (entry.encoding == encoding)
            return &entry;
    }
    return nullptr;
}

// Names compared as charset names are: letter case and '-' or '_' do not count.
QByteArray key(QByteArrayView name)
{
    QByteArray out;
    for (char c : name) {
        if (c != '-' && c != '_' && c != ' ')
            out += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return out;
}

} // namespace

QString TextEncodings::label(TextEncoding encoding)
{
    const Entry *entry = entryOf(encoding);
    return entry ? QString::fromLatin1(entry->label) : QString();
}

const char *TextEncodings::converterName(TextEncoding encoding)
{
    const Entry *entry = entryOf(encoding);
    return entry ? entry->converter : nullptr;
}

bool TextEncodings::isAvailable(TextEncoding encoding)
{
    const char *name = converterName(encoding);
    return !name || (QStringDecoder(name).isValid() && QStringEncoder(name).isValid());
}

bool TextEncodings::holdsEveryCharacter(TextEncoding encoding)
{
    return !isCodePage(encoding) ? encoding != TextEncoding::Windows1252
                                 : encoding == TextEncoding::Gb18030;
}

std::optional<TextEncoding> TextEncodings::fromName(QByteArrayView name)
{
    const QByteArray wanted = key(name);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const Entry &entry : entries) {
        if (entry.encoding == E::Utf8WithBom || entry.encoding == E::Utf16LE ||
            entry.encoding == E::Utf16BE || entry.encoding == E::Utf32LE ||
            entry.encoding == E::Utf32BE)
            continue; // named only with their mark
        if (key(entry.label) == wanted || (entry.converter && key(entry.converter) == wanted))
            return entry.encoding;
        for (const QByteArray &alias : QByteArray(entry.aliases).split('|')) {
            if (!alias.isEmpty() && key(alias) == wanted)
                return entry.encoding;
        }
    }
    return std::nullopt;
}

QList<TextEncoding> TextEncodings::choices()
{
    return {E::Utf8,        E::Utf16LENoBom, E::Utf16BENoBom, E::Windows1252, E::Windows1250,
            E::Windows1251, E::Windows1253,  E::Iso8859_1,    E::Iso8859_2,   E::Iso8859_5,
            E::Iso8859_7,   E::Iso8859_15,   E::Koi8R,        E::Koi8U,       E::ShiftJis,
            E::EucJp,       E::Gb18030,      E::Big5,         E::EucKr};
}

TextEncoding TextEncodings::asChosen(TextEncoding encoding)
{
    switch (encoding) {
    case E::Utf8WithBom:
        return E::Utf8;
    case E::Utf16LE:
        return E::Utf16LENoBom;
    case E::Utf16BE:
        return E::Utf16BENoBom;
    default:
        return encoding;
    }
}
