// TMetafile: the header gives the size; playback draws the bitmap records and the common drawing
// records (lines, rectangles, ellipses, polygons with solid pens and brushes) and skips the rest.
// Every record is checked against the bytes of the file before it is read.
#include "framework/graphics/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "framework/graphics/Icon.h"
#include "framework/rtl/ByteReader.h"

namespace gfx {

namespace {

using rtl::TByteReader;

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x) { v[at] = uint8_t(x); v[at + 1] = uint8_t(x >> 8); }
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

// ---- formats -------------------------------------------------------------------------

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22, kMetaHeaderSize = 18;
constexpr size_t kEmfMinHeader = 88, kEmfHeaderSize = 108;
constexpr double kHundredthMmPerInch = 2540.0;
constexpr double kPixelsPerInch = 96.0;
constexpr int kMaxSize = 1 << 20;
// Pixel budget of one picture, as for the other readers: a few hundred bytes can claim any frame,
// and everything that turns the picture into pixels allocates from it.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

enum EmfRecord : uint32_t {
    EMR_HEADER = 1, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9, EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12, EMR_EOF = 14, EMR_SETMAPMODE = 17, EMR_SETPOLYFILLMODE = 19,
    EMR_MOVETOEX = 27, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44, EMR_LINETO = 54, EMR_BITBLT = 76, EMR_STRETCHBLT = 77, EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87, EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90, EMR_POLYPOLYGON16 = 91, EMR_EXTCREATEPEN = 95,
};

enum WmfRecord : uint16_t {
    META_EOF = 0x0000, META_SAVEDC = 0x001E, META_CREATEPALETTE = 0x00F7, META_SETPOLYFILLMODE = 0x0106,
    META_RESTOREDC = 0x0127, META_SELECTOBJECT = 0x012D, META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0, META_CREATEPATTERNBRUSH = 0x01F9, META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB, META_CREATEBRUSHINDIRECT = 0x02FC, META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C, META_LINETO = 0x0213, META_MOVETO = 0x0214, META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325, META_ELLIPSE = 0x0418, META_RECTANGLE = 0x041B, META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C, META_PATBLT = 0x061D, META_CREATEREGION = 0x06FF, META_DIBBITBLT = 0x0940,
    META_DIBSTRETCHBLT = 0x0B41, META_STRETCHDIB = 0x0F43,
};

constexpr uint32_t kStockObject = 0x80000000;
constexpr uint32_t kPatCopy = 0x00F00021, kBlackness = 0x00000042, kWhiteness = 0x00FF0062;
constexpr uint32_t PS_NULL = 5, BS_NULL = 1;
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6,
              MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
constexpr int WINDING = 2;
constexpr size_t kMaxSavedStates = 256;
constexpr size_t kMaxObjects = 1 << 16;
constexpr double kFar = 1e7;  // device coordinates are clamped here before they become integers

[[noreturn]] void RaiseInvalidMetafile() { throw rtl::EInvalidGraphic("Metafile is not valid"); }

int ClampSize(double v)
{
    if (!(v > 0)) return 0;
    return v > kMaxSize ? kMaxSize : static_cast<int>(std::lround(v));
}

struct EmfHeaderFacts {
    int32_t bounds[4] = {0, 0, -1, -1};
    int32_t frame[4] = {0, 0, -1, -1};
    int32_t device[2] = {0, 0};
    int32_t millimeters[2] = {0, 0};
};

bool ReadEmfHeader(const TByteReader& data, EmfHeaderFacts& h)
{
    if (data.Size() < kEmfMinHeader || data.U32(0) != EMR_HEADER || data.U32(40) != kEmfSignature) return false;
    uint32_t recordSize = data.U32(4);
    if (recordSize < kEmfMinHeader || recordSize > data.Size()) return false;
    for (int i = 0; i < 4; ++i) {
        h.bounds[i] = data.I32(8 + 4 * i);
        h.frame[i] = data.I32(24 + 4 * i);
    }
    h.device[0] = data.I32(72);
    h.device[1] = data.I32(76);
    h.millimeters[0] = data.I32(80);
    h.millimeters[1] = data.I32(84);
    return true;
}

// The frame is kept in hundredths of a millimetre; the bounds (inclusive, in device pixels) stand in
// when the frame is empty.
void EmfSize(const EmfHeaderFacts& h, int& width, int& height)
{
    double fw = double(h.frame[2]) - h.frame[0], fh = double(h.frame[3]) - h.frame[1];
    if (fw > 0 && fh > 0) {
        width = ClampSize(fw * kPixelsPerInch / kHundredthMmPerInch);
        height = ClampSize(fh * kPixelsPerInch / kHundredthMmPerInch);
    } else {
        width = ClampSize(double(h.bounds[2]) - h.bounds[0] + 1);
        height = ClampSize(double(h.bounds[3]) - h.bounds[1] + 1);
    }
}

struct PlaceableFacts {
    int16_t box[4] = {0, 0, 0, 0};  // left, top, right, bottom in logical units
    uint16_t inch = 0;               // logical units per inch
    size_t recordsOffset = 0;
};

bool ReadPlaceableHeader(const TByteReader& data, PlaceableFacts& h)
{
    if (data.Size() < kPlaceableSize + kMetaHeaderSize || data.U32(0) != kPlaceableKey) return false;
    for (int i = 0; i < 4; ++i) h.box[i] = data.I16(6 + 2 * i);
    h.inch = data.U16(14);
    uint16_t type = data.U16(kPlaceableSize), words = data.U16(kPlaceableSize + 2);
    if (h.inch == 0 || (type != 1 && type != 2) || words * 2u < kMetaHeaderSize) return false;
    h.recordsOffset = kPlaceableSize + words * 2u;
    return h.recordsOffset <= data.Size();
}

// ---- playback ------------------------------------------------------------------------

struct Pen {
    TColor color = clBlack;
    double width = 0;  // logical units; 0 is one pixel
    bool null = false;
};
struct Brush {
    TColor color = clWhite;
    bool null = false;
};
struct GdiObject {
    enum Kind { Free, PenObject, BrushObject, Other } kind = Free;
    Pen pen;
    Brush brush;
};

struct DcState {
    int mapMode = MM_TEXT;
    double winOrg[2] = {0, 0}, winExt[2] = {1, 1}, vpOrg[2] = {0, 0}, vpExt[2] = {1, 1};
    Pen pen;
    Brush brush;
    int fillMode = 1;
    double pos[2] = {0, 0};
};

struct PointD {
    double x = 0, y = 0;
};

double Far(double v) { return v != v ? 0 : std::clamp(v, -kFar, kFar); }
int ToInt(double v) { return static_cast<int>(std::floor(Far(v))); }

class Painter {
public:
    Painter(TBitmap& target, const TRect& dest) : FTarget(target)
    {
        if (target.PixelFormat() != TPixelFormat::pf24bit && target.PixelFormat() != TPixelFormat::pf32bit &&
            target.PixelFormat() != TPixelFormat::pfDevice)
            target.SetPixelFormat(TPixelFormat::pfDevice);
        FBytes = target.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
        FClip = Rect(std::max(0, std::min(dest.Left, dest.Right)), std::max(0, std::min(dest.Top, dest.Bottom)),
                     std::min(target.Width(), std::max(dest.Left, dest.Right)),
                     std::min(target.Height(), std::max(dest.Top, dest.Bottom)));
    }

