#include "framework/rtl/SysUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <limits>
#include <locale>
#include <sstream>

namespace rtl {

// ---- exceptions -------------------------------------------------------------------------

void RaiseListIndexError(int64_t index)
{
    throw EListError(Format("List index out of bounds (%d)", {static_cast<long long>(index)}));
}

void RaiseStringListIndexError(int64_t index)
{
    throw EStringListError(Format("List index out of bounds (%d)", {static_cast<long long>(index)}));
}

// ---- checked conversions --------------------------------------------------------------

template <class Target>
Target CheckedCast(int64_t value)
{
    using L = std::numeric_limits<Target>;
    if constexpr (std::is_unsigned_v<Target>) {
        if (value < 0 || static_cast<uint64_t>(value) > static_cast<uint64_t>(L::max()))
            throw ERangeError();
    } else {
        if (value < static_cast<int64_t>(L::min()) || value > static_cast<int64_t>(L::max()))
            throw ERangeError();
    }
    return static_cast<Target>(value);
}

template int8_t CheckedCast<int8_t>(int64_t);
template uint8_t CheckedCast<uint8_t>(int64_t);
template int16_t CheckedCast<int16_t>(int64_t);
template uint16_t CheckedCast<uint16_t>(int64_t);
template int32_t CheckedCast<int32_t>(int64_t);
template uint32_t CheckedCast<uint32_t>(int64_t);
template int64_t CheckedCast<int64_t>(int64_t);
template uint64_t CheckedCast<uint64_t>(int64_t);

// ---- rounding ---------------------------------------------------------------------------

namespace {

// 2^63 is exactly representable; anything at or beyond it does not fit an int64_t.
constexpr long double kInt64Limit = 9223372036854775808.0L;

int64_t ToInt64(long double whole)
{
    if (!(whole >= -kInt64Limit && whole < kInt64Limit))  // also catches NaN
        throw ERangeError();
    return static_cast<int64_t>(whole);
}

}  // namespace

// nearbyint rounds in the current mode, which is round-to-nearest-even unless changed.
int64_t Round(double value) { return ToInt64(std::nearbyint(value)); }
int64_t Round(float value) { return ToInt64(std::nearbyintf(value)); }
int64_t Round(long double value) { return ToInt64(std::nearbyintl(value)); }
int64_t Trunc(double value) { return ToInt64(std::trunc(value)); }
int64_t Trunc(long double value) { return ToInt64(std::trunc(value)); }

// ---- strings ----------------------------------------------------------------------------

String IntToStr(int64_t value) { return std::to_string(value); }

String IntToHex(int64_t value, int digits)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    uint64_t bits = static_cast<uint64_t>(value);
    String text;
    do {
        text.insert(text.begin(), kHex[bits & 15]);
        bits >>= 4;
    } while (bits != 0);
    if (digits > 16) digits = 16;
    if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return text;
}

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TryStrToInt(const String& text, int& value)
{
    const String s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;

    // Decimal text must fit the signed range; hexadecimal text may use all 32 bits, as the
    // framework's conversion does ($FFFFFFFF is -1).
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const int digit = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit) return false;
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    const uint32_t signedBits = negative ? 0u - bits : bits;
    value = static_cast<int32_t>(signedBits);
    return true;
}

int StrToInt(const String& text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(Format("'%s' is not a valid integer value", {text}));
    return value;
}

int StrToIntDef(const String& text, int def)
{
    int value = 0;
    return TryStrToInt(text, value) ? value : def;
}

String Trim(const String& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

String UpperCase(const String& text)
{
    String result = text;
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

bool SameText(const String& a, const String& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when it is not well formed.
size_t DecodeUtf8(const String& text, size_t i, char32_t& cp)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    size_t len;
    if (b0 < 0x80) { cp = b0; return 1; }
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; }
    else return 0;
    if (i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void EncodeUtf8(char32_t cp, String& out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Case tables of a UTF-8 locale, independent of the process locale.
locale_t Utf8Locale()
{
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

}  // namespace

String AnsiUpperCase(const String& text)
{
    const locale_t loc = Utf8Locale();
    String result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = DecodeUtf8(text, i, cp);
        if (len == 0) {  // not UTF-8: kept as it is
            result += text[i++];
            continue;
        }
        if (cp >= 'a' && cp <= 'z')
            cp = cp - 'a' + 'A';
        else if (cp >= 0x80 && loc)
            cp = static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), loc));
        EncodeUtf8(cp, result);
        i += len;
    }
    return result;
}

