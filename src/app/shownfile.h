#pragma once

#include "app/textdecoder.h"

// What the viewing pane shows, as far as writing it back needs to know.
struct ShownFile
{
    bool richText = false; // the content was Rich Text Format
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnding lineEnding = LineEnding::CrLf;
};