    DcState dc;
    // Reference device to destination: dest = (ref - refOrigin) * refScale + destOrigin.
    double refOrigin[2] = {0, 0}, refScale[2] = {1, 1}, destOrigin[2] = {0, 0};
    double pixelsPerMm[2] = {96 / 25.4, 96 / 25.4};
    bool wmf = false;

    bool Visible() const { return FClip.Right > FClip.Left && FClip.Bottom > FClip.Top; }

    PointD Map(double x, double y) const
    {
        double r[2] = {x, y};
        for (int i = 0; i < 2; ++i) {
            double v = r[i] - dc.winOrg[i];
            switch (dc.mapMode) {
            case MM_ISOTROPIC:
            case MM_ANISOTROPIC:
                v = v * (dc.vpExt[i] / (dc.winExt[i] != 0 ? dc.winExt[i] : 1));
                break;
            case MM_LOMETRIC: case MM_HIMETRIC: case MM_LOENGLISH: case MM_HIENGLISH: case MM_TWIPS: {
                static constexpr double unitsPerMm[] = {10, 100, 100 / 25.4, 1000 / 25.4, 1440 / 25.4};
                v = v * pixelsPerMm[i] / unitsPerMm[dc.mapMode - MM_LOMETRIC] * (i ? -1 : 1);
                break;
            }
            default:
                break;
            }
            v += dc.vpOrg[i];
            r[i] = Far((v - refOrigin[i]) * refScale[i] + destOrigin[i]);
        }
        return {r[0], r[1]};
    }

    double PenPixels() const
    {
        if (dc.pen.width <= 1) return 1;
        PointD a = Map(0, 0), b = Map(dc.pen.width, 0);
        return std::clamp(std::fabs(b.x - a.x), 1.0, 64.0);
    }

    // ---- objects ----
    void SelectStock(uint32_t index)
    {
        static constexpr TColor stockBrushes[] = {clWhite, RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                                                  clBlack};
        if (index <= 4) dc.brush = Brush{stockBrushes[index], false};
        else if (index == 5) dc.brush.null = true;
        else if (index == 6) dc.pen = Pen{clWhite, 0, false};
        else if (index == 7) dc.pen = Pen{clBlack, 0, false};
        else if (index == 8) dc.pen.null = true;
    }
    void Select(size_t index)
    {
        if (index >= objects.size()) return;
        const GdiObject& o = objects[index];
        if (o.kind == GdiObject::PenObject) dc.pen = o.pen;
        else if (o.kind == GdiObject::BrushObject) dc.brush = o.brush;
    }
    void Store(size_t index, const GdiObject& o)
    {
        if (index >= kMaxObjects) return;
        if (index >= objects.size()) objects.resize(index + 1);
        objects[index] = o;
    }
    // WMF objects take the lowest free slot.
    void StoreFirstFree(const GdiObject& o)
    {
        size_t i = 0;
        while (i < objects.size() && objects[i].kind != GdiObject::Free) ++i;
        Store(i, o);
    }
    void Delete(size_t index)
    {
        if (index < objects.size()) objects[index] = GdiObject{};
    }
    void Save()
    {
        if (FSaved.size() < kMaxSavedStates) FSaved.push_back(dc);
    }
    // Negative: that many states back; positive: that saved state, counting from 1.
    void Restore(int relative)
    {
        int64_t n = int64_t(FSaved.size());
        int64_t keep = relative < 0 ? n + relative : int64_t(relative) - 1;
        if (relative == 0 || keep < 0 || keep >= n) return;
        dc = FSaved[size_t(keep)];
        FSaved.resize(size_t(keep));
    }

    // ---- drawing ----
    void FillSpan(int y, int x0, int x1, TColor c)
    {
        if (y < FClip.Top || y >= FClip.Bottom) return;
        x0 = std::max(x0, FClip.Left);
        x1 = std::min(x1, FClip.Right);
        if (x0 >= x1) return;
        uint8_t* row = FTarget.ScanLineW(y);
        uint8_t b = GetBValue(c), g = GetGValue(c), r = GetRValue(c);
        for (int x = x0; x < x1; ++x) {
            uint8_t* p = row + size_t(x) * FBytes;
            p[0] = b; p[1] = g; p[2] = r;
        }
    }