// ---- format -------------------------------------------------------------------------------

String Format(const String& pattern, std::initializer_list<FormatArg> args)
{
    const auto invalid = [&]() -> EConvertError {
        return EConvertError("Format '" + pattern + "' invalid or incompatible with argument");
    };
    String out;
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= pattern.size()) throw invalid();
        if (pattern[i] == '%') {
            out += '%';
            continue;
        }
        // [-][width][.precision] then s or d
        bool left = false;
        if (pattern[i] == '-') { left = true; ++i; }
        size_t width = 0, precision = 0;
        bool hasPrecision = false;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9' && width < 10000)
            width = width * 10 + static_cast<size_t>(pattern[i++] - '0');
        if (i < pattern.size() && pattern[i] == '.') {
            hasPrecision = true;
            ++i;
            while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9' && precision < 10000)
                precision = precision * 10 + static_cast<size_t>(pattern[i++] - '0');
        }
        if (i >= pattern.size()) throw invalid();
        const char kind = static_cast<char>(pattern[i] | 0x20);
        if ((kind != 's' && kind != 'd') || next == args.end()) throw invalid();
        String text = (next++)->text;
        if (kind == 's' && hasPrecision && text.size() > precision) {
            text.resize(precision);
        } else if (kind == 'd' && hasPrecision) {
            const bool negative = !text.empty() && text[0] == '-';
            const size_t digits = text.size() - (negative ? 1 : 0);
            if (digits < precision)
                text.insert(negative ? 1 : 0, precision - digits, '0');
        }
        if (text.size() < width)
            text = left ? text + String(width - text.size(), ' ') : String(width - text.size(), ' ') + text;
        out += text;
    }
    return out;
}

// ---- paths --------------------------------------------------------------------------------

String ExtractFilePath(const String& path)
{
    const size_t slash = path.rfind(PathDelim);
    return slash == String::npos ? String() : path.substr(0, slash + 1);
}

String ExtractFileDir(const String& path)
{
    const size_t slash = path.rfind(PathDelim);
    if (slash == String::npos) return String();
    // The root keeps its delimiter.
    if (slash > 0 && path[slash - 1] != PathDelim) return path.substr(0, slash);
    return path.substr(0, slash + 1);
}

String ExtractFileName(const String& path)
{
    const size_t slash = path.rfind(PathDelim);
    return slash == String::npos ? path : path.substr(slash + 1);
}

namespace {

// Index of the extension's dot within path, or npos when the file-name part has none.
size_t ExtensionDot(const String& path)
{
    const size_t dot = path.rfind('.');
    if (dot == String::npos) return dot;
    const size_t slash = path.rfind(PathDelim);
    if (slash != String::npos && slash > dot) return String::npos;
    return dot;
}

}  // namespace

String ExtractFileExt(const String& path)
{
    const size_t dot = ExtensionDot(path);
    return dot == String::npos ? String() : path.substr(dot);
}

String ChangeFileExt(const String& path, const String& ext)
{
    const size_t dot = ExtensionDot(path);
    return (dot == String::npos ? path : path.substr(0, dot)) + ext;
}

String IncludeTrailingPathDelimiter(const String& path)
{
    if (!path.empty() && path.back() == PathDelim) return path;
    return path + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& path)
{
    if (path.size() > 1 && path.back() == PathDelim) return path.substr(0, path.size() - 1);
    return path;
}

