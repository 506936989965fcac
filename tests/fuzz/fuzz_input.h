// What the fuzz targets share: a reader that takes values off the front of
// libFuzzer's input in a plain layout (so seed files are easy to write by
// hand), and the check that turns a broken property into a crash libFuzzer
// reports and keeps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quistrel::fuzz {

[[noreturn]] inline void PropertyBroken(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? void() : ::quistrel::fuzz::PropertyBroken(__FILE__, __LINE__, #condition))

// Little-endian fields; once the input runs out every field reads as zero
// and every text as empty, so each input means one fixed sequence of values.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Each field is read low part first; the statements keep that order.
  uint16_t U16() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | (static_cast<uint32_t>(U16()) << 16);
  }
  uint64_t U64() {
    const uint64_t low = U32();
    return low | (static_cast<uint64_t>(U32()) << 32);
  }

  // A 16-bit byte count, then that many bytes (fewer when the input ends).
  std::string Bytes() {
    const std::size_t wanted = U16();
    const std::size_t count = std::min(wanted, size_ - at_);
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
    at_ += count;
    return bytes;
  }
  // A 16-bit count of UTF-16 units, then the units, little-endian.
  std::u16string Text() {
    const std::size_t wanted = U16();
    const std::size_t count = std::min(wanted, (size_ - at_) / 2);
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(U16()));
    return text;
  }
  std::string_view Rest() {
    const std::string_view rest(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return rest;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace quistrel::fuzz