    // Scan-converts the outlines (device coordinates) with the pixel-centre rule.
    void FillPolygons(const std::vector<PointD>& pts, const std::vector<size_t>& counts, TColor c, bool winding)
    {
        if (pts.empty() || !Visible()) return;
        double top = pts[0].y, bottom = pts[0].y;
        for (const PointD& p : pts) { top = std::min(top, p.y); bottom = std::max(bottom, p.y); }
        int y0 = std::max(FClip.Top, ToInt(top)), y1 = std::min(FClip.Bottom, ToInt(bottom) + 1);
        struct Cross { double x; int dir; };
        std::vector<Cross> cross;
        for (int y = y0; y < y1; ++y) {
            double yc = y + 0.5;
            cross.clear();
            size_t start = 0;
            for (size_t n : counts) {
                for (size_t i = 0; i < n; ++i) {
                    const PointD& a = pts[start + i];
                    const PointD& b = pts[start + (i + 1) % n];
                    if (a.y == b.y) continue;
                    bool down = a.y < b.y;
                    double lo = down ? a.y : b.y, hi = down ? b.y : a.y;
                    if (yc < lo || yc >= hi) continue;
                    cross.push_back({a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y), down ? 1 : -1});
                }
                start += n;
            }
            std::sort(cross.begin(), cross.end(), [](const Cross& l, const Cross& r) { return l.x < r.x; });
            int inside = 0;
            for (size_t i = 0; i + 1 < cross.size(); ++i) {
                inside += winding ? cross[i].dir : 1;
                bool fill = winding ? inside != 0 : (inside & 1);
                if (fill) FillSpan(y, ToInt(std::ceil(cross[i].x - 0.5)), ToInt(std::ceil(cross[i + 1].x - 0.5)), c);
            }
        }
    }

    void Line(PointD a, PointD b)
    {
        if (dc.pen.null || !Visible()) return;
        double w = PenPixels();
        // Clip to the visible area grown by the pen (Liang-Barsky), so the walk stays bounded.
        double lo[2] = {FClip.Left - w, FClip.Top - w}, hi[2] = {FClip.Right + w, FClip.Bottom + w};
        double t0 = 0, t1 = 1, d[2] = {b.x - a.x, b.y - a.y}, s[2] = {a.x, a.y};
        for (int i = 0; i < 2; ++i) {
            if (d[i] == 0) {
                if (s[i] < lo[i] || s[i] > hi[i]) return;
                continue;
            }
            double ta = (lo[i] - s[i]) / d[i], tb = (hi[i] - s[i]) / d[i];
            if (ta > tb) std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            if (t0 > t1) return;
        }
        int x0 = ToInt(a.x + t0 * d[0]), y0 = ToInt(a.y + t0 * d[1]);
        int x1 = ToInt(a.x + t1 * d[0]), y1 = ToInt(a.y + t1 * d[1]);
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy, half = static_cast<int>(w) / 2, size = static_cast<int>(w);
        for (;;) {
            for (int k = 0; k < size; ++k) FillSpan(y0 - half + k, x0 - half, x0 - half + size, dc.pen.color);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) { err += dy; x0 += sx; }
            if (e2 <= dx) { err += dx; y0 += sy; }
        }
    }

    void Polyline(const std::vector<PointD>& pts, bool closed)
    {
        for (size_t i = 0; i + 1 < pts.size(); ++i) Line(pts[i], pts[i + 1]);
        if (closed && pts.size() > 2) Line(pts.back(), pts.front());
    }

    void Polygons(const std::vector<PointD>& pts, const std::vector<size_t>& counts)
    {
        if (!dc.brush.null) FillPolygons(pts, counts, dc.brush.color, dc.fillMode == WINDING);
        size_t start = 0;
        for (size_t n : counts) {
            std::vector<PointD> one(pts.begin() + long(start), pts.begin() + long(start + n));
            Polyline(one, true);
            start += n;
        }
    }

    void RectangleShape(double l, double t, double r, double b)
    {
        PointD p0 = Map(l, t), p1 = Map(r, b);
        std::vector<PointD> box = {{p0.x, p0.y}, {p1.x, p0.y}, {p1.x, p1.y}, {p0.x, p1.y}};
        if (!dc.brush.null) FillPolygons(box, {4}, dc.brush.color, false);
        // The outline lies inside the box, as the right and bottom edges are exclusive.
        double ix = p1.x > p0.x ? -1 : 1, iy = p1.y > p0.y ? -1 : 1;
        std::vector<PointD> edge = {{p0.x, p0.y}, {p1.x + ix, p0.y}, {p1.x + ix, p1.y + iy}, {p0.x, p1.y + iy}};
        Polyline(edge, true);
    }

    void EllipseShape(double l, double t, double r, double b)
    {
        PointD p0 = Map(l, t), p1 = Map(r, b);
        double cx = (p0.x + p1.x) / 2, cy = (p0.y + p1.y) / 2;
        double rx = std::fabs(p1.x - p0.x) / 2, ry = std::fabs(p1.y - p0.y) / 2;
        if (rx <= 0 || ry <= 0) return;
        constexpr int kSegments = 64;
        std::vector<PointD> ring;
        for (int i = 0; i < kSegments; ++i) {
            double a = 2 * std::numbers::pi * i / kSegments;
            ring.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
        }
        if (!dc.brush.null) FillPolygons(ring, {ring.size()}, dc.brush.color, false);
        Polyline(ring, true);
    }

    void FillDeviceRect(PointD p0, PointD p1, TColor c)
    {
        std::vector<PointD> box = {{p0.x, p0.y}, {p1.x, p0.y}, {p1.x, p1.y}, {p0.x, p1.y}};
        FillPolygons(box, {4}, c, false);
    }

    // Draws the source rectangle of a decoded DIB over the destination (device) rectangle.
    void Blit(const TBitmap& src, double sx, double sy, double sw, double sh, PointD d0, PointD d1)
    {
        if (!Visible() || sw <= 0 || sh <= 0) return;
        // The source rectangle is kept inside the bitmap.
        double l = std::clamp(sx, 0.0, double(src.Width())), t = std::clamp(sy, 0.0, double(src.Height()));
        double r = std::clamp(sx + sw, 0.0, double(src.Width())), b = std::clamp(sy + sh, 0.0, double(src.Height()));
        if (r <= l || b <= t) return;
        int dl = ToInt(std::min(d0.x, d1.x) + 0.5), dr = ToInt(std::max(d0.x, d1.x) + 0.5);
        int dt = ToInt(std::min(d0.y, d1.y) + 0.5), db = ToInt(std::max(d0.y, d1.y) + 0.5);
        if (dr <= dl || db <= dt) return;
        TRect srcRect = Rect(ToInt(l), ToInt(t), ToInt(std::ceil(r)), ToInt(std::ceil(b)));
        if (dl >= FClip.Left && dt >= FClip.Top && dr <= FClip.Right && db <= FClip.Bottom) {
            StretchBitmap(src, srcRect, FTarget, Rect(dl, dt, dr, db));
            return;
        }
        // Partly visible: nearest samples over the visible part only.
        int x0 = std::max(dl, FClip.Left), x1 = std::min(dr, FClip.Right);
        int y0 = std::max(dt, FClip.Top), y1 = std::min(db, FClip.Bottom);
        double fx = double(srcRect.Width()) / (dr - dl), fy = double(srcRect.Height()) / (db - dt);
        for (int y = y0; y < y1; ++y) {
            int syi = std::min(srcRect.Bottom - 1, srcRect.Top + static_cast<int>((y - dt + 0.5) * fy));
            const uint8_t* srow = src.ScanLine(syi);
            uint8_t* row = FTarget.ScanLineW(y);
            for (int x = x0; x < x1; ++x) {
                int sxi = std::min(srcRect.Right - 1, srcRect.Left + static_cast<int>((x - dl + 0.5) * fx));
                std::memcpy(row + size_t(x) * FBytes, srow + size_t(sxi) * 4, 3);
            }
        }
    }

