#pragma once

#include <QByteArrayView>

// The control words the parser acts on. Every other word is ignored.
enum class RtfKeyword : quint8 {
    Unknown,
    // destinations read or shown
    Fonttbl, Colortbl, Pict, Field, Fldinst, Fldrslt, Upr, Ud,
    Shppict, Shp, Shprslt, Object, Result, Listtext, Pntext, Nesttableprops,
    // destinations skipped with their content
    SkippedDestination,
    // code pages and font table
    Ansi, Mac, Pc, Pca, Ansicpg, Deff, F, Fcharset, Cpg, Uc, U,
    // colour table
    Red, Green, Blue,
    // character formatting
    Plain, B, I, Strike, Ul, Uld, Uldash, Ulwave, Ulnone, Cf, Highlight, Cb, Fs,
    Super, Sub, Nosupersub, Up, Dn, Caps, Scaps, V,
    // paragraphs and breaks
    Pard, Par, Sect, Page, Line, Tab, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, Slmult,
    // tables
    Intbl, Itap, Cell, Nestcell, Row, Nestrow, Trowd, Cellx,
    // pictures
    Pngblip, Jpegblip, Picw, Pich, Picwgoal, Pichgoal, Picscalex, Picscaley,
    // special characters
    Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote, Emspace, Enspace, Qmspace,
    Zwj, Zwnj, Ltrmark, Rtlmark,
};

namespace RtfKeywords {
RtfKeyword lookup(QByteArrayView name);
// True for the words that may follow \* and still be read.
bool isKnownDestination(RtfKeyword keyword);
} // namespace RtfKeywords
