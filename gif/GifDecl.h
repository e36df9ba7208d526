// GIF declarations: the file's records, the exception class, extension blocks, the byte buffer
// of data sub-blocks and the LZW encoder's code table and bit packer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/rtl/Classes.h"
#include "framework/rtl/SysUtils.h"

namespace gif {

using rtl::String;

class EGifException : public rtl::Exception {
public:
    using rtl::Exception::Exception;
    String ClassName() const override { return "EGifException"; }
};

// ---- records, laid out as the file stores them (little-endian words) ---------------------

#pragma pack(push, 1)
struct TGifHeader {
    char Signature[3] = {'G', 'I', 'F'};
    char Version[3] = {'8', '7', 'a'};
};

struct TLogicalScreenDescriptor {
    uint16_t ScreenWidth = 0;
    uint16_t ScreenHeight = 0;
    uint8_t PackedFields = 0;
    uint8_t BackGroundColorIndex = 0;
    uint8_t AspectRatio = 0;
};

struct TImageDescriptor {
    uint16_t ImageLeftPos = 0;
    uint16_t ImageTopPos = 0;
    uint16_t ImageWidth = 0;
    uint16_t ImageHeight = 0;
    uint8_t PackedFields = 0;
};

struct TGraphicControlExtension {
    uint8_t BlockSize = 0;
    uint8_t PackedFields = 0;
    uint16_t DelayTime = 0;
    uint8_t TransparentColorIndex = 0;
    uint8_t Terminator = 0;
};

struct TPlainTextExtension {
    uint8_t BlockSize = 0;
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t CellWidth = 0;
    uint8_t CellHeight = 0;
    uint8_t TextFGColorIndex = 0;
    uint8_t TextBGColorIndex = 0;
    rtl::TStringList* PlainTextData = nullptr;  // owned by the extension
};

struct TApplicationExtension {
    uint8_t BlockSize = 0;
    uint8_t ApplicationIdentifier[8] = {};
    uint8_t AppAuthenticationCode[3] = {};
    rtl::TStringList* AppData = nullptr;  // owned by the extension
};
#pragma pack(pop)

static_assert(sizeof(TGifHeader) == 6);
static_assert(sizeof(TLogicalScreenDescriptor) == 7);
static_assert(sizeof(TImageDescriptor) == 9);
static_assert(sizeof(TGraphicControlExtension) == 6);
static_assert(offsetof(TPlainTextExtension, PlainTextData) == 13);
static_assert(offsetof(TApplicationExtension, AppData) == 12);

// Fixed parts of the extension blocks, block-size byte included; read at these lengths whatever
// block size the file states.
inline constexpr int GCEFixedSize = 6;
inline constexpr int PTEFixedSize = 13;
inline constexpr int APPEFixedSize = 12;

enum TExtensionType : uint8_t { etGCE = 0, etPTE = 1, etAPPE = 2, etCE = 3 };

enum TDisposalMethod : uint8_t {
    dmNone = 0,
    dmNotDispose = 1,
    dmRestoreBackgroundColor = 2,
    dmRestorePrevious = 3,
    dm4 = 4,
    dm5 = 5,
    dm6 = 6,
    dm7 = 7,
};

// The kind of an extension and the part of it in use.
struct TExtensionRecord {
    TExtensionType ExtensionType = etGCE;
    TGraphicControlExtension GCE;
    TPlainTextExtension PTE;
    TApplicationExtension APPE;
    rtl::TStringList* Comment = nullptr;  // owned by the extension
};

// Block introducers and extension labels.
inline constexpr uint8_t ExtensionIntroducer = 0x21;
inline constexpr uint8_t ImageSeparator = 0x2C;
inline constexpr uint8_t Trailer = 0x3B;
inline constexpr uint8_t LabelPlainText = 0x01;
inline constexpr uint8_t LabelGraphicControl = 0xF9;
inline constexpr uint8_t LabelComment = 0xFE;
inline constexpr uint8_t LabelApplication = 0xFF;

// One extension block; frees the string list of the kind in use.
class TExtension {
public:
    TExtension() = default;
    virtual ~TExtension();
    TExtension(const TExtension&) = delete;
    TExtension& operator=(const TExtension&) = delete;

    TExtensionRecord ExtRec;
};

// A list of extensions that owns them; frees them from the last to the first.
class TExtensionList : public rtl::TList<TExtension*> {
public:
    TExtensionList() = default;
    ~TExtensionList() override;
    TExtensionList(const TExtensionList&) = delete;
    TExtensionList& operator=(const TExtensionList&) = delete;
};

// ---- byte buffer ----------------------------------------------------------------------------

// A byte sequence kept as a list of strings of at most 255 bytes, one per data sub-block.
// Written with AddByte/AddString, then read from its start with Reset and GetNextByte.
class TByteBuffer {
public:
    TByteBuffer();
    virtual ~TByteBuffer() = default;
    TByteBuffer(const TByteBuffer&) = delete;
    TByteBuffer& operator=(const TByteBuffer&) = delete;

