// Bounds-checked little-endian reads from the records of legacy Office streams; a read past
// the end gives 0, so a corrupt length never reads outside the buffer.
#pragma once

#include <cstdint>
#include <string_view>

inline uint8_t U8At(std::string_view b, size_t at) {
    return at < b.size() ? static_cast<uint8_t>(b[at]) : 0;
}
inline uint16_t U16At(std::string_view b, size_t at) {
    return static_cast<uint16_t>(U8At(b, at) | (U8At(b, at + 1) << 8));
}
inline uint32_t U32At(std::string_view b, size_t at) {
    return static_cast<uint32_t>(U16At(b, at)) | (static_cast<uint32_t>(U16At(b, at + 2)) << 16);
}
// True when [at, at + n) lies inside b.
inline bool InBounds(std::string_view b, size_t at, size_t n) {
    return at <= b.size() && n <= b.size() - at;
}
