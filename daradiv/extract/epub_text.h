// EPUB books (.epub): the title from the package's metadata, then the body text of each
// content document (XHTML; one that is not XML is read as a web page) in spine order. The
// container names the package document; the spine lists the reading order by manifest id.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractEpub(std::string_view bytes);