    void AddByte(uint8_t ByteVal);
    void AddString(const std::string& NewString);
    void AddString(std::string&& NewString);
    void Clear();
    void DeleteLastByte();
    void Finish();
    uint8_t FirstByte() const;
    uint8_t LastByte() const;
    void Reset();
    uint8_t GetNextByte();
    int32_t StringCount() const { return SL->Count(); }
    // 1-based; "List index out of bounds (%d)" with Index - 1 outside 1..StringCount.
    const std::string& GetString(int32_t Index) const { return (*SL)[Index - 1]; }
    const std::string& Strings(int32_t Index) const { return GetString(Index); }
    int32_t TotalSize() const { return FTotalSize; }

private:
    int32_t FTotalSize = 0;
    std::unique_ptr<rtl::TStringList> SL;
    std::string CurrString;
    int32_t CurrLength = 0;
    int32_t CurrStringNo = 0;
    int32_t NextByte = 0;
};

// ---- LZW ------------------------------------------------------------------------------------

inline constexpr int MaxCodeSize = 12;
inline constexpr int CodeTableSize = 4096;

// CodeMasks[n] = 2^n - 1.
inline constexpr std::array<uint16_t, 13> CodeMasks = {0, 1, 3, 7, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095};

// The decoder's bit reader and row position.
struct TDecoderState {
    int32_t BitsLeft = 0;
    uint32_t CurrentByte = 0;
    int32_t Row = 0;
    int32_t Pass = 1;
    uint8_t MinCodeSize = 0;
    int32_t CodeSize = 0;
    int32_t ClearCode = 0;
    int32_t EndCode = 0;
    uint16_t MaxLiteral = 0;
};

// The encoder's string table: entry c (FirstSlot <= c < NextSlot) is the string Prefix[c]
// followed by the pixel Suffix[c]. Index 0 is unused; index 4096 is never filled.
class TCodeTable {
public:
    void Clear(uint8_t StartingCodeSize);
    void AddEntry(int32_t NewPrefix, int32_t NewSuffix);
    // Looks for the string PrevFoundIndex followed by PixelString's last byte; on success both
    // PrevFoundIndex and FoundIndex become its code.
    bool IsInTable(const TByteBuffer& PixelString, int32_t& PrevFoundIndex, int32_t& FoundIndex) const;
    // The code of the string prefix + suffix, or -1: the same entry that the upward search from
    // the prefix finds, located through an index of (prefix, suffix) pairs.
    int32_t Find(int32_t prefix, uint8_t suffix) const;

    std::array<uint16_t, CodeTableSize + 1> Suffix{};
    std::array<uint16_t, CodeTableSize + 1> Prefix{};
    uint8_t CodeSize = 0;
    bool TableFull = false;
    uint16_t FirstSlot = 0;
    uint16_t NextSlot = 0;

private:
    int32_t LinearSearch(int32_t prefix, int32_t suffix) const;
    static uint32_t Slot(uint32_t key) { return (key * 2654435761u) >> (32 - IndexBits); }

    // Open addressing over prefix << 16 | suffix; a code of 0 marks a free slot (entries start at
    // FirstSlot). The first entry made for a pair stays in the index, as the upward search would
    // find it first.
    static constexpr int IndexBits = 13;
    std::array<uint32_t, 1 << IndexBits> FIndexKey{};
    std::array<uint16_t, 1 << IndexBits> FIndexCode{};
};

// Packs codes into bytes, least significant bit first. Whoever takes Value owns it.
class TEncodedBytes {
public:
    TEncodedBytes();
    void AppendCode(int32_t CodeValue, int32_t CodeSize);
    void Finish(uint16_t EndCode, uint8_t CodeSize);

    std::unique_ptr<TByteBuffer> Value;
    uint8_t UsedBits = 0;
    int32_t CurrentByte = 0;
};

// Inline: called once per pixel and once per code.
inline int32_t TCodeTable::Find(int32_t prefix, uint8_t suffix) const
{
    if (prefix < 0 || prefix > 0xFFFF) return -1;
    uint32_t key = (uint32_t(prefix) << 16) | suffix;
    for (uint32_t s = Slot(key);; s = (s + 1) & ((1u << IndexBits) - 1)) {
        if (FIndexCode[s] == 0) return -1;
        if (FIndexKey[s] == key) {
            int32_t code = FIndexCode[s];
            // The first entry of the pair lies below where the search starts only when entries
            // were made out of the encoder's order; the plain search then decides.
            int32_t start = prefix >= FirstSlot ? prefix + 1 : FirstSlot;
            return code >= start ? code : LinearSearch(prefix, suffix);
        }
    }
}

inline void TEncodedBytes::AppendCode(int32_t CodeValue, int32_t CodeSize)
{
    CurrentByte += CodeValue << UsedBits;
    const int32_t used = UsedBits + CodeSize;
    if (used < 0 || used > 255) throw rtl::ERangeError();  // must fit a byte
    UsedBits = static_cast<uint8_t>(used);
    while (UsedBits >= 8) {
        Value->AddByte(static_cast<uint8_t>(CurrentByte & 255));
        CurrentByte >>= 8;
        UsedBits -= 8;
    }
}

}  // namespace gif
