// Plain-text documents (and every extension without a format module of its own): the bytes
// decoded by their byte-order mark or detected charset. Bytes that are clearly not text
// (NUL bytes and control codes beyond a small share, a trailing run of NULs aside) are
// refused as binary.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractPlainText(std::string_view bytes);

// True when bytes without a byte-order mark look like binary data rather than text in any
// charset (UTF-16 without a mark counts as text).
bool LooksBinary(std::string_view bytes);
