// PDF documents through poppler: the text of every page in page order, pages on lines of
// their own. Encrypted documents that need a password fail with a reason.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractPdf(std::string_view bytes);
