#pragma once

// Where a step moves the selection of a file list. The reader steps by hand (Next, Back,
// Skip) and refuses with a message; Auto view steps forward on its timer. Both wrap from the
// end of the list to its first entry; Back never wraps. An index of -1 means no selection.
class ListStep
{
public:
    enum class Move { Next, Back, Skip };
    enum class Refusal {
        None,
        EmptyList, // Next or Skip on an empty list
        AtFirst,   // Back with the first entry or nothing selected
    };
    struct Result
    {
        int index = -1; // the entry to select when not refused
        Refusal refusal = Refusal::None;
    };

    static Result forReader(Move move, int count, int index);

    // Auto view's step; -1 when the list is empty and there is nothing to select.
    static int forAutoView(int count, int index);
};