String GetCurrentDir()
{
    String buffer(PATH_MAX, '\0');
    if (!getcwd(buffer.data(), buffer.size())) return String();
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

String ExecutableFolder()
{
    String buffer(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return IncludeTrailingPathDelimiter(GetCurrentDir());
    buffer.resize(static_cast<size_t>(n));
    return ExtractFilePath(buffer);
}

String TempFolder()
{
    const char* env = std::getenv("TMPDIR");
    String folder = env && *env ? env : "/tmp";
    while (folder.size() > 1 && folder.back() == PathDelim) folder.pop_back();
    return folder;
}

// ---- memory -------------------------------------------------------------------------------------

namespace {

constexpr uint64_t NoLimit = UINT64_MAX;

// The first number of a file, if it has one ("max" and an unreadable file have none).
bool ReadNumberFile(const String& path, uint64_t& value)
{
    std::ifstream in(path);
    unsigned long long number = 0;
    if (!(in >> number)) return false;
    value = number;
    return true;
}

// The value of `key` in a file of "key value" lines (memory.stat); 0 when absent.
uint64_t ReadKeyedValue(const String& path, const String& key)
{
    std::ifstream in(path);
    std::string name;
    unsigned long long value = 0;
    while (in >> name >> value)
        if (name == key) return value;
    return 0;
}

uint64_t MemAvailable()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    const std::string key = "MemAvailable:";
    while (std::getline(meminfo, line))
        if (line.compare(0, key.size(), key) == 0) return std::strtoull(line.c_str() + key.size(), nullptr, 10) * 1024;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : NoLimit;
}

// Room under a resource limit for a process that already uses `used` bytes of it.
uint64_t RoomUnder(int resource, uint64_t used)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return NoLimit;
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

// RLIMIT_AS counts every mapping (statm's size), RLIMIT_DATA the private writable ones, which
// statm's data field holds together with the stack.
uint64_t RoomUnderProcessLimits()
{
    unsigned long long size = 0, resident = 0, shared = 0, text = 0, lib = 0, data = 0;
    std::ifstream statm("/proc/self/statm");
    if (!(statm >> size >> resident >> shared >> text >> lib >> data)) size = data = 0;
    const uint64_t page = uint64_t(sysconf(_SC_PAGESIZE));
    return std::min(RoomUnder(RLIMIT_AS, size * page), RoomUnder(RLIMIT_DATA, data * page));
}

// "\040" and the like in mountinfo's paths.
String UnescapeMountPath(const String& text)
{
    String path;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escaped = text[i] == '\\' && i + 3 < text.size() &&
                             std::all_of(text.begin() + i + 1, text.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; });
        if (escaped) {
            path += static_cast<char>(std::strtol(text.substr(i + 1, 3).c_str(), nullptr, 8));
            i += 3;
        } else {
            path += text[i];
        }
    }
    return path;
}

// A memory cgroup hierarchy as this process sees it: where it is mounted, which of its cgroups is
// the mount's root, and the process's own cgroup in it.
struct TCgroupMount {
    bool Unified = false;  // cgroup v2
    String MountPoint;
    String Root;
};

std::vector<TCgroupMount> MemoryCgroupMounts(const String& procFolder)
{
    std::vector<TCgroupMount> mounts;
    std::ifstream in(procFolder + "/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional fields] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, options, field;
        if (!(fields >> id >> parent >> device >> root >> mountPoint >> options)) continue;
        while (fields >> field && field != "-") {
        }
        std::string type, source, superOptions;
        if (!(fields >> type >> source >> superOptions)) continue;
        const bool unified = type == "cgroup2";
        const bool memoryV1 = type == "cgroup" && ("," + superOptions + ",").find(",memory,") != std::string::npos;
        if (unified || memoryV1) mounts.push_back({unified, UnescapeMountPath(mountPoint), UnescapeMountPath(root)});
    }
    return mounts;
}

