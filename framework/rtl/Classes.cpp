#include "framework/rtl/Classes.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <new>
#include <utility>

namespace rtl {

// ---- TStream ----------------------------------------------------------------------------

void TStream::SetSize(int64_t) {}

int64_t TStream::Size()
{
    const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError(WriteErrorText());
}

String TStream::WriteErrorText() const { return "Stream write error"; }

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t kChunk = 1 << 16;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kChunk)));
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min(left, kChunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t size = static_cast<int64_t>(FData.size());
    if (count <= 0 || FPosition < 0 || FPosition >= size) return 0;
    const int64_t n = std::min(count, size - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0 || FPosition < 0) return 0;
    const int64_t end = FPosition + count;
    if (end > static_cast<int64_t>(FData.size())) SetSize(end);
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case TSeekOrigin::soBeginning: FPosition = offset; break;
    case TSeekOrigin::soCurrent: FPosition += offset; break;
    case TSeekOrigin::soEnd: FPosition = static_cast<int64_t>(FData.size()) + offset; break;
    }
    return FPosition;
}

void TMemoryStream::SetSize(int64_t size)
{
    if (size < 0) throw EStreamError("Stream size is negative");
    try {
        FData.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
    if (FPosition > size) FPosition = size;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const int64_t count = stream.Size();
    SetSize(count);
    FPosition = 0;
    if (count != 0) stream.ReadBuffer(FData.data(), count);
}

void TMemoryStream::LoadFromFile(const String& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TMemoryStream::SaveToFile(const String& fileName)
{
    SaveFileSafely(fileName, [this](TStream& file) { SaveToStream(file); });
}

// ---- TFileStream --------------------------------------------------------------------------

namespace {

constexpr const char* SNotRegularFile = "Not a regular file";

String CreateErrorText(const String& fileName, const String& reason)
{
    return Format("Cannot create file \"%s\". %s", {fileName, reason});
}

String WriteErrorText(const String& fileName, int error)
{
    return Format("Stream write error \"%s\". %s", {fileName, std::strerror(error)});
}

}  // namespace

TFileStream::TFileStream(const String& fileName, uint32_t mode) : FFileName(fileName)
{
    const bool create = (mode & fmCreate) == fmCreate;
    // Non-blocking, so that opening a pipe never waits for its other end; a regular file is
    // unaffected, anything else is refused below.
    int flags = O_CLOEXEC | O_NONBLOCK;
    if (create) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 3) {
        case fmOpenWrite: flags |= O_WRONLY; break;
        case fmOpenReadWrite: flags |= O_RDWR; break;
        default: flags |= O_RDONLY; break;
        }
    }
    // Sharing modes have no counterpart here: every open shares.
    String reason;
    do {
        FHandle = open(fileName.c_str(), flags, 0666);
    } while (FHandle < 0 && errno == EINTR);
    if (FHandle < 0) {
        reason = std::strerror(errno);
    } else {
        struct stat st {};
        if (fstat(FHandle, &st) != 0) reason = std::strerror(errno);
        else if (S_ISDIR(st.st_mode)) reason = std::strerror(EISDIR);
        else if (!S_ISREG(st.st_mode)) reason = SNotRegularFile;
        if (!reason.empty()) {
            close(FHandle);
            FHandle = -1;
        } else {
            fcntl(FHandle, F_SETFL, fcntl(FHandle, F_GETFL) & ~O_NONBLOCK);
        }
    }
    if (FHandle < 0) {
        if (create) throw EFCreateError(CreateErrorText(fileName, reason));
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, reason}));
    }
}

TFileStream::TFileStream(int handle, const String& fileName)
    : FFileName(fileName), FHandle(handle), FOwnsHandle(false)
{
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0 && FOwnsHandle) close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = read(FHandle, bytes + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // end of file or an error: the caller sees a short read
        done += n;
    }
    return done;
}

int64_t TFileStream::ReadAt(int64_t offset, void* buffer, int64_t count) const
{
    int64_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = pread(FHandle, bytes + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)),
                                offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t done = 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = write(FHandle, bytes + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // disk full or an error: the caller sees a short write
            FWriteError = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int whence = SEEK_SET;
    if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
    if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
    return lseek(FHandle, offset, whence);
}

