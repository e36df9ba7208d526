// Test side: small TIFF files written by hand, in either byte order, and a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

namespace tifftest {

struct Entry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    uint32_t Value;  // a SHORT with one value goes into the field's first two bytes
};

constexpr uint16_t ASCII = 2, SHORT = 3, LONG = 4;

class TiffBuilder {
public:
    explicit TiffBuilder(bool littleEndian = true) : LittleEndian(littleEndian)
    {
        Bytes = {uint8_t(littleEndian ? 'I' : 'M'), uint8_t(littleEndian ? 'I' : 'M')};
        U16(42);
        U32(0);
    }

    void U16(uint16_t v)
    {
        if (LittleEndian) {
            Bytes.push_back(uint8_t(v));
            Bytes.push_back(uint8_t(v >> 8));
        } else {
            Bytes.push_back(uint8_t(v >> 8));
            Bytes.push_back(uint8_t(v));
        }
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            Bytes.push_back(uint8_t(LittleEndian ? v >> (8 * i) : v >> (24 - 8 * i)));
    }
    void Put32At(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            Bytes[at + i] = uint8_t(LittleEndian ? v >> (8 * i) : v >> (24 - 8 * i));
    }
    uint32_t Pos() const { return uint32_t(Bytes.size()); }
    // Appends raw bytes; returns their offset.
    uint32_t Raw(const std::vector<uint8_t>& data)
    {
        uint32_t at = Pos();
        Bytes.insert(Bytes.end(), data.begin(), data.end());
        return at;
    }
    uint32_t Shorts(const std::vector<uint16_t>& values)
    {
        uint32_t at = Pos();
        for (uint16_t v : values) U16(v);
        return at;
    }
    uint32_t Longs(const std::vector<uint32_t>& values)
    {
        uint32_t at = Pos();
        for (uint32_t v : values) U32(v);
        return at;
    }
    void SetFirstIfd(uint32_t offset) { Put32At(4, offset); }
    // Writes a directory; returns its offset. The next-IFD field's position is in NextField.
    uint32_t Ifd(const std::vector<Entry>& entries, uint32_t next = 0)
    {
        if (Bytes.size() % 2) Bytes.push_back(0);
        uint32_t at = Pos();
        U16(uint16_t(entries.size()));
        for (const Entry& e : entries) {
            U16(e.Tag);
            U16(e.Type);
            U32(e.Count);
            if (e.Type == SHORT && e.Count == 1) {
                U16(uint16_t(e.Value));
                U16(0);
            } else {
                U32(e.Value);
            }
        }
        NextField = Pos();
        U32(next);
        return at;
    }

    bool LittleEndian;
    std::vector<uint8_t> Bytes;
    uint32_t NextField = 0;
};

// Description of one uncompressed image, written as one strip unless RowsPerStrip says otherwise.
struct ImageSpec {
    uint32_t Width = 1, Height = 1;
    int32_t Photometric = 1;          // < 0: no tag
    int32_t Compression = 1;          // < 0: no tag
    std::vector<uint16_t> Bits = {8}; // empty: no tag; one value: in the entry; three: at an offset
    uint32_t RowsPerStrip = 0;        // 0: all rows
    bool WriteRowsPerStrip = true;
    std::vector<uint8_t> Pixels;      // rows as the file stores them
    std::vector<uint16_t> ColorMap;   // written when not empty
    int32_t ColorMapCount = -1;       // -1: ColorMap.size()
    bool WidthTag = true, HeightTag = true;
};

// Appends the image's data and directory; returns the directory's offset.
inline uint32_t AddImage(TiffBuilder& b, const ImageSpec& s, uint32_t next = 0)
{
    uint32_t rows = s.RowsPerStrip ? s.RowsPerStrip : s.Height;
    uint32_t strips = rows ? (s.Height + rows - 1) / rows : 1;
    if (strips == 0) strips = 1;
    size_t stripBytes = s.Height ? s.Pixels.size() / s.Height * rows : s.Pixels.size();
    std::vector<uint32_t> offsets, counts;
    uint32_t at = b.Raw(s.Pixels);
    for (uint32_t i = 0; i < strips; ++i) {
        size_t begin = i * stripBytes;
        size_t len = std::min(stripBytes, s.Pixels.size() - std::min(begin, s.Pixels.size()));
        offsets.push_back(at + uint32_t(begin));
        counts.push_back(uint32_t(len));
    }
    std::vector<Entry> e;
    if (s.WidthTag) e.push_back({256, LONG, 1, s.Width});
    if (s.HeightTag) e.push_back({257, SHORT, 1, s.Height});
    if (s.Bits.size() == 1) e.push_back({258, SHORT, 1, s.Bits[0]});
    if (s.Bits.size() > 1) e.push_back({258, SHORT, uint32_t(s.Bits.size()), b.Shorts(s.Bits)});
    if (s.Compression >= 0) e.push_back({259, SHORT, 1, uint32_t(s.Compression)});
    if (s.Photometric >= 0) e.push_back({262, SHORT, 1, uint32_t(s.Photometric)});
    if (strips == 1) {
        e.push_back({273, LONG, 1, offsets[0]});
    } else {
        e.push_back({273, LONG, strips, b.Longs(offsets)});
    }
    if (s.WriteRowsPerStrip) e.push_back({278, LONG, 1, s.RowsPerStrip ? s.RowsPerStrip : s.Height});
    if (strips == 1) {
        e.push_back({279, LONG, 1, counts[0]});
    } else {
        e.push_back({279, LONG, strips, b.Longs(counts)});
    }
    if (!s.ColorMap.empty() || s.ColorMapCount >= 0) {
        uint32_t mapAt = b.Shorts(s.ColorMap);
        e.push_back({320, SHORT, uint32_t(s.ColorMapCount >= 0 ? s.ColorMapCount : int32_t(s.ColorMap.size())), mapAt});
    }
    uint32_t ifd = b.Ifd(e, next);
    return ifd;
}

// A file of one or more images chained in order.
inline std::vector<uint8_t> MakeTiff(bool littleEndian, const std::vector<ImageSpec>& images)
{
    TiffBuilder b(littleEndian);
    uint32_t previousNext = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        uint32_t ifd = AddImage(b, images[i]);
        if (i == 0)
            b.SetFirstIfd(ifd);
        else
            b.Put32At(previousNext, ifd);
        previousNext = b.NextField;
    }
    return b.Bytes;
}

// A folder of its own for each test, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("quadrell-tiff-") + (info ? info->test_suite_name() : "x") + "-" +
                           (info ? info->name() : "y") + "-" + std::to_string(::getpid());
        for (char& c : name)
            if (c == '/') c = '_';
        Path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~ScratchDir() { std::filesystem::remove_all(Path); }
    std::string File(const std::string& name) const { return (Path / name).string(); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::string path = File(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    static std::vector<uint8_t> Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::filesystem::path Path;
};

inline std::string OrderName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "II" : "MM"; }

}  // namespace tifftest
