#pragma once

class pgwell;

// Creates the main window's controls and places them at their designed rectangles (in twips),
// with their design captions. No behaviour is connected here.
class PgwellUi
{
public:
    static void setupUi(pgwell &w);
};
