#include "gif/ColorTbl.h"

namespace gif {

namespace {

constexpr TColorTriple SixteenColors[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

constexpr int32_t TableSize = 256;

}  // namespace

TColorTable::TColorTable(uint16_t NColors)
{
    switch (NColors) {
    case 0:
    case 2:
        CT.Colors[1] = {255, 255, 255};
        break;
    case 16:
        for (int i = 0; i < 16; ++i) CT.Colors[i] = SixteenColors[i];
        break;
    case 256:
        for (int i = 0; i < 256; ++i) {
            uint8_t v = static_cast<uint8_t>(i);
            CT.Colors[i] = {v, v, v};
        }
        break;
    default:
        break;
    }
    CT.Count = NColors;
}

void TColorTable::AdjustColorCount()
{
    int32_t& n = CT.Count;
    if (n <= 2) return;
    if (n <= 4) n = 4;
    else if (n <= 8) n = 8;
    else if (n <= 16) n = 16;
    else if (n <= 32) n = 32;
    else if (n <= 64) n = 64;
    else if (n <= 128) n = 128;
    else if (n <= 255) n = 256;
}

void TColorTable::CompactColors()
{
    for (int32_t i = 0; i < CT.Count; ++i) {
        if (i >= TableSize) throw rtl::ERangeError();
        TColor c = FCT.Colors[i];
        CT.Colors[i] = {gfx::GetRValue(c), gfx::GetGValue(c), gfx::GetBValue(c)};
    }
}

TColor TColorTable::GetColor(uint8_t Index) const
{
    const TColorTriple& e = CT.Colors[Index];
    return gfx::RGB(e.Red, e.Green, e.Blue);
}

int32_t TColorTable::GetColorIndex(TColor Color) const
{
    if (CT.Count > TableSize) throw rtl::ERangeError();
    for (int32_t i = CT.Count - 1; i >= 0; --i)
        if (FCT.Colors[i] == Color) return i;
    return -1;
}

}  // namespace gif
