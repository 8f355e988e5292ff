// The occurrence scan: where a term occurs in a block of folded text. Occurrences never
// overlap and start only at character starts, as found by the lead-byte walk from the start
// of the block (so a block with ill-formed bytes is judged exactly as the walk judges it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Finds the occurrences of a term in a block one after the other, in order.
class OccurrenceCursor {
  public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    OccurrenceCursor(std::string_view block, std::string_view term) : block_(block), term_(term) {}

    // The offset of the next occurrence, or npos when there is none (always for an empty
    // term). The walk goes on after the occurrence's last byte.
    size_t Next();

  private:
    std::string_view block_;
    std::string_view term_;
    size_t walk_ = 0;  // a position of the character walk
};

struct Occurrences {
    int64_t count = 0;
    int64_t first = -1;  // offset of the first occurrence, -1 when there is none
};

// Counts the occurrences of term in block.
Occurrences ScanOccurrences(std::string_view block, std::string_view term);