void TFileStream::SetSize(int64_t size)
{
    if (size < 0) throw EWriteError(TStream::WriteErrorText());
    if (ftruncate(FHandle, size) != 0) {
        FWriteError = errno;
        throw EWriteError(WriteErrorText());
    }
    if (Position() > size) SetPosition(size);
}

String TFileStream::WriteErrorText() const
{
    if (FWriteError == 0) return TStream::WriteErrorText();
    return rtl::WriteErrorText(FFileName, FWriteError);
}

// ---- saving a file the user named ------------------------------------------------------------

namespace {

// Links followed at most this often, as the system's own limit.
constexpr int MaxLinkHops = 40;

constexpr const char* SLinkNotFollowed =
    "It is a symbolic link that another user made in a shared folder, so it is not followed.";
constexpr const char* SFolderLinkNotFollowed =
    "\"%s\" is a symbolic link that another user made in a shared folder, so it is not followed.";
constexpr const char* SDanglingLink =
    "It is a symbolic link to \"%s\", which does not exist; no file is made through a link.";

[[noreturn]] void RaiseCreateError(const String& fileName, int error)
{
    throw EFCreateError(CreateErrorText(fileName, std::strerror(error)));
}

[[noreturn]] void RaiseWriteError(const String& fileName, int error)
{
    throw EWriteError(WriteErrorText(fileName, error));
}

// A file handle closed when it goes.
class Handle {
public:
    explicit Handle(int fd = -1) : FFd(fd) {}
    Handle(Handle&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            FFd = std::exchange(other.FFd, -1);
        }
        return *this;
    }
    ~Handle() { Reset(); }
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }

private:
    void Reset()
    {
        if (FFd >= 0) close(FFd);
        FFd = -1;
    }
    int FFd;
};

// A folder on the way to fileName, opened without following a link.
Handle OpenFolder(int at, const char* name, const String& fileName)
{
    Handle folder(openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.Get() < 0) RaiseCreateError(fileName, errno);
    return folder;
}

// The kernel's rule for links in shared folders (fs.protected_symlinks), applied whatever the
// system's setting: a link in a sticky, world-writable folder is followed only by its owner, or
// when the folder's owner made it.
bool MayFollow(const struct stat& folder, const struct stat& link)
{
    constexpr mode_t Shared = S_ISVTX | S_IWOTH;
    return link.st_uid == geteuid() || (folder.st_mode & Shared) != Shared || folder.st_uid == link.st_uid;
}

std::deque<String> NameParts(const String& path)
{
    std::deque<String> parts;
    for (size_t at = 0; at <= path.size();) {
        const size_t next = std::min(path.find(PathDelim, at), path.size());
        if (next > at) parts.push_back(path.substr(at, next - at));
        at = next + 1;
    }
    return parts;
}

// Where a file the user named lies: its folder, held open, and its name there. Every folder on
// the way is opened without following links, so a link is followed only here, by the rule above.
struct WriteTarget {
    Handle Folder;
    String Name;
    bool Exists = false;
    struct stat Facts {};
};

