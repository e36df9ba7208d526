// Small GIF streams made by the tests themselves.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/rtl/Classes.h"
#include "gif/FmProgr.h"
#include "gif/GifUnit.h"

namespace giftest {

// A scratch folder of this test process: test programs run side by side.
inline std::string Scratch()
{
    static const std::string folder = [] {
        std::string f = rtl::TempFolder() + "/gif-test-" + std::to_string(::getpid());
        rtl::CreateDir(f);
        return f;
    }();
    return folder;
}

// LZW codes packed least significant bit first.
class CodeWriter {
public:
    void Put(uint32_t code, int width)
    {
        FBits |= static_cast<uint64_t>(code) << FCount;
        FCount += width;
        while (FCount >= 8) {
            FBytes.push_back(static_cast<char>(FBits & 0xFF));
            FBits >>= 8;
            FCount -= 8;
        }
    }
    std::string Bytes() const
    {
        std::string out = FBytes;
        if (FCount > 0) out.push_back(static_cast<char>(FBits & 0xFF));
        return out;
    }

private:
    std::string FBytes;
    uint64_t FBits = 0;
    int FCount = 0;
};

// Emits codes at the width a decoder expects: the width grows once the next free code reaches
// 2^width, and a clear code starts over.
class CodeStream {
public:
    explicit CodeStream(int minCodeSize) : FMin(minCodeSize) { Restart(); }
    uint32_t Clear() const { return 1u << FMin; }
    uint32_t End() const { return Clear() + 1; }
    int Width() const { return FWidth; }
    uint32_t NextFree() const { return FNextFree; }

    void Put(uint32_t code)
    {
        FOut.Put(code, FWidth);
        if (code == Clear()) {
            Restart();
        } else if (FFirst) {
            FFirst = false;
        } else if (FNextFree < 4096) {
            ++FNextFree;
            if (FNextFree == (1u << FWidth) && FWidth < 12) ++FWidth;
        }
    }
    // Every pixel as a clear code and a literal: no entry is ever made.
    void Literals(const std::vector<uint8_t>& pixels)
    {
        for (uint8_t p : pixels) {
            Put(Clear());
            Put(p);
        }
    }
    std::string Bytes() const { return FOut.Bytes(); }

private:
    void Restart()
    {
        FWidth = FMin + 1;
        FNextFree = End() + 1;
        FFirst = true;
    }
    int FMin;
    int FWidth = 0;
    uint32_t FNextFree = 0;
    bool FFirst = true;
    CodeWriter FOut;
};

// Data sub-blocks of the given size and the zero terminator.
inline std::string SubBlocks(const std::string& data, size_t blockSize = 255, bool terminator = true)
{
    std::string out;
    for (size_t pos = 0; pos < data.size(); pos += blockSize) {
        size_t n = std::min(blockSize, data.size() - pos);
        out.push_back(static_cast<char>(n));
        out += data.substr(pos, n);
    }
    if (terminator) out.push_back('\0');
    return out;
}

inline std::string Word(int v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// A stream assembled block by block.
class GifBuilder {
public:
    explicit GifBuilder(const std::string& version = "89a", const std::string& signature = "GIF")
    {
        S = signature + version;
    }
    // Logical screen with a global table of 2^(sizeCode + 1) grey entries when withTable.
    GifBuilder& Screen(int w, int h, bool withTable = true, int sizeCode = 1, int background = 0)
    {
        S += Word(w) + Word(h);
        S.push_back(static_cast<char>((withTable ? 0x80 : 0) | sizeCode));
        S.push_back(static_cast<char>(background));
        S.push_back('\0');
        if (withTable) S += GreyTable(1 << (sizeCode + 1));
        return *this;
    }
    static std::string GreyTable(int n, int offset = 0)
    {
        std::string t;
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 3; ++c) t.push_back(static_cast<char>((i * 16 + offset + c) & 0xFF));
        return t;
    }
    GifBuilder& Raw(const std::string& bytes)
    {
        S += bytes;
        return *this;
    }
    GifBuilder& Gce(int packed, int delay, int transparentIndex, int blockSize = 4)
    {
        S += Bytes({0x21, 0xF9, blockSize, packed}) + Word(delay) + Bytes({transparentIndex, 0});
        return *this;
    }
    GifBuilder& Comment(const std::vector<std::string>& blocks)
    {
        S += Bytes({0x21, 0xFE});
        for (const auto& b : blocks) {
            S.push_back(static_cast<char>(b.size()));
            S += b;
        }
        S.push_back('\0');
        return *this;
    }
    // Image descriptor (packed: 0x80 local table, 0x40 interlaced, size code), local table,
    // minimum code size and the sub-blocks of data.
    GifBuilder& Image(int w, int h, int packed, int minCodeSize, const std::string& data, const std::string& localTable = "",
                      int left = 0, int top = 0)
    {
        S += Bytes({0x2C}) + Word(left) + Word(top) + Word(w) + Word(h);
        S.push_back(static_cast<char>(packed));
        S += localTable;
        S.push_back(static_cast<char>(minCodeSize));
        S += SubBlocks(data);
        return *this;
    }
    GifBuilder& Trailer()
    {
        S.push_back(0x3B);
        return *this;
    }
    std::string S;
};

inline std::unique_ptr<rtl::TMemoryStream> StreamOf(const std::string& bytes)
{
    auto ms = std::make_unique<rtl::TMemoryStream>();
    if (!bytes.empty()) ms->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    ms->SetPosition(0);
    return ms;
}

inline std::unique_ptr<gif::TGifFile> Load(const std::string& bytes)
{
    auto gif = std::make_unique<gif::TGifFile>();
    auto ms = StreamOf(bytes);
    gif->LoadFromStream(*ms);
    return gif;
}

// The matrix's rows, top first.
inline std::vector<std::vector<uint8_t>> Rows(const gif::TByteArray2D& m)
{
    std::vector<std::vector<uint8_t>> rows;
    for (int32_t r = 1; r <= m.Count2(); ++r) {
        std::vector<uint8_t> row;
        for (int32_t c = 1; c <= m.Count1(); ++c) row.push_back(m.GetVal(c, r));
        rows.push_back(row);
    }
    return rows;
}

// Records every progress report while it lives.
class ProgressRecorder {
public:
    ProgressRecorder()
    {
        Current() = this;
        FSaved = gif::ProgressCallback;
        gif::ProgressCallback = [](float v) { Current()->Values.push_back(v); };
    }
    ~ProgressRecorder()
    {
        gif::ProgressCallback = FSaved;
        Current() = nullptr;
    }
    std::vector<float> Values;

private:
    static ProgressRecorder*& Current()
    {
        static ProgressRecorder* current = nullptr;
        return current;
    }
    gif::TProgressProc FSaved = nullptr;
};

}  // namespace giftest
