// EPUB books (.epub): the title from the package's metadata, then the text of each content
// document in spine order. The container names the package document; the spine lists the
// reading order through the manifest's ids.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractEpub(std::string_view bytes);