WriteTarget FindWriteTarget(const String& fileName)
{
    WriteTarget target;
    std::deque<String> rest = NameParts(fileName);
    const bool absolute = fileName[0] == PathDelim;
    target.Folder = OpenFolder(AT_FDCWD, absolute ? "/" : ".", fileName);
    String walked = absolute ? "/" : "";  // the path as followed, to name a link
    String lastLink;                      // what the link that gave the last name pointed to
    for (int hops = 0; !rest.empty();) {
        const String name = rest.front();
        rest.pop_front();
        if (name == ".") continue;
        const bool last = rest.empty();
        struct stat st {};
        if (name != ".." && fstatat(target.Folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // A dangling link stands for a file that exists: nothing is made where it points.
            if (errno == ENOENT && !lastLink.empty())
                throw EFCreateError(CreateErrorText(fileName, Format(SDanglingLink, {lastLink})));
            if (errno != ENOENT || !last) RaiseCreateError(fileName, errno);
            target.Name = name;
            return target;
        }
        if (S_ISLNK(st.st_mode)) {
            if (++hops > MaxLinkHops) RaiseCreateError(fileName, ELOOP);
            struct stat folder {};
            if (fstat(target.Folder.Get(), &folder) != 0) RaiseCreateError(fileName, errno);
            if (!MayFollow(folder, st)) {
                // The name the user gave, or a link met on the way there.
                const bool named = last && lastLink.empty();
                throw EFCreateError(CreateErrorText(
                    fileName, named ? String(SLinkNotFollowed) : Format(SFolderLinkNotFollowed, {walked + name})));
            }
            std::vector<char> text(size_t(std::max<off_t>(st.st_size, 255)) + 1);
            const ssize_t n = readlinkat(target.Folder.Get(), name.c_str(), text.data(), text.size());
            if (n < 0) RaiseCreateError(fileName, errno);
            if (n == 0) RaiseCreateError(fileName, ENOENT);
            if (size_t(n) == text.size()) RaiseCreateError(fileName, ENAMETOOLONG);  // changed meanwhile
            const String link(text.data(), size_t(n));
            if (last) lastLink = link;
            std::deque<String> parts = NameParts(link);
            rest.insert(rest.begin(), parts.begin(), parts.end());
            if (link[0] == PathDelim) {
                target.Folder = OpenFolder(AT_FDCWD, "/", fileName);
                walked = "/";
            }
            if (rest.empty()) RaiseCreateError(fileName, EISDIR);  // a link to "/"
            continue;
        }
        if (last && name != "..") {
            target.Name = name;
            target.Exists = true;
            target.Facts = st;
            return target;
        }
        if (name != ".." && !S_ISDIR(st.st_mode)) RaiseCreateError(fileName, ENOTDIR);
        target.Folder = OpenFolder(target.Folder.Get(), name.c_str(), fileName);
        walked += name + PathDelim;
        if (last) break;
    }
    RaiseCreateError(fileName, EISDIR);  // the name ends in a folder
}

// The process's file-creation mask, read without changing it (other threads may create files).
mode_t CreationMask()
{
    std::ifstream status("/proc/self/status");
    for (String line; std::getline(status, line);)
        if (line.compare(0, 6, "Umask:") == 0) return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

// Why the existing file cannot be replaced (an errno), or 0.
int ReasonNotToReplace(const WriteTarget& target)
{
    const mode_t mode = target.Facts.st_mode;
    if (S_ISDIR(mode)) return EISDIR;
    if (!S_ISREG(mode)) return EINVAL;
    // Judged from the mode bits first: permission checks do not stop every user.
    if ((mode & S_IWUSR) == 0) return EACCES;
    if (faccessat(target.Folder.Get(), target.Name.c_str(), W_OK, 0) != 0) return errno;
    return 0;
}

// An unguessable name for a file of our own.
String TemporaryName()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint8_t bytes[12] {};
    if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) {
        static std::atomic<uint64_t> counter{0};
        const uint64_t mix = uint64_t(getpid()) * 0x9E3779B97F4A7C15ull ^ uint64_t(clock()) ^ ++counter << 20;
        std::memcpy(bytes, &mix, sizeof mix);
    }
    String name = ".quadrell-";
    for (uint8_t b : bytes) name += Letters[b % (sizeof Letters - 1)];
    return name;
}

