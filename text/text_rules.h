// The text handling the configuration readers, the dialogs and the search share: trimming,
// lower-casing and integer reading.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text without the characters up to U+0020 (blanks and control characters) at both ends.
std::string_view Trim(std::string_view text);

// Simple per-code-point Unicode lower-case mapping (non-ASCII letters included).
std::string LowerCase(std::string_view text);

// Integer reading: leading blanks, one optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". Empty text, any trailing character, or a value
// outside 32 bits gives fallback.
int32_t ReadInteger(std::string_view text, int32_t fallback);

// Decimal reading of a whole field as a signed 32-bit number, 0 (or fallback) when it is not
// one: used for the numeric fields of document lines and hit records.
int32_t ReadDecimal(std::string_view text, int32_t fallback = 0);