// The process's cgroup path in the v2 hierarchy ("0::/path") or in the v1 memory hierarchy.
bool OwnCgroupPath(const String& procFolder, bool unified, String& path)
{
    std::ifstream in(procFolder + "/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const size_t first = line.find(':'), second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const bool match = unified ? line.compare(0, first, "0") == 0 && controllers.empty()
                                   : ("," + controllers + ",").find(",memory,") != std::string::npos;
        if (match) {
            path = line.substr(second + 1);
            return true;
        }
    }
    return false;
}

// Room left in one cgroup folder; NoLimit when it sets none.
uint64_t RoomInCgroup(const String& folder, bool unified)
{
    uint64_t limit = 0, usage = 0;
    if (!ReadNumberFile(folder + (unified ? "/memory.max" : "/memory.limit_in_bytes"), limit)) return NoLimit;
    if (!ReadNumberFile(folder + (unified ? "/memory.current" : "/memory.usage_in_bytes"), usage)) return NoLimit;
    const uint64_t cache = ReadKeyedValue(folder + "/memory.stat", unified ? "inactive_file" : "total_inactive_file");
    usage -= std::min(usage, cache);
    return limit > usage ? limit - usage : 0;
}

}  // namespace

uint64_t CgroupMemoryLeft(const String& procFolder)
{
    uint64_t room = NoLimit;
    for (const TCgroupMount& mount : MemoryCgroupMounts(procFolder)) {
        String path;
        if (!OwnCgroupPath(procFolder, mount.Unified, path)) continue;
        // Only a cgroup inside what the mount shows can be read from it.
        const String root = mount.Root == "/" ? "" : mount.Root;
        if (path.compare(0, root.size(), root) != 0 || (path.size() > root.size() && path[root.size()] != '/'))
            continue;
        String relative = path.substr(root.size());
        // The process's own cgroup and every one above it, up to the mount's root.
        for (;;) {
            room = std::min(room, RoomInCgroup(mount.MountPoint + relative, mount.Unified));
            if (relative.empty() || relative == "/") break;
            relative.erase(relative.rfind('/'));
        }
    }
    return room;
}

uint64_t AvailableMemory()
{
    return std::min({MemAvailable(), CgroupMemoryLeft(), RoomUnderProcessLimits()});
}

// ---- file system ----------------------------------------------------------------------------

