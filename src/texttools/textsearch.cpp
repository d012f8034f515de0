#include "textsearch.h"

qsizetype TextSearch::find(QStringView text, QStringView word, qsizetype start)
{
    start = qMax<qsizetype>(start, 1);
    if (start > text.size())
        return 0;
    qsizetype index = start - 1;
    if (word.isEmpty()) {
        if (index > 0 && text[index].isLowSurrogate() && text[index - 1].isHighSurrogate())
            ++index;
        return index < text.size() ? index + 1 : 0;
    }
    const qsizetype found = text.indexOf(word, index, Qt::CaseSensitive);
    return found < 0 ? 0 : found + 1;
}
