// Little-endian encoding of the archive's records. The reader never reads
// past its end: every accessor checks, and a failed check latches ok() false
// so parsers can read a whole record and test once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fenn {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void varint(uint64_t v) {
        while (v >= 0x80) {
            out_.push_back(uint8_t(v | 0x80));
            v >>= 7;
        }
        out_.push_back(uint8_t(v));
    }
    void bytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    // A short text: one length byte, then the bytes (cut at 255).
    void text(const std::string& s) {
        size_t n = s.size() < 255 ? s.size() : 255;
        u8(uint8_t(n));
        bytes(s.data(), n);
    }
    size_t size() const { return out_.size(); }

private:
    void put(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) out_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t>& out_;
};

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool ok() const { return ok_; }
    size_t remaining() const { return size_t(end_ - p_); }
    const uint8_t* position() const { return p_; }

    uint8_t u8() { return uint8_t(get(1)); }
    uint16_t u16() { return uint16_t(get(2)); }
    uint32_t u32() { return uint32_t(get(4)); }
    uint64_t u64() { return get(8); }
    uint64_t varint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (p_ >= end_) return fail();
            uint8_t b = *p_++;
            v |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail();
    }
    // Returns a pointer to n bytes inside the buffer, or null when short.
    const uint8_t* take(size_t n) {
        if (!ok_ || remaining() < n) {
            fail();
            return nullptr;
        }
        const uint8_t* r = p_;
        p_ += n;
        return r;
    }
    std::string text() {
        size_t n = u8();
        const uint8_t* b = take(n);
        return b ? std::string(reinterpret_cast<const char*>(b), n) : std::string();
    }

private:
    uint64_t fail() {
        ok_ = false;
        p_ = end_;
        return 0;
    }
    uint64_t get(int n) {
        if (!ok_ || remaining() < size_t(n)) return fail();
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= uint64_t(p_[i]) << (8 * i);
        p_ += n;
        return v;
    }
    const uint8_t* p_;
    const uint8_t* end_;
    bool ok_ = true;
};

}  // namespace fenn
