// Groonga's tokenizer stops at the first ill-formed UTF-8 sequence (and at a zero byte), so
// whatever follows would never be found. Texts and query terms pass through here first.
#pragma once

#include <groonga.h>

#include <string>
#include <string_view>

namespace senna {

// text itself when Groonga can tokenize all of it; otherwise a copy in scratch where every
// byte of an ill-formed sequence and every zero byte is a blank.
std::string_view TokenizableText(grn_ctx* ctx, std::string_view text, std::string& scratch);

}  // namespace senna
