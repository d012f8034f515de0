#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfparagraphformat.h"

// What a { saves and the matching } restores.
struct RtfGroupState
{
    enum Destination : quint8 {
        Body,
        Skip,
        FontTable,
        ColorTable,
        Picture,
        FieldInstruction,
        ListNumbering,     // \pn
        ListNumberingText, // \pntxtb, \pntxta
    };

    RtfCharFormat chars;
    RtfParagraphFormat paragraph;
    int unicodeSkip = 1; // \uc
    Destination destination = Body;
    Destination uprDestination = Body; // where \ud inside \upr goes back to
    bool starred = false;              // \* seen, waiting for the group's word
    bool inUpr = false;
    bool nestedTableProps = false; // inside \nesttableprops
    bool fieldGroup = false;
    char16_t fieldSymbol = 0;  // character of a SYMBOL field
    qint64 fieldTextStart = 0; // characters emitted when the field began
};