private:
    TBitmap& FTarget;
    TRect FClip;
    int FBytes = 4;
    std::vector<DcState> FSaved;

public:
    std::vector<GdiObject> objects;
};

// A DIB given as header block and bits block inside one record.
bool DecodeDib(const TByteReader& info, const TByteReader& bits, TBitmap& out)
{
    TDibHeader h;
    if (!ReadDibHeader(info, h) || info.Size() < h.HeaderSize) return false;
    return DecodeDibRows(h, info.From(h.HeaderSize), bits, h.Height, out);
}

// A packed DIB: header, colour table and bits in one block.
bool DecodePackedDib(const TByteReader& dib, TBitmap& out, bool& bottomUp)
{
    TDibHeader h;
    if (!ReadDibHeader(dib, h)) return false;
    size_t bitsOffset = size_t(h.HeaderSize) + h.TableSize();
    if (bitsOffset > dib.Size()) return false;
    bottomUp = !h.TopDown;
    return DecodeDibRows(h, dib.Part(h.HeaderSize, h.TableSize()), dib.From(bitsOffset), h.Height, out);
}

// A DIB referred to by offsets and sizes within an EMF record.
bool RecordDib(const TByteReader& rec, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
               TBitmap& out, bool& bottomUp)
{
    if (cbBmi == 0 || !rec.Has(offBmi, cbBmi) || !rec.Has(offBits, cbBits)) return false;
    const TByteReader info = rec.Part(offBmi, cbBmi), bits = rec.Part(offBits, cbBits);
    TDibHeader h;
    if (!ReadDibHeader(info, h)) return false;
    bottomUp = !h.TopDown;
    return DecodeDib(info, bits, out);
}

PointD EmfPoint(const TByteReader& rec, size_t at, bool small)
{
    if (small) return {double(rec.I16(at)), double(rec.I16(at + 2))};
    return {double(rec.I32(at)), double(rec.I32(at + 4))};
}

// Reads `count` points of `pointSize` bytes at `at`, mapped to device coordinates.
bool ReadPoints(const Painter& painter, const TByteReader& rec, size_t at, uint64_t count, bool small,
                std::vector<PointD>& out)
{
    size_t pointSize = small ? 4 : 8;
    if (at > rec.Size() || count > (rec.Size() - at) / pointSize) return false;
    out.clear();
    out.reserve(size_t(count));
    for (size_t i = 0; i < count; ++i) {
        PointD q = EmfPoint(rec, at + i * pointSize, small);
        out.push_back(painter.Map(q.x, q.y));
    }
    return true;
}

void PlayEmfBitmap(Painter& painter, const TByteReader& rec, uint32_t type)
{
    const size_t size = rec.Size();
    TBitmap dib;
    bool bottomUp = false;
    if (type == EMR_STRETCHDIBITS && size >= 80) {
        if (!RecordDib(rec, rec.U32(48), rec.U32(52), rec.U32(56), rec.U32(60), dib, bottomUp)) return;
        double xs = rec.I32(32), ys = rec.I32(36), ws = rec.I32(40), hs = rec.I32(44);
        if (bottomUp) ys = dib.Height() - ys - hs;  // the source origin is the bitmap's lower left corner
        double xd = rec.I32(24), yd = rec.I32(28), wd = rec.I32(72), hd = rec.I32(76);
        painter.Blit(dib, xs, ys, ws, hs, painter.Map(xd, yd), painter.Map(xd + wd, yd + hd));
    } else if (type == EMR_SETDIBITSTODEVICE && size >= 76) {
        if (!RecordDib(rec, rec.U32(48), rec.U32(52), rec.U32(56), rec.U32(60), dib, bottomUp)) return;
        double xs = rec.I32(32), ys = rec.I32(36), ws = rec.I32(40), hs = rec.I32(44);
        if (bottomUp) ys = dib.Height() - ys - hs;
        double xd = rec.I32(24), yd = rec.I32(28);
        painter.Blit(dib, xs, ys, ws, hs, painter.Map(xd, yd), painter.Map(xd + ws, yd + hs));
    } else if ((type == EMR_BITBLT && size >= 100) || (type == EMR_STRETCHBLT && size >= 108)) {
        double xd = rec.I32(24), yd = rec.I32(28), wd = rec.I32(32), hd = rec.I32(36);
        uint32_t rop = rec.U32(40);
        PointD d0 = painter.Map(xd, yd), d1 = painter.Map(xd + wd, yd + hd);
        if (rec.U32(88) == 0) {  // no source bitmap: a pattern or constant fill
            if (rop == kPatCopy && !painter.dc.brush.null) painter.FillDeviceRect(d0, d1, painter.dc.brush.color);
            else if (rop == kBlackness) painter.FillDeviceRect(d0, d1, clBlack);
            else if (rop == kWhiteness) painter.FillDeviceRect(d0, d1, clWhite);
            return;
        }
        if (!RecordDib(rec, rec.U32(84), rec.U32(88), rec.U32(92), rec.U32(96), dib, bottomUp)) return;
        double xs = rec.I32(44), ys = rec.I32(48);
        double ws = type == EMR_STRETCHBLT ? rec.I32(100) : wd, hs = type == EMR_STRETCHBLT ? rec.I32(104) : hd;
        painter.Blit(dib, xs, ys, ws, hs, d0, d1);
    }
}