// The temporary file: created exclusively in the target's folder, never an existing name, so
// never a planted link or pipe; removed again unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(int folder) : FFolder(folder)
    {
        for (int attempt = 0; attempt < 100 && FHandle < 0; ++attempt) {
            FName = TemporaryName();
            FHandle = openat(folder, FName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (FHandle < 0 && errno != EEXIST) break;
        }
        FCreated = FHandle >= 0;
    }
    ~TemporaryFile()
    {
        if (FHandle >= 0) close(FHandle);
        if (FCreated) unlinkat(FFolder, FName.c_str(), 0);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Handle() const { return FHandle; }
    // Closes the file; the errno of a failure (some file systems report a full disk only here).
    int Close()
    {
        const int result = close(FHandle);
        const int error = errno;
        FHandle = -1;
        return result == 0 ? 0 : error;
    }
    // Moves the closed file over the name in its folder; the errno of a failure.
    int MoveTo(const String& name)
    {
        if (renameat(FFolder, FName.c_str(), FFolder, name.c_str()) != 0) return errno;
        FCreated = false;
        return 0;
    }
    // Moves the closed file to the name unless something has it: EEXIST then. Where the file
    // system has no exclusive rename, a hard link takes the name and the temporary one goes.
    int MoveToNew(const String& name)
    {
        if (renameat2(FFolder, FName.c_str(), FFolder, name.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS) return errno;
            if (linkat(FFolder, FName.c_str(), FFolder, name.c_str(), 0) != 0) return errno;
            unlinkat(FFolder, FName.c_str(), 0);
        }
        FCreated = false;
        return 0;
    }

private:
    int FFolder;
    String FName;
    int FHandle = -1;
    bool FCreated = false;
};

// False only where replace is off and the name is taken.
bool SaveSafely(const String& fileName, const std::function<void(TStream&)>& write, bool replace)
{
    if (fileName.empty()) RaiseCreateError(fileName, ENOENT);
    const WriteTarget target = FindWriteTarget(fileName);
    if (target.Exists)
        if (int reason = ReasonNotToReplace(target))
            throw EFCreateError(CreateErrorText(fileName, reason == EINVAL ? SNotRegularFile : std::strerror(reason)));
    if (target.Exists && !replace) return false;

    TemporaryFile temporary(target.Folder.Get());
    if (temporary.Handle() < 0) RaiseCreateError(fileName, errno);
    TFileStream stream(temporary.Handle(), fileName);
    write(stream);

    // Only the complete file gets the target's permissions; until then only this user reads it.
    if (target.Exists) {
        const struct stat& existing = target.Facts;
        // The owner first: a change of owner clears the set-id bits that the mode then restores.
        if (fchown(temporary.Handle(), existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(temporary.Handle(), uid_t(-1), existing.st_gid);
        fchmod(temporary.Handle(), existing.st_mode & 07777);
    } else {
        fchmod(temporary.Handle(), 0666 & ~CreationMask());
    }
    // The user's old file goes only once its replacement is on the disk.
    if (target.Exists && fsync(temporary.Handle()) != 0) RaiseWriteError(fileName, errno);
    if (int error = temporary.Close()) RaiseWriteError(fileName, error);
    if (replace) {
        if (int error = temporary.MoveTo(target.Name)) RaiseCreateError(fileName, error);
    } else if (int error = temporary.MoveToNew(target.Name)) {
        if (error == EEXIST) return false;
        RaiseCreateError(fileName, error);
    }
    return true;
}

}  // namespace

void SaveFileSafely(const String& fileName, const std::function<void(TStream&)>& write)
{
    SaveSafely(fileName, write, true);
}

bool SaveNewFileSafely(const String& fileName, const std::function<void(TStream&)>& write)
{
    return SaveSafely(fileName, write, false);
}

int64_t WriteScratchFile(const String& fileName, const std::function<void(TStream&)>& write)
{
    if (fileName.empty()) RaiseCreateError(fileName, ENOENT);
    // Whatever stands there goes first; a failure shows at the creation below.
    unlink(fileName.c_str());
    Handle file(open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0) RaiseCreateError(fileName, errno);
    struct stat made {};
    fstat(file.Get(), &made);
    // A file that cannot be completed is not left half written; only ours is removed.
    auto removeOurs = [&] {
        struct stat now {};
        if (lstat(fileName.c_str(), &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino)
            unlink(fileName.c_str());
    };
    try {
        TFileStream stream(file.Get(), fileName);
        write(stream);
        struct stat written {};
        if (fstat(file.Get(), &written) != 0) RaiseWriteError(fileName, errno);
        if (close(file.Release()) != 0) RaiseWriteError(fileName, errno);
        return int64_t(written.st_size);
    } catch (...) {
        removeOurs();
        throw;
    }
}

// ---- TStringList ----------------------------------------------------------------------------

const String& TStringList::operator[](int index) const
{
    if (index < 0 || index >= Count()) RaiseStringListIndexError(index);
    return FItems[static_cast<size_t>(index)];
}

String& TStringList::operator[](int index)
{
    if (index < 0 || index >= Count()) RaiseStringListIndexError(index);
    return FItems[static_cast<size_t>(index)];
}

void TStringList::Delete(int index)
{
    if (index < 0 || index >= Count()) RaiseStringListIndexError(index);
    FItems.erase(FItems.begin() + index);
}

int TStringList::IndexOf(const String& s) const
{
    const String key = AnsiUpperCase(s);
    for (int i = 0; i < Count(); ++i)
        if (AnsiUpperCase(FItems[static_cast<size_t>(i)]) == key) return i;
    return -1;
}

}  // namespace rtl
