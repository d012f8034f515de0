#include "rtf/rtfhiddenrun.h"

#include "rtf/rtfkeptwords.h"

namespace {

void word(QByteArray &out, const char *name)
{
    out += '\\';
    out += name;
}

void word(QByteArray &out, const char *name, int value)
{
    word(out, name);
    out += QByteArray::number(value);
}

// Which of \v and \deleted hide the text, and who deleted it when.
void hidingWords(QByteArray &out, const RtfCharFormat &format)
{
    if (format.hidden)
        word(out, "v");
    if (format.deleted) {
        word(out, "deleted");
        if (format.deletedBy >= 0)
            word(out, "revauthdel", format.deletedBy);
        if (format.deletedAt != 0)
            word(out, "revdttmdel", format.deletedAt);
    }
}

} // namespace

QByteArray RtfHiddenRun::formatWords(const RtfCharFormat &format, const Context &context)
{
    QByteArray out;
    hidingWords(out, format);
    if (format.font >= 0)
        word(out, "f", format.font);
    if (format.halfPoints != 24)
        word(out, "fs", format.halfPoints);
    if (format.bold)
        word(out, "b");
    if (format.italic)
        word(out, "i");
    if (format.strike)
        word(out, "strike");
    static const char *const underlines[] = {nullptr, "ul", "uldb", "uld", "uldash", "ulwave"};
    if (format.underline > 0 && format.underline < std::size(underlines))
        word(out, underlines[format.underline]);
    if (format.vertical == RtfCharFormat::Superscript)
        word(out, "super");
    else if (format.vertical == RtfCharFormat::Subscript)
        word(out, "sub");
    if (format.caps)
        word(out, "caps");
    if (format.smallCaps)
        word(out, "scaps");
    if (context.foreground >= 0)
        word(out, "cf", context.foreground);
    if (context.background >= 0)
        word(out, "highlight", context.background);
    // The kept words, but not a character style: its formats would come on top of these on
    // the next reading.
    if (!format.words.isEmpty()) {
        const QByteArray words = RtfKeptWords::without(*format.words, "cs");
        if (!words.isEmpty())
            out += ' ' + words.chopped(1);
    }
    return out;
}

QByteArray RtfHiddenRun::run(QStringView text, const RtfCharFormat &format, const Context &context)
{
    QByteArray out = '{' + formatWords(format, context);
    if (format.footnoteMark) {
        word(out, "chftn"); // the reader numbers it again
        return out + '}';
    }
    out += ' ';
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            out += "\\line ";
        } else if (c == u' ') {
            out += ' ';
        } else {
            // Even ASCII: the font's table may come later in the file and make it a symbol
            // font, which would read the letter as another character.
            // Signed 16 bits, as RTF writes \u; '?' for readers that know no \u.
            word(out, "u", qint16(c));
            out += "\\'3f";
        }
    }
    return out + '}';
}

QByteArray RtfHiddenRun::paragraphMark(const RtfCharFormat &format)
{
    QByteArray out = "{";
    hidingWords(out, format);
    return out + "\\par}";
}