void PlayEmfRecord(Painter& p, const TByteReader& rec, uint32_t type)
{
    const size_t size = rec.Size();
    std::vector<PointD> pts;
    auto arg = [&](size_t at) { return rec.Has(at, 4) ? rec.I32(at) : 0; };
    switch (type) {
    case EMR_SETWINDOWEXTEX: p.dc.winExt[0] = arg(8); p.dc.winExt[1] = arg(12); break;
    case EMR_SETWINDOWORGEX: p.dc.winOrg[0] = arg(8); p.dc.winOrg[1] = arg(12); break;
    case EMR_SETVIEWPORTEXTEX: p.dc.vpExt[0] = arg(8); p.dc.vpExt[1] = arg(12); break;
    case EMR_SETVIEWPORTORGEX: p.dc.vpOrg[0] = arg(8); p.dc.vpOrg[1] = arg(12); break;
    case EMR_SETMAPMODE: p.dc.mapMode = arg(8); break;
    case EMR_SETPOLYFILLMODE: p.dc.fillMode = arg(8); break;
    case EMR_SAVEDC: p.Save(); break;
    case EMR_RESTOREDC: p.Restore(arg(8)); break;
    case EMR_MOVETOEX: p.dc.pos[0] = arg(8); p.dc.pos[1] = arg(12); break;
    case EMR_LINETO: {
        double x = arg(8), y = arg(12);
        p.Line(p.Map(p.dc.pos[0], p.dc.pos[1]), p.Map(x, y));
        p.dc.pos[0] = x; p.dc.pos[1] = y;
        break;
    }
    case EMR_SELECTOBJECT: {
        if (size < 12) break;
        uint32_t ih = rec.U32(8);
        if (ih & kStockObject) p.SelectStock(ih & ~kStockObject);
        else p.Select(ih);
        break;
    }
    case EMR_CREATEPEN:
        if (size >= 28) {
            GdiObject o{GdiObject::PenObject, {}, {}};
            o.pen = Pen{rec.U32(24) & 0xFFFFFF, std::fabs(double(rec.I32(16))), (rec.U32(12) & 0xF) == PS_NULL};
            p.Store(rec.U32(8), o);
        }
        break;
    case EMR_EXTCREATEPEN:
        if (size >= 44) {
            GdiObject o{GdiObject::PenObject, {}, {}};
            o.pen = Pen{rec.U32(40) & 0xFFFFFF, double(rec.U32(32)), (rec.U32(28) & 0xF) == PS_NULL};
            p.Store(rec.U32(8), o);
        }
        break;
    case EMR_CREATEBRUSHINDIRECT:
        if (size >= 24) {
            GdiObject o{GdiObject::BrushObject, {}, {}};
            o.brush = Brush{rec.U32(16) & 0xFFFFFF, rec.U32(12) == BS_NULL};
            p.Store(rec.U32(8), o);
        }
        break;
    case EMR_DELETEOBJECT:
        if (size >= 12) p.Delete(rec.U32(8));
        break;
    case EMR_RECTANGLE:
    case EMR_ROUNDRECT:
        if (size >= 24) p.RectangleShape(arg(8), arg(12), arg(16), arg(20));
        break;
    case EMR_ELLIPSE:
        if (size >= 24) p.EllipseShape(arg(8), arg(12), arg(16), arg(20));
        break;
    case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYLINETO:
    case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYLINETO16: {
        if (size < 28) break;
        bool small = type >= EMR_POLYGON16;
        if (!ReadPoints(p, rec, 28, rec.U32(24), small, pts) || pts.empty()) break;
        if (type == EMR_POLYGON || type == EMR_POLYGON16) {
            p.Polygons(pts, {pts.size()});
        } else if (type == EMR_POLYLINETO || type == EMR_POLYLINETO16) {
            pts.insert(pts.begin(), p.Map(p.dc.pos[0], p.dc.pos[1]));
            p.Polyline(pts, false);
            PointD q = EmfPoint(rec, 28 + (pts.size() - 2) * (small ? 4 : 8), small);
            p.dc.pos[0] = q.x; p.dc.pos[1] = q.y;
        } else {
            p.Polyline(pts, false);
        }
        break;
    }
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
        if (size < 32) break;
        bool small = type >= EMR_POLYPOLYLINE16;
        uint32_t polys = rec.U32(24), total = rec.U32(28);
        if (polys > (size - 32) / 4) break;
        std::vector<size_t> counts(polys);
        uint64_t sum = 0;
        for (uint32_t i = 0; i < polys; ++i) sum += counts[i] = rec.U32(32 + 4 * size_t(i));
        if (sum != total || !ReadPoints(p, rec, 32 + 4 * size_t(polys), total, small, pts)) break;
        counts.erase(std::remove(counts.begin(), counts.end(), size_t(0)), counts.end());
        if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16) {
            p.Polygons(pts, counts);
        } else {
            size_t start = 0;
            for (size_t n : counts) {
                p.Polyline(std::vector<PointD>(pts.begin() + long(start), pts.begin() + long(start + n)), false);
                start += n;
            }
        }
        break;
    }
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_STRETCHDIBITS: case EMR_SETDIBITSTODEVICE:
        PlayEmfBitmap(p, rec, type);
        break;
    default:
        break;  // text, paths, regions, clipping and the rest are skipped
    }
}

