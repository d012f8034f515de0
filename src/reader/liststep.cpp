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

int ListStep::forAutoView(int count, int index)
{
    if (count == 0)
        return -1;
    return index == count - 1 ? 0 : index + 1;
}
