// The windows' bitmaps (icons, glyphs, decorations), drawn by this project in code.
#pragma once

#include "framework/graphics/Graphics.h"

namespace forms {

// A small painter over a 32-bit bitmap: shapes in plain colours, enough for icons and glyphs.
class Sketch {
public:
    Sketch(int width, int height, gfx::TColor background);
    // Glyphs use clGlyphKey as background: the framework draws it see-through.
    Sketch& Fill(int left, int top, int right, int bottom, gfx::TColor c);  // right, bottom exclusive
    Sketch& Frame(int left, int top, int right, int bottom, gfx::TColor c);
    Sketch& Disc(int cx, int cy, int radius, gfx::TColor c);
    Sketch& Ring(int cx, int cy, int radius, gfx::TColor c);
    Sketch& Line(int x0, int y0, int x1, int y1, gfx::TColor c, int thickness = 1);
    Sketch& Pixel(int x, int y, gfx::TColor c);
    const gfx::TBitmap& Bitmap() const { return FBitmap; }
    operator gfx::TBitmap() const { return FBitmap; }

private:
    gfx::TBitmap FBitmap;
};

// The colour a glyph's bottom-left pixel has where the glyph is see-through (the framework's rule).
constexpr gfx::TColor clGlyphKey = 0xFF00FF;

// The program's window icon (32 x 32): a picture cut into four.
gfx::TBitmap ProgramIcon();
// The converter's file-kind chooser's icon (32 x 32): a folder holding pictures.
gfx::TBitmap ChooserIcon();
// Glyphs of 16 x 16 for buttons, on the key colour.
gfx::TBitmap GlyphOk();       // a green tick
gfx::TBitmap GlyphCancel();   // a red cross
gfx::TBitmap GlyphFolder();   // an open folder
gfx::TBitmap GlyphSplit();    // a square cut into four
gfx::TBitmap GlyphMail();     // an envelope
gfx::TBitmap GlyphGlobe();    // a globe
gfx::TBitmap GlyphHelp();     // a question mark on blue
gfx::TBitmap GlyphDoor();     // an exit door
gfx::TBitmap GlyphResize();   // a small picture and its larger copy
gfx::TBitmap GlyphReset();    // a turning arrow
gfx::TBitmap GlyphMeasure();  // a ruler
gfx::TBitmap GlyphViewer();   // a magnifying glass
gfx::TBitmap GlyphSave();     // a disk
gfx::TBitmap GlyphBack();     // an arrow pointing left
// A decoration of 40 x 34: four small framed pictures on the main window's colour.
gfx::TBitmap DecorationTiles();

}  // namespace forms
