#include "framework/rtl/Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
        throw EWriteError("Stream write error");
}

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
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---- TFileStream --------------------------------------------------------------------------

TFileStream::TFileStream(const String& fileName, uint32_t mode) : FFileName(fileName)
{
    const bool create = (mode & fmCreate) == fmCreate;
    int flags = O_CLOEXEC;
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
    int error = 0;
    do {
        FHandle = open(fileName.c_str(), flags, 0666);
    } while (FHandle < 0 && errno == EINTR);
    if (FHandle < 0) {
        error = errno;
    } else {
        struct stat st {};
        if (fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            error = EISDIR;
            close(FHandle);
            FHandle = -1;
        }
    }
    if (FHandle < 0) {
        if (create) throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, std::strerror(error)}));
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, std::strerror(error)}));
    }
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0) close(FHandle);
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
        if (n <= 0) break;  // disk full or an error: the caller sees a short write
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
    if (size < 0 || ftruncate(FHandle, size) != 0)
        throw EWriteError("Stream write error");
    if (Position() > size) SetPosition(size);
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
