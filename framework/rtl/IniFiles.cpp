#include "framework/rtl/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "framework/rtl/Classes.h"

namespace rtl {

namespace {

using Lines = std::vector<String>;

// The whole file as lines, or nothing when it cannot be read.
std::optional<Lines> ReadLines(const String& fileName)
{
    int fd;
    do {
        fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe is not waited on
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    String text;
    char buffer[1 << 14];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);

    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == String::npos) end = text.size();
        String line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool SameName(const String& a, const String& b) { return SameText(a, b) || AnsiUpperCase(a) == AnsiUpperCase(b); }

// The section name of a header line "[name]", or nothing.
std::optional<String> SectionOf(const String& line)
{
    const String t = Trim(line);
    if (t.empty() || t[0] != '[') return std::nullopt;
    const size_t close = t.find(']');
    return Trim(t.substr(1, close == String::npos ? String::npos : close - 1));
}

// The key of a line "key=value", or nothing.
std::optional<String> KeyOf(const String& line, String* value = nullptr)
{
    const size_t eq = line.find('=');
    if (eq == String::npos) return std::nullopt;
    if (value) *value = Trim(line.substr(eq + 1));
    return Trim(line.substr(0, eq));
}

struct Place {
    int section = -1;   // line of the section header
    int key = -1;       // line of the key
    int lastEntry = -1; // last non-blank line of the section
};

Place Find(const Lines& lines, const String& section, const String& key)
{
    Place place;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (auto name = SectionOf(lines[i])) {
            if (place.section >= 0) break;  // the first section of that name is the one used
            if (SameName(*name, section)) place.section = place.lastEntry = i;
            continue;
        }
        if (place.section < 0) continue;
        if (!Trim(lines[i]).empty()) place.lastEntry = i;
        if (place.key < 0) {
            auto name = KeyOf(lines[i]);
            if (name && SameName(*name, key)) place.key = i;
        }
    }
    return place;
}

// A line break inside a name or value would end the line early and let the rest read as
// lines of their own.
String OneLine(String text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

// Writes the lines through the safe write of a named file: a failed write leaves the old file as
// it was.
bool ReplaceFile(const String& fileName, const Lines& lines)
{
    String text;
    for (const String& line : lines) text += line + "\n";
    try {
        SaveFileSafely(fileName, [&](TStream& s) { s.WriteBuffer(text.data(), int64_t(text.size())); });
    } catch (const Exception&) {
        return false;
    }
    return true;
}

}  // namespace

String TIniFile::ReadString(const String& section, const String& key, const String& def) const
{
    const auto lines = ReadLines(FFileName);
    if (!lines) return def;
    const Place place = Find(*lines, section, key);
    if (place.key < 0) return def;
    String value;
    KeyOf((*lines)[static_cast<size_t>(place.key)], &value);
    // The profile functions drop one pair of quotes around a value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

int TIniFile::ReadInteger(const String& section, const String& key, int def) const
{
    return StrToIntDef(ReadString(section, key, ""), def);
}

void TIniFile::WriteString(const String& section, const String& key, const String& value)
{
    auto read = ReadLines(FFileName);
    struct stat st {};
    // A file that is there but cannot be read is not overwritten.
    if (!read && stat(FFileName.c_str(), &st) == 0)
        throw EIniFileException(Format("Unable to write to %s", {FFileName}));
    Lines lines = read.value_or(Lines());
    const String entry = OneLine(key) + "=" + OneLine(value);
    const Place place = Find(lines, section, key);
    if (place.key >= 0) {
        lines[static_cast<size_t>(place.key)] = entry;
    } else if (place.section >= 0) {
        lines.insert(lines.begin() + place.lastEntry + 1, entry);
    } else {
        lines.push_back("[" + OneLine(section) + "]");
        lines.push_back(entry);
    }
    // A file that already says so is left as it is: nothing to write, and no wait for the disk.
    if (read && lines == *read)
        return;
    if (!ReplaceFile(FFileName, lines))
        throw EIniFileException(Format("Unable to write to %s", {FFileName}));
}

void TIniFile::WriteInteger(const String& section, const String& key, int value)
{
    WriteString(section, key, IntToStr(value));
}

}  // namespace rtl
