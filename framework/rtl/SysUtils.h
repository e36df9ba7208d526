// Run-time library: exceptions, strings, formatting, rounding, paths and file facts.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {

using String = std::string;  // UTF-8 text throughout

// ---- exceptions -----------------------------------------------------------

class Exception : public std::exception {
public:
    explicit Exception(String message) : FMessage(std::move(message)) {}
    const String& Message() const { return FMessage; }
    void SetMessage(String message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }
    virtual String ClassName() const { return "Exception"; }

private:
    String FMessage;
};

#define RTL_EXCEPTION(Name, Base)                                         \
    class Name : public Base {                                            \
    public:                                                               \
        using Base::Base;                                                 \
        String ClassName() const override { return #Name; }               \
    }

RTL_EXCEPTION(EExternal, Exception);
RTL_EXCEPTION(EIntError, EExternal);
RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EListError, Exception);
RTL_EXCEPTION(EStringListError, Exception);
RTL_EXCEPTION(EInOutError, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EFileStreamError, EStreamError);
RTL_EXCEPTION(EFCreateError, EFileStreamError);
RTL_EXCEPTION(EFOpenError, EFileStreamError);
RTL_EXCEPTION(EReadError, EStreamError);
RTL_EXCEPTION(EWriteError, EStreamError);
RTL_EXCEPTION(EInvalidGraphic, Exception);
RTL_EXCEPTION(EInvalidGraphicOperation, Exception);
RTL_EXCEPTION(EIniFileException, Exception);
RTL_EXCEPTION(EPrinter, Exception);
RTL_EXCEPTION(EClipboardException, Exception);
RTL_EXCEPTION(EInvalidOperation, Exception);

// "Range check error"
class ERangeError : public EIntError {
public:
    ERangeError() : EIntError("Range check error") {}
    using EIntError::EIntError;
    String ClassName() const override { return "ERangeError"; }
};

// "Out of memory"
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
    using Exception::Exception;
    String ClassName() const override { return "EOutOfMemory"; }
};

// "List index out of bounds (%d)"
[[noreturn]] void RaiseListIndexError(int64_t index);
[[noreturn]] void RaiseStringListIndexError(int64_t index);

// ---- checked conversions --------------------------------------------------

// Raises ERangeError unless lo <= value <= hi.
inline void RangeCheck(int64_t value, int64_t lo, int64_t hi)
{
    if (value < lo || value > hi)
        throw ERangeError();
}

template <class Target>
Target CheckedCast(int64_t value);  // range-checked narrowing (uint8_t, uint16_t, int32_t, uint32_t ...)

// ---- rounding -------------------------------------------------------------

// Nearest integer, halves to the even neighbour.
int64_t Round(double value);
int64_t Round(float value);
int64_t Round(long double value);  // for sums computed in extended precision
// Whole part, towards zero.
int64_t Trunc(double value);
int64_t Trunc(long double value);
// Each raises ERangeError when the result does not fit an int64_t (or for NaN).

// ---- strings ----------------------------------------------------------------

String IntToStr(int64_t value);
String IntToHex(int64_t value, int digits);        // upper-case hex, at least `digits` digits
int StrToInt(const String& text);                  // EConvertError "'%s' is not a valid integer value"
bool TryStrToInt(const String& text, int& value);  // leading/trailing blanks allowed, decimal or $hex
int StrToIntDef(const String& text, int def);
String Trim(const String& text);                   // removes spaces and control characters at both ends
String UpperCase(const String& text);              // ASCII letters only
String AnsiUpperCase(const String& text);          // full Unicode upper-casing (for file names)
bool SameText(const String& a, const String& b);   // ASCII case-insensitive

