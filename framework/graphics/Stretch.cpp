// Block copies and the stretch filter: area averaging to shrink, bilinear to grow, in integer
// fixed point, rows split across threads for large pictures.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/rtl/Parallel.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/PixelRows.h"

namespace gfx {

namespace detail {

bool StretchTwoTapPath = true;

TBitmapData& DrawableData(TBitmap& target)
{
    TPixelFormat pf = target.PixelFormat();
    if (pf != TPixelFormat::pf24bit && pf != TPixelFormat::pf32bit && pf != TPixelFormat::pfDevice)
        target.SetPixelFormat(TPixelFormat::pfDevice);
    return target.UniqueData();
}

void CopyBlock(const TBitmapData& src, int sx0, int sy0, TBitmapData& dst, int dx0, int dy0, int w0, int h0)
{
    // Clip against the source, then against the destination (in 64 bits: no overflow at the extremes).
    int64_t sx = sx0, sy = sy0, dx = dx0, dy = dy0, w64 = w0, h64 = h0;
    if (sx < 0) { dx -= sx; w64 += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h64 += sy; sy = 0; }
    if (dx < 0) { sx -= dx; w64 += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h64 += dy; dy = 0; }
    w64 = std::min({w64, src.Width - sx, dst.Width - dx});
    h64 = std::min({h64, src.Height - sy, dst.Height - dy});
    if (w64 <= 0 || h64 <= 0)
        return;
    const int w = int(w64), h = int(h64);
    int bpp = BitsPerPixel(src.PixelFormat);
    bool same = bpp == BitsPerPixel(dst.PixelFormat) && bpp >= 8 && src.PixelFormat != TPixelFormat::pf15bit &&
                dst.PixelFormat != TPixelFormat::pf15bit;
    if (same && (src.PixelFormat == dst.PixelFormat || bpp == 32)) {
        size_t bytes = size_t(w) * size_t(bpp / 8);
        bool upward = &src == &dst && dy > sy;  // overlapping copy inside one store
        for (int i = 0; i < h; ++i) {
            int r = upward ? h - 1 - i : i;
            std::memmove(dst.Row(dy + r) + size_t(dx) * (bpp / 8), src.Row(sy + r) + size_t(sx) * (bpp / 8), bytes);
        }
        return;
    }
    std::vector<uint8_t> row(size_t(w) * 4);
    TPaletteMatcher matcher(dst.Palette);
    for (int i = 0; i < h; ++i) {
        ReadRow32(src, sy + i, sx, w, row.data());
        WriteRow32(dst, dy + i, dx, w, row.data(), &matcher);
    }
}

}  // namespace detail

namespace {

constexpr int kWeightBits = 12;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// The source taps of every destination position along one axis.
struct TAxis {
    int Taps = 0;                 // taps per position
    std::vector<int> Index;       // [position * Taps + k]: source index, inside the source
    std::vector<int32_t> Weight;  // likewise; each position's weights add up to kWeightOne
    int Min = INT32_MAX, Max = -1;
};

// Positions first..last-1 of a destination run of dstLen over source srcStart..srcStart+srcLen-1;
// source indexes are clamped to 0..srcLimit-1.
TAxis MakeAxis(int srcStart, int srcLen, int dstLen, int first, int last, int srcLimit)
{
    TAxis a;
    double scale = double(srcLen) / double(dstLen);
    bool shrink = srcLen > dstLen;
    a.Taps = shrink ? int(std::ceil(scale)) + 1 : 2;
    int n = last - first;
    a.Index.assign(size_t(n) * a.Taps, 0);
    a.Weight.assign(size_t(n) * a.Taps, 0);
    std::vector<double> w(size_t(a.Taps));
    std::vector<int> idx(size_t(a.Taps));
    for (int i = first; i < last; ++i) {
        int count = 0;
        if (shrink) {
            // Each destination pixel averages the source area it covers.
            double lo = i * scale, hi = (i + 1) * scale;
            for (int j = int(std::floor(lo)); j < hi && count < a.Taps; ++j) {
                double cover = std::min(hi, double(j + 1)) - std::max(lo, double(j));
                if (cover <= 0)
                    continue;
                idx[count] = std::clamp(j, 0, srcLen - 1);
                w[count++] = cover / scale;
            }
        } else {
            double centre = (i + 0.5) * scale - 0.5;
            int j = int(std::floor(centre));
            double f = centre - j;
            idx[0] = std::clamp(j, 0, srcLen - 1);
            idx[1] = std::clamp(j + 1, 0, srcLen - 1);
            w[0] = 1 - f;
            w[1] = f;
            count = 2;
        }
        int32_t* weights = &a.Weight[size_t(i - first) * a.Taps];
        int* indexes = &a.Index[size_t(i - first) * a.Taps];
        int32_t sum = 0;
        int largest = 0;
        for (int k = 0; k < count; ++k) {
            weights[k] = int32_t(std::lround(w[k] * kWeightOne));
            sum += weights[k];
            if (weights[k] > weights[largest])
                largest = k;
            indexes[k] = std::clamp(srcStart + idx[k], 0, srcLimit - 1);
            a.Min = std::min(a.Min, indexes[k]);
            a.Max = std::max(a.Max, indexes[k]);
        }
        weights[largest] += kWeightOne - sum;  // exact unit sum: flat areas stay exact
        for (int k = count; k < a.Taps; ++k)
            indexes[k] = indexes[0];
    }
    return a;
}

struct TStretchJob {
    const uint8_t* Source;  // 32-bit rows of the source area Cols.Min..Max x Rows.Min..Max
    size_t SourceStride;
    TAxis Cols, Rows;
    TBitmapData* Dest;
    int DestX0;             // first destination column written
    int DestY0;             // first destination row written
};

// Taps: the taps of both axes when fixed at compile time (2: a picture made larger both ways),
// 0 when they are read from the job. Both forms compute the same integers.
template <int Taps>
void StretchRowsWith(const TStretchJob& job, int from, int to)
{
    const int rowTaps = Taps ? Taps : job.Rows.Taps;
    const int colTaps = Taps ? Taps : job.Cols.Taps;
    const int width = job.Cols.Max - job.Cols.Min + 1;
    const int outCols = int(job.Cols.Index.size()) / colTaps;
    std::vector<int32_t> acc(size_t(width) * 4);
    std::vector<uint8_t> out(size_t(outCols) * 4);
    const int bytes = BitsPerPixel(job.Dest->PixelFormat) / 8;
    for (int r = from; r < to; ++r) {
        // Vertical pass into 8.8 fixed point.
        const int32_t* wy = &job.Rows.Weight[size_t(r) * rowTaps];
        const int* iy = &job.Rows.Index[size_t(r) * rowTaps];
        auto sourceRow = [&](int k) { return job.Source + size_t(iy[k] - job.Rows.Min) * job.SourceStride; };
        if constexpr (Taps == 2) {
            const uint8_t* s0 = sourceRow(0);
            const uint8_t* s1 = sourceRow(1);
            const int32_t w0 = wy[0], w1 = wy[1];
            for (int i = 0; i < width * 4; ++i)
                acc[i] = (w0 * s0[i] + w1 * s1[i] + 8) >> 4;
        } else {
            std::fill(acc.begin(), acc.end(), 0);
            for (int k = 0; k < rowTaps; ++k) {
                if (!wy[k])
                    continue;
                const uint8_t* s = sourceRow(k);
                for (int i = 0; i < width * 4; ++i)
                    acc[i] += wy[k] * s[i];
            }
            for (auto& v : acc)
                v = (v + 8) >> 4;
        }
        // Horizontal pass.
        uint8_t* o = out.data();
        for (int c = 0; c < outCols; ++c, o += 4) {
            const int* idx = &job.Cols.Index[size_t(c) * colTaps];
            const int32_t* wx = &job.Cols.Weight[size_t(c) * colTaps];
            int32_t sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < colTaps; ++k) {
                const int32_t* px = &acc[size_t(idx[k] - job.Cols.Min) * 4];
                sum[0] += wx[k] * px[0];
                sum[1] += wx[k] * px[1];
                sum[2] += wx[k] * px[2];
                sum[3] += wx[k] * px[3];
            }
            for (int ch = 0; ch < 4; ++ch)
                o[ch] = uint8_t(std::clamp((sum[ch] + (1 << 19)) >> 20, 0, 255));
        }
        uint8_t* d = job.Dest->Row(job.DestY0 + r) + size_t(job.DestX0) * bytes;
        if (bytes == 4) {
            std::memcpy(d, out.data(), out.size());
        } else {
            for (int c = 0; c < outCols; ++c, d += 3) {
                d[0] = out[size_t(c) * 4];
                d[1] = out[size_t(c) * 4 + 1];
                d[2] = out[size_t(c) * 4 + 2];
            }
        }
    }
}

void StretchRows(const TStretchJob& job, int from, int to)
{
    if (detail::StretchTwoTapPath && job.Rows.Taps == 2 && job.Cols.Taps == 2) StretchRowsWith<2>(job, from, to);
    else StretchRowsWith<0>(job, from, to);
}

}  // namespace

