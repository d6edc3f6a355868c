#pragma once
// The one bounds-checked reader for binary formats. Every read checks the bytes that remain;
// a failed read sets `failed`, returns zeros and leaves the position unchanged, so a reader can
// run through a header and test `failed` once.
#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteCursor {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  bool failed = false;

  ByteCursor() = default;
  ByteCursor(const void* bytes, size_t length)
      : data(static_cast<const uint8_t*>(bytes)), size(length) {}

  size_t Remaining() const { return size - pos; }
  bool Has(size_t count) const { return !failed && count <= size - pos; }

  // Moves to an absolute offset; fails past the end (the end itself is allowed).
  bool Seek(size_t offset) {
    if (failed || offset > size) return Fail();
    pos = offset;
    return true;
  }
  bool Skip(size_t count) {
    if (!Has(count)) return Fail();
    pos += count;
    return true;
  }
  // Copies count bytes out; on failure the destination is zeroed.
  bool Read(void* out, size_t count) {
    if (!Has(count)) {
      if (count) std::memset(out, 0, count);
      return Fail();
    }
    if (count) std::memcpy(out, data + pos, count);
    pos += count;
    return true;
  }
  // A pointer to count bytes in place, or null.
  const uint8_t* Take(size_t count) {
    if (!Has(count)) {
      Fail();
      return nullptr;
    }
    const uint8_t* p = data + pos;
    pos += count;
    return p;
  }
  // Little-endian integers and floats, as every format here stores them.
  uint8_t U8() { uint8_t v[1]; Read(v, 1); return v[0]; }
  uint16_t U16() { uint8_t v[2]; Read(v, 2); return uint16_t(v[0] | (v[1] << 8)); }
  uint32_t U32() {
    uint8_t v[4];
    Read(v, 4);
    return uint32_t(v[0]) | (uint32_t(v[1]) << 8) | (uint32_t(v[2]) << 16) | (uint32_t(v[3]) << 24);
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32() {
    uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }

  bool Fail() {
    failed = true;
    return false;
  }
};

// True when [offset, offset + length) lies inside a buffer of `size` bytes, without overflow.
inline bool RangeFits(uint64_t offset, uint64_t length, uint64_t size) {
  return offset <= size && length <= size - offset;
}

// a * b without overflow past 64 bits; false on overflow.
inline bool MulFits(uint64_t a, uint64_t b, uint64_t* out) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  *out = a * b;
  return true;
}
