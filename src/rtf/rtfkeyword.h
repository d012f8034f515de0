// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

#include <span>
#include <string_view>

// The control words the parser acts on. Every other word is ignored.
enum class RtfKeyword : quint8 {
    Unknown,
    // destinations read or shown
    Fonttbl,
    Colortbl,
    Pict,
    Field,
    Fldinst,
    Fldrslt,
    Upr,
    Ud,
    Shppict,
    Shp,
    Shprslt,
    Object,
    Result,
    Listtext,
    Pntext,
    Nesttableprops,
    Pn,
    Pntxta,
    Pntxtb,
    Stylesheet,
    Cs, // character, section and table styles: \* may come before them in the stylesheet
    Ds,
    Ts,
    // destinations skipped with their content: kept for a save, but the writer's own
    // alternative for readers without nested tables is not
    NotKeptDestination,
    SkippedDestination,
    // code pages and font table
    Ansi,
    Mac,
    Pc,
    Pca,
    Ansicpg,
    Deff,
    F,
    Fcharset,
    Cpg,
    Uc,
    U,
    // colour table
    Red,
    Green,
    Blue,
    // character formatting
    Plain,
    B,
    I,
    Strike,
    Ul,
    Uldb,
    Uld,
    Uldash,
    Ulwave,
    Ulnone,
    Cf,
    Highlight,
    Cb,
    Fs,
    Super,
    Sub,
    Nosupersub,
    Up,
    Dn,
    Caps,
    Scaps,
    V,
    Deleted,
    Revauthdel,
    Revdttmdel,
    // paragraphs and breaks
    Pard,
    Par,
    Sect,
    Page,
    Pagebb,
    Line,
    Tab,
    Ql,
    Qc,
    Qr,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Sl,
    Slmult,
    // tables
    Intbl,
    Itap,
    Cell,
    Nestcell,
    Row,
    Nestrow,
    Trowd,
    Cellx,
    Clmgf,
    Clmrg,
    Clvmgf,
    Clvmrg,
    Clbrdrt,
    Clbrdrl,
    Clbrdrb,
    Clbrdrr,
    Trbrdrt,
    Trbrdrl,
    Trbrdrb,
    Trbrdrr,
    Trbrdrh,
    Trbrdrv,
    BorderStyle, // \brdrs, \brdrdb and the other line styles
    Brdrnone,
    Brdrw,
    // tab stops
    Tx,
    Tqr,
    Tqc,
    Tqdec,
    Tb,
    // pictures
    Pngblip,
    Jpegblip,
    Picw,
    Pich,
    Picwgoal,
    Pichgoal,
    Picscalex,
    Picscaley,
    // special characters
    Emdash,
    Endash,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Emspace,
    Enspace,
    Qmspace,
    Zwj,
    Zwnj,
    Ltrmark,
    Rtlmark,
    Chftn,
    Chatn,  // an annotation's mark
    Column, // a column break
    Ftnalt, // the note is an endnote
    // styles
    S,
    // document and section layout, kept for a save
    DocumentWord,
    // Word 6 list numbering, inside \pn
    Pnlvl,
    Pnlvlblt,
    Pnlvlbody,
    Pnlvlcont,
    Pndec,
    Pnucltr,
    Pnlcltr,
    Pnucrm,
    Pnlcrm,
    Pnstart,
    Pnf,
    Pnprev,
    // formats the pane does not show, kept verbatim for a save: of the characters, the
    // paragraph, a table row's definition, a cell's definition
    KeptChar,
    KeptParagraph,
    KeptRow,
    KeptCell,
    // borders of a paragraph (\brdrt ...) or of characters (\chbrdr); their line style, colour
    // and spacing (\brdrcf, \brsp ...) go with the last border said
    ParagraphBorder,
    CharBorder,
    BorderDetail,
    // \fldlock, \flddirty ...: flags of a field
    FieldFlag,
    // \tldot, \tlhyph ...: the leader of the tab stop that follows
    TabLeader,
    // \af, \afs, \alang ... and \loch, \hich, \dbch, \rtlch, \ltrch: fonts and formats of
    // other scripts (RtfScriptWords)
    ScriptWord,
};

namespace RtfKeywords {
struct Entry
{
    std::string_view name;
    RtfKeyword keyword;
};

RtfKeyword lookup(QByteArrayView name);
// Every word the lookup knows, with its kind.
std::span<const Entry> entries();
// True for the words that may follow \* and still be read.
bool isKnownDestination(RtfKeyword keyword);
} // namespace RtfKeywords