namespace {

bool IsRegularFile(const String& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool FileExists(const String& path)
{
    if (IsRegularFile(path)) return true;
    struct stat link {}, target {};
    return !path.empty() && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && stat(path.c_str(), &target) != 0;
}

bool DirectoryExists(const String& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPrivateFolder(const String& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool CreateDir(const String& path) { return !path.empty() && mkdir(path.c_str(), 0777) == 0; }

bool CreatePrivateDir(const String& path) { return !path.empty() && mkdir(path.c_str(), 0700) == 0; }

bool DeleteFile(const String& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool RenameFile(const String& from, const String& to)
{
    return !from.empty() && !to.empty() && rename(from.c_str(), to.c_str()) == 0;
}

namespace {

std::u32string CodePoints(const String& text)
{
    std::u32string result;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t len = DecodeUtf8(text, i, cp);
        result += len ? cp : static_cast<unsigned char>(text[i]);
        i += len ? len : 1;
    }
    return result;
}

bool WildcardMatch(const std::u32string& mask, const std::u32string& name)
{
    size_t m = 0, n = 0, star = std::u32string::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == U'*') {
            star = m++;
            resume = n;
        } else if (star != std::u32string::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}

}  // namespace

std::vector<String> FindFiles(const String& folder, const String& mask)
{
    std::vector<String> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    const std::u32string pattern = CodePoints(AnsiUpperCase(mask == "*.*" ? String("*") : mask));
    const String prefix = folder.empty() ? String() : IncludeTrailingPathDelimiter(folder);
    while (const dirent* entry = readdir(dir)) {
        const String name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        if (!WildcardMatch(pattern, CodePoints(AnsiUpperCase(name)))) continue;
        if (IsRegularFile(prefix + name)) names.push_back(name);
    }
    closedir(dir);
    return names;
}

// ---- dates -----------------------------------------------------------------------------------

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 to the framework's day 0, 1899-12-30.
constexpr int64_t kUnixDayOfEpoch = -25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

}  // namespace

TDateTime SystemTimeToDateTime(const TSystemTime& st)
{
    const int64_t days = DaysFromCivil(st.Year, st.Month, st.Day) - kUnixDayOfEpoch;
    const int64_t ms = ((static_cast<int64_t>(st.Hour) * 60 + st.Minute) * 60 + st.Second) * 1000 + st.Milliseconds;
    const double fraction = static_cast<double>(ms) / kMsPerDay;
    // Before day 0 the fraction counts away from zero, as the framework encodes it.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

TSystemTime DateTimeToSystemTime(TDateTime dt)
{
    if (!std::isfinite(dt) || std::fabs(dt) > 1e9) throw ERangeError();
    int64_t days = static_cast<int64_t>(std::trunc(dt));
    int64_t ms = std::llround(std::fabs(dt - static_cast<double>(days)) * kMsPerDay);
    if (ms >= kMsPerDay) {  // rounded up to midnight of the next day
        ms -= kMsPerDay;
        days += 1;
    }
    TSystemTime st;
    CivilFromDays(days + kUnixDayOfEpoch, st.Year, st.Month, st.Day);
    st.Milliseconds = static_cast<int>(ms % 1000);
    st.Second = static_cast<int>(ms / 1000 % 60);
    st.Minute = static_cast<int>(ms / 60000 % 60);
    st.Hour = static_cast<int>(ms / 3600000);
    return st;
}

String DateTimeToStr(TDateTime dt)
{
    const TSystemTime st = DateTimeToSystemTime(dt);
    std::tm tm{};
    tm.tm_year = st.Year - 1900;
    tm.tm_mon = st.Month - 1;
    tm.tm_mday = st.Day;
    tm.tm_hour = st.Hour;
    tm.tm_min = st.Minute;
    tm.tm_sec = st.Second;
    const int64_t unixDays = DaysFromCivil(st.Year, st.Month, st.Day);
    tm.tm_wday = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(unixDays - DaysFromCivil(st.Year, 1, 1));
    tm.tm_isdst = -1;

    const auto format = [&](const char* spec) {
        char buffer[256];
        const size_t n = std::strftime(buffer, sizeof buffer, spec, &tm);
        return String(buffer, n);
    };
    String text = format("%x");
    if (st.Hour != 0 || st.Minute != 0 || st.Second != 0 || st.Milliseconds != 0)
        text += " " + format("%X");
    return text;
}

void InitLocale()
{
    // Dates, times and character classes follow the user; numbers keep the C form, so that
    // text written and parsed by the program does not change with the locale.
    try {
        std::locale::global(std::locale(std::locale(""), std::locale::classic(), std::locale::numeric));
    } catch (const std::exception&) {
        // An unknown locale in the environment: keep the classic one.
    }
    if (!setlocale(LC_ALL, "")) setlocale(LC_ALL, "C.UTF-8");
    setlocale(LC_NUMERIC, "C");
}

// ---- file facts -------------------------------------------------------------------------------

namespace {

TSystemTime LocalTime(int64_t seconds, uint32_t nanoseconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    TSystemTime st;
    if (!localtime_r(&t, &tm)) return st;
    st.Year = tm.tm_year + 1900;
    st.Month = tm.tm_mon + 1;
    st.Day = tm.tm_mday;
    st.Hour = tm.tm_hour;
    st.Minute = tm.tm_min;
    st.Second = tm.tm_sec;
    st.Milliseconds = static_cast<int>(nanoseconds / 1000000);
    return st;
}

}  // namespace

TFileFacts FindFileFacts(const String& path)
{
    TFileFacts facts;
    struct statx sx {};
    if (path.empty() || statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return facts;
    facts.Found = true;
    facts.Size = static_cast<int64_t>(sx.stx_size);
    facts.Modified = LocalTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    facts.Created = (sx.stx_mask & STATX_BTIME) ? LocalTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec) : facts.Modified;
    return facts;
}

}  // namespace rtl
