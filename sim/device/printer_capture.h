#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The reader's copy of the print data that passes from the host to a ticket printer behind
// it. The copy holds at most its capacity; print data past that is not kept.
class PrinterCapture {
  public:
    static constexpr std::size_t kDefaultCapacity = 16 * 1024;

    explicit PrinterCapture(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // Print data on its way to the printer.
    void Print(std::span<const std::uint8_t> data);
    // Bytes [offset, offset + count) of the copy, clipped to what it holds.
    std::span<const std::uint8_t> Piece(std::size_t offset, std::size_t count) const;
    void Clear() { data_.clear(); }

    const std::vector<std::uint8_t>& data() const { return data_; }

  private:
    std::size_t capacity_;
    std::vector<std::uint8_t> data_;
};

}  // namespace sim
