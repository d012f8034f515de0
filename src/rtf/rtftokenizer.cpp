// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtftokenizer.h"

#include <array>
#include <climits>

namespace {

// Bytes that end a run of plain text.
constexpr std::array<bool, 256> makeStopTable()
{
    std::array<bool, 256> table{};
    table['\\'] = table['{'] = table['}'] = table['\r'] = table['\n'] = table['\0'] = true;
    return table;
}
constexpr std::array<bool, 256> kStop = makeStopTable();

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView data)
    : m_begin(data.data()), m_pos(data.data()), m_end(data.data() + data.size())
{
}

RtfToken RtfTokenizer::next()
{
    RtfToken token;
    while (m_pos < m_end) {
        const char c = *m_pos;
        switch (c) {
        case '{':
            ++m_pos;
            token.type = RtfToken::GroupOpen;
            return token;
        case '}':
            ++m_pos;
            token.type = RtfToken::GroupClose;
            return token;
        case '\\':
            if (readControl(token))
                return token;
            break;
        case '\r':
        case '\n':
        case '\0':
            ++m_pos;
            break;
        default: {
            const char *start = m_pos;
            while (m_pos < m_end && !kStop[static_cast<unsigned char>(*m_pos)])
                ++m_pos;
            token.type = RtfToken::Text;
            token.data = QByteArrayView(start, m_pos - start);
            return token;
        }
        }
    }
    token.type = RtfToken::End;
    return token;
}

// Reads what follows a backslash. Returns false when nothing usable was there
// (a bad \'h escape), so the caller goes on with the next token.
bool RtfTokenizer::readControl(RtfToken &token)
{
    ++m_pos; // backslash
    if (m_pos >= m_end)
        return false;
    const char c = *m_pos;
    if (isLetter(c)) {
        const char *start = m_pos;
        while (m_pos < m_end && isLetter(*m_pos))
            ++m_pos;
        token.type = RtfToken::ControlWord;
        token.data = QByteArrayView(start, m_pos - start);
        const bool negative = m_pos + 1 < m_end && *m_pos == '-' && isDigit(m_pos[1]);
        if (negative)
            ++m_pos;
        if (m_pos < m_end && isDigit(*m_pos)) {
            // Saturate instead of overflowing; the digits are still consumed.
            long long value = 0;
            while (m_pos < m_end && isDigit(*m_pos)) {
                if (value <= INT_MAX)
                    value = value * 10 + (*m_pos - '0');
                ++m_pos;
            }
            if (value > INT_MAX)
                value = INT_MAX;
            token.hasParameter = true;
            token.parameter = negative ? -static_cast<int>(value) : static_cast<int>(value);
        }
        if (m_pos < m_end && *m_pos == ' ')
            ++m_pos;
        if (token.data.size() == 3 && start[0] == 'b' && start[1] == 'i' && start[2] == 'n') {
            const long long wanted = token.hasParameter ? token.parameter : 0;
            const long long count = wanted > 0 ? std::min<long long>(wanted, m_end - m_pos) : 0;
            token.type = RtfToken::Binary;
            token.data = QByteArrayView(m_pos, static_cast<qsizetype>(count));
            m_pos += count;
        }
        return true;
    }
    ++m_pos;
    if (c == '\'') {
        int value = -1;
        if (m_pos < m_end && (value = RtfTokenizer::hexValue(*m_pos)) >= 0) {
            ++m_pos;
            const int low = m_pos < m_end ? RtfTokenizer::hexValue(*m_pos) : -1;
            if (low >= 0) {
                value = value * 16 + low;
                ++m_pos;
            }
        }
        if (value < 0)
            return false;
        token.type = RtfToken::HexByte;
        token.value = static_cast<quint8>(value);
        return true;
    }
    if (c == '\r' || c == '\n') {
        // An escaped line end is a paragraph mark.
        token.type = RtfToken::ControlWord;
        token.data = QByteArrayView("par");
        return true;
    }
    token.type = RtfToken::ControlSymbol;
    token.value = static_cast<quint8>(c);
    return true;
}

int RtfTokenizer::hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
