// Side-by-side timing: ours and the peer run alternately, several times; medians are reported
// as one line "BENCH <name> ours=<s> peer=<s> ratio=<ours/peer>".
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

struct Figure {
    double ours = 0, peer = 0;
};

// peerName: the peer's label when it is a reference rather than another program ("memcpy").
inline Figure Compare(const std::string& name, const std::function<void()>& ours,
                      const std::function<void()>& peer, int runs = 5, const std::string& peerName = "")
{
    ours();  // warm up caches and lazy set-up once
    peer();
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(Seconds(ours));
        b.push_back(Seconds(peer));
    }
    Figure f{Median(a), Median(b)};
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

}  // namespace bench
