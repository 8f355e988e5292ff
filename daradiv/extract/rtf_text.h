// RTF documents, read here: the text of the body with control words for paragraphs, tabs
// and quotes turned into characters; font, colour and style tables, document information,
// pictures and every "\*" destination skipped; "\'hh" bytes decoded in the code page of
// their font or of "\ansicpg"; "\uN" code points with their "\ucN" fallbacks skipped.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractRtf(std::string_view bytes);
