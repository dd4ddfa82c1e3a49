#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/platform.h"

// Where a loader's bytes come from: an open picture file, or bytes already in memory (a fuzzer
// hands those in). The loaders read through this one interface, so both paths run the same
// decoding code.
namespace framestow {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; fewer only at the end of the data or on a read error.
    virtual std::size_t read(uint8_t* data, std::size_t size) = 0;
};

class SpanSource final : public ByteSource {
  public:
    explicit SpanSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::size_t read(uint8_t* data, std::size_t size) override;

  private:
    std::span<const uint8_t> bytes_;
};

class FileSource final : public ByteSource {
  public:
    explicit FileSource(platform::File& file) : file_(file) {}
    std::size_t read(uint8_t* data, std::size_t size) override { return file_.read(data, size); }

  private:
    platform::File& file_;
};

// Reads and drops `count` bytes. False when the data ends first.
[[nodiscard]] bool skip_bytes(ByteSource& source, uint64_t count);

}  // namespace framestow
