// Bounds-checked little-endian reads from a byte buffer. Every read either succeeds completely
// or fails without moving, so a parser cannot step past the end of its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorin {

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) noexcept : data_(data), size_(data ? size : 0) {}

    size_t Position() const noexcept { return pos_; }
    size_t Remaining() const noexcept { return size_ - pos_; }
    bool AtEnd() const noexcept { return pos_ == size_; }
    const uint8_t* Current() const noexcept { return data_ + pos_; }

    bool ReadU8(uint8_t& value) noexcept {
        if (Remaining() < 1)
            return false;
        value = data_[pos_++];
        return true;
    }
    bool ReadU16LE(uint16_t& value) noexcept {
        if (Remaining() < 2)
            return false;
        value = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }
    bool ReadU32LE(uint32_t& value) noexcept {
        if (Remaining() < 4)
            return false;
        value = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    // A view of the next n bytes; valid as long as the underlying buffer is.
    bool ReadBytes(size_t n, const uint8_t*& bytes) noexcept {
        if (Remaining() < n)
            return false;
        bytes = data_ + pos_;
        pos_ += n;
        return true;
    }
    // Consumes the next n bytes when they equal `expected`.
    bool Match(const uint8_t* expected, size_t n) noexcept {
        if (Remaining() < n || std::memcmp(data_ + pos_, expected, n) != 0)
            return false;
        pos_ += n;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace quorin
