// Side-by-side timing: ours and the peer run alternately, several times; medians are reported
// as one line "BENCH <name> ours=<s> peer=<s> ratio=<ours/peer>".
#pragma once

#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Jpeg.h"

namespace bench {

inline double Seconds(const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Both timed alternately "runs" times after one warm-up each; every call returns its own seconds.
struct Samples {
    std::vector<double> ours, peer;
};

inline Samples Alternate(const std::function<double()>& ours, const std::function<double()>& peer, int runs)
{
    ours();
    peer();
    Samples s;
    for (int i = 0; i < runs; ++i) {
        s.ours.push_back(ours());
        s.peer.push_back(peer());
    }
    return s;
}

struct Figure {
    double ours = 0, peer = 0;
};

// peerName: the peer's label when it is a reference rather than another program ("memcpy").
inline Figure Compare(const std::string& name, const std::function<void()>& ours,
                      const std::function<void()>& peer, int runs = 5, const std::string& peerName = "")
{
    // warms up caches and lazy set-up once
    const Samples s = Alternate([&] { return Seconds(ours); }, [&] { return Seconds(peer); }, runs);
    Figure f{Median(s.ours), Median(s.peer)};
    if (peerName.empty())
        std::printf("BENCH %s ours=%.4f peer=%.4f ratio=%.3f\n", name.c_str(), f.ours, f.peer, f.ours / f.peer);
    else
        std::printf("BENCH %s ours=%.4f peer=%s:%.4f ratio=%.3f\n", name.c_str(), f.ours, peerName.c_str(),
                    f.peer, f.ours / f.peer);
    std::fflush(stdout);
    return f;
}

// The figures a run is asked for: "--filter TEXT" keeps the names that contain TEXT.
class Filter {
public:
    Filter(int argc, char** argv)
    {
        for (int i = 1; i + 1 < argc; ++i)
            if (std::string(argv[i]) == "--filter") FText = argv[i + 1];
    }
    bool Selected(const std::string& name) const { return FText.empty() || name.find(FText) != std::string::npos; }

private:
    std::string FText;
};

inline void Missing(const std::string& name, const std::string& what)
{
    std::printf("BENCH %s missing-peer=%s\n", name.c_str(), what.c_str());
    std::fflush(stdout);
}

// Resident ("VmRSS:") or peak resident ("VmHWM:") memory of the process in bytes.
inline size_t StatusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return size_t(std::stoull(line.substr(std::strlen(key)))) * 1024;
    return 0;
}

// Lets the peak resident memory start again from the current one.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Peak resident memory the work adds above what the process held before it, in bytes; the heap's
// free memory goes back to the system first, so that reused memory counts too.
inline double PeakGrowth(const std::function<void()>& work)
{
    malloc_trim(0);
    const size_t before = StatusBytes("VmRSS:");
    ResetPeak();
    work();
    const size_t peak = StatusBytes("VmHWM:");
    return peak > before ? double(peak - before) : 0.0;
}

// A fresh folder in the temporary directory named after "prefix", made the home of a program with
// no settings yet; empty where it cannot be made.
inline std::string TempHome(const std::string& prefix)
{
    namespace fs = std::filesystem;
    std::string root = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(root.data())) return {};
    setenv("HOME", (root + "/home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(root + "/home/.config");
    return root;
}

// Fresh folders, one per Next(), below "prefix-XXXXXX" in memory where the machine offers it (the
// figure is the programs' work, not the disk's); all removed at the end.
struct ScratchFolders {
    std::string base;
    int next = 0;
    explicit ScratchFolders(const std::string& prefix)
    {
        namespace fs = std::filesystem;
        const std::string root = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        std::string pattern = root + "/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data())) base = pattern;
    }
    ~ScratchFolders()
    {
        std::error_code ec;
        std::filesystem::remove_all(base, ec);
    }
    ScratchFolders(const ScratchFolders&) = delete;
    ScratchFolders& operator=(const ScratchFolders&) = delete;
    std::string Next()
    {
        std::string f = base + "/run" + std::to_string(next++);
        std::filesystem::create_directory(f);
        return f;
    }
};

// A width x height picture whose blue, green and red bytes pixel(x, y, bgr) sets, row by row.
template <class Pixel>
gfx::TBitmap MakePicture(int width, int height, Pixel pixel)
{
    gfx::TBitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLineW(y);
        for (int x = 0; x < width; ++x) pixel(x, y, row + 4 * x);
    }
    return picture;
}

// The picture written as a JPEG at the default quality (90).
inline void SaveJpeg(const gfx::TBitmap& picture, const std::string& path)
{
    gfx::TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.SaveToFile(path);
}

}  // namespace bench
