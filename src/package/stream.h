// Byte streams the component reader works on: a file and a block of memory. Positions and
// sizes are 64-bit; every read is bounded by what the stream holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/os.h"

namespace scr {

using sys::SeekOrigin;

// A read-only run of bytes that keeps its storage alive: a view into a shared block, so a
// nested payload can be handed on without a copy.
struct SharedBytes {
    std::shared_ptr<const std::vector<uint8_t>> owner;
    const uint8_t* data = nullptr;
    std::size_t size = 0;

    std::span<const uint8_t> span() const { return {data, size}; }
    bool empty() const { return size == 0; }
    static SharedBytes Copy(std::span<const uint8_t> bytes);
};

class Stream {
public:
    virtual ~Stream() = default;

    // Bytes actually read (fewer at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Bytes actually written; read-only streams write nothing.
    virtual int64_t Write(const void* buffer, int64_t count);
    // The new position, or -1 (position unchanged) when the target would be negative.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;

    // Bytes between the position and the end (0 when positioned past the end).
    int64_t Remaining() const;
    // Exactly count bytes or EReadError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly count bytes or EStreamError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies exactly count bytes from source at its position ("Stream read error" when it ends
    // early, after writing what came). A negative count is refused with "Stream read error".
    void CopyFrom(Stream& source, int64_t count);
};

// A file opened through the system services; owns the file.
class FileStream : public Stream {
public:
    explicit FileStream(sys::File file) : file_(std::move(file)) {}
    // Opens for reading, write access denied to others (EFOpenError).
    static FileStream OpenRead(const std::string& path) { return FileStream(sys::File::OpenRead(path)); }
    // Creates or replaces, no sharing (EFCreateError).
    static FileStream Create(const std::string& path) { return FileStream(sys::File::Create(path)); }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() const override;
    int64_t Position() const override;

    sys::File& file() { return file_; }

private:
    sys::File file_;
};

// Memory: either a read-only view of shared bytes, or a growable buffer it owns and writes to.
class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(SharedBytes bytes) : view_(std::move(bytes)), read_only_(true) {}
    explicit MemoryStream(std::vector<uint8_t> bytes);
    // A view of bytes the caller keeps alive (tests, fuzzers).
    static MemoryStream View(std::span<const uint8_t> bytes);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() const override { return int64_t(bytes().size()); }
    int64_t Position() const override { return pos_; }

    // The next count bytes as a view sharing this stream's storage (no copy), advancing the
    // position; "Stream read error" when fewer remain.
    SharedBytes ReadShared(int64_t count);
    std::span<const uint8_t> bytes() const;

private:
    SharedBytes view_;         // read-only content, when constructed from bytes
    std::vector<uint8_t> own_; // written content otherwise
    bool read_only_ = false;
    int64_t pos_ = 0;
};

}  // namespace scr
