// libFuzzer target over one format module, chosen by FUZZ_EXTENSION at build time: any
// input must give valid UTF-8 text or a failure with a reason, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "daradiv/extract/extractor.h"
#include "text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ExtractResult r =
        ExtractFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), FUZZ_EXTENSION);
    if (r.ok && !IsValidUtf8(r.text)) __builtin_trap();
    if (!r.ok && r.error.empty()) __builtin_trap();
    return 0;
}