// Format with %s, %d (and %%). Arguments are strings or integers.
class FormatArg {
public:
    FormatArg(const String& s) : text(s) {}
    FormatArg(const char* s) : text(s) {}
    FormatArg(int v) : text(IntToStr(v)) {}
    FormatArg(long v) : text(IntToStr(v)) {}
    FormatArg(long long v) : text(IntToStr(v)) {}
    FormatArg(unsigned v) : text(IntToStr(v)) {}
    FormatArg(unsigned long v) : text(IntToStr(static_cast<int64_t>(v))) {}
    String text;
};
String Format(const String& pattern, std::initializer_list<FormatArg> args);

// ---- paths (delimiter "/") ------------------------------------------------------

constexpr char PathDelim = '/';
String ExtractFilePath(const String& path);   // folder part with its trailing delimiter
String ExtractFileDir(const String& path);    // folder part without the trailing delimiter
String ExtractFileName(const String& path);   // text after the last delimiter
String ExtractFileExt(const String& path);    // from the last dot of the file-name part, dot included
String ChangeFileExt(const String& path, const String& ext);
String IncludeTrailingPathDelimiter(const String& path);
String ExcludeTrailingPathDelimiter(const String& path);  // "/" stays "/"
String GetCurrentDir();
String ExecutableFolder();                    // folder of the running executable, with trailing delimiter
String TempFolder();                          // $TMPDIR or /tmp, without trailing delimiter

// ---- memory -------------------------------------------------------------------------------------

// Bytes this process can still be given, the tightest of: the system's MemAvailable, the room left
// in its memory cgroups (CgroupMemoryLeft) and the room left under its address-space and data
// limits (RLIMIT_AS, RLIMIT_DATA) beyond what it maps already. UINT64_MAX when none is known.
// Read anew on every call. An operation that makes several buffers at once compares their sum
// with it; memory that other work is about to take counts against it too.
uint64_t AvailableMemory();

// The least room left in the memory cgroup of the process that procFolder describes (its "cgroup"
// and "mountinfo" files) or in any cgroup above it: memory.max less memory.current (cgroup v2),
// memory.limit_in_bytes less memory.usage_in_bytes (v1), the inactive file cache counting as room
// since the kernel reclaims it first. UINT64_MAX when no cgroup limits the process's memory.
uint64_t CgroupMemoryLeft(const String& procFolder = "/proc/self");

// ---- file system --------------------------------------------------------------

// A regular file (links followed), or a link whose target cannot be found: a name that a new
// file must not take.
bool FileExists(const String& path);
bool DirectoryExists(const String& path);     // a directory (a link to one counts)
// A directory (a link to one counts) that belongs to this user and that no one else may write to.
bool IsPrivateFolder(const String& path);
bool CreateDir(const String& path);           // one level; false on failure
bool CreatePrivateDir(const String& path);    // one level, for this user alone; false on failure
bool DeleteFile(const String& path);
bool RenameFile(const String& from, const String& to);  // replaces `to` atomically
// Names (without folder) of the plain files in `folder` that match `mask` ("*" and "?",
// compared without case; "*.*" matches every name), in the order the file system returns them.
// Folders and hidden files (names beginning with ".") are skipped; a missing folder gives none.
std::vector<String> FindFiles(const String& folder, const String& mask);

// ---- dates ------------------------------------------------------------------------

// The framework's date-time value: days since 1899-12-30 plus the fraction of the day.
using TDateTime = double;

struct TSystemTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

TDateTime SystemTimeToDateTime(const TSystemTime& st);
TSystemTime DateTimeToSystemTime(TDateTime dt);
// The user's locale: short date, a blank, long time; the time left out at exactly 00:00:00.000.
String DateTimeToStr(TDateTime dt);
// Sets the C and C++ locale from the environment (called once at start-up).
void InitLocale();

// ---- file facts -----------------------------------------------------------------

struct TFileFacts {
    bool Found = false;
    int64_t Size = 0;
    TSystemTime Created;   // local time; birth time, else the modification time
    TSystemTime Modified;  // local time
};

// Looks the file up (statx); Found is false when it cannot be found.
TFileFacts FindFileFacts(const String& path);

}  // namespace rtl
