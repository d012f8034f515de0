// SPDX-License-Identifier: GPL-3.0-or-later
#include "textsearch.h"

qsizetype TextSearch::find(const Source &text, QStringView word, qsizetype start)
{
    start = qMax<qsizetype>(start, 1);
    if (start > text.length)
        return 0;
    qsizetype index = start - 1;
    if (word.isEmpty()) {
        if (index > 0 && text.splitsPair(index))
            ++index;
        return index < text.length ? index + 1 : 0;
    }
    const qsizetype found = text.indexOf(word, index);
    return found < 0 ? 0 : found + 1;
}

qsizetype TextSearch::find(QStringView text, QStringView word, qsizetype start)
{
    const Source source{
        text.size(),
        [text](QStringView w, qsizetype from) { return text.indexOf(w, from, Qt::CaseSensitive); },
        [text](qsizetype index) {
            return text[index].isLowSurrogate() && text[index - 1].isHighSurrogate();
        }};
    return find(source, word, start);
}

TextSearch::Source TextSearch::over(const TextBuffer &text,
                                    const std::function<bool(qsizetype at)> &going)
{
    return Source{text.length(),
                  [&text, going](QStringView word, qsizetype from) -> qsizetype {
                      // Each stretch reaches as far into the next as the word, less one.
                      for (qsizetype at = from; at + word.size() <= text.length(); at += stretch) {
                          if (going && !going(at))
                              return -1;
                          // A stretch whose bytes in the file cannot hold the word is not
                          // decoded at all.
                          const qsizetype reach = stretch + word.size() - 1;
                          if (!text.mayHold(word, at, reach))
                              continue;
                          const QString part = text.mid(at, reach);
                          const qsizetype found = QStringView(part).indexOf(word);
                          if (found >= 0)
                              return at + found;
                      }
                      return -1;
                  },
                  [&text](qsizetype index) {
                      return index > 0 && index < text.length() &&
                             text.at(index).isLowSurrogate() &&
                             text.at(index - 1).isHighSurrogate();
                  }};
}
