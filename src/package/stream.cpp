#include "package/stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "package/errors.h"

namespace scr {

SharedBytes SharedBytes::Copy(std::span<const uint8_t> bytes) {
    auto block = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
    return SharedBytes{block, block->data(), block->size()};
}

int64_t Stream::Write(const void*, int64_t) { return 0; }

int64_t Stream::Remaining() const {
    const int64_t left = Size() - Position();
    return left > 0 ? left : 0;
}

void Stream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count > 0 && Read(buffer, count) != count)) throw EReadError(msg::kReadError);
}

void Stream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count > 0 && Write(buffer, count) != count)) throw EStreamError(msg::kWriteError);
}

void Stream::CopyFrom(Stream& source, int64_t count) {
    if (count < 0) throw EReadError(msg::kReadError);
    std::vector<uint8_t> buffer(std::size_t(std::min<int64_t>(count, 64 * 1024)));
    while (count > 0) {
        const int64_t chunk = std::min<int64_t>(count, int64_t(buffer.size()));
        const int64_t got = source.Read(buffer.data(), chunk);
        if (got > 0) WriteBuffer(buffer.data(), got);
        if (got != chunk) throw EReadError(msg::kReadError);
        count -= chunk;
    }
}

int64_t FileStream::Read(void* buffer, int64_t count) { return file_.read(buffer, count); }
int64_t FileStream::Write(const void* buffer, int64_t count) { return file_.write(buffer, count); }

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? file_.position() : file_.size();
    // Checked here so that an overflowing or negative target never reaches the system.
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
    return file_.seek(base + offset, SeekOrigin::Begin);
}

int64_t FileStream::Size() const { return file_.size(); }
int64_t FileStream::Position() const { return file_.position(); }

MemoryStream::MemoryStream(std::vector<uint8_t> bytes) {
    auto block = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    view_ = SharedBytes{block, block->data(), block->size()};
    read_only_ = true;
}

MemoryStream MemoryStream::View(std::span<const uint8_t> bytes) {
    MemoryStream s(SharedBytes{nullptr, bytes.data(), bytes.size()});
    return s;
}

std::span<const uint8_t> MemoryStream::bytes() const {
    if (read_only_) return view_.span();
    return {own_.data(), own_.size()};
}

int64_t MemoryStream::Read(void* buffer, int64_t count) {
    const auto all = bytes();
    if (count <= 0 || pos_ >= int64_t(all.size())) return 0;
    const int64_t n = std::min<int64_t>(count, int64_t(all.size()) - pos_);
    std::memcpy(buffer, all.data() + pos_, std::size_t(n));
    pos_ += n;
    return n;
}

int64_t MemoryStream::Write(const void* buffer, int64_t count) {
    if (read_only_ || count <= 0) return 0;
    const std::size_t end = std::size_t(pos_) + std::size_t(count);
    if (end > own_.size()) own_.resize(end);
    std::memcpy(own_.data() + pos_, buffer, std::size_t(count));
    pos_ = int64_t(end);
    return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    const int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : Size();
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
    pos_ = base + offset;
    return pos_;
}

SharedBytes MemoryStream::ReadShared(int64_t count) {
    const auto all = bytes();
    if (count < 0 || pos_ > int64_t(all.size()) || count > int64_t(all.size()) - pos_)
        throw EReadError(msg::kReadError);
    SharedBytes out;
    if (read_only_) {
        out = SharedBytes{view_.owner, all.data() + pos_, std::size_t(count)};
        // A borrowed view (no owner) must not outlive the caller's bytes: copy it.
        if (!view_.owner) out = SharedBytes::Copy(out.span());
    } else {
        out = SharedBytes::Copy(all.subspan(std::size_t(pos_), std::size_t(count)));
    }
    pos_ += count;
    return out;
}

}  // namespace scr