void PlayEmf(const std::vector<uint8_t>& data, TBitmap& target, const TRect& rect)
{
    EmfHeaderFacts h;
    const TByteReader file(data.data(), data.size());
    if (!ReadEmfHeader(file, h)) return;
    Painter p(target, rect);
    if (!p.Visible()) return;
    // The picture's frame in reference-device pixels is mapped onto rect.
    double ref[4];
    bool metric = h.device[0] > 0 && h.device[1] > 0 && h.millimeters[0] > 0 && h.millimeters[1] > 0;
    double ppmm[2] = {metric ? double(h.device[0]) / h.millimeters[0] : 96 / 25.4,
                      metric ? double(h.device[1]) / h.millimeters[1] : 96 / 25.4};
    if (h.frame[2] > h.frame[0] && h.frame[3] > h.frame[1]) {
        for (int i = 0; i < 4; ++i) ref[i] = h.frame[i] * ppmm[i % 2] / 100.0;
    } else {
        for (int i = 0; i < 4; ++i) ref[i] = h.bounds[i] + (i >= 2 ? 1 : 0);
    }
    if (!(ref[2] > ref[0]) || !(ref[3] > ref[1])) return;
    p.pixelsPerMm[0] = ppmm[0];
    p.pixelsPerMm[1] = ppmm[1];
    p.refOrigin[0] = ref[0];
    p.refOrigin[1] = ref[1];
    p.refScale[0] = rect.Width() / (ref[2] - ref[0]);
    p.refScale[1] = rect.Height() / (ref[3] - ref[1]);
    p.destOrigin[0] = rect.Left;
    p.destOrigin[1] = rect.Top;

    size_t at = 0;
    while (file.Has(at, 8)) {
        uint32_t type = file.U32(at), size = file.U32(at + 4);
        if (size < 8 || !file.Has(at, size)) break;
        if (type == EMR_EOF) break;
        PlayEmfRecord(p, file.Part(at, size), type);
        at += size;
    }
}

// ---- WMF -------------------------------------------------------------------------------

void PlayWmfBitmap(Painter& p, const TByteReader& rec, uint16_t fn)
{
    const size_t size = rec.Size();
    auto w = [&](size_t i) { return double(rec.I16(6 + 2 * i)); };
    size_t words = size / 2;
    bool noBitmap = words == size_t((fn >> 8) + 3);
    TBitmap dib;
    bool bottomUp = false;
    uint32_t rop = size >= 10 ? rec.U32(6) : 0;
    if (fn == META_PATBLT && size >= 18) {
        PointD d0 = p.Map(w(5), w(4)), d1 = p.Map(w(5) + w(3), w(4) + w(2));
        if (rop == kPatCopy && !p.dc.brush.null) p.FillDeviceRect(d0, d1, p.dc.brush.color);
        else if (rop == kBlackness) p.FillDeviceRect(d0, d1, clBlack);
        else if (rop == kWhiteness) p.FillDeviceRect(d0, d1, clWhite);
        return;
    }
    if (noBitmap) {
        // DIBBITBLT and DIBSTRETCHBLT without a bitmap fill with the pattern.
        double xd, yd, wd, hd;
        if (fn == META_DIBBITBLT && size >= 24) { xd = w(8); yd = w(7); wd = w(6); hd = w(5); }
        else if (fn == META_DIBSTRETCHBLT && size >= 28) { xd = w(10); yd = w(9); wd = w(8); hd = w(7); }
        else return;
        PointD d0 = p.Map(xd, yd), d1 = p.Map(xd + wd, yd + hd);
        if (rop == kPatCopy && !p.dc.brush.null) p.FillDeviceRect(d0, d1, p.dc.brush.color);
        else if (rop == kBlackness) p.FillDeviceRect(d0, d1, clBlack);
        else if (rop == kWhiteness) p.FillDeviceRect(d0, d1, clWhite);
        return;
    }
    double xs, ys, ws, hs, xd, yd, wd, hd;
    size_t dibAt;
    if (fn == META_DIBBITBLT) {
        if (size < 22) return;
        ys = w(2); xs = w(3); hs = hd = w(4); ws = wd = w(5); yd = w(6); xd = w(7); dibAt = 22;
    } else if (fn == META_DIBSTRETCHBLT) {
        if (size < 26) return;
        hs = w(2); ws = w(3); ys = w(4); xs = w(5); hd = w(6); wd = w(7); yd = w(8); xd = w(9); dibAt = 26;
    } else {  // META_STRETCHDIB
        if (size < 28) return;
        hs = w(3); ws = w(4); ys = w(5); xs = w(6); hd = w(7); wd = w(8); yd = w(9); xd = w(10); dibAt = 28;
    }
    if (!DecodePackedDib(rec.From(dibAt), dib, bottomUp)) return;
    if (fn == META_STRETCHDIB && bottomUp) ys = dib.Height() - ys - hs;
    p.Blit(dib, xs, ys, ws, hs, p.Map(xd, yd), p.Map(xd + wd, yd + hd));
}

