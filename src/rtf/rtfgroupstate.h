// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcharformat.h"
#include "rtf/rtfparagraphformat.h"

#include <type_traits>

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
        Stylesheet,
        StyleEntry, // one style of the stylesheet
        NoteText,   // a footnote's or endnote's text, kept for a save and shown at the end
    };

    RtfCharFormat chars;
    RtfParagraphFormat paragraph;
    int unicodeSkip = 1; // \uc
    Destination destination = Body;
    Destination uprDestination = Body; // where \ud inside \upr goes back to
    bool starred = false;              // \* seen, waiting for the group's word
    bool inUpr = false;
    bool nestedTableProps = false; // inside \nesttableprops
    quint8 listTable = 0;          // RtfListFollows::Table of the list tables being skipped
    bool fieldGroup = false;
    char16_t fieldSymbol = 0;  // character of a SYMBOL field
    int fieldFallback = -1;    // what a field shows when its result is empty (RtfFieldReader)
    qint64 fieldTextStart = 0; // characters emitted when the field began
    qint64 keptAtOpen = 0;     // bytes of kept parts, sent or not, when the group opened
    qsizetype start = 0;       // offset of the group's {
    bool kept = false;         // in a group the writer gets back verbatim
    bool keepHere = false;     // this group is that group
    qint64 contentAtOpen = 0;  // content shown before the group opened
    // The paragraph open when the group opened breaks before (a \page in the group may end it).
    bool pageBreakAtOpen = false;
    int keptTableLevel = 0; // table level where the object whose result this is was
    int styleNumber = 0;    // \s, \cs ... of a StyleEntry
    bool characterStyle = false;
    bool styledChars = false;        // the character format came from a paragraph style (\s)
    bool instructionPart = false;    // a group inside a field instruction, kept with the field
    qsizetype instructionAtOpen = 0; // instruction text and parts read when the group opened

    // The properties the text's own words said since \plain and the paragraph's since \pard
    // (RtfPropertyWords::Said): a style gives the others.
    quint32 charsSaid = 0;
    quint32 paragraphSaid = 0;

    // Of contentAtOpen, what the file showed itself (not an object's result).
    qint64 ownContentAtOpen = 0;
};

// Copied at every {: values that need memory are shared handles (RtfInterned).
static_assert(std::is_trivially_copyable_v<RtfGroupState>);
