// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfkeptparts.h"

#include "rtf/rtftokenizer.h"

#include <algorithm>
#include <utility>

bool RtfKeptParts::takeBack(qint64 position)
{
    const qint64 keep = position - m_sent;
    if (keep < 0 || keep > m_kept.size())
        return false;
    m_kept.truncate(qsizetype(keep));
    return true;
}

QByteArray RtfKeptParts::send()
{
    m_sent += m_kept.size();
    return std::exchange(m_kept, QByteArray());
}

QByteArray RtfKeptParts::closedSlice(QByteArrayView input, qsizetype start)
{
    // Up to the last whole token: binary data cut short would take the closing braces as its
    // own bytes, as would an unfinished \\'.
    const QByteArrayView rest = input.sliced(start);
    RtfTokenizer tokenizer(rest);
    qsizetype end = 0;
    qsizetype depth = 0;
    for (RtfToken token = tokenizer.next(); token.type != RtfToken::End; token = tokenizer.next()) {
        if (token.type == RtfToken::Binary && token.parameter > token.data.size())
            break;
        if (token.type == RtfToken::GroupOpen)
            ++depth;
        else if (token.type == RtfToken::GroupClose)
            --depth;
        end = tokenizer.offset();
    }
    QByteArray rtf = rest.first(end).toByteArray();
    // A backslash that escapes nothing yet would escape the closing brace: an unfinished \\'
    // goes, and so does a lone backslash at the end (of \\\\, both stay).
    auto escapes = [&rtf](qsizetype at) {
        qsizetype slashes = 0;
        for (qsizetype i = at; i >= 0 && rtf[i] == '\\'; --i)
            ++slashes;
        return slashes % 2 == 1;
    };
    const qsizetype quote = rtf.lastIndexOf("\\'");
    if (quote >= 0 && quote >= rtf.size() - 3 && escapes(quote)) {
        // A brace after it, no hex digit, was a token of its own: it goes too.
        for (const char c : rtf.sliced(quote))
            depth += c == '}' ? 1 : c == '{' ? -1 : 0;
        rtf.truncate(quote);
    }
    if (!rtf.isEmpty() && escapes(rtf.size() - 1))
        rtf.chop(1);
    rtf.append(QByteArray(std::max<qsizetype>(depth, 1), '}'));
    return rtf;
}
