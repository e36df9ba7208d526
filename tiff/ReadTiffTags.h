// TIFF file structure: the header, the chain of image file directories, their entries and strip tables.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/rtl/ByteReader.h"
#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"

namespace tif {

using rtl::String;

// Field types met in the entries.
constexpr uint16_t TYPE_ASCII = 2;
constexpr uint16_t TYPE_SHORT = 3;
constexpr uint16_t TYPE_LONG = 4;
constexpr uint16_t TYPE_RATIONAL = 5;

// Tags read by the structure reader and the decoder.
constexpr uint16_t TAG_IMAGE_WIDTH = 256;
constexpr uint16_t TAG_IMAGE_LENGTH = 257;
constexpr uint16_t TAG_BITS_PER_SAMPLE = 258;
constexpr uint16_t TAG_COMPRESSION = 259;
constexpr uint16_t TAG_PHOTOMETRIC = 262;
constexpr uint16_t TAG_FILL_ORDER = 266;
constexpr uint16_t TAG_STRIP_OFFSETS = 273;
constexpr uint16_t TAG_SAMPLES_PER_PIXEL = 277;
constexpr uint16_t TAG_ROWS_PER_STRIP = 278;
constexpr uint16_t TAG_STRIP_BYTE_COUNTS = 279;
constexpr uint16_t TAG_COLOR_MAP = 320;
constexpr uint16_t TAG_EXTRA_SAMPLES = 338;

constexpr uint16_t HEADER_MAGIC = 42;
constexpr int32_t HEADER_SIZE = 8;
constexpr int32_t ENTRY_SIZE = 12;
// Offsets below this end a chain (they would point into the header).
constexpr int32_t FIRST_IFD_OFFSET = 8;
// Images read from one chain at most: 256 can be addressed, one more lets the decoder see the excess.
constexpr int MAX_CHAIN = 257;

// One directory entry, as stored (12 bytes).
struct TTagTiff {
    uint16_t Tag = 0;
    uint16_t VarType = 0;
    int32_t Count = 0;
    int32_t Value = 0;
};
static_assert(sizeof(TTagTiff) == 12);
using PTagTiff = TTagTiff*;
using TListTag = TTagTiff[];
using PListTag = std::unique_ptr<TListTag>;

// Where one strip lies in the file.
struct TStripInfo {
    int32_t StripOffsets = 0;
    int32_t StripByteCounts = 0;
};
using PStripInfo = TStripInfo*;
using TListStripInfo = TStripInfo[];
using PListStripInfo = std::unique_ptr<TListStripInfo>;

class TFileTiff;

// One image file directory with its entries and strip table.
class TGraphicTiff {
public:
    explicit TGraphicTiff(TFileTiff* AFileTiff);
    virtual ~TGraphicTiff();
    TGraphicTiff(const TGraphicTiff&) = delete;
    TGraphicTiff& operator=(const TGraphicTiff&) = delete;

    bool Error() const { return FError; }
    int32_t NextIFD() const { return FNextIFD; }
    TFileTiff* FileTiff() const { return FFileTiff; }

    // The last entry with this tag, or nullptr.
    PTagTiff QueryGraphicByTag(uint16_t TagId) const;
    // Strip record OffsetId (from 0), or nullptr.
    PStripInfo QueryGraphicByOffsets(uint16_t OffsetId) const;
    uint16_t GetNoOfOffsets() const { return FCountStripInfo; }
    // A text dump of the entries.
    void QueryGraphic(rtl::TStringList* AStringList) const;

    // Reads the directory at the stream's position (the owning file's byte order).
    void ReadIFD(rtl::TStream* file);

private:
    void ReadEntries(rtl::TStream& file);
    void ReadStripTable(rtl::TStream& file);
    void ReadStripArray(rtl::TStream& file, const TTagTiff& entry, bool byteCounts);

    uint16_t FCountTag = 0;
    bool FError = false;
    TFileTiff* FFileTiff = nullptr;
    int32_t FFilePosition = 0;
    PListTag FListTag;
    int32_t FNextIFD = 0;
    PListStripInfo FListStripInfo;
    uint16_t FCountStripInfo = 0;
};

// One TIFF file: header, byte order, validity and the list of its images.
class TFileTiff {
public:
    TFileTiff();
    virtual ~TFileTiff();
    TFileTiff(const TFileTiff&) = delete;
    TFileTiff& operator=(const TFileTiff&) = delete;

    const String& FileName() const { return FFileName; }
    // Reads the file's header and its chain of directories.
    virtual void SetFileName(const String& name);
    int32_t FileSize() const { return FFileSize; }
    virtual int GraphicCount() const;
    bool LittleEndian() const { return FLittleEndian; }
    bool Valid() const { return FValid; }

    TGraphicTiff* GraphicTiff(uint8_t AGraphicID) const { return GetGraphicTiff(AGraphicID); }
    virtual TGraphicTiff* GetGraphicTiff(uint8_t AGraphicID) const;
    void DeleteGraphic(uint8_t AGraphicID);
    void ExchangeGraphic(uint8_t AIndex1, uint8_t AIndex2);

private:
    void ClearGraphics();
    void AddGraphicAt(rtl::TStream& file, int32_t offset);

    String FFileName;
    int32_t FFileSize = 0;
    rtl::TList<std::unique_ptr<TGraphicTiff>> FGraphicsList;
    bool FLittleEndian = true;
    bool FValid = false;
};

// ---- byte order ----------------------------------------------------------------------

inline uint16_t Swap16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }
inline uint32_t Swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
// The byte order of a file's numbers.
inline rtl::TByteOrder ByteOrder(bool littleEndian)
{
    return littleEndian ? rtl::TByteOrder::LittleEndian : rtl::TByteOrder::BigEndian;
}

}  // namespace tif
