// Graphics: colours, bitmaps, canvases, graphic classes and the picture container.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"

namespace gfx {

using rtl::String;
using rtl::TStream;

// 0x00BBGGRR: red in bits 0-7, green 8-15, blue 16-23.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clNone = 0x1FFFFFFF;
constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t(b) << 16); }
constexpr uint8_t GetRValue(TColor c) { return c & 0xFF; }
constexpr uint8_t GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t GetBValue(TColor c) { return (c >> 16) & 0xFF; }

struct TPoint { int X = 0, Y = 0; };
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};
inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }

// A palette entry as a DIB colour table holds it.
struct TRGBQuad { uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0; };

// pfDevice is the screen's format: 32 bits, bytes blue, green, red, unused.
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
// Bits per stored pixel: 1, 4, 8, 16 (pf15bit: 5-5-5, pf16bit: 5-6-5), 24, 32; pfCustom 0.
int BitsPerPixel(TPixelFormat pf);
inline bool IsIndexed(TPixelFormat pf)
{
    return pf == TPixelFormat::pf1bit || pf == TPixelFormat::pf4bit || pf == TPixelFormat::pf8bit;
}

// The family that stands in for a font name of the framework ("Arial": Liberation Sans, others DejaVu Sans).
String PlatformFontFamily(const String& name);

class TCanvas;
class TBitmap;

struct TFont {
    String Name = "Tahoma";   // the framework's default font
    int Height = -11;          // pixels when negative (8 pt at 96 ppi)
    TColor Color = clBlack;
    bool Bold = false;
    int PixelsPerInch = 96;
    int SizePt() const;
    void SetSizePt(int pt);
};

struct TBrush {
    TColor Color = clWhite;
    bool Clear = false;        // bsClear: text drawn without its box
};

// ---- graphic classes -------------------------------------------------------------

class TGraphic;
// A registered graphic class: its name and how to make an empty instance.
struct TGraphicClass {
    const char* Name;
    TGraphic* (*Create)();
};

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual const TGraphicClass& ClassType() const = 0;
    String ClassName() const { return ClassType().Name; }
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const String& fileName);   // through a TFileStream
    void SaveToFile(const String& fileName);     // creates or replaces the file
    // Copies another graphic; "Cannot assign a %s to a %s" (source class, own class) when it cannot.
    virtual void Assign(const TGraphic& source);
    virtual TGraphic* Clone() const = 0;
    // Draws the graphic stretched over rect.
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
    // The picture as a bitmap of its own size; false where the class cannot give one (metafile).
    virtual bool ToBitmap(TBitmap& target) const = 0;
};

[[noreturn]] void RaiseCannotAssign(const String& sourceClass, const String& targetClass);

// ---- bitmap -------------------------------------------------------------------------

// The pixel store that bitmap copies share. Rows are top-down, Stride bytes each (a multiple of 4).
// 32-bit pixels are bytes blue, green, red, unused (or alpha); 24-bit blue, green, red.
struct TBitmapData {
    int Width = 0;
    int Height = 0;
    TPixelFormat PixelFormat = TPixelFormat::pfDevice;
    int Stride = 0;
    std::vector<TRGBQuad> Palette;  // indexed formats: 2, 16 or 256 entries

    // The first row; the rows are one block of ByteCount bytes only where Contiguous.
    uint8_t* Pixels() { return Row(0); }
    const uint8_t* Pixels() const { return Row(0); }
    uint8_t* Row(int y) { return y < FOwnRows ? OwnRow(y) : FBase + size_t(y) * FPitch; }
    const uint8_t* Row(int y) const { return y < FOwnRows ? OwnRow(y) : FBase + size_t(y) * FPitch; }
    size_t ByteCount() const { return size_t(Stride) * size_t(Height); }
    bool Contiguous() const { return !FShared; }
    // Rows of another store are shown here: a bitmap copies them before it writes.
    bool SharesRows() const { return FShared != nullptr; }

    // Bytes of one row padded to 4; EOutOfMemory when it does not fit an int.
    static int StrideFor(int width, TPixelFormat pf);
    // A new store; its pixels white (indexed: the entry nearest white) unless fill is false.
    // Negative sizes, byte counts that overflow or cannot be had raise rtl::EOutOfMemory.
    static std::shared_ptr<TBitmapData> Create(int width, int height, TPixelFormat pf, bool fill = true);
    // A new store whose pixels are left unset, for a maker that writes every byte of every row
    // before anyone else sees the store. Raises as Create does.
    static std::shared_ptr<TBitmapData> CreateUnset(int width, int height, TPixelFormat pf);
    std::shared_ptr<TBitmapData> Copy() const;
    // Rectangle (x, y, w, h) of a 32-bit store, inside it, sharing its pixels.
    static std::shared_ptr<TBitmapData> View(const std::shared_ptr<TBitmapData>& store, int x, int y, int w, int h);
    // The store with its first rows of its own, the others still shared with it. The own rows are
    // made when any row of them is first wanted: a copy of the store's rows, handed to draw.
    using TDrawRows = std::function<void(TBitmap& top)>;
    static std::shared_ptr<TBitmapData> WithTopRows(const std::shared_ptr<TBitmapData>& store, int rows,
                                                    TDrawRows draw);

private:
    enum class TStart { White, Zero, Unset };
    static std::shared_ptr<TBitmapData> Make(int width, int height, TPixelFormat pf, TStart start);
    struct FreeBits { void operator()(uint8_t* p) const; };
    std::unique_ptr<uint8_t, FreeBits> FBits;
    // Rows below FOwnRows are FTop's (made on first use); the others lie FPitch apart from FBase
    // (row 0's place). FShared keeps the stores whose pixels these are alive.
    struct TTopRows;
    uint8_t* OwnRow(int y) const;
    std::shared_ptr<TTopRows> FTop;
    int FOwnRows = 0;
    uint8_t* FBase = nullptr;
    size_t FPitch = 0;
    std::shared_ptr<const void> FShared;
};

