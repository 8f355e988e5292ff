// Turning backslashes into forward slashes in a path without touching the bytes inside a
// multi-byte character.
#pragma once

#include <string>
#include <string_view>

// Every 0x5C byte that is a character of its own becomes "/"; the bytes a lead byte
// covers (LeadByteLength) are stepped over unchanged. Any length is handled.
std::string ToForwardSlashes(std::string_view text);
