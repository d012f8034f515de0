// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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

    // Where Auto view's last step left off: the entry it chose, where that entry stood, and
    // the file the pane showed before the step.
    struct WalkPlace
    {
        QString tried;
        int triedIndex = -1;
        QString shownBefore;
    };

    // Auto view's next entry of `entries` (the list as it is now), from the selection `index`;
    // -1 when the list is empty and there is nothing to select. `shownNow` is the file the pane
    // shows. When the last step's entry could not be shown (the pane shows what it showed
    // before), the walk goes on after that entry, or, when it has left the list, with the
    // entry that took its place; it neither tries it again nor jumps back. A selection the user
    // made by hand is where the walk goes on from.
    static int forAutoView(const QStringList &entries, int index,
                           const std::optional<WalkPlace> &last = std::nullopt,
                           const QString &shownNow = QString());
};
