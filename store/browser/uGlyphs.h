#pragma once

#include <QPixmap>

// The small square pictures on the browser's buttons, drawn by the program itself.
enum class TGlyph
{
    Edit,   // pencil
    Post,   // check mark
    Cancel, // cross
    Append, // plus
    Delete  // minus
};

// A side x side picture on a transparent ground.
QPixmap Glyph(TGlyph kind, int side = 16);
