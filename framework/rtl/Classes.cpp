#include "framework/rtl/Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

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

[[noreturn]] void RaiseCreateError(const String& fileName, int error)
{
    throw EFCreateError(CreateErrorText(fileName, std::strerror(error)));
}

[[noreturn]] void RaiseWriteError(const String& fileName, int error)
{
    throw EWriteError(WriteErrorText(fileName, error));
}

// The file a name stands for: symbolic links followed to the last one's target, which need not
// exist yet. A relative link is read from the link's own folder.
String FollowLinks(const String& fileName)
{
    String path = fileName;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (hops == MaxLinkHops) RaiseCreateError(fileName, ELOOP);
        std::vector<char> text(size_t(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t n = readlink(path.c_str(), text.data(), text.size());
        if (n < 0) RaiseCreateError(fileName, errno);
        if (size_t(n) == text.size()) RaiseCreateError(fileName, ENAMETOOLONG);  // changed meanwhile
        const String link(text.data(), size_t(n));
        path = !link.empty() && link[0] == PathDelim ? link : ExtractFilePath(path) + link;
    }
}

// The process's file-creation mask, read without changing it (other threads may create files).
mode_t CreationMask()
{
    std::ifstream status("/proc/self/status");
    for (String line; std::getline(status, line);)
        if (line.compare(0, 6, "Umask:") == 0) return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

// Why the existing file at path cannot be replaced (an errno), or 0.
int ReasonNotToReplace(const String& path, const struct stat& st)
{
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    // Judged from the mode bits first: permission checks do not stop every user.
    if ((st.st_mode & S_IWUSR) == 0) return EACCES;
    if (access(path.c_str(), W_OK) != 0) return errno;
    return 0;
}

// The temporary file: removed again unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const String& folder) : FName(folder + ".quadrell-XXXXXX")
    {
        // Created with O_EXCL: never an existing name, so never a planted link or pipe.
        FHandle = mkostemp(FName.data(), O_CLOEXEC);
        FCreated = FHandle >= 0;
    }
    ~TemporaryFile()
    {
        if (FHandle >= 0) close(FHandle);
        if (FCreated) unlink(FName.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Handle() const { return FHandle; }
    // Closes the file; the errno of a failure (some file systems report a full disk only here).
    int Close()
    {
        const int result = close(FHandle);
        FHandle = -1;
        return result == 0 ? 0 : errno;
    }
    // Moves the closed file over target; the errno of a failure.
    int MoveTo(const String& target)
    {
        if (rename(FName.c_str(), target.c_str()) != 0) return errno;
        FCreated = false;
        return 0;
    }

private:
    String FName;
    int FHandle = -1;
    bool FCreated = false;
};

}  // namespace

void SaveFileSafely(const String& fileName, const std::function<void(TStream&)>& write)
{
    if (fileName.empty()) RaiseCreateError(fileName, ENOENT);
    const String target = FollowLinks(fileName);
    struct stat existing {};
    const bool replacing = lstat(target.c_str(), &existing) == 0;
    if (replacing)
        if (int reason = ReasonNotToReplace(target, existing))
            throw EFCreateError(CreateErrorText(fileName, reason == EINVAL ? SNotRegularFile : std::strerror(reason)));

    TemporaryFile temporary(ExtractFilePath(target));
    if (temporary.Handle() < 0) RaiseCreateError(fileName, errno);
    TFileStream stream(temporary.Handle(), fileName);
    write(stream);

    // Only the complete file gets the target's permissions; until then only this user reads it.
    if (replacing) {
        // The owner first: a change of owner clears the set-id bits that the mode then restores.
        if (fchown(temporary.Handle(), existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(temporary.Handle(), uid_t(-1), existing.st_gid);
        fchmod(temporary.Handle(), existing.st_mode & 07777);
    } else {
        fchmod(temporary.Handle(), 0666 & ~CreationMask());
    }
    // The user's old file goes only once its replacement is on the disk.
    if (replacing && fsync(temporary.Handle()) != 0) RaiseWriteError(fileName, errno);
    if (int error = temporary.Close()) RaiseWriteError(fileName, error);
    if (int error = temporary.MoveTo(target)) RaiseCreateError(fileName, error);
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
