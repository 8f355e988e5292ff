// Triples of a text: each run of three characters holding one outside ASCII and no blank or
// control character. A term that is not all Latin is held only by documents that hold every
// triple of it, and the documents holding a triple are far fewer than those holding its two
// bigrams, so the triples narrow a Japanese term before any position is read.
#pragma once

#include <groonga.h>

#include <string_view>
#include <vector>

namespace senna {

// Appends the triples of text (well-formed UTF-8 as Groonga reads it) to out, as views into
// text, repeats included.
void AppendTriples(grn_ctx* ctx, std::string_view text, std::vector<std::string_view>& out);

}  // namespace senna
