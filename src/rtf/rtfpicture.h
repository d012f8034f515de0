// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// A \pict group: the decoded image bytes and the size the document asks for.
struct RtfPicture
{
    enum Kind : quint8 { Unsupported, Png, Jpeg };

    Kind kind = Unsupported;
    QByteArray data;
    int goalWidth = 0; // twips, 0 when absent
    int goalHeight = 0;
    int scaleX = 100; // percent
    int scaleY = 100;
};
