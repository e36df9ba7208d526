#include "gif/GifDecl.h"

namespace gif {

// ---- extensions -------------------------------------------------------------------------------

TExtension::~TExtension()
{
    switch (ExtRec.ExtensionType) {
    case etPTE:
        delete ExtRec.PTE.PlainTextData;
        ExtRec.PTE.PlainTextData = nullptr;
        break;
    case etAPPE:
        delete ExtRec.APPE.AppData;
        ExtRec.APPE.AppData = nullptr;
        break;
    case etCE:
        delete ExtRec.Comment;
        ExtRec.Comment = nullptr;
        break;
    case etGCE:
        break;
    }
}

TExtensionList::~TExtensionList()
{
    for (int i = Count() - 1; i >= 0; --i) {
        TExtension* item = Items(i);
        Delete(i);
        delete item;
    }
}

// ---- byte buffer ------------------------------------------------------------------------------

namespace {
constexpr int32_t MaxSubBlock = 255;
}

TByteBuffer::TByteBuffer() : SL(std::make_unique<rtl::TStringList>())
{
}

void TByteBuffer::AddByte(uint8_t ByteVal)
{
    if (CurrLength == MaxSubBlock) {
        SL->Add(CurrString);
        CurrString.clear();
        CurrLength = 0;
    }
    CurrString.push_back(static_cast<char>(ByteVal));
    ++CurrLength;
    ++FTotalSize;
}

void TByteBuffer::AddString(const std::string& NewString)
{
    SL->Add(NewString);
    FTotalSize += static_cast<int32_t>(NewString.size());
}

void TByteBuffer::AddString(std::string&& NewString)
{
    FTotalSize += static_cast<int32_t>(NewString.size());
    int index = SL->Add(std::string());
    (*SL)[index].swap(NewString);
}

void TByteBuffer::Clear()
{
    SL = std::make_unique<rtl::TStringList>();
    CurrString.clear();
    CurrLength = 0;
    FTotalSize = 0;
}

void TByteBuffer::DeleteLastByte()
{
    if (CurrLength == 0) {
        int last = SL->Count() - 1;
        CurrString = (*SL)[last];  // an empty list fails here with the index -1
        SL->Delete(last);
        CurrLength = static_cast<int32_t>(CurrString.size());
    }
    if (CurrString.empty()) throw rtl::ERangeError();
    CurrString.pop_back();
    --CurrLength;
    --FTotalSize;
}

void TByteBuffer::Finish()
{
    SL->Add(CurrString);
}

uint8_t TByteBuffer::FirstByte() const
{
    const std::string& s = SL->Count() > 0 ? (*SL)[SL->Count() - 1] : CurrString;
    if (s.empty()) throw rtl::ERangeError();
    return static_cast<uint8_t>(s.front());
}

uint8_t TByteBuffer::LastByte() const
{
    if (CurrString.empty()) throw rtl::ERangeError();
    return static_cast<uint8_t>(CurrString.back());
}

void TByteBuffer::Reset()
{
    CurrStringNo = 1;
    CurrString = (*SL)[0];
    NextByte = 1;
}

uint8_t TByteBuffer::GetNextByte()
{
    if (NextByte > static_cast<int32_t>(CurrString.size())) {
        ++CurrStringNo;
        CurrString = (*SL)[CurrStringNo - 1];
        NextByte = 1;
    }
    if (NextByte > static_cast<int32_t>(CurrString.size())) throw rtl::ERangeError();
    return static_cast<uint8_t>(CurrString[static_cast<size_t>(NextByte++ - 1)]);
}

// ---- code table -------------------------------------------------------------------------------

void TCodeTable::Clear(uint8_t StartingCodeSize)
{
    Prefix.fill(0);
    Suffix.fill(0);
    FIndexCode.fill(0);
    CodeSize = StartingCodeSize;
    if (StartingCodeSize > 17) throw rtl::ERangeError();  // FirstSlot would not fit 16 bits
    int64_t literals = StartingCodeSize >= 1 ? int64_t{1} << (StartingCodeSize - 1) : 0;
    FirstSlot = rtl::CheckedCast<uint16_t>(literals + 2);
    NextSlot = FirstSlot;
    TableFull = false;
}

void TCodeTable::AddEntry(int32_t NewPrefix, int32_t NewSuffix)
{
    rtl::RangeCheck(NextSlot, 1, CodeTableSize);
    uint16_t prefix = rtl::CheckedCast<uint16_t>(NewPrefix);
    uint16_t suffix = rtl::CheckedCast<uint16_t>(NewSuffix);
    Prefix[NextSlot] = prefix;
    Suffix[NextSlot] = suffix;

    uint32_t key = (uint32_t(prefix) << 16) | suffix;
    for (uint32_t s = Slot(key);; s = (s + 1) & ((1u << IndexBits) - 1)) {
        if (FIndexCode[s] == 0) {
            FIndexKey[s] = key;
            FIndexCode[s] = NextSlot;
            break;
        }
        if (FIndexKey[s] == key) break;  // an older entry of the same pair is found first
    }

    ++NextSlot;
    if (NextSlot == CodeTableSize)
        TableFull = true;
    else if (CodeSize < 16 && (1 << CodeSize) < NextSlot)
        ++CodeSize;
}

int32_t TCodeTable::LinearSearch(int32_t prefix, int32_t suffix) const
{
    int32_t start = prefix >= FirstSlot ? prefix + 1 : FirstSlot;
    for (int32_t c = start; c <= NextSlot - 1; ++c)
        if (Prefix[c] == prefix && Suffix[c] == suffix) return c;
    return -1;
}

bool TCodeTable::IsInTable(const TByteBuffer& PixelString, int32_t& PrevFoundIndex, int32_t& FoundIndex) const
{
    int32_t code = Find(PrevFoundIndex, PixelString.LastByte());
    if (code < 0) return false;
    PrevFoundIndex = code;
    FoundIndex = code;
    return true;
}

// ---- bit packer -------------------------------------------------------------------------------

TEncodedBytes::TEncodedBytes() : Value(std::make_unique<TByteBuffer>())
{
}

void TEncodedBytes::Finish(uint16_t EndCode, uint8_t CodeSize)
{
    AppendCode(EndCode, CodeSize);
    if (UsedBits > 0) Value->AddByte(static_cast<uint8_t>(CurrentByte));
    Value->Finish();
}

}  // namespace gif