// The palette an indexed format gets when none is given: 1 bit black and white, 4 bits the 16
// standard colours, 8 bits a 6x6x6 colour cube followed by a grey ramp.
std::vector<TRGBQuad> DefaultPalette(TPixelFormat pf);

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat pf = TPixelFormat::pfDevice);
    TBitmap(const TBitmap& other);             // shares the pixels until one is written
    TBitmap& operator=(const TBitmap& other);  // likewise
    ~TBitmap() override;
    static const TGraphicClass& StaticClass();
    const TGraphicClass& ClassType() const override { return StaticClass(); }

    int Width() const override;
    int Height() const override;
    void SetWidth(int w);   // keeps the pixels that stay inside
    void SetHeight(int h);
    void SetSize(int w, int h);
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat pf);  // converts the pixels
    int BitCount() const { return BitsPerPixel(PixelFormat()); }

    // Rows are top-down, each padded to a multiple of 4 bytes.
    int RowStride() const;
    // Range-checked: EInvalidGraphicOperation "Scan line index out of range".
    const uint8_t* ScanLine(int y) const;   // shares
    uint8_t* ScanLineW(int y);              // makes the pixels its own first
    std::vector<TRGBQuad>& Palette();       // 2, 16 or 256 entries for the indexed formats
    const std::vector<TRGBQuad>& Palette() const;

    TColor GetPixel(int x, int y) const;    // any format; 0xFFFFFFFF outside
    void SetPixel(int x, int y, TColor c);  // indexed formats: nearest palette entry

    TCanvas& Canvas();
    // A bitmap with no pixels has no handle (HandleAllocated false).
    bool HandleAllocated() const { return Width() > 0 && Height() > 0; }
    void Dormant() {}
    void FreeImage() {}

    void LoadFromStream(TStream& stream) override;  // BMP; EInvalidGraphic "Bitmap image is not valid"
    void SaveToStream(TStream& stream) override;    // BMP in the bitmap's own format
    void Assign(const TGraphic& source) override;   // bitmaps share; JPEG, PNG, icon convert
    void AssignNothing();                           // empties the bitmap
    TGraphic* Clone() const override { return new TBitmap(*this); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool ToBitmap(TBitmap& target) const override { target = *this; return true; }

    // Internal: the shared store (for the canvas and the DIB routines); never null.
    const std::shared_ptr<TBitmapData>& Data() const { return FData; }
    void SetData(std::shared_ptr<TBitmapData> data);  // nullptr empties
    // The store, made the bitmap's own first (for writers that fill it directly).
    TBitmapData& UniqueData() { MakeUnique(); return *FData; }

private:
    void MakeUnique();
    std::shared_ptr<TBitmapData> FData;
    std::unique_ptr<TCanvas> FCanvas;
};

// ---- canvas -----------------------------------------------------------------------

class TCanvas {
public:
    explicit TCanvas(TBitmap& target) : FTarget(&target) {}
    TFont Font;
    TBrush Brush;
    TBitmap& Target() { return *FTarget; }

    // Copies source rectangle s of source into dest (stretched when the sizes differ).
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& s);
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const TRect& dest, const TGraphic& graphic);
    // Text with Font, on an opaque box of Brush.Color unless Brush.Clear.
    void TextOut(int x, int y, const String& text);
    int TextWidth(const String& text);
    int TextHeight(const String& text);
    void FillRect(const TRect& r);          // with Brush.Color
    TColor Pixel(int x, int y) const;       // as TBitmap::GetPixel
    void SetPixel(int x, int y, TColor c);

private:
    TBitmap* FTarget;
};

// Stretches src into a rectangle of dest: area averaging where it shrinks, bilinear where it grows.
// Any source format; a destination in an indexed or 16-bit format becomes pfDevice first.
// Parts of destRect outside dest are left out; source samples are clamped to the source.
void StretchBitmap(const TBitmap& src, const TRect& srcRect, TBitmap& dest, const TRect& destRect);

// ---- picture container ------------------------------------------------------------

// Registers the framework's own picture formats ("bmp", "ico", "wmf", "emf", "tif", "tiff", in that
// order); defined with the codecs. The registry starts empty until this runs.
void RegisterBuiltInPictureFormats();

class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(const TGraphic* graphic);   // a copy; nullptr clears
    void SetGraphicOwned(std::unique_ptr<TGraphic> graphic);
    int Width() const;
    int Height() const;
    void Assign(const TPicture& other);          // copies the graphic
    // The bitmap view: a picture of another class becomes a new empty bitmap first.
    TBitmap& Bitmap();
    void Clear() { SetGraphic(nullptr); }

    // Picks the class by the extension (without its dot, case ignored; newest registration first);
    // "Unknown picture file extension (.%s)". The picture is replaced only after a successful load.
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);

    static void RegisterFileFormat(const String& ext, const String& description, const TGraphicClass& cls);
    static void UnregisterGraphicClass(const TGraphicClass& cls);
    static const TGraphicClass* FindClassForExtension(const String& ext);  // nullptr when unknown

    // Called whenever the graphic changes (for controls that show it).
    void (*OnChange)(void* context) = nullptr;
    void* OnChangeContext = nullptr;

private:
    void Changed();
    std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace gfx
