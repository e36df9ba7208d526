// The GIF document: reading GIF 87a/89a streams into sub-images, decoding their LZW data,
// turning a sub-image into a bitmap, writing documents back, and the "gif" picture class.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/graphics/Dib.h"
#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"
#include "gif/ColorTbl.h"
#include "gif/DynArrB.h"
#include "gif/GifDecl.h"

namespace gif {

using gfx::TBitmap;
using rtl::TMemoryStream;
using rtl::TStream;

class TGifFile;

// One image of a document: its descriptor, local colour table, extensions, compressed data and
// the decoded colour indexes (Pixels: column + 1, row + 1).
class TGifSubImage {
public:
    // A sub-image of Parent for NColors colours (2, 4, ..., 256; anything else raises).
    TGifSubImage(uint16_t NColors, TGifFile* Parent);
    // Every field zero, nil or false: no extension list, buffer, matrix or colour table.
    static std::unique_ptr<TGifSubImage> CreateEmpty();
    virtual ~TGifSubImage();
    TGifSubImage(const TGifSubImage&) = delete;
    TGifSubImage& operator=(const TGifSubImage&) = delete;

    // Reads the minimum code size and the data sub-blocks into CompressedRasterData.
    void ReadRasterData(TStream& Stream);
    // Decodes CompressedRasterData into Pixels, row by row.
    void DecodeRasterData();

    TColor TransparentColor() const;
    int32_t TransparentColorIndex() const;
    // The cached bitmap of this image, owned by the sub-image.
    TBitmap* AsBitmap();
    // The image as an 8-bit BMP file image; Stream's position is 0 afterwards.
    void WriteBmpStream(TMemoryStream& Stream) const;
    void EncodeStatusbyte();
    // Loads Bitmap with what the image's in-memory BMP gives.
    void LoadBitmap(TBitmap& Bitmap) const;

    uint16_t AnimateInterval() const;
    void SetAnimateInterval(uint16_t Value);
    TColor BackgroundColor() const;
    TExtensionList* Extensions() const { return FExtensions.get(); }
    void SetExtensions(std::unique_ptr<TExtensionList> Value);
    TDisposalMethod DisposalMethod() const { return FDisposalMethod; }
    bool IsTransparent() const { return FIsTransparent; }

    uint8_t LZWCodeSize = 0;
    std::unique_ptr<TByteBuffer> CompressedRasterData;

private:
    friend class TGifFile;
    TGifSubImage() = default;

    void ReadImage(TStream& Stream);
    bool ReadImageDescriptor(TStream& Stream);
    void DecodeStatusbyte();
    void ReadLocalColorMap(TStream& Stream);
    void EncodeRasterData();
    void WriteImageDescriptor(TStream& Stream);
    void WriteLocalColorMap(TStream& Stream);
    void WriteRasterData(TStream& Stream) const;
    const TColorTable* ActiveColorMap() const;
    bool BuildBitmap(TBitmap& Bitmap) const;
    const TGraphicControlExtension* FirstTransparentGCE() const;

    TGifFile* FGifFile = nullptr;
    std::unique_ptr<TBitmap> FBitmap;
    TDisposalMethod FDisposalMethod = dmNone;
    std::unique_ptr<TExtensionList> FExtensions;
    bool FIsTransparent = false;

public:
    TImageDescriptor ImageDescriptor;
    bool Interlaced = false;
    bool HasLocalColorMap = false;
    uint8_t BitsPerPixel = 0;
    std::unique_ptr<TByteArray2D> Pixels;
    std::unique_ptr<TColorTable> LocalColorMap;
};

// Fills the 40-byte information header of the image's in-memory BMP.
void FillBmpInfoHeader(const TGifSubImage& SubImage, gfx::TBitmapInfoHeader& Header);

class TGifFile {
public:
    // Header "GIF87a", zero screen, HasGlobalColorMap, BitsPerPixel 1, an empty global table.
    TGifFile();
    virtual ~TGifFile();
    TGifFile(const TGifFile&) = delete;
    TGifFile& operator=(const TGifFile&) = delete;

    void LoadFromFile(const String& filename);
    // Parses from the stream's start; sub-images are appended to SubImages.
    void LoadFromStream(TStream& Stream);
    // 1-based; not a copy.
    TGifSubImage* GetSubImage(int Index) const;
    // The first image as a new bitmap that the caller owns.
    std::unique_ptr<TBitmap> AsBitmap() const;
    // Appends a placeholder holding Bitmap; the document owns it from now on.
    void AddBitmap(std::unique_ptr<TBitmap> Bitmap);
    void SaveToFile(const String& filename);
    void SaveToStream(TStream& Stream);

    TGifHeader Header;
    TLogicalScreenDescriptor ScreenDescriptor;
    bool HasGlobalColorMap = true;
    std::unique_ptr<TColorTable> GlobalColorMap;
    uint8_t BitsPerPixel = 1;
    rtl::TList<TGifSubImage*> SubImages;  // owned

private:
    friend class TGifSubImage;
    void ReadHeader(TStream& Stream);
    void ReadScreenDescriptor(TStream& Stream);
    void DecodeStatusbyte();
    void ReadGlobalColorMap(TStream& Stream);
    std::unique_ptr<TExtensionList> ReadExtensions(TStream& Stream, uint8_t& Introducer);
    void ConvertBitmaps();
    void WriteHeader(TStream& Stream);
    void WriteScreenDescriptor(TStream& Stream);
    void EncodeStatusbyte();
    void WriteGlobalColorMap(TStream& Stream);
};

// The data sub-blocks at the stream's position, one string each, up to the zero count byte
// (or the end of the stream).
std::unique_ptr<rtl::TStringList> ReadSubBlocks(TStream& Stream);

// The 0-based row after Row in GIF interlaced order; advances Pass (1..4, 5 when done).
int32_t NextInterlacedRow(int32_t Row, int32_t Height, int32_t& Pass);
// Raises Bits while 2^Bits < Count.
void BitsForCount(int32_t Count, uint8_t& Bits);

// The bitmap's pixels as colour indexes, colours numbered in order of appearance.
void BitmapToIndexedPixels(const TBitmap& Bitmap, std::unique_ptr<TColorTable>& ColorTable,
                           std::unique_ptr<TByteArray2D>& Pixels);
// The matrix's rows in the order a GIF stream stores them.
void PixelsInStreamOrder(const TByteArray2D& Pixels, bool Interlaced, std::unique_ptr<TBigByteArray>& Data);

// A bitmap whose stream loading reads GIF data: the first image of the stream.
class TGifBitmap : public TBitmap {
public:
    TGifBitmap() = default;
    static const gfx::TGraphicClass& StaticClass();
    const gfx::TGraphicClass& ClassType() const override { return StaticClass(); }
    void LoadFromStream(TStream& stream) override;
    gfx::TGraphic* Clone() const override { return new TGifBitmap(*this); }
};

// Start-up of the GIF codec, called once by the program's start-up: creates the hidden file-exists
// dialog, installs ShowProgress in ProgressCallback and registers TGifBitmap for "gif"
// ("GIF-Format"). DoneGifUnit, at exit, unregisters TGifBitmap and frees the dialog.
void InitGifUnit();
void DoneGifUnit();

}  // namespace gif
