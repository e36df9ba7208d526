// The GIF codec's palette: 256 entries kept as packed red-green-blue triples (the layout of a GIF
// colour table) and as 32-bit colours for fast look-up.
#pragma once

#include <cstdint>

#include "framework/graphics/Graphics.h"

namespace gif {

using gfx::TColor;

#pragma pack(push, 1)
struct TColorTriple {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
};

// The compact table; Colors has the byte layout of a GIF colour table.
struct RColorTable {
    int32_t Count = 0;
    TColorTriple Colors[256];
};
#pragma pack(pop)
static_assert(sizeof(TColorTriple) == 3);
static_assert(sizeof(RColorTable::Colors) == 768);

// The fast table: whole colours, compared in one step.
struct RFastColorTable {
    TColor Colors[256] = {};
};

class TColorTable {
public:
    // Default contents for NColors (black and white for 0 and 2, the sixteen standard colours,
    // a grey ramp for 256, all black otherwise); Count := NColors.
    explicit TColorTable(uint16_t NColors);

    int32_t Count() const { return CT.Count; }
    void SetCount(int32_t value) { CT.Count = value; }

    // Raises Count to the next power of two (3..4 -> 4, ..., 129..255 -> 256); 2 or less and
    // 256 or more stay.
    void AdjustColorCount();
    // Brings the first Count entries of CT into step with FCT.
    void CompactColors();
    TColor GetColor(uint8_t Index) const;
    // Searches the first Count entries of FCT downward: the highest index wins; -1 when absent.
    int32_t GetColorIndex(TColor Color) const;

    RColorTable CT;
    RFastColorTable FCT;
};

}  // namespace gif
