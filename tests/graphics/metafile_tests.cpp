// TMetafile: sizes from EMF and placeable WMF headers, playback, recording a bitmap, damaged files.
#include <gtest/gtest.h>

#include <array>

#include "framework/graphics/Metafile.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

void Le16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void Le32(Bytes& b, uint32_t v) { Le16(b, v & 0xFFFF); Le16(b, v >> 16); }
void Le32s(Bytes& b, std::initializer_list<int32_t> values)
{
    for (int32_t v : values) Le32(b, uint32_t(v));
}
void Le16s(Bytes& b, std::initializer_list<int> values)
{
    for (int v : values) Le16(b, uint32_t(uint16_t(v)));
}

Bytes EmfRecord(uint32_t type, const Bytes& payload)
{
    Bytes r;
    Le32(r, type);
    Le32(r, uint32_t(8 + payload.size()));
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

// An EMF of a 96 dpi reference device (1920 x 1080 pixels, 508 x 286 mm).
Bytes BuildEmf(std::array<int32_t, 4> bounds, std::array<int32_t, 4> frame, const std::vector<Bytes>& records)
{
    Bytes body;
    for (const Bytes& r : records) body.insert(body.end(), r.begin(), r.end());
    Bytes eof;
    Le32s(eof, {0, 16, 20});
    Bytes end = EmfRecord(14, eof);
    body.insert(body.end(), end.begin(), end.end());
    Bytes h;
    Le32s(h, {bounds[0], bounds[1], bounds[2], bounds[3], frame[0], frame[1], frame[2], frame[3]});
    Le32s(h, {0x464D4520, 0x10000, int32_t(108 + body.size()), int32_t(records.size() + 2)});
    Le16s(h, {1, 0});
    Le32s(h, {0, 0, 0, 1920, 1080, 508, 286, 0, 0, 0, 508000, 285750});
    Bytes out = EmfRecord(1, h);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes WmfRecord(uint16_t function, std::initializer_list<int> words, const Bytes& tail = {})
{
    Bytes r;
    Le32(r, uint32_t(3 + words.size() + tail.size() / 2));
    Le16(r, function);
    Le16s(r, words);
    r.insert(r.end(), tail.begin(), tail.end());
    return r;
}

Bytes BuildWmf(std::array<int, 4> box, int inch, const std::vector<Bytes>& records)
{
    Bytes out;
    Le32(out, 0x9AC6CDD7);
    Le16(out, 0);
    Le16s(out, {box[0], box[1], box[2], box[3]});
    Le16(out, uint32_t(inch));
    Le32(out, 0);
    Le16(out, 0);  // checksum, not checked
    Bytes body;
    for (const Bytes& r : records) body.insert(body.end(), r.begin(), r.end());
    Bytes eof = WmfRecord(0, {});
    body.insert(body.end(), eof.begin(), eof.end());
    Le16s(out, {1, 9, 0x300});
    Le32(out, uint32_t((18 + body.size()) / 2));
    Le16(out, 4);
    Le32(out, 64);
    Le16(out, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A packed 8-bit DIB of w x h pixels, bottom-up, with colour table `colours` (B, G, R, 0 each).
Bytes Dib8(int w, int h, const Bytes& colours, const std::vector<int>& topDownIndexes)
{
    Bytes d;
    Le32s(d, {40, w, h});
    Le16s(d, {1, 8});
    Le32s(d, {0, 0, 0, 0, int32_t(colours.size() / 4), 0});
    d.insert(d.end(), colours.begin(), colours.end());
    size_t stride = (size_t(w) + 3) / 4 * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x) row[x] = uint8_t(topDownIndexes[size_t(y * w + x)]);
        d.insert(d.end(), row.begin(), row.end());
    }
    return d;
}

TMetafile Load(const Bytes& data)
{
    rtl::TMemoryStream in;
    Fill(in, data);
    TMetafile meta;
    meta.LoadFromStream(in);
    return meta;
}

TBitmap Play(const TMetafile& meta, int w, int h)
{
    TBitmap target(w, h, TPixelFormat::pfDevice);  // white
    meta.Draw(target.Canvas(), Rect(0, 0, w, h));
    return target;
}

constexpr TColor kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

}  // namespace

struct SizeCase {
    const char* name;
    Bytes file;
    int width, height;
    bool enhanced;
};

class MetafileSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MetafileSize, ComesFromTheHeader)
{
    TMetafile meta = Load(GetParam().file);
    EXPECT_EQ(meta.Width(), GetParam().width);
    EXPECT_EQ(meta.Height(), GetParam().height);
    EXPECT_EQ(meta.Enhanced(), GetParam().enhanced);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, MetafileSize,
    ::testing::Values(
        // The frame, in hundredths of a millimetre, converted at 96 pixels per inch.
        SizeCase{"emf_frame", BuildEmf({0, 0, 9, 9}, {0, 0, 2540, 1270}, {}), 96, 48, true},
        SizeCase{"emf_frame_offset", BuildEmf({0, 0, 9, 9}, {1000, 500, 1000 + 5292, 500 + 2646}, {}), 200, 100, true},
        // An empty frame: the inclusive bounds.
        SizeCase{"emf_bounds", BuildEmf({10, 20, 109, 69}, {0, 0, 0, 0}, {}), 100, 50, true},
        // Placeable WMF: the box in units of `inch` per inch.
        SizeCase{"wmf_twips", BuildWmf({0, 0, 1440, 720}, 1440, {}), 96, 48, false},
        SizeCase{"wmf_576", BuildWmf({-100, -50, 380, 190}, 576, {}), 80, 40, false},
        SizeCase{"wmf_flipped_box", BuildWmf({0, 720, 1440, 0}, 1440, {}), 96, 48, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Frames beyond the pixel budget are refused before anything is made from them: a 108-byte EMF
// header and a 46-byte placeable WMF would otherwise ask for 14.4 GB as a bitmap.
struct FrameCase {
    const char* name;
    Bytes file;
    const char* refusal;  // nullptr: it loads
};

Bytes EmfHeaderOnly(std::array<int32_t, 4> bounds, std::array<int32_t, 4> frame)
{
    Bytes file = BuildEmf(bounds, frame, {});
    file.resize(108);
    return file;
}

class MetafileFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(MetafileFrame, IsBoundedBeforeAnythingIsMade)
{
    const FrameCase& c = GetParam();
    if (!c.refusal) {
        EXPECT_NO_THROW(Load(c.file));
        return;
    }
    try {
        Load(c.file);
        FAIL() << "loaded";
    } catch (const rtl::EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), c.refusal);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MetafileFrame,
    ::testing::Values(
        FrameCase{"emf_108_bytes", EmfHeaderOnly({0, 0, 9, 9}, {0, 0, 1587500, 1587500}),
                  "Metafile is not valid (image too large: 60000 x 60000 pixels)"},
        FrameCase{"wmf_46_bytes", BuildWmf({0, 0, 30000, 30000}, 48, {}),
                  "Metafile is not valid (image too large: 60000 x 60000 pixels)"},
        FrameCase{"wmf_widest_box", BuildWmf({-32768, -32768, 32767, 32767}, 1, {}),
                  "Metafile is not valid (image too large: 1048576 x 1048576 pixels)"},
        FrameCase{"emf_at_the_budget", EmfHeaderOnly({0, 0, 16383, 16383}, {0, 0, 0, 0}), nullptr},
        FrameCase{"emf_over_the_budget", EmfHeaderOnly({0, 0, 16383, 16384}, {0, 0, 0, 0}),
                  "Metafile is not valid (image too large: 16384 x 16385 pixels)"},
        FrameCase{"emf_long_and_thin", EmfHeaderOnly({0, 0, 1048575, 0}, {0, 0, 0, 0}), nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Metafile, CannotBecomeABitmap)
{
    TMetafile meta = Load(BuildEmf({0, 0, 9, 9}, {0, 0, 265, 265}, {}));
    TBitmap b;
    EXPECT_FALSE(meta.ToBitmap(b));
    try {
        b.Assign(meta);
        FAIL() << "a metafile became a bitmap";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TMetafile to a TBitmap");
    }
}

TEST(Metafile, RecordedBitmapSavesLoadsAndDrawsBack)
{
    TBitmap source = Pattern(37, 21);
    TMetafile meta;
    meta.RecordBitmap(source);
    EXPECT_EQ(meta.Width(), 37);
    EXPECT_EQ(meta.Height(), 21);
    rtl::TMemoryStream out;
    meta.SaveToStream(out);
    Bytes file = Contents(out);
    ASSERT_GT(file.size(), 108u + 80 + 40 + 37 * 3 * 21);
    EXPECT_EQ(file[40], ' ');  // the EMF signature
    EXPECT_EQ(file[41], 'E');

    TMetafile back = Load(file);
    EXPECT_TRUE(back.Enhanced());
    EXPECT_EQ(back.Width(), 37);
    EXPECT_EQ(back.Height(), 21);
    EXPECT_EQ(BitmapRgb(Play(back, 37, 21)), BitmapRgb(source));

    // Drawn at twice the size the picture is scaled, not cut.
    TBitmap stretched(74, 42, TPixelFormat::pfDevice);
    stretched.Canvas().StretchDraw(Rect(0, 0, 74, 42), source);
    EXPECT_LT(Compare(BitmapRgb(Play(back, 74, 42)), BitmapRgb(stretched)).mean, 2.0);
}

TEST(Metafile, EmfDrawingRecordsArePlayed)
{
    Bytes brush, select, rect, pen, selectPen, ellipse, poly, nullBrush, dib, blit;
    Le32s(brush, {1, 0, int32_t(kRed), 0});
    Le32s(select, {1});
    Le32s(rect, {0, 0, 50, 20});
    Le32s(pen, {2, 5, 0, 0, int32_t(kBlue)});  // PS_NULL
    Le32s(selectPen, {2});
    Le32s(ellipse, {60, 0, 100, 40});
    Le32s(poly, {0, 0, 0, 0, 3});
    Le16s(poly, {0, 60, 40, 60, 0, 99});
    Le32s(nullBrush, {int32_t(0x80000005)});
    // A 2 x 2 DIB stretched over (60, 60)-(100, 100): top row green, bottom row blue.
    Bytes table = {0, 255, 0, 0, 255, 0, 0, 0};
    Bytes packed = Dib8(2, 2, table, {0, 0, 1, 1});
    Bytes info(packed.begin(), packed.begin() + 48), bits(packed.begin() + 48, packed.end());
    Le32s(blit, {60, 60, 99, 99, 60, 60, 0, 0, 2, 2, 80, int32_t(info.size()), 80 + int32_t(info.size()),
                 int32_t(bits.size()), 0, 0x00CC0020, 40, 40});
    blit.insert(blit.end(), info.begin(), info.end());
    blit.insert(blit.end(), bits.begin(), bits.end());
    Bytes file = BuildEmf({0, 0, 99, 99}, {0, 0, 0, 0},
                          {EmfRecord(39, brush), EmfRecord(37, select), EmfRecord(43, rect), EmfRecord(38, pen),
                           EmfRecord(37, selectPen), EmfRecord(42, ellipse), EmfRecord(86, poly),
                           EmfRecord(37, nullBrush), EmfRecord(81, blit)});
    TMetafile meta = Load(file);
    ASSERT_EQ(meta.Width(), 100);
    TBitmap b = Play(meta, 100, 100);
    EXPECT_EQ(b.GetPixel(25, 10), kRed);    // rectangle filled with the red brush
    EXPECT_EQ(b.GetPixel(0, 0), clBlack);    // its outline with the default black pen
    EXPECT_EQ(b.GetPixel(55, 10), clWhite);  // between the shapes
    EXPECT_EQ(b.GetPixel(80, 20), kRed);    // ellipse, no outline (null pen)
    EXPECT_EQ(b.GetPixel(61, 1), clWhite);   // the ellipse's corner stays empty
    EXPECT_EQ(b.GetPixel(10, 70), kRed);    // the polygon
    EXPECT_EQ(b.GetPixel(70, 61), kGreen);  // bitmap: the top row of a bottom-up DIB
    EXPECT_EQ(b.GetPixel(70, 99), kBlue);

    // Drawn at half the size, the records scale with it.
    TBitmap half = Play(meta, 50, 50);
    EXPECT_EQ(half.GetPixel(12, 5), kRed);
    EXPECT_EQ(half.GetPixel(35, 45), kBlue);
}

TEST(Metafile, WmfDrawingRecordsArePlayed)
{
    // Objects take the lowest free slot: the brush is 0, the pen 1.
    Bytes colours = {255, 0, 0, 0, 0, 255, 0, 0};  // blue, green
    Bytes dib = Dib8(2, 1, colours, {0, 1});
    std::vector<Bytes> records = {
        WmfRecord(0x02FC, {0, int(kGreen & 0xFFFF), int(kGreen >> 16), 0}),   // brush
        WmfRecord(0x02FA, {5, 0, 0, int(kRed & 0xFFFF), int(kRed >> 16)}),   // null pen
        WmfRecord(0x012D, {0}), WmfRecord(0x012D, {1}),
        WmfRecord(0x041B, {500, 1000, 0, 0}),                                  // rectangle, logical units
        WmfRecord(0x0F43, {0x0020, 0x00CC, 0, 1, 2, 0, 0, 500, 1000, 500, 0}, dib),  // STRETCHDIB below it
    };
    TMetafile meta = Load(BuildWmf({0, 0, 1000, 1000}, 1000, records));
    ASSERT_EQ(meta.Width(), 96);
    TBitmap b = Play(meta, 100, 100);
    EXPECT_EQ(b.GetPixel(50, 25), kGreen);
    EXPECT_EQ(b.GetPixel(0, 0), kGreen);  // no outline with the null pen
    EXPECT_EQ(b.GetPixel(20, 75), kBlue);
    EXPECT_EQ(b.GetPixel(80, 75), kGreen);
}

TEST(Metafile, DamagedFilesRaiseOrPlaySafely)
{
    TMetafile recorded;
    recorded.RecordBitmap(Pattern(6, 5));
    Bytes brush;
    Le32s(brush, {1, 0, int32_t(kRed), 0});
    Bytes rect;
    Le32s(rect, {0, 0, 50, 20});
    std::vector<Bytes> goods = {recorded.Data(),
                                BuildEmf({0, 0, 99, 99}, {0, 0, 0, 0}, {EmfRecord(39, brush), EmfRecord(43, rect)}),
                                BuildWmf({0, 0, 100, 100}, 96, {WmfRecord(0x041B, {50, 50, 0, 0})})};
    for (const Bytes& good : goods) {
        for (const Bytes& bad : Damaged(good)) {
            try {
                TMetafile meta = Load(bad);
                Play(meta, 40, 30);  // whatever the records say, drawing stays inside the bitmap
            } catch (const rtl::EInvalidGraphic& e) {
                // Damage can also claim a frame beyond the budget, which says so after the same words.
                EXPECT_EQ(e.Message().rfind("Metafile is not valid", 0), 0u) << e.Message();
            }
        }
    }
    for (const Bytes& bad : {Bytes(), Bytes(100, 0), Bytes{'G', 'I', 'F', '8', '9', 'a'}})
        EXPECT_THROW(Load(bad), rtl::EInvalidGraphic);
    // A WMF without the placeable header, and one whose units per inch are 0.
    Bytes plain(goods[2].begin() + 22, goods[2].end());
    EXPECT_THROW(Load(plain), rtl::EInvalidGraphic);
    Bytes zeroInch = goods[2];
    zeroInch[14] = zeroInch[15] = 0;
    EXPECT_THROW(Load(zeroInch), rtl::EInvalidGraphic);
}