void PlayWmfRecord(Painter& p, const TByteReader& rec, uint16_t fn)
{
    const size_t size = rec.Size();
    size_t params = (size - 6) / 2;
    auto w = [&](size_t i) { return i < params ? double(rec.I16(6 + 2 * i)) : 0.0; };
    std::vector<PointD> pts;
    auto readPoints = [&](size_t at, size_t count) {
        if (at > size || count > (size - at) / 4) return false;
        pts.clear();
        for (size_t i = 0; i < count; ++i) pts.push_back(p.Map(rec.I16(at + 4 * i), rec.I16(at + 4 * i + 2)));
        return true;
    };
    switch (fn) {
    case META_SETWINDOWORG: p.dc.winOrg[0] = w(1); p.dc.winOrg[1] = w(0); break;
    case META_SETWINDOWEXT: p.dc.winExt[0] = w(1); p.dc.winExt[1] = w(0); break;
    case META_SETPOLYFILLMODE: p.dc.fillMode = int(w(0)); break;
    case META_SAVEDC: p.Save(); break;
    case META_RESTOREDC: p.Restore(int(w(0))); break;
    case META_MOVETO: p.dc.pos[0] = w(1); p.dc.pos[1] = w(0); break;
    case META_LINETO:
        p.Line(p.Map(p.dc.pos[0], p.dc.pos[1]), p.Map(w(1), w(0)));
        p.dc.pos[0] = w(1); p.dc.pos[1] = w(0);
        break;
    case META_RECTANGLE: case META_ROUNDRECT: {
        size_t o = fn == META_ROUNDRECT ? 2 : 0;
        p.RectangleShape(w(o + 3), w(o + 2), w(o + 1), w(o));
        break;
    }
    case META_ELLIPSE: p.EllipseShape(w(3), w(2), w(1), w(0)); break;
    case META_POLYGON: case META_POLYLINE:
        if (params >= 1 && readPoints(8, rec.U16(6)) && !pts.empty()) {
            if (fn == META_POLYGON) p.Polygons(pts, {pts.size()});
            else p.Polyline(pts, false);
        }
        break;
    case META_POLYPOLYGON: {
        if (params < 1) break;
        size_t polys = rec.U16(6);
        if (polys > params - 1) break;
        std::vector<size_t> counts(polys);
        size_t total = 0;
        for (size_t i = 0; i < polys; ++i) total += counts[i] = rec.U16(8 + 2 * i);
        if (!readPoints(8 + 2 * polys, total)) break;
        counts.erase(std::remove(counts.begin(), counts.end(), size_t(0)), counts.end());
        p.Polygons(pts, counts);
        break;
    }
    case META_CREATEPENINDIRECT:
        if (size >= 16) {
            GdiObject o{GdiObject::PenObject, {}, {}};
            o.pen = Pen{rec.U32(12) & 0xFFFFFF, std::fabs(w(1)), (rec.U16(6) & 0xF) == PS_NULL};
            p.StoreFirstFree(o);
        }
        break;
    case META_CREATEBRUSHINDIRECT:
        if (size >= 12) {
            GdiObject o{GdiObject::BrushObject, {}, {}};
            o.brush = Brush{rec.U32(8) & 0xFFFFFF, rec.U16(6) == BS_NULL};
            p.StoreFirstFree(o);
        }
        break;
    case META_CREATEFONTINDIRECT: case META_CREATEPALETTE: case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH: case META_CREATEREGION:
        p.StoreFirstFree(GdiObject{GdiObject::Other, {}, {}});  // takes its slot; not drawn with
        break;
    case META_SELECTOBJECT: if (params >= 1) p.Select(rec.U16(6)); break;
    case META_DELETEOBJECT: if (params >= 1) p.Delete(rec.U16(6)); break;
    case META_DIBBITBLT: case META_DIBSTRETCHBLT: case META_STRETCHDIB: case META_PATBLT:
        PlayWmfBitmap(p, rec, fn);
        break;
    default:
        break;
    }
}

void PlayWmf(const std::vector<uint8_t>& data, TBitmap& target, const TRect& rect)
{
    PlaceableFacts h;
    const TByteReader file(data.data(), data.size());
    if (!ReadPlaceableHeader(file, h)) return;
    Painter p(target, rect);
    if (!p.Visible()) return;
    // The bounding box is the window; rect is the viewport. Window records may move the window.
    p.dc.mapMode = MM_ANISOTROPIC;
    p.dc.winOrg[0] = h.box[0];
    p.dc.winOrg[1] = h.box[1];
    p.dc.winExt[0] = double(h.box[2]) - h.box[0];
    p.dc.winExt[1] = double(h.box[3]) - h.box[1];
    p.dc.vpOrg[0] = rect.Left;
    p.dc.vpOrg[1] = rect.Top;
    p.dc.vpExt[0] = rect.Width();
    p.dc.vpExt[1] = rect.Height();
    size_t at = h.recordsOffset;
    while (file.Has(at, 6)) {
        uint64_t size = uint64_t(file.U32(at)) * 2;
        uint16_t fn = file.U16(at + 4);
        if (size < 6 || size > file.Size() - at || fn == META_EOF) break;
        PlayWmfRecord(p, file.Part(at, size_t(size)), fn);
        at += size_t(size);
    }
}

TGraphic* CreateMetafile() { return new TMetafile; }

}  // namespace

// ---- TMetafile ----------------------------------------------------------------------------

const TGraphicClass& TMetafile::StaticClass()
{
    static const TGraphicClass cls{"TMetafile", CreateMetafile};
    return cls;
}

void TMetafile::Clear()
{
    FData.clear();
    FEnhanced = true;
    FWidth = FHeight = 0;
}