void StretchBitmap(const TBitmap& src, const TRect& srcRect, TBitmap& dest, const TRect& destRect)
{
    std::shared_ptr<TBitmapData> held = src.Data();  // keeps the source intact if dest is src
    const TBitmapData& s = *held;
    int sw = srcRect.Width(), sh = srcRect.Height(), dw = destRect.Width(), dh = destRect.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || s.Width == 0 || s.Height == 0)
        return;
    TBitmapData& d = detail::DrawableData(dest);
    if (sw == dw && sh == dh) {
        detail::CopyBlock(s, srcRect.Left, srcRect.Top, d, destRect.Left, destRect.Top, sw, sh);
        return;
    }
    // Only destination pixels inside the bitmap are computed.
    int x0 = std::max(0, -destRect.Left), x1 = std::min(dw, d.Width - destRect.Left);
    int y0 = std::max(0, -destRect.Top), y1 = std::min(dh, d.Height - destRect.Top);
    if (x0 >= x1 || y0 >= y1)
        return;

    TStretchJob job;
    job.Cols = MakeAxis(srcRect.Left, sw, dw, x0, x1, s.Width);
    job.Rows = MakeAxis(srcRect.Top, sh, dh, y0, y1, s.Height);
    job.Dest = &d;
    job.DestX0 = destRect.Left + x0;
    job.DestY0 = destRect.Top + y0;

    // 32-bit sources are read in place; others are converted once, over the area that is read.
    std::vector<uint8_t> converted;
    int areaW = job.Cols.Max - job.Cols.Min + 1, areaH = job.Rows.Max - job.Rows.Min + 1;
    if (BitsPerPixel(s.PixelFormat) == 32 && s.Contiguous()) {
        job.Source = s.Row(job.Rows.Min) + size_t(job.Cols.Min) * 4;
        job.SourceStride = size_t(s.Stride);
    } else {
        converted.resize(size_t(areaW) * areaH * 4);
        for (int y = 0; y < areaH; ++y)
            detail::ReadRow32(s, job.Rows.Min + y, job.Cols.Min, areaW, &converted[size_t(y) * areaW * 4]);
        job.Source = converted.data();
        job.SourceStride = size_t(areaW) * 4;
    }

    int rows = y1 - y0;
    double work = double(rows) * (double(areaW) * job.Rows.Taps + double(x1 - x0) * job.Cols.Taps);
    const int threads = work > 4e6 ? rtl::ThreadCount(rows, 16) : 1;
    rtl::ParallelBands(rows, threads, threads, [&job](int first, int last) { StretchRows(job, first, last); });
}

}  // namespace gfx
