// SPDX-License-Identifier: GPL-3.0-or-later
#include "liststep.h"

ListStep::Result ListStep::forReader(Move move, int count, int index)
{
    switch (move) {
    case Move::Next:
        if (count == 0)
            return {-1, Refusal::EmptyList};
        return {index == count - 1 ? 0 : index + 1, Refusal::None};
    case Move::Skip:
        if (count == 0)
            return {-1, Refusal::EmptyList};
        // Passing the end goes back to the first entry, not on by the remainder.
        return {index + 2 > count - 1 ? 0 : index + 2, Refusal::None};
    case Move::Back:
        if (index <= 0)
            return {-1, Refusal::AtFirst};
        return {index - 1, Refusal::None};
    }
    return {-1, Refusal::EmptyList};
}

int ListStep::forAutoView(const QStringList &entries, int index,
                          const std::optional<WalkPlace> &last, const QString &shownNow)
{
    const int count = int(entries.size());
    if (count == 0)
        return -1;
    const bool onTried = last && index >= 0 && index < count && entries.at(index) == last->tried;
    const bool userChose = last && shownNow != last->shownBefore && index >= 0;
    if (last && !onTried && !userChose) {
        const int at = int(entries.indexOf(last->tried));
        if (at < 0) // gone from the list: the entry now in its place comes next
            return last->triedIndex >= 0 && last->triedIndex < count ? last->triedIndex : 0;
        index = at;
    }
    return index == count - 1 ? 0 : index + 1;
}