void TMetafile::LoadFromStream(TStream& stream)
{
    int64_t remaining = stream.Size() - stream.Position();
    std::vector<uint8_t> data(static_cast<size_t>(remaining > 0 ? remaining : 0));
    data.resize(static_cast<size_t>(stream.Read(data.data(), static_cast<int64_t>(data.size()))));
    EmfHeaderFacts emf;
    PlaceableFacts wmf;
    int width = 0, height = 0;
    bool enhanced;
    const TByteReader file(data.data(), data.size());
    if (ReadEmfHeader(file, emf)) {
        enhanced = true;
        EmfSize(emf, width, height);
    } else if (ReadPlaceableHeader(file, wmf)) {
        enhanced = false;
        width = ClampSize(std::fabs(double(wmf.box[2]) - wmf.box[0]) * kPixelsPerInch / wmf.inch);
        height = ClampSize(std::fabs(double(wmf.box[3]) - wmf.box[1]) * kPixelsPerInch / wmf.inch);
    } else {
        RaiseInvalidMetafile();
    }
    if (uint64_t(width) * uint64_t(height) > kMaxPixels)
        throw rtl::EInvalidGraphic(rtl::Format("Metafile is not valid (image too large: %d x %d pixels)", {width, height}));
    FData = std::move(data);
    FEnhanced = enhanced;
    FWidth = width;
    FHeight = height;
}

void TMetafile::SaveToStream(TStream& stream)
{
    if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMetafile::Assign(const TGraphic& source)
{
    if (auto* meta = dynamic_cast<const TMetafile*>(&source)) {
        if (meta != this) *this = *meta;
    } else {
        TGraphic::Assign(source);
    }
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (FData.empty()) return;
    if (FEnhanced) PlayEmf(FData, canvas.Target(), rect);
    else PlayWmf(FData, canvas.Target(), rect);
}

// EMR_HEADER, one EMR_STRETCHDIBITS with the bitmap as 24-bit bottom-up rows, EMR_EOF. The
// reference device is a 96 dpi screen, so the frame gives back the bitmap's size.
void TMetafile::RecordBitmap(const TBitmap& bitmap)
{
    int width = bitmap.Width(), height = bitmap.Height();
    if (width <= 0 || height <= 0) {
        Clear();
        return;
    }
    TBitmap rgb = bitmap;
    if (rgb.PixelFormat() != TPixelFormat::pf24bit && rgb.PixelFormat() != TPixelFormat::pf32bit &&
        rgb.PixelFormat() != TPixelFormat::pfDevice)
        rgb.SetPixelFormat(TPixelFormat::pfDevice);
    int srcBytes = rgb.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;

    constexpr size_t kBlitSize = 80, kInfoSize = 40, kEofSize = 20;
    constexpr int kDeviceW = 1920, kDeviceH = 1080, kMmW = 508, kMmH = 286;
    uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
    uint64_t bitsSize = stride * uint64_t(height);
    uint64_t total = kEmfHeaderSize + kBlitSize + kInfoSize + bitsSize + kEofSize;
    if (total > 0xFFFFFFF0u) throw rtl::EOutOfMemory();
    std::vector<uint8_t> out(static_cast<size_t>(total), 0);

    uint32_t frameW = uint32_t(std::lround(width * kHundredthMmPerInch / kPixelsPerInch));
    uint32_t frameH = uint32_t(std::lround(height * kHundredthMmPerInch / kPixelsPerInch));
    // Header.
    Put32(out, 0, EMR_HEADER);
    Put32(out, 4, kEmfHeaderSize);
    Put32(out, 16, uint32_t(width - 1));
    Put32(out, 20, uint32_t(height - 1));
    Put32(out, 32, frameW);
    Put32(out, 36, frameH);
    Put32(out, 40, kEmfSignature);
    Put32(out, 44, 0x10000);
    Put32(out, 48, uint32_t(total));
    Put32(out, 52, 3);  // records
    Put16(out, 56, 1);  // handles: the reserved one
    Put32(out, 72, kDeviceW);
    Put32(out, 76, kDeviceH);
    Put32(out, 80, kMmW);
    Put32(out, 84, kMmH);
    Put32(out, 100, kMmW * 1000);
    Put32(out, 104, uint32_t(std::lround(kDeviceH * 25400.0 / kPixelsPerInch)));
    // The bitmap.
    size_t r = kEmfHeaderSize;
    Put32(out, r, EMR_STRETCHDIBITS);
    Put32(out, r + 4, uint32_t(kBlitSize + kInfoSize + bitsSize));
    Put32(out, r + 16, uint32_t(width - 1));
    Put32(out, r + 20, uint32_t(height - 1));
    Put32(out, r + 40, uint32_t(width));
    Put32(out, r + 44, uint32_t(height));
    Put32(out, r + 48, kBlitSize);
    Put32(out, r + 52, kInfoSize);
    Put32(out, r + 56, kBlitSize + kInfoSize);
    Put32(out, r + 60, uint32_t(bitsSize));
    Put32(out, r + 68, 0x00CC0020);  // SRCCOPY
    Put32(out, r + 72, uint32_t(width));
    Put32(out, r + 76, uint32_t(height));
    size_t info = r + kBlitSize;
    Put32(out, info, kInfoSize);
    Put32(out, info + 4, uint32_t(width));
    Put32(out, info + 8, uint32_t(height));
    Put16(out, info + 12, 1);
    Put16(out, info + 14, 24);
    Put32(out, info + 20, uint32_t(bitsSize));
    uint8_t* bits = out.data() + info + kInfoSize;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = rgb.ScanLine(height - 1 - y);
        uint8_t* dst = bits + stride * uint64_t(y);
        if (srcBytes == 3) {
            std::memcpy(dst, src, size_t(width) * 3);
        } else {
            for (int x = 0; x < width; ++x, src += 4, dst += 3) { dst[0] = src[0]; dst[1] = src[1]; dst[2] = src[2]; }
        }
    }
    size_t eof = info + kInfoSize + size_t(bitsSize);
    Put32(out, eof, EMR_EOF);
    Put32(out, eof + 4, kEofSize);
    Put32(out, eof + 12, 16);  // offPalEntries
    Put32(out, eof + 16, kEofSize);

    FData = std::move(out);
    FEnhanced = true;
    FWidth = width;
    FHeight = height;
}

}  // namespace gfx
