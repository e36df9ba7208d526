// Run-time library: streams and lists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/rtl/SysUtils.h"

namespace rtl {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    virtual int64_t Read(void* buffer, int64_t count) = 0;         // bytes read, may be fewer
    virtual int64_t Write(const void* buffer, int64_t count) = 0;  // bytes written
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;  // new position
    virtual void SetSize(int64_t size);

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    int64_t Size();

    void ReadBuffer(void* buffer, int64_t count);         // EReadError "Stream read error"
    void WriteBuffer(const void* buffer, int64_t count);  // EWriteError "Stream write error"
    int64_t CopyFrom(TStream& source, int64_t count);     // count 0: the whole source from its start

protected:
    // The message of a failed write: "Stream write error", with what the stream knows of why.
    virtual String WriteErrorText() const;
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    void Clear();
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const String& fileName);
    void SaveToStream(TStream& stream);
    void SaveToFile(const String& fileName);  // creates or replaces the file

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// File modes, combinable as in the framework.
enum : uint32_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
    // EFCreateError "Cannot create file "%s". %s" / EFOpenError "Cannot open file "%s". %s".
    // Only regular files are opened; a pipe or a device is refused without waiting on it.
    TFileStream(const String& fileName, uint32_t mode);
    // Works on a handle the caller keeps open and closes; errors name fileName.
    TFileStream(int handle, const String& fileName);
    TFileStream(const TFileStream&) = delete;  // owns its file handle
    TFileStream& operator=(const TFileStream&) = delete;
    ~TFileStream() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;
    // Reads at a file offset without moving the position; safe from several threads at once.
    // Gives the bytes read, fewer at the end of the file or on an error.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count) const;
    const String& FileName() const { return FFileName; }

protected:
    // "Stream write error "name". reason" once a write has failed.
    String WriteErrorText() const override;

private:
    String FFileName;
    int FHandle = -1;
    bool FOwnsHandle = true;
    int FWriteError = 0;  // errno of the last failed write
};

// Writes a file the user named. write() fills a stream whose bytes go to a temporary file,
// created exclusively under an unguessable name in the target's folder; only once write() has
// returned does that file take the target's place, so a failure at any point (close and fsync
// included) leaves the target as it was and no temporary file behind.
// - A replaced file keeps its permissions, set-id and sticky bits included, and its owner.
// - A symbolic link is followed only where the kernel's rule for shared folders would follow it
//   (it is this user's, or its folder's owner made it, or its folder is not sticky and
//   world-writable); then it keeps pointing where it did and its target gets the bytes. Any other
//   link, in the name or on the way to it, is refused.
// - A link to a missing file counts as an existing file: nothing is made where it points.
// - A read-only file (no write bit for its owner, or not writable for this user) is not
//   replaced, nor is anything that is not a regular file.
// Errors name fileName: EFCreateError "Cannot create file "%s". %s" (the system's reason, or why
// a link is not followed), EWriteError "Stream write error "%s". %s", and whatever write() raises.
void SaveFileSafely(const String& fileName, const std::function<void(TStream&)>& write);

// As SaveFileSafely, but never replaces anything: where the name is taken by a file it could
// replace, before write() or by the time the file would take its place, that stays as it is,
// nothing is left behind, and the answer is false. True when the file was written.
bool SaveNewFileSafely(const String& fileName, const std::function<void(TStream&)>& write);

// Writes a scratch file of the program's own: whatever stands at fileName is deleted, then the
// file is made anew, exclusively and without following a link (O_CREAT | O_EXCL | O_NOFOLLOW),
// and write() fills it. Gives the size of what was written, read from the file made here. Where
// the file cannot be made nothing is written: EFCreateError "Cannot create file "%s". %s"; a
// failed write removes the file again (EWriteError, or what write() raises).
int64_t WriteScratchFile(const String& fileName, const std::function<void(TStream&)>& write);

// The framework's pointer list, typed; indexes are checked ("List index out of bounds (%d)").
template <class T>
class TList {
public:
    virtual ~TList() = default;
    int Count() const { return static_cast<int>(FItems.size()); }
    T& operator[](int index) { Check(index); return FItems[index]; }
    const T& operator[](int index) const { Check(index); return FItems[index]; }
    T& Items(int index) { return (*this)[index]; }
    int Add(T item) { FItems.push_back(std::move(item)); return Count() - 1; }
    void Insert(int index, T item)
    {
        if (index < 0 || index > Count()) RaiseListIndexError(index);
        FItems.insert(FItems.begin() + index, std::move(item));
    }
    void Delete(int index) { Check(index); FItems.erase(FItems.begin() + index); }
    void Clear() { FItems.clear(); }
    int IndexOf(const T& item) const
    {
        for (int i = 0; i < Count(); ++i)
            if (FItems[i] == item) return i;
        return -1;
    }
    T First() const { return (*this)[0]; }
    T Last() const { return (*this)[Count() - 1]; }
    auto begin() { return FItems.begin(); }
    auto end() { return FItems.end(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    void Check(int index) const
    {
        if (index < 0 || index >= Count()) RaiseListIndexError(index);
    }
    std::vector<T> FItems;
};

class TStringList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const String& operator[](int index) const;  // EStringListError "List index out of bounds (%d)"
    String& operator[](int index);
    const String& Strings(int index) const { return (*this)[index]; }
    int Add(const String& s) { FItems.push_back(s); return Count() - 1; }
    void Delete(int index);
    void Clear() { FItems.clear(); }
    int IndexOf(const String& s) const;  // case-insensitive, as the framework's
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<String> FItems;
};

}  // namespace rtl
