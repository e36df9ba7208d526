#include "tiff/ReadTiffTags.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <set>
#include <vector>

namespace tif {

using rtl::TByteReader;
using rtl::TFileStream;
using rtl::TSeekOrigin;
using rtl::TStream;

namespace {

// The value field at `at`: a SHORT with one value sits in the field's first two bytes.
int32_t FieldValue(const TByteReader& entries, size_t at, uint16_t varType, int32_t count)
{
    if (varType == TYPE_SHORT && count == 1)
        return entries.U16(at);
    return entries.I32(at);
}

// The value field's four bytes as the file stores them (the inverse of reading it as one number).
void PutField(uint8_t* field, uint32_t value, bool littleEndian)
{
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<uint8_t>(littleEndian ? value >> (8 * i) : value >> (24 - 8 * i));
}

String Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace

// ---- TGraphicTiff -------------------------------------------------------------------

TGraphicTiff::TGraphicTiff(TFileTiff* AFileTiff) : FFileTiff(AFileTiff) {}

TGraphicTiff::~TGraphicTiff() = default;

PTagTiff TGraphicTiff::QueryGraphicByTag(uint16_t TagId) const
{
    PTagTiff found = nullptr;
    for (int i = 0; i < FCountTag; ++i)
        if (FListTag[i].Tag == TagId)
            found = &FListTag[i];
    return found;
}

PStripInfo TGraphicTiff::QueryGraphicByOffsets(uint16_t OffsetId) const
{
    if (!FListStripInfo || OffsetId >= GetNoOfOffsets())
        return nullptr;
    return &FListStripInfo[OffsetId];
}

void TGraphicTiff::QueryGraphic(rtl::TStringList* AStringList) const
{
    if (!AStringList)
        return;
    AStringList->Clear();
    if (FCountTag == 0)
        return;
    AStringList->Add(" Tag  VarType  Count        Value");
    AStringList->Add(String(37, '='));
    for (int i = 0; i < FCountTag; ++i) {
        const TTagTiff& e = FListTag[i];
        AStringList->Add(" $" + Hex(e.Tag, 4) + " $" + Hex(e.VarType, 4) + " $" + Hex(uint32_t(e.Count), 8) + " $" +
                         Hex(uint32_t(e.Value), 8));
    }
}

void TGraphicTiff::ReadIFD(TStream* file)
{
    if (!FFileTiff || !file)
        return;
    const rtl::TByteOrder order = ByteOrder(FFileTiff->LittleEndian());
    int64_t nextPosition = 0;
    try {
        int64_t position = file->Position();
        rtl::RangeCheck(position, 0, INT32_MAX);
        FFilePosition = static_cast<int32_t>(position);
        FCountTag = TByteReader::FromStreamPadded(*file, 2, order).U16(0);
        nextPosition = int64_t(FFilePosition) + 2 + int64_t(ENTRY_SIZE) * FCountTag;
        if (FCountTag > 0)
            ReadEntries(*file);
        ReadStripTable(*file);
    } catch (const std::bad_alloc&) {
        FError = true;
        return;
    } catch (const rtl::Exception&) {
        FError = true;
        return;
    }
    try {
        FNextIFD = TByteReader::FromStreamPaddedAt(*file, nextPosition, 4, order).I32(0);
    } catch (const rtl::Exception&) {
        FNextIFD = 0;
    }
}

// Entries wholly past the end of the file are not kept; a last entry cut short reads its missing
// bytes as zeros. So the list never holds more than the file does.
void TGraphicTiff::ReadEntries(TStream& file)
{
    const int64_t first = int64_t(FFilePosition) + 2;
    const int64_t available = std::max<int64_t>(0, file.Size() - first);
    const int64_t held = std::min<int64_t>(FCountTag, (available + ENTRY_SIZE - 1) / ENTRY_SIZE);
    FCountTag = static_cast<uint16_t>(held);
    if (held == 0)
        return;
    const TByteReader raw =
        TByteReader::FromStreamPadded(file, static_cast<size_t>(held * ENTRY_SIZE), ByteOrder(FFileTiff->LittleEndian()));
    FListTag.reset(new TTagTiff[held]);
    for (int64_t i = 0; i < held; ++i) {
        const size_t at = static_cast<size_t>(i * ENTRY_SIZE);
        TTagTiff& e = FListTag[i];
        e.Tag = raw.U16(at);
        e.VarType = raw.U16(at + 2);
        e.Count = raw.I32(at + 4);
        e.Value = FieldValue(raw, at + 8, e.VarType, e.Count);
    }
}

void TGraphicTiff::ReadStripTable(TStream& file)
{
    FCountStripInfo = 0;
    int32_t byteCountsCount = 0, offsetsCount = 0;
    for (int i = 0; i < FCountTag; ++i) {
        if (FListTag[i].Tag == TAG_STRIP_BYTE_COUNTS)
            byteCountsCount = FListTag[i].Count;
        else if (FListTag[i].Tag == TAG_STRIP_OFFSETS)
            offsetsCount = FListTag[i].Count;
    }
    if (byteCountsCount != offsetsCount)
        return;
    FCountStripInfo = static_cast<uint16_t>(byteCountsCount);
    FListStripInfo.reset(new TStripInfo[FCountStripInfo]);
    for (int i = 0; i < FCountTag; ++i) {
        const TTagTiff& e = FListTag[i];
        if (e.Tag != TAG_STRIP_BYTE_COUNTS && e.Tag != TAG_STRIP_OFFSETS)
            continue;
        const bool byteCounts = e.Tag == TAG_STRIP_BYTE_COUNTS;
        if (e.Count == 1) {
            if (FCountStripInfo > 0)
                (byteCounts ? FListStripInfo[0].StripByteCounts : FListStripInfo[0].StripOffsets) = e.Value;
        } else {
            ReadStripArray(file, e, byteCounts);
        }
    }
}

// Strip arrays of SHORT values are read as such (writers use them whenever the numbers fit),
// any other type as LONG values. Values that fit the entry's four bytes are stored there.
void TGraphicTiff::ReadStripArray(TStream& file, const TTagTiff& entry, bool byteCounts)
{
    if (FCountStripInfo == 0)
        return;
    const bool le = FFileTiff->LittleEndian();
    const size_t width = entry.VarType == TYPE_SHORT ? 2 : 4;
    const size_t size = size_t(FCountStripInfo) * width;
    uint8_t field[4];
    TByteReader raw;
    if (size <= 4) {
        PutField(field, static_cast<uint32_t>(entry.Value), le);
        raw = TByteReader(field, sizeof field, ByteOrder(le));
    } else {
        raw = TByteReader::FromStreamPaddedAt(file, entry.Value, size, ByteOrder(le));
    }
    for (int i = 0; i < FCountStripInfo; ++i) {
        const size_t at = width * size_t(i);
        int32_t v = width == 2 ? int32_t(raw.U16(at)) : raw.I32(at);
        (byteCounts ? FListStripInfo[i].StripByteCounts : FListStripInfo[i].StripOffsets) = v;
    }
}

// ---- TFileTiff ----------------------------------------------------------------------

TFileTiff::TFileTiff() = default;

TFileTiff::~TFileTiff() { ClearGraphics(); }

int TFileTiff::GraphicCount() const { return FGraphicsList.Count(); }

TGraphicTiff* TFileTiff::GetGraphicTiff(uint8_t AGraphicID) const
{
    if (FGraphicsList.Count() == 0 || AGraphicID >= GraphicCount())
        return nullptr;
    return FGraphicsList[AGraphicID].get();
}

void TFileTiff::DeleteGraphic(uint8_t AGraphicID)
{
    if (AGraphicID < GraphicCount())
        FGraphicsList.Delete(AGraphicID);
}

void TFileTiff::ExchangeGraphic(uint8_t AIndex1, uint8_t AIndex2)
{
    if (AIndex1 < GraphicCount() && AIndex2 < GraphicCount())
        std::swap(FGraphicsList[AIndex1], FGraphicsList[AIndex2]);
}

void TFileTiff::ClearGraphics() { FGraphicsList.Clear(); }

void TFileTiff::AddGraphicAt(TStream& file, int32_t offset)
{
    auto graphic = std::make_unique<TGraphicTiff>(this);
    file.Seek(offset, TSeekOrigin::soBeginning);
    graphic->ReadIFD(&file);
    FGraphicsList.Add(std::move(graphic));
}

void TFileTiff::SetFileName(const String& name)
{
    // A reader never creates the file it is asked to read: a missing file is simply not valid.
    if (name.empty()) {
        ClearGraphics();
        FFileName.clear();
        FFileSize = 0;
        FValid = false;
        return;
    }
    if (name == FFileName)
        return;
    ClearGraphics();
    FValid = false;
    const rtl::TFileFacts facts = rtl::FindFileFacts(name);
    FFileSize = facts.Found ? static_cast<int32_t>(static_cast<uint32_t>(facts.Size)) : 0;
    if (FFileSize < HEADER_SIZE)
        return;

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(name, rtl::fmOpenRead | rtl::fmShareDenyNone);
    } catch (const rtl::Exception&) {
        return;  // cannot be opened: stays not valid
    }
    TByteReader header = TByteReader::FromStreamPadded(*file, HEADER_SIZE);
    FValid = true;
    bool orderKnown = true;
    if (header.U8(0) == 'I' && header.U8(1) == 'I')
        FLittleEndian = true;
    else if (header.U8(0) == 'M' && header.U8(1) == 'M')
        FLittleEndian = false;
    else
        orderKnown = false;
    int32_t firstIFD;
    if (orderKnown) {
        header.SetOrder(ByteOrder(FLittleEndian));
        if (header.U16(2) != HEADER_MAGIC)
            FValid = false;
        firstIFD = header.I32(4);
    } else {
        FValid = false;
        firstIFD = header.I32(4);  // read little-endian
    }
    FFileName = name;

    // A chain that comes back to a directory already read ends there.
    std::set<int32_t> visited;
    int32_t offset = firstIFD;
    while (offset >= FIRST_IFD_OFFSET && GraphicCount() < MAX_CHAIN && visited.insert(offset).second) {
        AddGraphicAt(*file, offset);
        offset = FGraphicsList[GraphicCount() - 1]->NextIFD();
    }
}

}  // namespace tif
